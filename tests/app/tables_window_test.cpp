// Tests of the tables window: its model against a table of edits with undo
// and redo, the filter, saving with backups and reloading, the question
// before closing with unsaved changes.
#include "app/tables_window.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <random>

#include "app/tables_commands.h"
#include "app/tables_files.h"
#include "dataset/field.h"
#include "tests/app/app_fixture.h"
#include "trans/trans_tables.h"

namespace qualtren::test {
namespace {

using V = TTransTableModel::TValue;

// A row as the reference keeps it: its names and whether it is there.
struct TRefRow {
  TTransValues Values;
  bool Alive = true;
};
using TRef = std::vector<TRefRow>;

std::vector<TTransValues> Alive(const TRef& ref) {
  std::vector<TTransValues> out;
  for (const TRefRow& r : ref)
    if (r.Alive) out.push_back(r.Values);
  return out;
}

std::vector<TTransValues> Current(const TTransTableModel& model) {
  std::vector<TTransValues> out;
  for (const TTransRow& r : model.CurrentRows())
    out.push_back({r.Scope, r.Local, r.English});
  return out;
}

class TablesWindowTest : public AppTest {
 protected:
  TTablesWindow& Tables() {
    main_->ShowTablesWindow();
    TTablesWindow* w = main_->TablesWindow();
    EXPECT_NE(w, nullptr);
    return *w;
  }
  // The rows of the three files of the current directory as they load.
  TTransRows FileRows() {
    TTransTableSet set;
    set.Load("");
    return ReadTransRows(set, "");
  }
};

TEST_F(TablesWindowTest, ModelFollowsATableOfEditsWithUndoAndRedo) {
  CopyExamples();
  MakeMain();
  TTablesWindow& w = Tables();
  TTransTableModel& model = w.Model(TNameKind::Column);
  TRef ref;
  const TTransRows loaded = FileRows();
  for (const TTransRow& r : loaded[2])
    ref.push_back({{r.Scope, r.Local, r.English}, true});
  ASSERT_GT(ref.size(), 10u);
  ASSERT_EQ(Current(model).size(), Alive(ref).size());
  for (size_t i = 0; i < ref.size(); ++i)
    ASSERT_EQ(Current(model)[i], ref[i].Values) << i;

  // The reference's history follows the undo stack: a push drops what
  // could be redone.
  std::vector<TRef> history{ref};
  size_t at = 0;
  auto pushed = [&] {
    history.resize(at + 1);
    history.push_back(ref);
    ++at;
  };
  std::mt19937 random(7);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  const std::string names[] = {"Kupac", "Popust", "Napomena", "x", "", "Kupac"};
  for (int step = 0; step < 300; ++step) {
    const int what = static_cast<int>(pick(6));
    if (what <= 1 && model.rowCount() > 0) {
      // A cell typed over in the view.
      const int row = static_cast<int>(pick(static_cast<size_t>(model.rowCount())));
      const int column = static_cast<int>(pick(3));
      const std::string text = names[pick(6)] + std::to_string(pick(3));
      const size_t id = model.IdOf(row);
      if (model.setData(model.index(row, column), AnsiToQString(text), Qt::EditRole)) {
        ref[id].Values[static_cast<size_t>(model.ValueOf(column))] = text;
        pushed();
      }
    } else if (what == 2) {
      const TTransValues values{names[pick(6)], names[pick(6)], names[pick(6)]};
      auto* add = new TAddRowCommand(model, values);
      w.Undo().push(add);
      ASSERT_EQ(add->Id(), ref.size());
      ref.push_back({values, true});
      pushed();
    } else if (what == 3 && model.rowCount() > 0) {
      const size_t id = model.IdOf(static_cast<int>(pick(static_cast<size_t>(model.rowCount()))));
      w.Undo().push(new TDeleteRowsCommand(model, {id}));
      ref[id].Alive = false;
      pushed();
    } else if (what == 4 && w.Undo().canUndo()) {
      w.Undo().undo();
      --at;
      // Rows added stay known to the model; undone, they are gone.
      const TRef& back = history[at];
      for (size_t i = 0; i < ref.size(); ++i)
        ref[i] = i < back.size() ? back[i] : TRefRow{ref[i].Values, false};
    } else if (what == 5 && w.Undo().canRedo()) {
      w.Undo().redo();
      ++at;
      const TRef& next = history[at];
      for (size_t i = 0; i < ref.size(); ++i)
        ref[i] = i < next.size() ? next[i] : TRefRow{ref[i].Values, false};
    }
    ASSERT_EQ(Current(model), Alive(ref)) << "step " << step;
    ASSERT_EQ(model.rowCount(), static_cast<int>(Alive(ref).size())) << "step " << step;
    // Every view row shows its row's names.
    if (model.rowCount() > 0) {
      const int row = static_cast<int>(pick(static_cast<size_t>(model.rowCount())));
      const TTransValues values = model.Values(model.IdOf(row));
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(model.data(model.index(row, c), Qt::DisplayRole).toString(),
                  AnsiToQString(values[static_cast<size_t>(model.ValueOf(c))]));
    }
  }
  // Sorted by the local name, the view keeps the same rows.
  model.sort(model.ColumnOf(V::Local), Qt::AscendingOrder);
  QStringList shown;
  for (int r = 0; r < model.rowCount(); ++r)
    shown << model.data(model.index(r, model.ColumnOf(V::Local)), Qt::DisplayRole).toString();
  for (int r = 1; r < shown.size(); ++r)
    EXPECT_LE(shown[r - 1].toUpper(), shown[r].toUpper());
  EXPECT_EQ(Current(model), Alive(ref));
}

TEST_F(TablesWindowTest, FilterIgnoresLetterCaseAndOnRequestTheMarks) {
  TVirtualTable table("t");
  table.FieldDefs().Add("TableName", ftString, 20);
  table.FieldDefs().Add("TableNameAng", ftString, 20);
  table.Open();
  for (const char* local : {"Caf\xE9", "CAFE", "Kupac", "Ra\xE8un"}) {
    table.Append();
    table.FieldByName("TableName").SetAsString(local);
    table.FieldByName("TableNameAng")
        .SetAsString(std::string(local) == "Kupac" ? "Cafeteria" : "X");
    table.Post();
  }
  QUndoStack undo;
  TTransTableModel model(TNameKind::Table, table, undo);
  auto shown = [&] {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
      out << model.data(model.index(r, 0), Qt::DisplayRole).toString();
    return out;
  };
  EXPECT_EQ(model.rowCount(), 4);
  model.SetFilter(QStringLiteral("cafe"), false);
  EXPECT_EQ(shown(), (QStringList{QStringLiteral("CAFE"), QStringLiteral("Kupac")}));
  model.SetFilter(QStringLiteral("cafe"), true);
  EXPECT_EQ(shown(), (QStringList{QStringLiteral("Caf\u00E9"), QStringLiteral("CAFE"),
                                  QStringLiteral("Kupac")}));
  model.SetFilter(QStringLiteral("\u00C9"), false);
  EXPECT_EQ(shown(), (QStringList{QStringLiteral("Caf\u00E9")}));
  model.SetFilter(QStringLiteral("RAEUN"), true);
  EXPECT_EQ(shown(), (QStringList{QStringLiteral("Ra\u00E8un")}));
  model.SetFilter(QStringLiteral("RAEUN"), false);
  EXPECT_EQ(model.rowCount(), 0);
  // A character that the code page lacks is in no name.
  model.SetFilter(QStringLiteral("\u0416"), true);
  EXPECT_EQ(model.rowCount(), 0);
  model.SetFilter(QString(), false);
  EXPECT_EQ(model.rowCount(), 4);
}

TEST_F(TablesWindowTest, SaveWritesTheFilesWithBackupsReloadsAndTranslatesAgain) {
  CopyExamples();
  TMain& main = MakeMain();
  SetMemoText(*main.mSQL, "select Ime from Kupac");
  main.bTransClick();
  ASSERT_EQ(MemoText(*main.mSQLPre), "select Name from Customer\r\n");
  TTablesWindow& w = Tables();
  const TTransRows before = FileRows();
  std::array<std::string, 3> oldFiles;
  for (size_t k = 0; k < 3; ++k)
    oldFiles[k] = ReadFile(TransTableLayout(static_cast<TNameKind>(k)).File);

  // Kupac becomes Client, the first procedure row goes, a column row comes.
  TTransTableModel& tables = w.Model(TNameKind::Table);
  int kupac = -1;
  for (int r = 0; r < tables.rowCount(); ++r)
    if (tables.Value(tables.IdOf(r), V::Local) == "Kupac") kupac = r;
  ASSERT_GE(kupac, 0);
  ASSERT_TRUE(tables.setData(tables.index(kupac, tables.ColumnOf(V::English)),
                             QStringLiteral("Client"), Qt::EditRole));
  TTransTableModel& procedures = w.Model(TNameKind::Procedure);
  ASSERT_GT(procedures.rowCount(), 0);
  w.Undo().push(new TDeleteRowsCommand(procedures, {procedures.IdOf(0)}));
  w.AddRowFor(TNameKind::Column, {"Kupac", "Popust", "Discount"});
  EXPECT_TRUE(w.isWindowModified());

  ASSERT_TRUE(w.bSaveClick()) << w.lStatus->text().toStdString();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  for (size_t k = 0; k < 3; ++k)
    EXPECT_EQ(ReadFile(TableBackupName(TransTableLayout(static_cast<TNameKind>(k)).File)),
              oldFiles[k]);
  const TTransRows after = FileRows();
  TTransRows expected = before;
  for (TTransRow& r : expected[0])
    if (r.Local == "Kupac") r.English = "Client";
  expected[1].erase(expected[1].begin());
  expected[2].push_back({0, "Kupac", "Popust", "Discount"});
  for (size_t k = 0; k < 3; ++k) {
    ASSERT_EQ(after[k].size(), expected[k].size()) << k;
    for (size_t i = 0; i < after[k].size(); ++i) {
      EXPECT_EQ(after[k][i].Scope, expected[k][i].Scope);
      EXPECT_EQ(after[k][i].Local, expected[k][i].Local);
      EXPECT_EQ(after[k][i].English, expected[k][i].English);
    }
  }
  // The main window loaded them and translated its text again; the window
  // shows the saved tables, nothing left to save.
  EXPECT_EQ(MemoText(*main.mSQLPre), "select Name from Client\r\n");
  EXPECT_TRUE(w.Undo().isClean());
  EXPECT_FALSE(w.Undo().canUndo());
  EXPECT_EQ(w.Model(TNameKind::Column).RowCountAll(), after[2].size());
}

TEST_F(TablesWindowTest, SaveRefusesWhatTableAddRefusesEachBesideItsRow) {
  CopyExamples();
  MakeMain();
  TTablesWindow& w = Tables();
  TTransTableModel& tables = w.Model(TNameKind::Table);
  const std::string file = ReadFile(kTableNamesFile);
  struct TCase {
    TTransValues Row;
    const char* Reason;  // a word of the reason, or nullptr for a row that is taken
  };
  const TCase cases[] = {
      {{"", "kupac", "Client"}, "Customer"},  // the table gives Kupac another English name
      {{"", "Nova", "New Table"}, "blank"},   // a separator in the English name
      {{"", "Stara", ""}, "empty"},          {{"", "Dobra", "Good"}, nullptr},
      {{"", "Dobra", "Fine"}, "Good"},  // another English name than the row before
  };
  std::vector<size_t> ids;
  for (const TCase& c : cases) {
    w.AddRowFor(TNameKind::Table, c.Row);
    ids.push_back(tables.IdOf(tables.rowCount() - 1));
  }
  EXPECT_FALSE(w.bSaveClick());
  EXPECT_EQ(ReadFile(kTableNamesFile), file);
  for (size_t i = 0; i < ids.size(); ++i) {
    const QString reason =
        tables.data(tables.index(tables.RowOf(ids[i]), tables.RefusalColumn()), Qt::DisplayRole)
            .toString();
    if (cases[i].Reason == nullptr)
      EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
    else
      EXPECT_TRUE(reason.contains(QString::fromLatin1(cases[i].Reason))) << reason.toStdString();
  }
  EXPECT_TRUE(w.lStatus->text().startsWith(QStringLiteral("Nothing saved: 4 rows refused")));
  // The refused rows go; the rest is saved.
  for (size_t i : {0, 1, 2, 4})
    w.Undo().push(new TDeleteRowsCommand(tables, {ids[i]}));
  EXPECT_TRUE(w.bSaveClick()) << w.lStatus->text().toStdString();
  EXPECT_EQ(FileRows()[0].back().English, "Good");
}

TEST_F(TablesWindowTest, ClosingWithUnsavedChangesAsks) {
  CopyExamples();
  TMainUi ui = Ui();
  int answer = QMessageBox::Cancel;
  int asked = 0;
  ui.RunDialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("UnsavedBox"));
    ++asked;
    return answer;
  };
  main_ = std::make_unique<TMain>(ui);
  main_->show();
  TTablesWindow& w = Tables();
  const std::string file = ReadFile(kTableNamesFile);
  // Nothing changed: no question.
  EXPECT_TRUE(w.close());
  EXPECT_EQ(asked, 0);

