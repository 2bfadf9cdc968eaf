// The tables window: three tabs of translation tables over their models, a
// filter, undo, the check's findings, and the save that refuses, writes and
// reloads.
#include "app/tables_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <memory>
#include <thread>

#include "app/tables_commands.h"
#include "app/tables_files.h"
#include "app/text_area.h"
#include "base/utf.h"
#include "trans/name_suggester.h"
#include "trans/table_add.h"

namespace qualtren {

namespace {

constexpr TNameKind kKinds[3] = {TNameKind::Table, TNameKind::Procedure, TNameKind::Column};

QString Quoted(const std::string& ansi) {
  return u'"' + AnsiToQString(ansi) + u'"';
}

// What each finding is, in a few words, in the order of TCheckKind.
constexpr const char* kKindTexts[kCheckKindCount] = {
    "the English name is empty: the word vanishes from the SQL",
    "the English name holds a separator: the SQL gets more than one word",
    "the local name again, with another English name: never used",
    "the local name is empty: it never matches",
    "the local name holds a separator: it matches only quoted",
    "the local name is an SQL keyword: every such keyword is replaced",
    "the English name is a reserved word: the SQL may not parse",
    "another local name has the same English name",
    "the English name is another row's local name: a second run "
    "translates it again",
    "the table name is in no row of the table names",
    "the same row again: harmless, the row can go",
};

QString KindText(TCheckKind kind) {
  return QString::fromLatin1(kKindTexts[static_cast<size_t>(kind)]);
}

// A button of `parent` with its caption and its object name.
QPushButton* NamedButton(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QString FindingText(const TCheckFinding& f) {
  const TTransRow& r = f.Row.Row;
  QString values =
      f.Row.Table == TNameKind::Column ? Quoted(r.Scope) + QStringLiteral(", ") : QString();
  values += Quoted(r.Local) + QStringLiteral(", ") + Quoted(r.English);
  QString text = QString::fromLatin1(TransTableLayout(f.Row.Table).File) +
                 QStringLiteral(" record %1 (").arg(r.Record) + values + QStringLiteral("): ") +
                 (IsCheckError(f.Kind) ? QStringLiteral("error: ") : QStringLiteral("warning: ")) +
                 KindText(f.Kind);
  if (f.Other)
    text += QStringLiteral(" (record %1 of %2)")
                .arg(f.Other->Row.Record)
                .arg(QString::fromLatin1(TransTableLayout(f.Other->Table).File));
  return text;
}

QString TabCaption(TNameKind kind) {
  const char* what = kind == TNameKind::Table       ? "Tables"
                     : kind == TNameKind::Procedure ? "Procedures"
                                                    : "Columns";
  return QString::fromLatin1(what) + QStringLiteral(" (") +
         QString::fromLatin1(TransTableLayout(kind).File) + u')';
}

}  // namespace

TTablesWindow::TTablesWindow(TTablesHost host, QWidget* parent)
    : QMainWindow(parent), host_(std::move(host)) {
  setObjectName(QStringLiteral("Tables"));
  setWindowTitle(QStringLiteral("Qualtren: tables"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  CreateControls();
  resize(760, 600);
  RefreshFindingsLater();
}

TTablesWindow::~TTablesWindow() {
  // The commands refer to the models; they go first.
  undo_.clear();
}

void TTablesWindow::CreateControls() {
  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* column = new QVBoxLayout(client);

  auto* bar = new QHBoxLayout();
  auto* filterLabel = new QLabel(QStringLiteral("Fi&lter:"), client);
  fFilter = new QLineEdit(client);
  fFilter->setObjectName(QStringLiteral("fFilter"));
  fFilter->setPlaceholderText(QStringLiteral("local or English name"));
  fFilter->setClearButtonEnabled(true);
  filterLabel->setBuddy(fFilter);
  lIgnoreDiacritics = new QCheckBox(QStringLiteral("Ignore diacritics"), client);
  lIgnoreDiacritics->setObjectName(QStringLiteral("lIgnoreDiacritics"));
  bAdd = NamedButton("Add row", "bAdd", client);
  bDelete = NamedButton("Delete row", "bDelete", client);
  bUndo = NamedButton("Undo", "bUndo", client);
  bRedo = NamedButton("Redo", "bRedo", client);
  bSave = NamedButton("Save", "bSave", client);
  bar->addWidget(filterLabel);
  bar->addWidget(fFilter, 1);
  bar->addWidget(lIgnoreDiacritics);
  for (QPushButton* b : {bAdd, bDelete, bUndo, bRedo, bSave})
    bar->addWidget(b);
  column->addLayout(bar);

  auto* split = new QSplitter(Qt::Vertical, client);
  tcTables = new QTabWidget(split);
  tcTables->setObjectName(QStringLiteral("tcTables"));
  for (TNameKind kind : kKinds) {
    const size_t k = static_cast<size_t>(kind);
    models_[k] = new TTransTableModel(kind, *host_.Tables[k], undo_, this);
    auto* view = new QTableView(tcTables);
    view->setObjectName(QStringLiteral("gTable%1").arg(k));
    view->setModel(models_[k]);
    view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view->setSortingEnabled(true);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    for (int c = 0; c < models_[k]->RefusalColumn(); ++c)
      view->setColumnWidth(c, 170);
    // Delete on a table (not inside a cell being edited) deletes the rows.
    auto* del = new QShortcut(QKeySequence::Delete, view, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] { bDeleteClick(); });
    views_[k] = view;
    tcTables->addTab(view, TabCaption(kind));
  }
  auto* findings = new QWidget(split);
  auto* findingsColumn = new QVBoxLayout(findings);
  findingsColumn->setContentsMargins(0, 0, 0, 0);
  auto* findingsLabel = new QLabel(QStringLiteral("&Findings of the check"), findings);
  findingsColumn->addWidget(findingsLabel);
  lbFindings = new QListWidget(findings);
  findingsLabel->setBuddy(lbFindings);
  // The finding chosen stays marked while its row has the focus.
  QPalette palette = lbFindings->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  lbFindings->setPalette(palette);
  lbFindings->setObjectName(QStringLiteral("lbFindings"));
  findingsColumn->addWidget(lbFindings);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  column->addWidget(split, 1);
  lStatus = new QLabel(client);
  lStatus->setObjectName(QStringLiteral("lStatus"));
  lStatus->setTextFormat(Qt::PlainText);
  column->addWidget(lStatus);

  checkTimer_ = new QTimer(this);
  checkTimer_->setSingleShot(true);
  checkTimer_->setInterval(250);
  connect(checkTimer_, &QTimer::timeout, this, [this] { RefreshFindingsLater(); });
  connect(&undo_, &QUndoStack::indexChanged, checkTimer_, qOverload<>(&QTimer::start));
  connect(&undo_, &QUndoStack::cleanChanged, this,
          [this](bool clean) { setWindowModified(!clean); });
  setWindowTitle(QStringLiteral("Qualtren: tables[*]"));

  connect(fFilter, &QLineEdit::textChanged, this, [this] { fFilterChange(); });
  connect(lIgnoreDiacritics, &QCheckBox::toggled, this, [this] { lIgnoreDiacriticsClick(); });
  connect(bAdd, &QPushButton::clicked, this, [this] { bAddClick(); });
  connect(bDelete, &QPushButton::clicked, this, [this] { bDeleteClick(); });
  connect(bUndo, &QPushButton::clicked, &undo_, &QUndoStack::undo);
  connect(bRedo, &QPushButton::clicked, &undo_, &QUndoStack::redo);
  connect(&undo_, &QUndoStack::canUndoChanged, bUndo, &QPushButton::setEnabled);
  connect(&undo_, &QUndoStack::canRedoChanged, bRedo, &QPushButton::setEnabled);
  bUndo->setEnabled(false);
  bRedo->setEnabled(false);
  connect(bSave, &QPushButton::clicked, this, [this] { bSaveClick(); });
  connect(lbFindings, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { lbFindingsClick(item); });
  connect(lbFindings, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { lbFindingsClick(item); });

  const auto shortcut = [this](const QKeySequence& keys, const char* name,
                               const std::function<void()>& run) {
    auto* s = new QShortcut(keys, this);
    s->setObjectName(QString::fromLatin1(name));
    connect(s, &QShortcut::activated, this, run);
  };
  shortcut(QKeySequence::Save, "SaveShortcut", [this] { bSaveClick(); });
  shortcut(QKeySequence::Undo, "UndoShortcut", [this] { undo_.undo(); });
  shortcut(QKeySequence::Redo, "RedoShortcut", [this] { undo_.redo(); });
  shortcut(QKeySequence::Find, "FindShortcut",
           [this] { fFilter->setFocus(Qt::ShortcutFocusReason); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), "AddShortcut", [this] { bAddClick(); });
}

void TTablesWindow::Guarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& e) {
    host_.Ui.ShowError(this, MessageToQString(e.what()));
  }
}

TNameKind TTablesWindow::CurrentKind() const {
  return kKinds[std::max(0, tcTables->currentIndex())];
}

void TTablesWindow::fFilterChange() {
  for (TTransTableModel* model : models_)
    model->SetFilter(fFilter->text(), lIgnoreDiacritics->isChecked());
}

void TTablesWindow::lIgnoreDiacriticsClick() {
  fFilterChange();
}

void TTablesWindow::bAddClick() {
  AddRowFor(CurrentKind(), {});
}

void TTablesWindow::AddRowFor(TNameKind kind, const TTransValues& values) {
  TTransTableModel& model = Model(kind);
  auto* add = new TAddRowCommand(model, values);
  undo_.push(add);
  const bool english = values[TTransTableModel::English].empty();
  GoTo(kind, add->Id(), english ? TTransTableModel::English : TTransTableModel::Local);
  QTableView& view = View(kind);
  view.setFocus(Qt::OtherFocusReason);
  view.edit(view.currentIndex());
}

void TTablesWindow::bDeleteClick() {
  const TNameKind kind = CurrentKind();
  QTableView& view = View(kind);
  std::vector<size_t> ids;
  for (const QModelIndex& index : view.selectionModel()->selectedRows())
    ids.push_back(Model(kind).IdOf(index.row()));
  if (ids.empty() && view.currentIndex().isValid())
    ids.push_back(Model(kind).IdOf(view.currentIndex().row()));
  if (ids.empty()) return;
  undo_.push(new TDeleteRowsCommand(Model(kind), std::move(ids)));
}

void TTablesWindow::GoTo(TNameKind kind, size_t id, TTransTableModel::TValue value) {
  TTransTableModel& model = Model(kind);
  if (model.Deleted(id)) return;
  if (model.RowOf(id) < 0) fFilter->clear();
  const int row = model.RowOf(id);
  if (row < 0) return;
  tcTables->setCurrentIndex(static_cast<int>(kind));
  QTableView& view = View(kind);
  const int column = std::max(0, model.ColumnOf(value));
  const QModelIndex index = model.index(row, column);
  view.setCurrentIndex(index);
  view.selectionModel()->select(index,
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view.scrollTo(index, QAbstractItemView::PositionAtCenter);
}

TTablesWindow::TCheckInput TTablesWindow::CheckInput() const {
  TCheckInput input;
  for (TNameKind kind : kKinds) {
    const size_t k = static_cast<size_t>(kind);
    input.Rows[k] = models_[k]->CurrentRows(&input.Ids[k]);
  }
  return input;
}

void TTablesWindow::RefreshFindings() {
  ++checkGeneration_;
  TCheckInput input = CheckInput();
  std::vector<TCheckFinding> findings = CheckTransRows(input.Rows);
  ShowFindings(std::move(findings), input.Ids);
}

void TTablesWindow::RefreshFindingsLater() {
  // The rows are taken here; the check runs on a thread of its own, and
  // what it finds is shown unless the rows changed meanwhile.
  const uint64_t generation = ++checkGeneration_;
  auto input = std::make_shared<TCheckInput>(CheckInput());
  QPointer<TTablesWindow> self(this);
  std::thread([self, input, generation] {
    auto findings = std::make_shared<std::vector<TCheckFinding>>(CheckTransRows(input->Rows));
    QMetaObject::invokeMethod(
        qApp,
        [self, input, findings, generation] {
          if (self && self->checkGeneration_ == generation)
            self->ShowFindings(std::move(*findings), input->Ids);
        },
        Qt::QueuedConnection);
  }).detach();
}

void TTablesWindow::ShowFindings(std::vector<TCheckFinding> findings,
                                 const std::array<std::vector<size_t>, 3>& ids) {
  findings_ = std::move(findings);
  findingIds_.clear();
  lbFindings->clear();
  QStringList texts;
  for (const TCheckFinding& f : findings_) {
    findingIds_.push_back(
        ids[static_cast<size_t>(f.Row.Table)][static_cast<size_t>(f.Row.Row.Record - 1)]);
    texts << FindingText(f);
  }
  lbFindings->addItems(texts);
  for (int i = 0; i < lbFindings->count(); ++i)
    if (IsCheckError(findings_[static_cast<size_t>(i)].Kind))
      lbFindings->item(i)->setForeground(QColor(190, 0, 0));
}

void TTablesWindow::lbFindingsClick(QListWidgetItem* item) {
  const int i = lbFindings->row(item);
  if (i < 0 || static_cast<size_t>(i) >= findings_.size()) return;
  const TCheckFinding& f = findings_[static_cast<size_t>(i)];
  // Chosen by Return, it is marked as a click marks it.
  lbFindings->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
  const bool english = f.Kind == TCheckKind::EmptyEnglish ||
                       f.Kind == TCheckKind::EnglishSeparator ||
                       f.Kind == TCheckKind::ReservedEnglish ||
                       f.Kind == TCheckKind::SharedEnglish || f.Kind == TCheckKind::EnglishIsLocal;
  const bool scope = f.Kind == TCheckKind::UnknownTable;
  GoTo(f.Row.Table, findingIds_[static_cast<size_t>(i)],
       english ? TTransTableModel::English
       : scope ? TTransTableModel::Scope
               : TTransTableModel::Local);
  // The row's cell is ready to type over.
  View(f.Row.Table).setFocus(Qt::OtherFocusReason);
}

std::string TTablesWindow::Propose(TNameKind kind, const std::string& localName) const {
  TTransRows rows;
  for (TNameKind k : kKinds)
    rows[static_cast<size_t>(k)] = models_[static_cast<size_t>(k)]->CurrentRows();
  const TNameSuggester suggester(rows, TSuggestOptions());
  return suggester.Propose(kind, localName).value_or(std::string());
}

size_t TTablesWindow::MarkRefusals() {
  size_t refused = 0;
  bool moved = false;
  for (TNameKind kind : kKinds) {
    TTransTableModel& model = Model(kind);
    const TTransTableLayout& layout = model.Layout();
    // The rows as loaded and left alone are held; the changed and the new
    // ones are added to them by table add's rules.
    std::vector<size_t> ids, added;
    std::vector<TTransRow> held, rows;
    const std::vector<TTransRow> current = model.CurrentRows(&ids);
    for (size_t i = 0; i < current.size(); ++i) {
      TTransRow row = current[i];
      if (model.Changed(ids[i])) {
        rows.push_back(std::move(row));
        added.push_back(ids[i]);
      } else {
        row.Record = model.Record(ids[i]);
        held.push_back(std::move(row));
      }
    }
    if (rows.empty()) continue;
    TTableAddRules rules;
    rules.Kind = kind;
    rules.TableName = layout.File;
    rules.EnglishField = layout.EnglishField;
    const auto placeOf = [&](size_t i) {
      const int record = model.Record(added[i]);
      return record > 0 ? "record " + std::to_string(record) : std::string("a new row");
    };
    const TTableAddDecision decision = DecideTableAdd(held, rows, rules, placeOf);
    for (const TTableAddRefusal& r : decision.Refusals) {
      model.SetRefusal(added[r.Row], r.Reason);
      ++refused;
      if (!moved) {
        GoTo(kind, added[r.Row], TTransTableModel::English);
        moved = true;
      }
    }
  }
  return refused;
}

bool TTablesWindow::bSaveClick() {
  bool saved = false;
  Guarded([&] {
    for (TTransTableModel* model : models_)
      model->ClearRefusals();
    if (const size_t refused = MarkRefusals(); refused > 0) {
      lStatus->setText(QStringLiteral("Nothing saved: %1 %2 refused (the reason stands beside %3)")
                           .arg(refused)
                           .arg(refused == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
                           .arg(refused == 1 ? QStringLiteral("it") : QStringLiteral("each")));
      return;
    }
    std::array<TTableOutcome, 3> outcome;
    for (TNameKind kind : kKinds) {
      const size_t k = static_cast<size_t>(kind);
      std::vector<size_t> ids;
      outcome[k].Rows = models_[k]->CurrentRows(&ids);
      for (size_t id : ids)
        outcome[k].From.push_back(models_[k]->Record(id));
    }
    WriteTransTables(host_.Tables, outcome, host_.Dir);
    // The models read the records that the reload is about to replace.
    for (TTransTableModel* model : models_)
      model->Clear();
    undo_.clear();
    if (host_.Reload) host_.Reload();
    Reread();
    lStatus->setText(QStringLiteral("Saved; the old files are kept as *.vtd.bak"));
    saved = true;
  });
  return saved;
}

void TTablesWindow::Reread() {
  undo_.clear();
  for (TTransTableModel* model : models_)
    model->Reload();
  if (!fFilter->text().isEmpty()) fFilterChange();
  RefreshFindingsLater();
}

void TTablesWindow::closeEvent(QCloseEvent* event) {
  if (undo_.isClean()) {
    QMainWindow::closeEvent(event);
    return;
  }
  QMessageBox box(QMessageBox::Question, windowTitle().remove(QStringLiteral("[*]")),
                  QStringLiteral("The tables have unsaved changes. Save them?"),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("UnsavedBox"));
  const int answer = host_.Ui.Exec(box);
  if (answer == QMessageBox::Save) {
    if (!bSaveClick()) {
      event->ignore();
      return;
    }
  } else if (answer == QMessageBox::Discard) {
    Reread();
  } else {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace qualtren
