// TMain: the main window of the tool, with its options, text areas, buttons,
// translation tables and the handlers of its commands.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "dataset/client_dataset.h"
#include "picker/user_interface.h"
#include "table/virtual_table.h"
#include "trans/name_lookup.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QPushButton;

namespace qualtren {

class TEditBtnDialogFile;
class TSpanHighlighter;
class TTablesWindow;
struct TUnknownSpan;

// The file-table component of the database runtime: it only receives the
// current directory while the window is created.
struct TFileTable {
  std::string DatabaseName;
  bool Filtered = true;
};

/// How the window reaches the user beyond its controls (the error box, the
/// beep and the dialogs of its path box) and whom it tells of the progress of
/// a file-list run; given whole when the window is made. Empty members do
/// what the platform does, and nothing for the progress.
struct TMainUi : TUserInterface {
  /// Runs during file-list translation once the progress of a file is shown
  /// and pending events are handled, before the file is touched: the number
  /// of the file (from 1), the count of files and the file's name.
  std::function<void(int number, int count, const std::string& fileName)> FileProgress;
  /// Runs a text area's context menu, made ready, in place of showing it.
  std::function<void(QMenu& menu)> ContextMenu;
};

class TMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds every control and component, then runs FormCreate; an error of
  // FormCreate is shown in the error message box and the window is created
  // all the same.
  explicit TMain(TMainUi ui = {}, QWidget* parent = nullptr);
  ~TMain() override;

  // Handlers of the window's events. Each one shows an error that escapes it
  // in the error message box; the window stays usable.
  void bTransClick();
  void bQuitClick();
  void lCommentClick();
  void lFileListClick();
  // Starts file-list translation; while a run is going on it asks the run to
  // stop after the file it is at.
  void bFileTransClick();
  void Button1Click();

  // The tables window (Ctrl+T, and the text areas' context menus): made on
  // first use, then shown and raised.
  void ShowTablesWindow();
  TTablesWindow* TablesWindow() const { return tablesWindow_; }
  // "Add to tables..." on a name that no table knows in the lower area: the
  // tables window on a new row for it, its kind guessed from its statement
  // and its English name proposed when every word of it is known.
  void mSQLPreAddToTables(const TUnknownSpan& span);
  // Loads the three table files again (as at start-up) and translates the
  // upper text again; the tables window's save runs it.
  void ReloadTables();

  // Empties one translation table and loads it from a table file.
  void LoadTransTable(TVirtualTable& table, const std::string& fileName);
  // Writes one table file from a source dataset through vtdSave.
  void SaveTransTable(TDataSet& source, const std::string& fileName);

  TransTables Tables() { return transTables_.Tables(); }

  bool FileTransRunning() const { return running_; }
  // Asks a running file-list translation to stop before its next file.
  void RequestStop();

  // Controls, named as the window's description names them.
  QLabel* Label1;
  QLineEdit* fTableName;
  QCheckBox* lAutoTableName;
  QCheckBox* lCopyClpBrd;
  QPushButton* Button1;
  QCheckBox* lComment;
  QLabel* lPrefix;
  QLineEdit* fPrefix;
  QLabel* lSufix;
  QLineEdit* fSufix;
  QCheckBox* lFileList;
  QLabel* lPath;
  TEditBtnDialogFile* fPath;
  QLabel* lExt;
  QLineEdit* fExt;
  QLabel* lBackup;
  QLineEdit* fBackup;
  QPushButton* bTrans;
  QPushButton* bQuit;
  QPushButton* bFileTrans;
  QLabel* Label2;
  QPlainTextEdit* mSQL;
  QLabel* Label3;
  QPlainTextEdit* mSQLPre;
  // Shows in mSQLPre what the last translation replaced.
  TSpanHighlighter* mSQLPreHighlight;
  // The progress of file-list translation ("File n of m: name"), and the
  // summary of the last run.
  QLabel* lProgress;

  // Components without a place on the screen. The three translation tables
  // are those of a set that gives them their filter options.
 private:
  TTransTableSet transTables_;

 public:
  TVirtualTable& tbTable_Trans = transTables_.Table;
  TVirtualTable& tbSP_Trans = transTables_.StoredProc;
  TVirtualTable& tbTableStr_Trans = transTables_.TableStr;
  TVirtualTable vtdSave{"vtdSave"};
  TClientDataSet tbTable_DB{"tbTable_DB"};
  TClientDataSet tbTableStr_DB{"tbTableStr_DB"};
  TClientDataSet tbSP_DB{"tbSP_DB"};
  TFileTable tbFrom;

  // The client area the controls are placed in.
  static constexpr int kClientWidth = 892;
  static constexpr int kClientHeight = 644;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CreateComponents();
  void FormCreate();
  // Runs a handler's body; an error that escapes it goes to the error box.
  void Guarded(const std::function<void()>& body);
  // The Translate command: reads the options, translates the UTF-8 form of
  // the upper text, shows and copies the result. Returns the message of a
  // failed translation (empty when it succeeded); the errors of the command
  // itself are raised. A failure on a table whose file did not load says so.
  std::string Translate();
  // "Translated: n names replaced, m unknown names" in lProgress, of the
  // last translation.
  void ShowTranslateSummary();
  // The context menu of a text area: the area's own entries, the tables
  // window, and in the lower area "Add to tables..." on an unknown name.
  void MemoContextMenu(QPlainTextEdit* area, const QPoint& pos);
  void CreateTablesEntries();
  // The one .sql or .txt file that a drag carries, else empty.
  static QString DroppedFile(const QMimeData* data);
  // A file dropped onto the upper area: its text, read by its byte-order
  // mark or as UTF-8 when it reads as UTF-8, else as ANSI, replaces the
  // area's text.
  void mSQLDragDrop(const QString& fileName);
  // What a file-list run did, for the summary after it.
  struct TRunCounts {
    int Translated = 0;
    int Untouched = 0;  // holding a NUL byte, or their translation failed
    int Failed = 0;     // an error stopped the run at them
    bool Stopped = false;
  };

  void RunFileList();
  // "File n of m: name" in lProgress, the name's directories shortened in
  // their middle to fit; the whole text in its tool tip.
  void ShowProgress(int number, int count, const QString& fileName);
  // How many files a run translated, left untouched and failed, and whether
  // it was stopped; it stays in lProgress until the next run.
  void ShowSummary(const TRunCounts& counts);
  // The translation step of one file of a run: the file's text goes into
  // the upper area, the Translate command runs, and the lower area's text is
  // the file's new content, in the file's own encoding and mark. The file's
  // size is checked against the areas' capacity first.
  TStreamOutcome TranslateThroughAreas(TStream& in, TStream& out);
  void ShowError(const QString& message);

  TMainUi ui_;
  // For each translation table (by TNameKind), the file it was last to be
  // loaded from when that load failed; empty once loaded. The tables start
  // empty, as if none had loaded.
  std::array<std::string, 3> notLoaded_{kTableNamesFile, kProcedureNamesFile, kColumnNamesFile};
  // The UTF-8 text of the last translation and what it counted, for the
  // guesses of "Add to tables..." and the summary.
  std::string lastInput_;
  uint64_t lastReplaced_ = 0;
  uint64_t lastUnknown_ = 0;
  TTablesWindow* tablesWindow_ = nullptr;  // a child window, made on first use
  bool running_ = false;
  bool stopRequested_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace qualtren
