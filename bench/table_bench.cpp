// Benchmarks of the translation tables: loading and saving a table file of
// 100 000 records, one name lookup through a filter with the equality index
// and with a full scan, and sorting 100 000 records by IndexFieldNames from
// organ-pipe, sorted and random order; loading and saving images of many
// field definitions, XML rows that name no column and XML rows that are
// dropped from a table of wide records. The corpora are generated in memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "table/virtual_table.h"
#include "xml_rowset.h"

namespace qualtren {
namespace {

constexpr int kRecords = 100000;

// A column-name translation table: TableName, FieldName, FieldNameAng.
void Generate(TVirtualTable& t) {
  t.FieldDefs().Add("TableName", ftString, 30);
  t.FieldDefs().Add("FieldName", ftString, 30);
  t.FieldDefs().Add("FieldNameAng", ftString, 30);
  t.Open();
  for (int i = 0; i < kRecords; ++i) {
    t.Append();
    t.Field(0).SetAsString("Tabela" + std::to_string(i / 20));
    t.Field(1).SetAsString("Polje" + std::to_string(i % 20) + "_" + std::to_string(i));
    t.Field(2).SetAsString("Field" + std::to_string(i % 20) + "_" + std::to_string(i));
    t.Post();
  }
}

// The corpus file, written once per run in the temporary directory.
const std::string& CorpusFile() {
  static const std::string name = [] {
    std::string file = "/tmp/qualtren_bench_" + std::to_string(kRecords) + ".vtd";
    TVirtualTable t("corpus");
    Generate(t);
    t.SaveTableFile(file);
    return file;
  }();
  return name;
}

void BM_LoadTableFile(benchmark::State& state) {
  const std::string& file = CorpusFile();
  TVirtualTable t("t");
  for (auto _ : state) {
    t.Close();
    t.ClearTable();
    t.LoadTableFile(file);
  }
  t.Open();
  state.counters["records"] = t.RecordCount();
}
BENCHMARK(BM_LoadTableFile)->Unit(benchmark::kMillisecond);

void BM_SaveTableFile(benchmark::State& state) {
  TVirtualTable t("t");
  t.LoadTableFile(CorpusFile());
  const std::string out = "/tmp/qualtren_bench_save.vtd";
  for (auto _ : state)
    t.SaveTableFile(out);
  std::remove(out.c_str());
}
BENCHMARK(BM_SaveTableFile)->Unit(benchmark::kMillisecond);

// One lookup as the translation engine makes it: a new filter text on a
// filtered table, then the first passing record.
void Lookup(benchmark::State& state, bool index) {
  SetActiveCodePage(1250);
  TVirtualTable t("t");
  t.LoadTableFile(CorpusFile());
  t.Data().SetUseEqualityIndex(index);
  t.SetFilterOptions(foCaseInsensitive | foNoPartialCompare);
  t.SetFiltered(true);
  t.Open();
  int i = 0;
  for (auto _ : state) {
    // Alternate between two words so that every round sets a new text.
    int n = (i++ % 2) ? 12345 : 54321;
    t.SetFilter("FieldName = 'polje" + std::to_string(n % 20) + "_" + std::to_string(n) +
                "'  and TableName = 'TABELA" + std::to_string(n / 20) + "'");
    benchmark::DoNotOptimize(t.Eof());
    if (t.Eof() || t.RecordCount() != 1) state.SkipWithError("lookup found nothing");
  }
}
void BM_LookupWithIndex(benchmark::State& state) {
  Lookup(state, true);
}
void BM_LookupByScan(benchmark::State& state) {
  Lookup(state, false);
}
BENCHMARK(BM_LookupWithIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupByScan)->Unit(benchmark::kMicrosecond);

// Sorting by a string column, the records first in organ-pipe order (up,
// then down again), sorted or random order; every key stands twice.
enum SortInput { kOrganPipe, kSorted, kRandom };

void BM_SortByIndexFieldNames(benchmark::State& state) {
  SetActiveCodePage(1250);
  const auto input = static_cast<SortInput>(state.range(0));
  std::mt19937 random(1);
  for (auto _ : state) {
    state.PauseTiming();
    TVirtualTable t("t");
    t.FieldDefs().Add("Name", ftString, 20);
    t.FieldDefs().Add("Ang", ftString, 20);
    t.Open();
    for (int i = 0; i < kRecords; ++i) {
      int key = i / 2;
      if (input == kOrganPipe) key = i < kRecords / 2 ? i : kRecords - 1 - i;
      if (input == kRandom) key = static_cast<int>(random() % (kRecords / 2));
      t.Append();
      t.Field(0).SetAsString("Polje" + std::to_string(100000 + key));
      t.Field(1).SetAsString("Field" + std::to_string(i));
      t.Post();
    }
    state.ResumeTiming();
    t.SetIndexFieldNames("Name");
    benchmark::DoNotOptimize(t.RecordCount());
  }
}
BENCHMARK(BM_SortByIndexFieldNames)
    ->Arg(kOrganPipe)
    ->Arg(kSorted)
    ->Arg(kRandom)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Little-endian integers and names of a binary image, written by hand so
// that building the corpus does not depend on the code measured.
void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void PutI32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  PutU16(out, static_cast<uint16_t>(u & 0xFFFF));
  PutU16(out, static_cast<uint16_t>(u >> 16));
}

// A binary image of `defs` string definitions and 10 records, each value
// holding its field's name.
std::string ManyDefinitionsImage(int defs) {
  std::string out;
  PutU16(out, 3);
  PutU16(out, static_cast<uint16_t>(defs));
  for (int i = 0; i < defs; ++i) {
    const std::string name = "Field" + std::to_string(i);
    PutU16(out, static_cast<uint16_t>(name.size()));
    out += name;
    PutU16(out, ftString);
    PutU16(out, 12);
    PutI32(out, 0);
  }
  PutU16(out, 0);
  PutI32(out, 10);
  for (int r = 0; r < 10; ++r) {
    for (int i = 0; i < defs; ++i) {
      const std::string value = "Field" + std::to_string(i);
      PutI32(out, static_cast<int32_t>(value.size()));
      out += value;
    }
  }
  return out;
}

// The numbers of definitions of the load and save benchmarks, up to the
// most a file can hold; one run each.
void DefinitionCounts(benchmark::internal::Benchmark* b) {
  b->Arg(4000)->Arg(16000)->Arg(65535)->Unit(benchmark::kMillisecond)->Iterations(1);
}

// Loads the table file `bytes` into one table afresh in every iteration;
// the load must leave `records` records.
void LoadEachIteration(benchmark::State& state, const std::string& bytes, int records) {
  TMemoryStream image(bytes);
  TVirtualTable t("t");
  for (auto _ : state) {
    t.Close();
    t.ClearTable();
    t.LoadTableStream(image, true);
    t.Open();
    if (t.RecordCount() != records) state.SkipWithError("wrong number of records");
  }
}

void BM_LoadManyDefinitions(benchmark::State& state) {
  LoadEachIteration(state, ManyDefinitionsImage(static_cast<int>(state.range(0))), 10);
}
BENCHMARK(BM_LoadManyDefinitions)->Apply(DefinitionCounts);

void BM_SaveManyDefinitions(benchmark::State& state) {
  TMemoryStream image(ManyDefinitionsImage(static_cast<int>(state.range(0))));
  TVirtualTable t("t");
  t.LoadTableStream(image, true);
  for (auto _ : state) {
    TMemoryStream out;
    t.SaveTableStream(out, true);
    benchmark::DoNotOptimize(out.Bytes().size());
  }
}
BENCHMARK(BM_SaveManyDefinitions)->Apply(DefinitionCounts);

// Rows that name no column: every one is dropped.
void BM_XmlRowsNamingNoColumn(benchmark::State& state) {
  LoadEachIteration(state, testing::XmlRowset(4000, 20, 40000, "nocolumn='x'"), 0);
}
BENCHMARK(BM_XmlRowsNamingNoColumn)->Unit(benchmark::kMillisecond)->Iterations(1);

// Rows of a table of 250 columns of 65 535 characters (records of 16 MB)
// whose one value names no column: every one is dropped.
void BM_XmlBadRowsOfWideRecords(benchmark::State& state) {
  LoadEachIteration(
      state, testing::XmlRowset(250, 65535, static_cast<int>(state.range(0)), "c1='a' bad='x'"), 0);
}
BENCHMARK(BM_XmlBadRowsOfWideRecords)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace qualtren
