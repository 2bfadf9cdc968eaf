// Benchmarks of the translation engine: a large SQL script translated with
// the sample tables, and the same script against column tables of growing
// size.
#include <benchmark/benchmark.h>

#include <string>

#include "base/stream.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

std::string SourceDir() {
#ifdef QUALTREN_SOURCE_DIR
  return QUALTREN_SOURCE_DIR;
#else
  return ".";
#endif
}

struct SampleTables {
  TVirtualTable table{"tbTable_Trans"}, storedProc{"tbSP_Trans"}, tableStr{"tbTableStr_Trans"};
  TransTables refs{table, storedProc, tableStr};

  SampleTables() {
    const std::string dir = SourceDir() + "/examples/";
    for (TVirtualTable* t : {&table, &storedProc, &tableStr})
      t->SetFilterOptions(kTransTableFilterOptions);
    LoadTransTable(table, dir + kTableNamesFile);
    LoadTransTable(storedProc, dir + kProcedureNamesFile);
    LoadTransTable(tableStr, dir + kColumnNamesFile);
  }
};

// Translates the sample script repeated to about 1.5 MB; the automatic table
// name is off, as in file-list translation.
void BM_TranslateLargeScript(benchmark::State& state) {
  SampleTables tables;
  const std::string sample = ReadWholeFile(SourceDir() + "/examples/sample.sql");
  std::string text;
  while (text.size() < 1500000)
    text += sample;
  std::string error;
  for (auto _ : state) {
    std::string out = TranslateText(tables.refs, "", false, text, false, "", "", &error);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_TranslateLargeScript)->Unit(benchmark::kMillisecond);

// One statement translated against a column table of N extra records: the
// cost per word must not grow with the table.
void BM_TranslateAgainstLargeColumnTable(benchmark::State& state) {
  SampleTables tables;
  tables.tableStr.Open();
  for (int64_t i = 0; i < state.range(0); ++i) {
    tables.tableStr.Append();
    tables.tableStr.FieldByName("TableName").SetAsString("T" + std::to_string(i % 500));
    tables.tableStr.FieldByName("FieldName").SetAsString("Polje" + std::to_string(i));
    tables.tableStr.FieldByName("FieldNameAng").SetAsString("Field" + std::to_string(i));
    tables.tableStr.Post();
  }
  const std::string text = "select Ime, Grad, Polje42 from Kupac where Grad = 'Zagreb'\r\n";
  std::string error;
  for (auto _ : state) {
    std::string out = TranslateText(tables.refs, "", true, text, false, "", "", &error);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_TranslateAgainstLargeColumnTable)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qualtren
