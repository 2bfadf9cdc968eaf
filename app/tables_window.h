// TTablesWindow: the three translation tables beside the main window, in
// three tabs, filtered, sorted and edited in place with undo; the findings of
// the tables' check below them; a save that refuses what table add refuses,
// writes the three files and has the main window load them again.
#pragma once

#include <QMainWindow>
#include <QUndoStack>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/tables_model.h"
#include "picker/user_interface.h"
#include "trans/table_check.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QTableView;
class QTimer;

namespace qualtren {

class TVirtualTable;

/// What the tables window works on and whom it tells of a save.
struct TTablesHost {
  /// The loaded translation tables, by TNameKind.
  std::array<TVirtualTable*, 3> Tables{};
  /// The directory of the table files (the current directory when empty).
  std::string Dir;
  /// Loads the three files into the tables again and translates the upper
  /// text again; runs after every save.
  std::function<void()> Reload;
  TUserInterface Ui;
};

class TTablesWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit TTablesWindow(TTablesHost host, QWidget* parent = nullptr);
  ~TTablesWindow() override;

  // Handlers of the window's events.
  void fFilterChange();
  void lIgnoreDiacriticsClick();
  void bAddClick();
  void bDeleteClick();
  // Saves; false when nothing was saved (a row refused, a file not written).
  bool bSaveClick();
  void lbFindingsClick(QListWidgetItem* item);

  /// Shows the table of `kind` with a new row of `values` selected, its
  /// English name ready to type (or its local name, when the English one is
  /// proposed already).
  void AddRowFor(TNameKind kind, const TTransValues& values);
  /// The English name proposed for a local name (code page bytes) of a
  /// kind, from the rows as they stand; empty when none can be proposed.
  std::string Propose(TNameKind kind, const std::string& localName) const;
  /// Reads the loaded tables anew, forgetting every edit.
  void Reread();

  TTransTableModel& Model(TNameKind kind) { return *models_[static_cast<size_t>(kind)]; }
  QTableView& View(TNameKind kind) { return *views_[static_cast<size_t>(kind)]; }
  TNameKind CurrentKind() const;
  QUndoStack& Undo() { return undo_; }
  /// The findings shown, in the order of the list.
  const std::vector<TCheckFinding>& Findings() const { return findings_; }
  /// Checks the rows as they stand now and shows the findings.
  void RefreshFindings();
  /// The same, the check run on a thread of its own; the findings are shown
  /// when it is done, unless the rows changed meanwhile.
  void RefreshFindingsLater();

  // Controls.
  QLineEdit* fFilter;
  QCheckBox* lIgnoreDiacritics;
  QPushButton* bAdd;
  QPushButton* bDelete;
  QPushButton* bUndo;
  QPushButton* bRedo;
  QPushButton* bSave;
  QTabWidget* tcTables;
  QListWidget* lbFindings;
  QLabel* lStatus;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  // Selects the row of `id` in the table of `kind`, clearing the filter when
  // it hides the row; the row's column `value` becomes current.
  void GoTo(TNameKind kind, size_t id, TTransTableModel::TValue value);
  // The refusals of table add's rules for the rows as they stand, each set
  // beside its row; the count.
  size_t MarkRefusals();
  void Guarded(const std::function<void()>& body);
  // The rows of the three tables for the check, and the id of each.
  struct TCheckInput {
    TTransRows Rows;
    std::array<std::vector<size_t>, 3> Ids;
  };
  TCheckInput CheckInput() const;
  void ShowFindings(std::vector<TCheckFinding> findings,
                    const std::array<std::vector<size_t>, 3>& ids);

  TTablesHost host_;
  QUndoStack undo_;
  std::array<TTransTableModel*, 3> models_{};
  std::array<QTableView*, 3> views_{};
  std::vector<TCheckFinding> findings_;
  // The id of the row of each finding, in the list's order.
  std::vector<size_t> findingIds_;
  QTimer* checkTimer_;
  uint64_t checkGeneration_ = 0;  // of the rows last taken for a check
};

}  // namespace qualtren
