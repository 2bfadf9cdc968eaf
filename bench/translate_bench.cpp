// Benchmarks of the translation engine: TranslateText on the generated
// corpus against column tables of 100, 10 000 and 100 000 records, the
// command line end to end on the corpus's files, and the sample script.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "base/stream.h"
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
  static const std::string script = MakeScript(StandardSchema(), kCorpusBytes);
  return script;
}

// TranslateText on the 20 MiB corpus, as the window hands it a text, with
// the automatic table name on; the argument is the size of the column table.
void BM_TranslateCorpus(benchmark::State& state) {
  TTransTableSet tables;
  FillTransTables(StandardSchema(), static_cast<size_t>(state.range(0)), tables);
  const std::string& text = Corpus();
  std::string error;
  for (auto _ : state) {
    std::string out = TranslateText(tables.Tables(), "", true, text, false, "", "", &error);
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
    TFileStream(d + "/corpus.sql", FileMode::Create).WriteBytes(Corpus());
    return d;
  }();
  return dir;
}

// "qualtren-cli translate --tables DIR corpus.sql" in this process, the
// tables loaded afresh each time, the output thrown away.
void BM_CliTranslateCorpus(benchmark::State& state) {
  const std::string dir = CorpusDir();
  const std::string file = dir + "/corpus.sql";
  const char* argv[] = {"qualtren-cli", "translate", "--tables", dir.c_str(), file.c_str()};
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    out.str().reserve(kCorpusBytes + kCorpusBytes / 8);
    CliIo io{in, out, err};
    if (RunCli(5, argv, io) != kExitOk) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(Corpus().size()) * state.iterations());
}
BENCHMARK(BM_CliTranslateCorpus)->Unit(benchmark::kMillisecond);

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
    std::string out = TranslateText(tables.Tables(), "", false, text, false, "", "", &error);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_TranslateSampleScript)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qualtren::bench
