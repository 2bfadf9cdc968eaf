// Tests of the marks of names that no table knows: where they stand in the
// lower area over characters of two to four UTF-8 bytes, their tool tip and
// the summary, and the round from a mark through "Add to tables..." and a
// save to the name translated.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextBlock>

#include "app/highlight.h"
#include "app/tables_window.h"
#include "tests/app/app_fixture.h"

namespace qualtren::test {
namespace {

class UnknownMarksTest : public AppTest {
 protected:
  // The words under the unknown marks, in order.
  QStringList MarkedUnknown() {
    const QString text = main_->mSQLPre->document()->toRawText();
    QStringList words;
    for (const TUnknownSpan& span : main_->mSQLPreHighlight->Unknown())
      words << text.mid(span.Start, span.Length);
    return words;
  }

  // Opens the lower area's context menu on the unknown name `word` and
  // triggers the action named `action` in it; false when the menu lacks it.
  bool ContextAction(const QString& word, const char* action) {
    const QString text = main_->mSQLPre->document()->toRawText();
    QTextCursor cursor(main_->mSQLPre->document());
    cursor.setPosition(static_cast<int>(text.indexOf(word)) + 1);
    main_->mSQLPre->setTextCursor(cursor);
    const QPoint pos = main_->mSQLPre->cursorRect(cursor).center();
    bool found = false;
    menuHook_ = [&](QMenu& menu) {
      for (QAction* a : menu.actions())
        if (a->objectName() == QString::fromLatin1(action)) {
          found = true;
          a->trigger();
        }
    };
    emit main_->mSQLPre->customContextMenuRequested(pos);
    return found;
  }

  TMain& MakeMainWithMenus() {
    TMainUi ui = Ui();
    ui.ContextMenu = [this](QMenu& menu) {
      if (menuHook_) menuHook_(menu);
    };
    main_ = std::make_unique<TMain>(ui);
    main_->show();
    QApplication::processEvents();
    return *main_;
  }

