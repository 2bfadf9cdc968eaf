// The undoable edits of the tables window.
#include "app/tables_commands.h"

#include <QString>

namespace qualtren {

TSetValueCommand::TSetValueCommand(TTransTableModel& model, size_t id,
                                   TTransTableModel::TValue value, std::string text)
    : model_(model), id_(id), value_(value), old_(model.Value(id, value)), new_(std::move(text)) {
  setText(QStringLiteral("Edit"));
}

void TSetValueCommand::redo() {
  model_.SetValue(id_, value_, new_);
}

void TSetValueCommand::undo() {
  model_.SetValue(id_, value_, old_);
}

TAddRowCommand::TAddRowCommand(TTransTableModel& model, TTransValues values)
    : model_(model), values_(std::move(values)) {
  setText(QStringLiteral("Add row"));
}

void TAddRowCommand::redo() {
  // The row is made once; redone again, the same row comes back.
  if (!made_) {
    id_ = model_.AddRow(values_);
    made_ = true;
  } else {
    model_.SetDeleted(id_, false);
  }
}

void TAddRowCommand::undo() {
  model_.SetDeleted(id_, true);
}

TDeleteRowsCommand::TDeleteRowsCommand(TTransTableModel& model, std::vector<size_t> ids)
    : model_(model), ids_(std::move(ids)) {
  setText(ids_.size() == 1 ? QStringLiteral("Delete row") : QStringLiteral("Delete rows"));
}

void TDeleteRowsCommand::redo() {
  for (size_t id : ids_)
    model_.SetDeleted(id, true);
}

void TDeleteRowsCommand::undo() {
  for (size_t id : ids_)
    model_.SetDeleted(id, false);
}

}  // namespace qualtren