  main_->ShowTablesWindow();
  w.AddRowFor(TNameKind::Table, {"", "Popust", "Discount"});
  EXPECT_FALSE(w.close());
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(w.isVisible());
  answer = QMessageBox::Discard;
  EXPECT_TRUE(w.close());
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(ReadFile(kTableNamesFile), file);
  EXPECT_TRUE(w.Undo().isClean());

  main_->ShowTablesWindow();
  w.AddRowFor(TNameKind::Table, {"", "Popust", "Discount"});
  answer = QMessageBox::Save;
  EXPECT_TRUE(w.close());
  EXPECT_EQ(FileRows()[0].back().Local, "Popust");
}

TEST_F(TablesWindowTest, AFindingClickedMovesToItsRow) {
  CopyExamples();
  MakeMain();
  TTablesWindow& w = Tables();
  TTransTableModel& columns = w.Model(TNameKind::Column);
  // Napomena loses its English name: an error of the check.
  size_t id = 0;
  for (int r = 0; r < columns.rowCount(); ++r)
    if (columns.Value(columns.IdOf(r), V::Local) == "Napomena") id = columns.IdOf(r);
  ASSERT_EQ(columns.Value(id, V::Local), "Napomena");
  ASSERT_TRUE(columns.setData(columns.index(columns.RowOf(id), columns.ColumnOf(V::English)),
                              QString(), Qt::EditRole));
  w.RefreshFindings();
  int found = -1;
  for (size_t i = 0; i < w.Findings().size(); ++i)
    if (w.Findings()[i].Kind == TCheckKind::EmptyEnglish &&
        w.Findings()[i].Row.Row.Local == "Napomena")
      found = static_cast<int>(i);
  ASSERT_GE(found, 0);
  // The filter hides the row; the click shows it.
  w.fFilter->setText(QStringLiteral("Kupac"));
  EXPECT_LT(columns.RowOf(id), 0);
  w.lbFindingsClick(w.lbFindings->item(found));
  EXPECT_TRUE(w.fFilter->text().isEmpty());
  EXPECT_EQ(w.CurrentKind(), TNameKind::Column);
  const QModelIndex current = w.View(TNameKind::Column).currentIndex();
  EXPECT_EQ(current.row(), columns.RowOf(id));
  EXPECT_EQ(current.column(), columns.ColumnOf(V::English));

  // From the keyboard: Alt+F to the findings, Down, Return.
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  w.fFilter->setFocus();
  QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(w.lbFindings->hasFocus());
  w.fFilter->setText(QStringLiteral("Kupac"));
  w.lbFindings->setFocus();
  w.lbFindings->setCurrentRow(-1);
  for (int i = 0; i <= found; ++i)
    QTest::keyClick(w.lbFindings, Qt::Key_Down);
  QTest::keyClick(w.lbFindings, Qt::Key_Return);
  EXPECT_TRUE(w.fFilter->text().isEmpty());
  EXPECT_EQ(w.View(TNameKind::Column).currentIndex().row(), columns.RowOf(id));
  EXPECT_TRUE(w.lbFindings->item(found)->isSelected());
}

}  // namespace
}  // namespace qualtren::test