  std::function<void(QMenu&)> menuHook_;
};

TEST_F(UnknownMarksTest, MarksStandOnTheUnknownNamesWhateverTheirBytes) {
  CopyExamples();
  TMain& main = MakeMainWithMenus();
  // Two-, three- and four-byte characters before, inside and after the
  // names; a string literal, a keyword, a number and short words are no
  // names.
  const QString text = QStringLiteral(
      "select Ime, \u010Cvrsto\u0107a, \u20ACuroKurs from Kupac where Grad = 'Zagreb Popust'\n"
      "  and \U0001D49Clfa\U0001D49C = 1 and x = '\u0416' -- \u0395\u03BB\u03BB\u03AC\u03B4\u03B1\n"
      "order by Ime, 42, ab, Biljeska");
  SetMemoText(*main.mSQL, QStringToUtf8(text));
  main.bTransClick();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  const QStringList expected{QStringLiteral("\u010Cvrsto\u0107a"), QStringLiteral("\u20ACuroKurs"),
                             QStringLiteral("\U0001D49Clfa\U0001D49C"),
                             QStringLiteral("\u0395\u03BB\u03BB\u03AC\u03B4\u03B1"),
                             QStringLiteral("Biljeska")};
  EXPECT_EQ(MarkedUnknown(), expected);
  // The replaced names are marked as before, apart from them.
  const QString lower = main.mSQLPre->document()->toPlainText();
  EXPECT_TRUE(lower.startsWith(QStringLiteral("select Name, \u010Cvrsto\u0107a,")))
      << lower.toStdString();
  for (const THighlightSpan& span : main.mSQLPreHighlight->Spans())
    for (const TUnknownSpan& u : main.mSQLPreHighlight->Unknown())
      EXPECT_TRUE(span.Start + span.Length <= u.Start || u.Start + u.Length <= span.Start);

  // In view they carry a red wavy underline and no background.
  int underlined = 0;
  for (const QTextEdit::ExtraSelection& s : main.mSQLPre->extraSelections()) {
    if (s.format.underlineStyle() != QTextCharFormat::WaveUnderline) continue;
    ++underlined;
    EXPECT_EQ(s.format.underlineColor(), TSpanHighlighter::UnknownColor());
    EXPECT_FALSE(s.format.hasProperty(QTextFormat::BackgroundBrush));
    EXPECT_TRUE(expected.contains(s.cursor.selectedText()))
        << s.cursor.selectedText().toStdString();
  }
  EXPECT_EQ(underlined, expected.size());
  EXPECT_EQ(TSpanHighlighter::UnknownToolTip(QStringLiteral("Popust")),
            QStringLiteral("No table knows 'Popust'"));
  EXPECT_EQ(main.lProgress->toolTip(),
            QStringLiteral("Translated: 5 replaced, 5 unknown (underlined)"));

  // Only an unknown name offers "Add to tables...".
  EXPECT_TRUE(ContextAction(QStringLiteral("Biljeska"), "TablesAction"));
  EXPECT_FALSE(ContextAction(QStringLiteral("Customer"), "AddToTablesAction"));
  // An edit of the area drops the marks.
  main.mSQLPre->moveCursor(QTextCursor::End);
  main.mSQLPre->insertPlainText(QStringLiteral("x"));
  EXPECT_TRUE(main.mSQLPreHighlight->Unknown().empty());
}

TEST_F(UnknownMarksTest, AddingBothUnknownNamesFromTheMenuTranslatesThem) {
  CopyExamples();
  TMain& main = MakeMainWithMenus();
  SetMemoText(*main.mSQL, "select Ime, Rabat from Kupac;\nexec Isplata 1;\n");
  main.bTransClick();
  ASSERT_EQ(MarkedUnknown(), (QStringList{QStringLiteral("Rabat"), QStringLiteral("Isplata")}));

  ASSERT_TRUE(ContextAction(QStringLiteral("Rabat"), "AddToTablesAction"));
  TTablesWindow* w = main.TablesWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  // A column of the statement's table, its English name to be typed.
  EXPECT_EQ(w->CurrentKind(), TNameKind::Column);
  TTransTableModel& columns = w->Model(TNameKind::Column);
  const QModelIndex at = w->View(TNameKind::Column).currentIndex();
  const size_t column = columns.IdOf(at.row());
  EXPECT_EQ(columns.Value(column, TTransTableModel::Scope), "Kupac");
  EXPECT_EQ(columns.Value(column, TTransTableModel::Local), "Rabat");
  EXPECT_EQ(at.column(), columns.ColumnOf(TTransTableModel::English));
  if (columns.Value(column, TTransTableModel::English).empty()) {
    ASSERT_TRUE(columns.setData(at, QStringLiteral("Discount"), Qt::EditRole));
  }

  ASSERT_TRUE(ContextAction(QStringLiteral("Isplata"), "AddToTablesAction"));
  EXPECT_EQ(w->CurrentKind(), TNameKind::Procedure);
  TTransTableModel& procedures = w->Model(TNameKind::Procedure);
  const QModelIndex p = w->View(TNameKind::Procedure).currentIndex();
  EXPECT_EQ(procedures.Value(procedures.IdOf(p.row()), TTransTableModel::Local), "Isplata");
  if (procedures.Value(procedures.IdOf(p.row()), TTransTableModel::English).empty()) {
    ASSERT_TRUE(procedures.setData(p, QStringLiteral("Payout"), Qt::EditRole));
  }

  ASSERT_TRUE(w->bSaveClick()) << w->lStatus->text().toStdString();
  const std::string lower = MemoText(*main.mSQLPre);
  EXPECT_EQ(lower.find("Rabat"), std::string::npos) << lower;
  EXPECT_EQ(lower.find("Isplata"), std::string::npos) << lower;
  EXPECT_TRUE(MarkedUnknown().isEmpty());
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
}

TEST_F(UnknownMarksTest, TheNewRowGetsAProposalWhenEveryWordIsKnown) {
  CopyExamples();
  TMain& main = MakeMainWithMenus();
  SetMemoText(*main.mSQL, "select GradTelefon, Rabat from Kupac");
  main.bTransClick();
  ASSERT_TRUE(ContextAction(QStringLiteral("GradTelefon"), "AddToTablesAction"));
  TTablesWindow& w = *main.TablesWindow();
  TTransTableModel& columns = w.Model(TNameKind::Column);
  QModelIndex at = w.View(TNameKind::Column).currentIndex();
  EXPECT_EQ(columns.Values(columns.IdOf(at.row())),
            (TTransValues{"Kupac", "GradTelefon", "CityPhone"}));
  // Proposed, it is the local name that stands ready to be corrected.
  EXPECT_EQ(at.column(), columns.ColumnOf(TTransTableModel::Local));
  // A word no row knows: nothing proposed.
  ASSERT_TRUE(ContextAction(QStringLiteral("Rabat"), "AddToTablesAction"));
  at = w.View(TNameKind::Column).currentIndex();
  EXPECT_EQ(columns.Values(columns.IdOf(at.row())), (TTransValues{"Kupac", "Rabat", ""}));
  // Saved with its English name empty, it is refused, the reason beside it.
  EXPECT_FALSE(w.bSaveClick());
  const QString reason =
      columns.data(columns.index(at.row(), columns.RefusalColumn()), Qt::DisplayRole).toString();
  EXPECT_TRUE(reason.contains(QStringLiteral("empty"))) << reason.toStdString();
  EXPECT_TRUE(w.lStatus->text().startsWith(QStringLiteral("Nothing saved: 1 row refused")));
  EXPECT_TRUE(ReadFile(kColumnNamesFile) == ReadFile(ExamplesDir() + "/" + kColumnNamesFile));
}

}  // namespace
}  // namespace qualtren::test
