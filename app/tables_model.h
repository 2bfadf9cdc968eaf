// TTransTableModel: one loaded translation table as the tables window shows
// and edits it. The rows are read from the table's record store where they
// stand; only what the user changes is held beside them (edited and added
// rows, deleted marks), so that opening a table of 90 000 rows copies none of
// its values. Filtering and sorting order a list of row ids.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trans/trans_layout.h"
#include "trans/trans_tables.h"

class QUndoStack;

namespace qualtren {

class TVirtualTable;
class TMemData;
struct TItemHeader;

/// The names of one row, ANSI text of the code page: the column table's
/// table name (empty for the other two tables), the local and the English
/// name.
using TTransValues = std::array<std::string, 3>;

/// The name fields of one translation table over its record store, with the
/// user's edits beside them. Every edit made through the view goes through
/// the undo stack; the stack's commands call the Set/Add/Remove members.
class TTransTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// Which value of TTransValues a column of the table shows.
  enum TValue : int { Scope = 0, Local = 1, English = 2 };

  TTransTableModel(TNameKind kind, TVirtualTable& table, QUndoStack& undo,
                   QObject* parent = nullptr);
  ~TTransTableModel() override;

  /// Reads the table's records anew and forgets every edit.
  void Reload();
  /// Shows no rows and reads nothing of the table until Reload (while the
  /// table's records are replaced).
  void Clear();

  TNameKind Kind() const { return kind_; }
  const TTransTableLayout& Layout() const { return TransTableLayout(kind_); }

  // The model's view of the rows: the name fields of the layout, then the
  // reason a save refused the row.
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  /// Sorts by a column, letter case ignored; -1 gives the stored order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  /// Shows only the rows whose local or English name holds `text`, letter
  /// case ignored, and with `ignoreDiacritics` the marks of letters too.
  /// Rows added since the last filter stay in view.
  void SetFilter(const QString& text, bool ignoreDiacritics);

  /// The column of the view that shows a value; -1 for Scope in the two
  /// tables without one.
  int ColumnOf(TValue value) const;
  TValue ValueOf(int column) const;
  /// The column of the refusal reason.
  int RefusalColumn() const { return static_cast<int>(fields_.size()); }

  // Rows by id: an id stays the same row for the model's life (until
  // Reload), whether it is in view, deleted or restored.
  size_t RowCountAll() const { return rows_.size(); }
  TTransValues Values(size_t id) const;
  std::string Value(size_t id, TValue value) const;
  bool Deleted(size_t id) const { return rows_[id].Deleted; }
  /// The view row of an id, -1 when it is not in view.
  int RowOf(size_t id) const;
  size_t IdOf(int row) const { return view_[static_cast<size_t>(row)]; }
  /// The stored record of a loaded row (from 1), 0 for an added one.
  int Record(size_t id) const { return rows_[id].Record; }

  // The edits, as the undo stack's commands make and take them back.
  void SetValue(size_t id, TValue value, const std::string& text);
  /// Adds a row at the end of the view; gives its id.
  size_t AddRow(const TTransValues& values);
  /// Deletes or restores a row; a restored row goes back to its place in
  /// the view when it is not there.
  void SetDeleted(size_t id, bool deleted);

  /// The reason a save refused a row, shown beside it; empty drops it.
  void SetRefusal(size_t id, std::string reason);
  void ClearRefusals();

  /// The rows as they stand, in stored order with the added ones after
  /// them (deleted ones left out), numbered from 1 as a saved file would
  /// hold them; `ids` receives the id of each.
  std::vector<TTransRow> CurrentRows(std::vector<size_t>* ids = nullptr) const;
  /// Whether a row's names differ from its record's (always for an added
  /// row).
  bool Changed(size_t id) const;

 private:
  struct TRow {
    const TItemHeader* Item = nullptr;  // the loaded record, or nullptr
    int Record = 0;                     // from 1 in stored order; 0 for an added row
    int32_t Edit = -1;                  // in edits_, once edited or added
    bool Deleted = false;
  };

  std::string_view LoadedValue(const TRow& row, TValue value) const;
  std::string_view ValueView(const TRow& row, TValue value) const;
  void ApplyOrder();
  // Drops the rows, their edits, refusals and view, and the record store.
  void ForgetRows();
  static QString Shown(std::string_view ansi);

  TNameKind kind_;
  TVirtualTable& table_;
  QUndoStack& undo_;
  const TMemData* data_ = nullptr;
  std::array<int, 3> fieldNo_{-1, -1, -1};  // by TValue, in the record store
  std::vector<TValue> fields_;              // by column
  std::vector<TRow> rows_;
  std::vector<TTransValues> edits_;
  std::vector<TTransValues> copied_;   // by record - 1, when the fields are not read in place
  std::vector<std::string> refusals_;  // by id, empty for most
  std::vector<size_t> view_;           // ids in view, in order
  // The filter and the order the view was last given.
  std::string needle_;  // folded ANSI
  bool ignoreDiacritics_ = false;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace qualtren
