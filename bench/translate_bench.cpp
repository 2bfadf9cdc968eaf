// Benchmarks of the translation engine: TranslateText on the generated
// corpus against column tables of 100, 10 000 and 100 000 records, the
// command line end to end on the corpus's files and on its words laid out
// on one line and ten to a line, and the sample script.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "bench/corpus.h"
#include "cli/commands.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren::bench {
namespace {

constexpr size_t kCorpusBytes = 20u << 20;

std::string SourceDir() {
#ifdef QUALTREN_SOURCE_DIR
  return QUALTREN_SOURCE_DIR;
#else
  return ".";
#endif
}

const std::string& Corpus() {
  SetActiveCodePage(kCorpusCodePage);
  static const std::string script = MakeScript(StandardSchema(), kCorpusBytes);
  return script;
}

// The corpus script as a file in one of the forms an editor saves it in.
struct TCorpusForm {
  const char* File;
  TTextForm Form;
};
constexpr TCorpusForm kCorpusForms[] = {{"corpus.sql", {TTextEncoding::Ansi, false}},
                                        {"corpus-utf8.sql", {TTextEncoding::Utf8, false}},
                                        {"corpus-utf16.sql", {TTextEncoding::Utf16LE, true}}};

// TranslateText on the 20 MiB corpus, as the window hands it a text, with
// the automatic table name on; the argument is the size of the column table.
void BM_TranslateCorpus(benchmark::State& state) {
  const std::string& text = Corpus();
  TTransTableSet tables;
  FillTransTables(StandardSchema(), static_cast<size_t>(state.range(0)), tables);
  TTranslateOptions options;
  options.AutoTableName = true;
  std::string error;
  for (auto _ : state) {
    std::string out = TranslateText(tables.Tables(), options, text, &error);
    benchmark::DoNotOptimize(out);
  }
  if (!error.empty()) state.SkipWithError(error.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_TranslateCorpus)->Arg(100)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The files of the corpus (the three tables and the script), written once.
const std::string& CorpusDir() {
  static const std::string dir = [] {
    const std::string d =
        (std::filesystem::temp_directory_path() / "qualtren_bench_corpus").string();
    std::filesystem::create_directories(d);
    SaveTransTableFiles(StandardSchema(), StandardSchema().ColumnRecords.size(), d);
    for (const TCorpusForm& f : kCorpusForms)
      TFileStream(d + "/" + f.File, FileMode::Create)
          .WriteBytes(f.Form.Utf8() ? EncodeText(AnsiToUtf8(Corpus()), f.Form) : Corpus());
    return d;
  }();
  return dir;
}

// "qualtren-cli translate --tables DIR --code-page 1250 FILE" in this
// process, the tables loaded afresh each time, the output thrown away. The
// argument picks the file: the corpus in ANSI, in UTF-8, in UTF-16 LE with a
// mark. The bytes counted are those of the ANSI text in every case, so that
// the throughputs compare the same text.
void BM_CliTranslateCorpus(benchmark::State& state) {
  const std::string dir = CorpusDir();
  const std::string file = dir + "/" + kCorpusForms[state.range(0)].File;
  const char* argv[] = {"qualtren-cli", "translate", "--tables",  dir.c_str(),
                        "--code-page",  "1250",      file.c_str()};
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    out.str().reserve(2 * kCorpusBytes + kCorpusBytes / 4);
    CliIo io{in, out, err};
    if (RunCli(7, argv, io) != kExitOk) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(Corpus().size()) * state.iterations());
  state.SetLabel(kCorpusForms[state.range(0)].File);
}
BENCHMARK(BM_CliTranslateCorpus)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The words of the corpus on one line (argument 0, as minified SQL comes)
// and ten to a line (1), through the command line end to end with --jobs 1
// and with two jobs (second argument): per byte, the one line should cost
// what the short lines cost, and two jobs never more than one.
void BM_CliTranslateLayout(benchmark::State& state) {
  const std::string dir = CorpusDir();
  static const bool written = [&dir] {
    TFileStream(dir + "/one-line.sql", FileMode::Create).WriteBytes(RelayWords(Corpus(), 0));
    TFileStream(dir + "/lines-of-ten.sql", FileMode::Create).WriteBytes(RelayWords(Corpus(), 10));
    return true;
  }();
  (void)written;
  const std::string file = dir + (state.range(0) == 0 ? "/one-line.sql" : "/lines-of-ten.sql");
  const std::string jobs = std::to_string(state.range(1));
  const char* argv[] = {"qualtren-cli", "translate", "--tables",   dir.c_str(), "--code-page",
                        "1250",         "--jobs",    jobs.c_str(), file.c_str()};
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    CliIo io{in, out, err};
    if (RunCli(9, argv, io) != kExitOk) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(Corpus().size()) * state.iterations());
  state.SetLabel(state.range(0) == 0 ? "one line" : "lines of ten");
}
BENCHMARK(BM_CliTranslateLayout)
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The sample script repeated to about 1.5 MB with the sample tables; the
// automatic table name is off, as in file-list translation.
void BM_TranslateSampleScript(benchmark::State& state) {
  TTransTableSet tables;
  tables.Load(SourceDir() + "/examples");
  const std::string sample = ReadWholeFile(SourceDir() + "/examples/sample.sql");
  std::string text;
  while (text.size() < 1500000)
    text += sample;
  std::string error;
  for (auto _ : state) {
    std::string out = TranslateText(tables.Tables(), {}, text, &error);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_TranslateSampleScript)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qualtren::bench
