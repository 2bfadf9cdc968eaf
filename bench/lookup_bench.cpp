// Benchmarks of one try of the name lookup, as the translation engine makes
// it for a word met the first time: a filter text set on a translation table,
// the first passing record, and its English name read. Each reports the
// allocations one try makes. And the build of the name dictionary that
// answers words once tries no longer pay, after the tables load or while
// they load.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "base/codepage.h"
#include "bench/corpus.h"
#include "trans/name_dictionary.h"
#include "trans/name_lookup.h"

namespace qualtren::bench {
namespace {

TTransTableSet& Tables() {
  static TTransTableSet tables;
  static const bool filled = [] {
    SetActiveCodePage(kCorpusCodePage);
    FillTransTables(StandardSchema(), StandardSchema().ColumnRecords.size(), tables);
    return true;
  }();
  (void)filled;
  return tables;
}

// One try per iteration, over a cycle of filter texts so that every
// iteration sets a new text; `field` is read when a record passes.
void RunTries(benchmark::State& state, TVirtualTable& table,
              const std::vector<std::string>& filters, const char* field) {
  // One round first, so that the equality index exists.
  for (const std::string& f : filters)
    if (OpenFiltered(table, f)) benchmark::DoNotOptimize(table.FieldByName(field).AsString());
  size_t i = 0, found = 0;
  const testing::TAllocations allocations = testing::AllocationsBy([&] {
    for (auto _ : state) {
      if (OpenFiltered(table, filters[i++ % filters.size()])) {
        ++found;
        benchmark::DoNotOptimize(table.FieldByName(field).AsString());
      }
    }
  });
  state.counters["allocs/try"] =
      static_cast<double>(allocations.Count) / static_cast<double>(state.iterations());
  state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}

// A column of the named table: found, through the equality index and a
// second condition.
void BM_TryColumnOfNamedTable(benchmark::State& state) {
  std::vector<std::string> filters;
  const auto& records = StandardSchema().ColumnRecords;
  for (size_t i = 0; i < 1000; ++i) {
    const auto& r = records[(i * 7919) % records.size()];
    filters.push_back("FieldName = '" + r.Local + "'  and TableName = '" + r.Table + "'");
  }
  RunTries(state, Tables().TableStr, filters, "FieldNameAng");
}
BENCHMARK(BM_TryColumnOfNamedTable)->Unit(benchmark::kMicrosecond);

// A column of any table: found.
void BM_TryColumnOfAnyTable(benchmark::State& state) {
  std::vector<std::string> filters;
  const auto& columns = StandardSchema().ColumnNames;
  for (size_t i = 0; i < 1000; ++i)
    filters.push_back("FieldName = '" + columns[(i * 7919) % columns.size()].Local + "' ");
  RunTries(state, Tables().TableStr, filters, "FieldNameAng");
}
BENCHMARK(BM_TryColumnOfAnyTable)->Unit(benchmark::kMicrosecond);

// A word that no record holds, on the table-name table.
void BM_TryTableNameNotFound(benchmark::State& state) {
  std::vector<std::string> filters;
  for (size_t i = 0; i < 1000; ++i)
    filters.push_back("TableName = '" + std::to_string(100000 + i * 37) + "'");
  RunTries(state, Tables().Table, filters, "TableNameAng");
}
BENCHMARK(BM_TryTableNameNotFound)->Unit(benchmark::kMicrosecond);

// The name dictionary built from the three tables, as the lookup builds it
// once enough words needed tries; the argument is the size of the column
// table (the table and procedure tables stay as the schema has them).
void BM_BuildDictionary(benchmark::State& state) {
  SetActiveCodePage(kCorpusCodePage);
  TTransTableSet tables;
  FillTransTables(StandardSchema(), static_cast<size_t>(state.range(0)), tables);
  size_t records = 0;
  for (auto _ : state) {
    const auto dictionary = TNameDictionary::Build(tables.Tables());
    if (!dictionary) {
      state.SkipWithError("the tables allow no dictionary");
      break;
    }
    records = dictionary->Records();
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_BuildDictionary)->Arg(100)->Arg(90000)->Unit(benchmark::kMillisecond);

// The three tables loaded from their files (the column table of the
// standard schema's 90 000 records) and their dictionary built: after the
// load (argument 0), or on a second thread while the column table loads
// (1), as translate and files do.
void BM_LoadTablesAndDictionary(benchmark::State& state) {
  static const std::string dir = [] {
    const std::string d =
        (std::filesystem::temp_directory_path() / "qualtren_bench_dictionary").string();
    std::filesystem::create_directories(d);
    SetActiveCodePage(kCorpusCodePage);
    SaveTransTableFiles(StandardSchema(), StandardSchema().ColumnRecords.size(), d);
    return d;
  }();
  SetActiveCodePage(kCorpusCodePage);
  for (auto _ : state) {
    TTransTableSet tables;
    std::shared_ptr<const TNameDictionary> dictionary;
    if (state.range(0) == 0) {
      tables.Load(dir);
      dictionary = TNameDictionary::Build(tables.Tables());
    } else {
      dictionary = TNameDictionary::LoadAndBuild(tables, dir);
    }
    if (!dictionary) {
      state.SkipWithError("the tables allow no dictionary");
      break;
    }
    benchmark::DoNotOptimize(dictionary->Records());
  }
  state.SetLabel(state.range(0) == 0 ? "after the load" : "while loading");
}
BENCHMARK(BM_LoadTablesAndDictionary)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qualtren::bench
