// The edits of the tables window as undoable commands: a value changed, a
// row added, rows deleted. Each names its rows by their ids in the model.
#pragma once

#include <QUndoCommand>
#include <string>
#include <vector>

#include "app/tables_model.h"

namespace qualtren {

/// One value of one row set to a new text.
class TSetValueCommand : public QUndoCommand {
 public:
  TSetValueCommand(TTransTableModel& model, size_t id, TTransTableModel::TValue value,
                   std::string text);
  void redo() override;
  void undo() override;

 private:
  TTransTableModel& model_;
  size_t id_;
  TTransTableModel::TValue value_;
  std::string old_;
  std::string new_;
};

/// A row added at the end of the view; undone, it is deleted again.
class TAddRowCommand : public QUndoCommand {
 public:
  TAddRowCommand(TTransTableModel& model, TTransValues values);
  void redo() override;
  void undo() override;
  /// The id of the row, once redone.
  size_t Id() const { return id_; }

 private:
  TTransTableModel& model_;
  TTransValues values_;
  size_t id_ = 0;
  bool made_ = false;
};

/// Rows deleted; undone, they come back.
class TDeleteRowsCommand : public QUndoCommand {
 public:
  TDeleteRowsCommand(TTransTableModel& model, std::vector<size_t> ids);
  void redo() override;
  void undo() override;

 private:
  TTransTableModel& model_;
  std::vector<size_t> ids_;
};

}  // namespace qualtren
