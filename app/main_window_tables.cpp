// TMain's side of the tables window: Ctrl+T and the text areas' context
// menus, "Add to tables..." on a name that no table knows, the summary of a
// translation, and loading the tables again after a save.
#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <exception>
#include <memory>

#include "app/highlight.h"
#include "app/main_window.h"
#include "app/tables_window.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "base/exception.h"
#include "base/utf.h"
#include "trans/name_guess.h"
#include "trans/trans_tables.h"

namespace qualtren {

namespace {

// The byte offset in `text` where its line `line` (from 0) starts, the
// lines cut at CR, LF and CR LF as the translation cuts them.
size_t LineStart(std::string_view text, uint32_t line) {
  size_t at = 0;
  for (uint32_t n = 0; n < line && at < text.size(); ++n) {
    const size_t brk = text.find_first_of("\r\n", at);
    if (brk == std::string_view::npos) return text.size();
    at = brk + 1;
    if (text[brk] == '\r' && at < text.size() && text[at] == '\n') ++at;
  }
  return at;
}

}  // namespace

void TMain::CreateTablesEntries() {
  auto* tables = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  tables->setObjectName(QStringLiteral("TablesShortcut"));
  connect(tables, &QShortcut::activated, this, [this] { ShowTablesWindow(); });
  for (QPlainTextEdit* area : {mSQL, mSQLPre}) {
    area->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(area, &QWidget::customContextMenuRequested, this,
            [this, area](const QPoint& pos) { MemoContextMenu(area, pos); });
  }
}

void TMain::MemoContextMenu(QPlainTextEdit* area, const QPoint& pos) {
  std::unique_ptr<QMenu> menu(area->createStandardContextMenu(pos));
  menu->setObjectName(QStringLiteral("MemoMenu"));
  menu->addSeparator();
  if (area == mSQLPre) {
    const int at = mSQLPre->cursorForPosition(pos).position();
    if (const TUnknownSpan* span = mSQLPreHighlight->UnknownAt(at)) {
      const TUnknownSpan found = *span;
      QAction* add = menu->addAction(QStringLiteral("Add to tables\u2026"));
      add->setObjectName(QStringLiteral("AddToTablesAction"));
      connect(add, &QAction::triggered, this, [this, found] { mSQLPreAddToTables(found); });
    }
  }
  QAction* tables = menu->addAction(QStringLiteral("Translation tables\u2026"));
  tables->setObjectName(QStringLiteral("TablesAction"));
  tables->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  connect(tables, &QAction::triggered, this, [this] { ShowTablesWindow(); });
  if (ui_.ContextMenu)
    ui_.ContextMenu(*menu);
  else
    menu->exec(area->viewport()->mapToGlobal(pos));
}

void TMain::ShowTablesWindow() {
  Guarded([this] {
    if (tablesWindow_ == nullptr) {
      TTablesHost host;
      host.Tables = {&tbTable_Trans, &tbSP_Trans, &tbTableStr_Trans};
      host.Reload = [this] { ReloadTables(); };
      host.Ui = ui_;
      tablesWindow_ = new TTablesWindow(std::move(host), this);
      tablesWindow_->setWindowFlag(Qt::Window, true);
    }
    tablesWindow_->show();
    tablesWindow_->raise();
    tablesWindow_->activateWindow();
  });
}

void TMain::mSQLPreAddToTables(const TUnknownSpan& span) {
  Guarded([&] {
    const size_t offset = LineStart(lastInput_, span.Line) + span.Offset;
    QTextCursor cursor(mSQLPre->document());
    cursor.setPosition(static_cast<int>(span.Start));
    cursor.setPosition(static_cast<int>(span.Start + span.Length), QTextCursor::KeepAnchor);
    const std::string word = QStringToUtf8(cursor.selectedText());
    TTransValues values;
    if (!Utf8ToAnsiExact(word, values[TTransTableModel::Local]))
      throw Exception("the name \"" + word + "\" holds a character that code page " +
                      std::to_string(ActiveCodePage()) + " cannot hold");
    const TNameGuess guess = GuessNameKind(lastInput_, offset);
    if (guess.Kind == TNameKind::Column) values[TTransTableModel::Scope] = Utf8ToAnsi(guess.Table);
    ShowTablesWindow();
    if (tablesWindow_ == nullptr) return;
    values[TTransTableModel::English] = tablesWindow_->Propose(guess.Kind, values[1]);
    tablesWindow_->AddRowFor(guess.Kind, values);
  });
}

void TMain::ReloadTables() {
  Guarded([this] {
    LoadTransTable(tbTable_Trans, kTableNamesFile);
    LoadTransTable(tbSP_Trans, kProcedureNamesFile);
    LoadTransTable(tbTableStr_Trans, kColumnNamesFile);
  });
  bTransClick();
}

void TMain::ShowTranslateSummary() {
  // Short enough for the label: the unknown names are those underlined.
  const QString text = QStringLiteral("Translated: %1 replaced, %2 unknown (underlined)")
                           .arg(lastReplaced_)
                           .arg(lastUnknown_);
  lProgress->setText(
      lProgress->fontMetrics().elidedText(text, Qt::ElideRight, lProgress->contentsRect().width()));
  lProgress->setToolTip(text);
}

}  // namespace qualtren
