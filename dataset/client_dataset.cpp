// The in-memory client dataset.
#include "dataset/client_dataset.h"

namespace qualtren {

void TClientDataSet::InternalOpen() {
  if (fields_.empty()) {
    CreateDefaultFields();
  } else if (FieldDefs().Count() == 0) {
    for (auto& f : fields_) {
      if (f->FieldKind() != TFieldKind::fkData) continue;
      TFieldDef& def = FieldDefs().Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
      def.Precision = f->Precision();
      if (f->ReadOnly()) def.Attributes |= faReadonly;
    }
  }
  for (size_t i = 0; i < fields_.size(); ++i)
    fields_[i]->SetFieldNo(static_cast<int>(i) + 1);
  for (auto& r : records_)
    r.resize(fields_.size());
  pos_ = -1;
  current_ = -1;
}

void TClientDataSet::InternalClose() {
  pos_ = -1;
  current_ = -1;
}

void TClientDataSet::EmptyDataSet() {
  records_.clear();
  pos_ = current_ = -1;
  if (Active()) Resync();
}

TClientDataSet::Cell* TClientDataSet::CellOf(const TField& field) {
  size_t col = static_cast<size_t>(field.FieldNo() - 1);
  if (field.FieldNo() <= 0) return nullptr;
  if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) {
    if (col >= editBuffer_.size()) return nullptr;
    return &editBuffer_[col];
  }
  if (current_ < 0 || current_ >= static_cast<int>(records_.size())) return nullptr;
  Record& r = records_[static_cast<size_t>(current_)];
  return col < r.size() ? &r[col] : nullptr;
}

bool TClientDataSet::GetFieldData(const TField& field, std::string* out) {
  Cell* c = CellOf(field);
  if (!c || !c->present) return false;
  if (out) *out = c->bytes;
  return true;
}

void TClientDataSet::SetFieldData(TField& field, const std::string* value) {
  CheckEditing();
  Cell* c = CellOf(field);
  if (!c) return;
  c->present = value != nullptr;
  c->bytes = value ? *value : std::string();
}

Variant TClientDataSet::GetFieldVariant(const TField& field) {
  Cell* c = CellOf(field);
  return c ? c->variant : Variant();
}

void TClientDataSet::SetFieldVariant(TField& field, const Variant& value) {
  CheckEditing();
  if (Cell* c = CellOf(field)) {
    c->variant = value;
    c->present = !value.IsNull();
  }
}

bool TClientDataSet::InternalGetRecord(GetMode mode) {
  int n = static_cast<int>(records_.size());
  int from = current_ >= 0 && current_ < n ? current_ : pos_;
  int target = mode == GetMode::Next ? from + 1 : mode == GetMode::Prior ? from - 1 : current_;
  if (mode == GetMode::Next && pos_ < 0) target = 0;
  if (mode == GetMode::Prior && pos_ >= n) target = n - 1;
  if (target < 0 || target >= n) {
    pos_ = target < 0 ? -1 : n;
    if (mode == GetMode::Current) current_ = -1;
    return false;
  }
  pos_ = current_ = target;
  return true;
}

void TClientDataSet::InternalInsert(bool append) {
  editBuffer_.assign(fields_.size(), Cell{});
  appending_ = append || current_ < 0;
  insertAt_ = appending_ ? static_cast<int>(records_.size()) : current_;
}

void TClientDataSet::InternalEdit() {
  editBuffer_ = records_[static_cast<size_t>(current_)];
}

void TClientDataSet::InternalPost() {
  if (State() == TDataSetState::dsInsert) {
    records_.insert(records_.begin() + insertAt_, editBuffer_);
    current_ = pos_ = insertAt_;
  } else {
    records_[static_cast<size_t>(current_)] = editBuffer_;
  }
  editBuffer_.clear();
}

void TClientDataSet::InternalCancel() {
  editBuffer_.clear();
}

void TClientDataSet::InternalDelete() {
  records_.erase(records_.begin() + current_);
  if (current_ >= static_cast<int>(records_.size()))
    current_ = static_cast<int>(records_.size()) - 1;
  pos_ = current_;
}

void TClientDataSet::InternalSetRecNo(int recNo) {
  if (recNo >= 1 && recNo <= static_cast<int>(records_.size())) current_ = pos_ = recNo - 1;
}

TBookmark TClientDataSet::InternalGetBookmark() {
  if (current_ < 0) return std::nullopt;
  return static_cast<intptr_t>(current_);
}

bool TClientDataSet::InternalGotoBookmark(intptr_t bookmark) {
  if (bookmark < 0 || bookmark >= static_cast<intptr_t>(records_.size())) return false;
  current_ = pos_ = static_cast<int>(bookmark);
  return true;
}

}  // namespace qualtren
