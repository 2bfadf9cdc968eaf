// Benchmarks of the window under the offscreen platform: Translate pressed on
// a 5 MiB script, timed from the press until the result is painted in the
// lower area, on the first press of a fresh window and on a press repeated;
// the argument names the corpus (see CorpusDir). Then the tables window on
// the standard corpus (about 90 000 column rows): opened until painted, and
// its filter typed one keystroke at a time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/tables_window.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "base/stream.h"
#include "base/utf.h"
#include "bench/corpus.h"
#include "trans/trans_tables.h"

namespace qualtren::bench {
namespace {

constexpr size_t kScriptBytes = 5u << 20;

// The sample tables and script.
const std::string kExamplesDir = QUALTREN_SOURCE_DIR "/examples/";

// The corpora, each a directory of the three tables and a 5 MiB script,
// written once: 0 the standard schema (3 000 tables, about 90 000 column
// records) and its generated script, 1 the sample tables and the sample
// script repeated.
const std::string& CorpusDir(int corpus) {
  static const std::string dirs[2] = {
      [] {
        const std::string d =
            (std::filesystem::temp_directory_path() / "qualtren_window_bench/standard").string();
        std::filesystem::create_directories(d);
        SaveTransTableFiles(StandardSchema(), StandardSchema().ColumnRecords.size(), d);
        TFileStream(d + "/script.sql", FileMode::Create)
            .WriteBytes(MakeScript(StandardSchema(), kScriptBytes));
        return d;
      }(),
      [] {
        const std::string d =
            (std::filesystem::temp_directory_path() / "qualtren_window_bench/sample").string();
        std::filesystem::create_directories(d);
        for (const char* name : {kTableNamesFile, kProcedureNamesFile, kColumnNamesFile})
          std::filesystem::copy_file(kExamplesDir + name, d + "/" + name,
                                     std::filesystem::copy_options::overwrite_existing);
        const std::string sample = ReadWholeFile(kExamplesDir + "sample.sql");
        std::string script;
        while (script.size() < kScriptBytes)
          script += sample;
        TFileStream(d + "/script.sql", FileMode::Create).WriteBytes(script);
        return d;
      }()};
  return dirs[corpus];
}

// A window opened in the corpus directory (so it loads the corpus tables)
// with the script pasted into the upper area and everything painted.
struct Window {
  QStringList errors;
  std::unique_ptr<TMain> main;

  explicit Window(int corpus) {
    std::filesystem::current_path(CorpusDir(corpus));
    TMainUi ui;
    ui.ErrorBox = [this](const QString& text) { errors << text; };
    main = std::make_unique<TMain>(ui);
    main->show();
    // The scripts are ANSI text of the corpus's code page; the area takes
    // UTF-8.
    SetMemoText(*main->mSQL, AnsiToUtf8(ReadWholeFile(CorpusDir(corpus) + "/script.sql")));
    QApplication::processEvents();
  }
  // Presses Translate and lets the window paint the result.
  void Press() {
    main->bTrans->click();
    QApplication::processEvents();
  }

  bool Check(benchmark::State& state) {
    if (!errors.isEmpty()) {
      state.SkipWithError(errors.join(u'|').toStdString().c_str());
      return false;
    }
    if (main->mSQLPre->document()->blockCount() < 1000) {
      state.SkipWithError("the lower area holds no translation");
      return false;
    }
    return true;
  }
};

// The first press on a fresh window: the tables' indexes are built then.
void BM_WindowFirstTranslate(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<Window>(static_cast<int>(state.range(0)));
    state.ResumeTiming();
    window->Press();
    state.PauseTiming();
    if (!window->Check(state)) break;
    window.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(kScriptBytes) * state.iterations());
}
BENCHMARK(BM_WindowFirstTranslate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Translate pressed again on the same text, the lower area already full.
void BM_WindowTranslateAgain(benchmark::State& state) {
  Window window(static_cast<int>(state.range(0)));
  window.Press();
  if (!window.Check(state)) return;
  for (auto _ : state)
    window.Press();
  state.SetBytesProcessed(static_cast<int64_t>(kScriptBytes) * state.iterations());
}
BENCHMARK(BM_WindowTranslateAgain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The tables window opened from the main window (Ctrl+T) on the column
// table of about 90 000 rows, until its first paint; the findings of the
// check are part of it.
void BM_TablesWindowOpen(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<Window>(0);
    state.ResumeTiming();
    window->main->ShowTablesWindow();
    TTablesWindow* tables = window->main->TablesWindow();
    tables->tcTables->setCurrentIndex(static_cast<int>(TNameKind::Column));
    QApplication::processEvents();
    state.PauseTiming();
    if (tables->Model(TNameKind::Column).rowCount() < 80000) {
      state.SkipWithError("the column table holds fewer rows than the corpus");
      break;
    }
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TablesWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(3);

// One keystroke of the filter over the three tables, until painted: the
// text grows by a letter, then shrinks again, with and without marks
// ignored (the argument).
void BM_TablesWindowFilterKeystroke(benchmark::State& state) {
  Window window(0);
  window.main->ShowTablesWindow();
  TTablesWindow* tables = window.main->TablesWindow();
  tables->tcTables->setCurrentIndex(static_cast<int>(TNameKind::Column));
  tables->lIgnoreDiacritics->setChecked(state.range(0) != 0);
  QApplication::processEvents();
  // A local name of the corpus, typed and taken back letter by letter.
  const QString name = AnsiToQString(StandardSchema().ColumnRecords[4321].Local);
  std::vector<QString> steps;
  for (qsizetype n = 1; n <= name.size(); ++n)
    steps.push_back(name.left(n));
  for (qsizetype n = name.size() - 1; n >= 0; --n)
    steps.push_back(name.left(n));
  size_t i = 0;
  for (auto _ : state) {
    tables->fFilter->setText(steps[i++ % steps.size()]);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_TablesWindowFilterKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qualtren::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qualtren::SetActiveCodePage(qualtren::bench::kCorpusCodePage);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
