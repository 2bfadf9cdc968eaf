// TMemDataSet: the dataset operations over a record store, and the routines
// that hand the filter properties and the index order to the store.
#include "table/mem_dataset.h"

#include <cstring>

#include "base/exception.h"

namespace qualtren {

namespace {
bool BlankText(const std::string& text) {
  for (char c : text)
    if (static_cast<uint8_t>(c) > 32) return false;
  return true;
}
}  // namespace

TMemDataSet::TMemDataSet(std::string name, std::unique_ptr<TMemData> data)
    : TDataSet(std::move(name)), data_(std::move(data)) {
  data_->SetCalcHook([this](uint8_t* buffer) { RunCalcFields(buffer); });
}

TMemDataSet::~TMemDataSet() = default;

void TMemDataSet::OpenStore() {
  data_->Open();
  if (fields_.empty()) CreateDefaultFields();
  BindFields();
}

void TMemDataSet::BindFields() {
  const TNameIndex descs = DescNameIndex(data_->Fields());
  for (auto& f : fields_) {
    bool calculated =
        f->FieldKind() == TFieldKind::fkCalculated || f->FieldKind() == TFieldKind::fkInternalCalc;
    const int at =
        f->FieldKind() == TFieldKind::fkData || calculated ? descs.Find(f->FieldName()) : -1;
    TFieldDesc* d = at >= 0 ? &data_->Fields()[static_cast<size_t>(at)] : nullptr;
    if (d && (d->Kind == TFieldDescKind::Calculated) != calculated) d = nullptr;
    f->SetFieldNo(d ? d->FieldNo : 0);
    f->SetDataSet(this);
  }
}

void TMemDataSet::InternalOpen() {
  DropEditBuffer();
  OpenStore();
  activeItem_ = nullptr;
  if (!data_->SortColumns().empty()) data_->SortItems();
  if (Filtered()) {
    data_->SetFilterOptions(FilterOptions());
    data_->SetFilterHook(nullptr);
    InstallFilterHook();
    HandFilterToStore(Filter(), true);
    data_->FilterUpdated();
  }
}

void TMemDataSet::DropEditBuffer() {
  editBuffer_.clear();
  bufferEmpty_ = false;
  written_.clear();
}

void TMemDataSet::InternalClose() {
  activeItem_ = nullptr;
  DropEditBuffer();
  if (PersistentData())
    data_->Rewind();
  else
    data_->Close();
}

void TMemDataSet::InternalFirst() {
  activeItem_ = nullptr;
  data_->Rewind();
}

void TMemDataSet::InternalLast() {
  activeItem_ = nullptr;
  data_->WindToEnd();
}

void TMemDataSet::SyncStoreToCurrent() {
  if (activeItem_) data_->SetCurrent(activeItem_);
}

bool TMemDataSet::InternalGetRecord(GetMode mode) {
  if (!data_->Active()) return false;
  switch (mode) {
    case GetMode::Next:
    case GetMode::Prior: {
      SyncStoreToCurrent();
      TItemHeader* item = mode == GetMode::Next ? data_->NextRecord() : data_->PriorRecord();
      if (!item) return false;
      activeItem_ = item;
      return true;
    }
    case GetMode::Current:
      if (activeItem_ && !data_->IsOmitted(activeItem_)) return true;
      return false;
  }
  return false;
}

void TMemDataSet::InternalInsert(bool append) {
  if (bufferEmpty_ && bufferLayout_ == data_->LayoutStamp() &&
      editBuffer_.size() == data_->RecordSize()) {
    // What the last insert wrote is emptied again; its references belong to
    // its record or were released.
    for (int fieldNo : written_)
      data_->ResetField(fieldNo, editBuffer_.data());
  } else {
    editBuffer_.assign(data_->RecordSize(), 0);
    data_->InitRecord(editBuffer_.data());
    bufferLayout_ = data_->LayoutStamp();
  }
  written_.clear();
  bufferEmpty_ = true;
  appendMode_ = append;
}

void TMemDataSet::InternalEdit() {
  editBuffer_.assign(activeItem_->Record(), activeItem_->Record() + data_->RecordSize());
  bufferEmpty_ = false;
  written_.clear();
}

void TMemDataSet::InternalPost() {
  if (State() == TDataSetState::dsInsert) {
    TItemHeader* item;
    if (appendMode_ || !activeItem_) {
      item = data_->AppendRecord(editBuffer_.data());
    } else {
      data_->SetCurrent(activeItem_);
      item = data_->InsertRecord(editBuffer_.data());
    }
    activeItem_ = item;
  } else {
    data_->FreeChangedReferences(activeItem_->Record(), editBuffer_.data());
    data_->UpdateRecord(activeItem_, editBuffer_.data());
  }
  data_->SetCurrent(activeItem_);
  if (!bufferEmpty_) DropEditBuffer();
}

void TMemDataSet::InternalCancel() {
  if (editBuffer_.empty()) return;
  if (State() == TDataSetState::dsInsert && bufferEmpty_) {
    for (int fieldNo : written_)
      data_->FreeFieldReferences(fieldNo, editBuffer_.data());
    return;
  }
  if (State() == TDataSetState::dsInsert || !activeItem_)
    data_->FreeRecordReferences(editBuffer_.data());
  else
    data_->FreeChangedReferences(editBuffer_.data(), activeItem_->Record());
  DropEditBuffer();
}

void TMemDataSet::InternalDelete() {
  data_->SetCurrent(activeItem_);
  data_->RemoveRecord(activeItem_);
  activeItem_ = data_->Current();
}

int TMemDataSet::GetRecordCount() {
  return data_->RecordCount();
}

int TMemDataSet::GetRecNo() {
  return activeItem_ ? data_->RecNoOf(activeItem_) : 0;
}

void TMemDataSet::InternalSetRecNo(int recNo) {
  if (TItemHeader* item = data_->ItemAtRecNo(recNo)) {
    activeItem_ = item;
    data_->SetCurrent(item);
  }
}

TBookmark TMemDataSet::InternalGetBookmark() {
  if (!activeItem_) return std::nullopt;
  return reinterpret_cast<intptr_t>(activeItem_);
}

bool TMemDataSet::InternalGotoBookmark(intptr_t bookmark) {
  for (TItemHeader* i = data_->FirstItem(); i; i = i->Next) {
    if (reinterpret_cast<intptr_t>(i) == bookmark) {
      activeItem_ = i;
      data_->SetCurrent(i);
      return true;
    }
  }
  return false;
}

const uint8_t* TMemDataSet::ActiveRecord() const {
  switch (State()) {
    case TDataSetState::dsFilter:
      return filterRecord_;
    case TDataSetState::dsCalcFields:
      return calcRecord_;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      return editBuffer_.empty() ? nullptr : editBuffer_.data();
    default:
      return activeItem_ ? activeItem_->Record() : nullptr;
  }
}

bool TMemDataSet::GetFieldData(const TField& field, std::string* out) {
  if (field.FieldNo() <= 0 || !data_->Active()) return false;
  const uint8_t* rec = ActiveRecord();
  if (!rec) return false;
  if (IsCalculatedOutsideBuffer(field)) {
    std::vector<uint8_t> copy = data_->CalculatedCopy(rec);
    return data_->GetField(field.FieldNo(), copy.data(), out);
  }
  return data_->GetField(field.FieldNo(), rec, out);
}

bool TMemDataSet::IsCalculatedOutsideBuffer(const TField& field) const {
  if (field.FieldKind() != TFieldKind::fkCalculated &&
      field.FieldKind() != TFieldKind::fkInternalCalc)
    return false;
  return State() != TDataSetState::dsCalcFields && State() != TDataSetState::dsFilter;
}

void TMemDataSet::RunCalcFields(uint8_t* buffer) {
  if (!OnCalcFields) return;
  TDataSetState saved = State();
  uint8_t* savedRecord = calcRecord_;
  SetState(TDataSetState::dsCalcFields);
  calcRecord_ = buffer;
  try {
    OnCalcFields(*this);
  } catch (...) {
    calcRecord_ = savedRecord;
    SetState(saved);
    throw;
  }
  calcRecord_ = savedRecord;
  SetState(saved);
}

void TMemDataSet::SetFieldData(TField& field, const std::string* value) {
  if (State() == TDataSetState::dsCalcFields) {
    if (field.FieldNo() > 0 && calcRecord_) data_->PutField(field.FieldNo(), calcRecord_, value);
    return;
  }
  CheckEditing();
  // A calculated field lives after the record, outside the edit buffer; it
  // is set only while the calculated fields are computed.
  if (field.FieldNo() <= 0 || editBuffer_.empty() || IsCalculatedOutsideBuffer(field)) return;
  data_->PutField(field.FieldNo(), editBuffer_.data(), value);
  if (bufferEmpty_) written_.push_back(field.FieldNo());
}

Variant TMemDataSet::GetFieldVariant(const TField& field) {
  if (field.FieldNo() <= 0 || !data_->Active()) return {};
  const uint8_t* rec = ActiveRecord();
  if (!rec) return {};
  return data_->GetVariantValue(field.FieldNo(), rec);
}

void TMemDataSet::SetFieldVariant(TField& field, const Variant& value) {
  CheckEditing();
  if (field.FieldNo() <= 0 || editBuffer_.empty() || IsCalculatedOutsideBuffer(field)) return;
  data_->PutVariantValue(field.FieldNo(), editBuffer_.data(), value);
  if (bufferEmpty_) written_.push_back(field.FieldNo());
}

const TBlob* TMemDataSet::GetBlob(const TField& field) {
  if (field.FieldNo() <= 0 || !data_->Active()) return nullptr;
  const uint8_t* rec = ActiveRecord();
  return rec ? data_->GetBlob(field.FieldNo(), rec) : nullptr;
}

// ---------------------------------------------------------------- filter

void TMemDataSet::HandFilterToStore(const std::string& text, bool filtered) {
  static const std::string kNoFilter;
  data_->SetFilterText(filtered && !BlankText(text) ? text : kNoFilter);
}

void TMemDataSet::InstallFilterHook() {
  if (!Filtered() || !OnFilterRecord()) {
    data_->SetFilterHook(nullptr);
    return;
  }
  data_->SetFilterHook([this](const uint8_t* rec) {
    TDataSetState saved = State();
    const uint8_t* savedRecord = filterRecord_;
    SetState(TDataSetState::dsFilter);
    filterRecord_ = rec;
    bool accept = true;
    try {
      OnFilterRecord()(*this, accept);
    } catch (const std::exception& e) {
      if (filterErrorHandler_) filterErrorHandler_(e);
    }
    filterRecord_ = savedRecord;
    SetState(saved);
    return accept;
  });
}

void TMemDataSet::ApplyFilterChange() {
  data_->FilterUpdated();
  First();
}

void TMemDataSet::BrowseAtCurrent() {
  if (!Active()) return;
  CheckBrowseMode();
  SyncStoreToCurrent();
}

void TMemDataSet::SetFilter(const std::string& text) {
  ChangeFilter(text, FilterOptions());
}

void TMemDataSet::SetFilterOptions(TFilterOptions options) {
  ChangeFilter(Filter(), options);
}

void TMemDataSet::ChangeFilter(const std::string& text, TFilterOptions options) {
  BrowseAtCurrent();
  if (text == Filter() && options == FilterOptions()) return;
  // A text that fails to parse leaves the filter and its options as they were.
  const TFilterOptions old = data_->FilterOptions();
  data_->SetFilterOptions(options);
  try {
    HandFilterToStore(text, Filtered());
  } catch (...) {
    data_->SetFilterOptions(old);
    throw;
  }
  TDataSet::SetFilter(text);
  TDataSet::SetFilterOptions(options);
  if (Active() && Filtered()) ApplyFilterChange();
}

void TMemDataSet::SetFiltered(bool on) {
  BrowseAtCurrent();
  if (on == Filtered()) return;
  data_->SetFilterHook(nullptr);
  data_->SetFilterText({});
  if (on) {
    data_->SetFilterOptions(FilterOptions());
    TDataSet::SetFiltered(true);
    try {
      InstallFilterHook();
      HandFilterToStore(Filter(), true);
    } catch (...) {
      data_->SetFilterHook(nullptr);
      TDataSet::SetFiltered(false);
      throw;
    }
  } else {
    TDataSet::SetFiltered(false);
  }
  if (Active()) ApplyFilterChange();
}

void TMemDataSet::SetOnFilterRecord(FilterRecordEvent handler) {
  BrowseAtCurrent();
  TDataSet::SetOnFilterRecord(std::move(handler));
  InstallFilterHook();
  if (Active()) ApplyFilterChange();
}

void TMemDataSet::SetIndexFieldNames(const std::string& text) {
  if (Active()) CheckBrowseMode();
  data_->SetIndexFieldNames(text);
  indexFieldNames_ = text;
  if (Active() && !data_->SortColumns().empty()) Resync();
}

}  // namespace qualtren
