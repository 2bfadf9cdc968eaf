// Writes a benchmark corpus into a directory: the three translation table
// files, an SQL script (code page 1250, and the same text in UTF-8 and in
// UTF-16 LE with a byte-order mark) and the names as TAB-separated pairs.
//   qualtren_corpus DIR [MIB [COLUMN_RECORDS|all [SHAPE]]]
// SHAPE: standard (the default), distinct, long, one-line or lines-of-ten.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "bench/corpus.h"

using namespace qualtren;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qualtren_corpus DIR [MIB [COLUMN_RECORDS|all [SHAPE]]]\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const size_t mib = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20;
  SetActiveCodePage(bench::kCorpusCodePage);
  const bench::CorpusSchema& schema = bench::StandardSchema();
  const size_t columns = argc > 3 && std::string(argv[3]) != "all"
                             ? std::strtoul(argv[3], nullptr, 10)
                             : schema.ColumnRecords.size();
  bench::TScriptShape shape = bench::TScriptShape::Standard;
  if (argc > 4 && !bench::ScriptShapeFromName(argv[4], shape)) {
    std::fprintf(stderr,
                 "qualtren_corpus: the shape is standard, distinct, long, one-line or "
                 "lines-of-ten, not %s\n",
                 argv[4]);
    return 2;
  }
  try {
    bench::SaveTransTableFiles(schema, columns, argv[1]);
    const std::string script = bench::MakeScript(schema, mib << 20, 7, shape);
    TFileStream(dir + "corpus.sql", FileMode::Create).WriteBytes(script);
    const std::string utf8 = AnsiToUtf8(script);
    TFileStream(dir + "corpus-utf8.sql", FileMode::Create).WriteBytes(utf8);
    TFileStream(dir + "corpus-utf16.sql", FileMode::Create)
        .WriteBytes(EncodeText(utf8, {TTextEncoding::Utf16LE, true}));
    TFileStream(dir + "names.tsv", FileMode::Create).WriteBytes(bench::NamesTsv(schema));
    std::printf("%s: %zu tables, %zu column records, %zu procedures, %zu bytes of script\n",
                argv[1], schema.Tables.size(), columns, schema.Procedures.size(), script.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qualtren_corpus: %s\n", e.what());
    return 1;
  }
  return 0;
}
