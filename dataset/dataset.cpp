// The dataset base: state changes, navigation and editing around the
// record-level operations that each kind of dataset supplies.
#include "dataset/dataset.h"

#include "base/collation.h"
#include "base/exception.h"

namespace qualtren {

void DatabaseError(const std::string& message, const std::string& componentName) {
  if (componentName.empty()) throw EDatabaseError(message);
  throw EDatabaseError(componentName + ": " + message);
}

TDataSet::TDataSet(std::string name) : name_(std::move(name)) {}

TDataSet::~TDataSet() = default;

void TDataSet::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    Fire(BeforeOpen);
    OpenCursor();
    SetState(TDataSetState::dsBrowse);
    DoFirstFetch();
    Fire(AfterOpen);
    Fire(AfterScroll);
  } else {
    Fire(BeforeClose);
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) InternalCancel();
    SetState(TDataSetState::dsInactive);
    CloseCursor();
    Fire(AfterClose);
  }
}

void TDataSet::OpenCursor() {
  SetState(TDataSetState::dsOpening);
  try {
    InternalOpen();
  } catch (...) {
    SetState(TDataSetState::dsInactive);
    try {
      CloseCursor();
    } catch (...) {
    }
    throw;
  }
}

void TDataSet::CloseCursor() {
  InternalClose();
  if (defaultFields_) DestroyFields();
  for (auto& f : fields_)
    f->SetFieldNo(0);
  eof_ = bof_ = true;
}

void TDataSet::DoFirstFetch() {
  InternalFirst();
  bool found = InternalGetRecord(GetMode::Next);
  bof_ = true;
  eof_ = !found;
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", name_);
}

void TDataSet::CheckEditing() const {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
    DatabaseError("Dataset not in edit or insert mode", name_);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) Post();
}

void TDataSet::First() {
  CheckBrowseMode();
  Fire(BeforeScroll);
  DoFirstFetch();
  Fire(AfterScroll);
}

void TDataSet::Last() {
  CheckBrowseMode();
  Fire(BeforeScroll);
  InternalLast();
  bool found = InternalGetRecord(GetMode::Prior);
  eof_ = true;
  bof_ = !found;
  Fire(AfterScroll);
}

void TDataSet::Next() {
  Step(GetMode::Next);
}

void TDataSet::Prior() {
  Step(GetMode::Prior);
}

void TDataSet::Step(GetMode mode) {
  CheckBrowseMode();
  // The flag of the end a step runs into, and of the one it leaves.
  bool& ahead = mode == GetMode::Next ? eof_ : bof_;
  bool& behind = mode == GetMode::Next ? bof_ : eof_;
  if (ahead) return;
  Fire(BeforeScroll);
  if (InternalGetRecord(mode))
    behind = false;
  else
    ahead = true;
  Fire(AfterScroll);
}

int TDataSet::RecordCount() {
  if (!Active()) return 0;
  return GetRecordCount();
}

int TDataSet::RecNo() {
  if (!Active()) return 0;
  return GetRecNo();
}

void TDataSet::SetRecNo(int recNo) {
  CheckBrowseMode();
  InternalSetRecNo(recNo);
  Resync();
}

TField* TDataSet::FindField(std::string_view name) const {
  // An equal name needs no collation.
  for (const auto& f : fields_)
    if (f->FieldName() == name || AnsiCompareText(f->FieldName(), name) == 0) return f.get();
  return nullptr;
}

TNameIndex FieldNameIndex(const TDataSet& dataset) {
  return TNameIndex(dataset.FieldCount(),
                    [&](size_t i) -> std::string_view { return dataset.Field(i).FieldName(); });
}

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (!f) DatabaseError(Format("Field '%s' not found", {name}), name_);
  return *f;
}

TField& TDataSet::AddField(std::unique_ptr<TField> field) {
  field->SetDataSet(this);
  fields_.push_back(std::move(field));
  defaultFields_ = false;
  return *fields_.back();
}

std::vector<std::unique_ptr<TField>> TDataSet::TakeFields() {
  std::vector<std::unique_ptr<TField>> out = std::move(fields_);
  fields_.clear();
  for (auto& f : out) {
    f->SetDataSet(nullptr);
    f->SetFieldNo(0);
  }
  defaultFields_ = false;
  return out;
}

void TDataSet::DestroyFields() {
  fields_.clear();
  defaultFields_ = false;
}

void TDataSet::CreateDefaultFields() {
  for (size_t i = 0; i < fieldDefs_.Count(); ++i) {
    const TFieldDef& def = fieldDefs_[i];
    auto field = CreateField(def.DataType, def.Name, def.Size);
    field->SetPrecision(def.Precision);
    field->SetRequired(def.Required || (def.Attributes & faRequired));
    field->SetReadOnly((def.Attributes & faReadonly) != 0);
    field->SetDataSet(this);
    fields_.push_back(std::move(field));
  }
  defaultFields_ = true;
}

void TDataSet::Append() {
  StartInsert(true);
}

void TDataSet::Insert() {
  StartInsert(false);
}

void TDataSet::StartInsert(bool append) {
  CheckBrowseMode();
  Fire(BeforeInsert);
  InternalInsert(append);
  SetState(TDataSetState::dsInsert);
  eof_ = bof_ = false;
  Fire(OnNewRecord);
  Fire(AfterInsert);
}

void TDataSet::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  if (IsEmpty()) {
    Insert();
    return;
  }
  Fire(BeforeEdit);
  InternalEdit();
  SetState(TDataSetState::dsEdit);
  Fire(AfterEdit);
}

void TDataSet::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  Fire(BeforePost);
  InternalPost();
  SetState(TDataSetState::dsBrowse);
  eof_ = bof_ = false;
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  Fire(BeforeCancel);
  InternalCancel();
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (IsEmpty()) DatabaseError("Cannot perform this operation on an empty dataset", name_);
  CheckBrowseMode();
  Fire(BeforeDelete);
  InternalDelete();
  Resync();
  Fire(AfterDelete);
}

void TDataSet::Resync() {
  if (InternalGetRecord(GetMode::Current)) {
    eof_ = bof_ = false;
    return;
  }
  if (InternalGetRecord(GetMode::Next)) {
    eof_ = bof_ = false;
    return;
  }
  if (InternalGetRecord(GetMode::Prior)) {
    bof_ = false;
    eof_ = true;
    return;
  }
  eof_ = bof_ = true;
}

TBookmark TDataSet::GetBookmark() {
  if (!Active() || IsEmpty()) return std::nullopt;
  return InternalGetBookmark();
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckBrowseMode();
  if (!bookmark) return;
  if (!InternalGotoBookmark(*bookmark)) DatabaseError("Record not found", name_);
  eof_ = bof_ = false;
}

Variant TDataSet::GetFieldVariant(const TField&) {
  return {};
}

void TDataSet::SetFieldVariant(TField& field, const Variant& value) {
  if (value.IsNull()) {
    SetFieldData(field, nullptr);
    return;
  }
  std::string text = value.ToString();
  SetFieldData(field, &text);
}

}  // namespace qualtren
