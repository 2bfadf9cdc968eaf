// Benchmarks of the SQL dialect lexer and the statement cutter: the lexer
// cutting every line of the generated corpus into spans (Lex) and only
// moving its state on (Skip), in each dialect, and the cutter cutting the
// corpus into statements.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"
#include "bench/corpus.h"
#include "trans/lines.h"
#include "trans/sql_lexer.h"
#include "trans/statement_cutter.h"

namespace qualtren::bench {
namespace {

constexpr size_t kLexCorpusBytes = 8u << 20;

const std::string& LexCorpus() {
  SetActiveCodePage(kCorpusCodePage);
  static const std::string script = MakeScript(StandardSchema(), kLexCorpusBytes, 11);
  return script;
}

const std::vector<std::string_view>& LexLines() {
  static const std::vector<std::string_view> lines = [] {
    std::vector<std::string_view> all;
    ForEachLine(LexCorpus(), [&all](std::string_view line) { all.push_back(line); });
    return all;
  }();
  return lines;
}

// The argument is the dialect (TDialect's value).
void BM_LexCorpus(benchmark::State& state) {
  const auto dialect = static_cast<TDialect>(state.range(0));
  const std::vector<std::string_view>& lines = LexLines();
  std::vector<TLexSpan> spans;
  for (auto _ : state) {
    TSqlLexer lexer(dialect);
    size_t count = 0;
    for (std::string_view line : lines) {
      lexer.Lex(line, spans);
      count += spans.size();
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(LexCorpus().size()) * state.iterations());
}
BENCHMARK(BM_LexCorpus)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

void BM_LexSkipCorpus(benchmark::State& state) {
  const auto dialect = static_cast<TDialect>(state.range(0));
  const std::vector<std::string_view>& lines = LexLines();
  for (auto _ : state) {
    TSqlLexer lexer(dialect);
    for (std::string_view line : lines)
      lexer.Skip(line);
    benchmark::DoNotOptimize(lexer.State());
  }
  state.SetBytesProcessed(static_cast<int64_t>(LexCorpus().size()) * state.iterations());
}
BENCHMARK(BM_LexSkipCorpus)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

void BM_CutStatementsCorpus(benchmark::State& state) {
  const auto dialect = static_cast<TDialect>(state.range(0));
  const std::string& text = LexCorpus();
  size_t statements = 0;
  for (auto _ : state) {
    const std::vector<TSqlStatement> cut = CutStatements(text, dialect);
    statements = cut.size();
    benchmark::DoNotOptimize(cut.data());
  }
  state.counters["statements"] = static_cast<double>(statements);
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}
BENCHMARK(BM_CutStatementsCorpus)->DenseRange(1, 5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qualtren::bench
