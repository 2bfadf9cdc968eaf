// TVirtualTable: the source of its descriptors, opening around its store,
// restructuring when its definitions change, clearing, and the stored Data
// property of a form description.
#include "table/virtual_table.h"

#include <exception>

#include "base/exception.h"

namespace qualtren {

namespace {

// A descriptor for a field of the given type, numbered after the last one;
// on failure every descriptor so far is discarded.
TFieldDesc& AddDescriptor(TFieldDescs& descs, const std::string& name, TFieldType type, int size,
                          int precision) {
  auto d = std::make_unique<TFieldDesc>();
  d->Name = d->ActualName = name;
  d->FieldNo = static_cast<int>(descs.Count()) + 1;
  try {
    DescribeFieldType(*d, type, size, precision);
  } catch (...) {
    descs.Clear();
    throw;
  }
  return descs.Add(std::move(d));
}

bool IsCalculated(const TField& f) {
  return f.FieldKind() == TFieldKind::fkCalculated || f.FieldKind() == TFieldKind::fkInternalCalc;
}

}  // namespace

void TVirtualData::InitFields() {
  const TVirtualTable& t = owner_;
  if (t.DefinitionsDescribeTable()) {
    for (size_t i = 0; i < t.FieldDefs().Count(); ++i) {
      const TFieldDef& def = t.FieldDefs()[i];
      TFieldDesc& d = AddDescriptor(fields_, def.Name, def.DataType, def.Size, def.Precision);
      d.Required = def.Required || (def.Attributes & faRequired) != 0;
      d.Fixed = (def.Attributes & faFixed) != 0;
    }
  } else {
    for (size_t i = 0; i < t.FieldCount(); ++i) {
      const TField& f = t.Field(i);
      if (f.FieldKind() == TFieldKind::fkData)
        AddDescriptor(fields_, f.FieldName(), f.DataType(), f.Size(), 0);
    }
  }
  // Calculated fields get descriptors of their own, laid out after the record.
  for (size_t i = 0; i < t.FieldCount(); ++i) {
    const TField& f = t.Field(i);
    if (IsCalculated(f))
      AddDescriptor(fields_, f.FieldName(), f.DataType(), f.Size(), f.Precision()).Kind =
          TFieldDescKind::Calculated;
  }
}

TVirtualTable::TVirtualTable(std::string name)
    : TMemDataSet(std::move(name), std::make_unique<TVirtualData>(*this)) {
  FieldDefs().OnChange = [this] { DefChanged(); };
}

TVirtualTable::~TVirtualTable() {
  FieldDefs().OnChange = nullptr;
}

bool TVirtualTable::DefinitionsDescribeTable() const {
  size_t dataFields = 0;
  for (const auto& f : fields_)
    if (f->FieldKind() == TFieldKind::fkData) ++dataFields;
  return fields_.empty() || DefaultFields() ||
         (FieldDefs().Count() >= dataFields && !defsFromFields_);
}

void TVirtualTable::OpenStore() {
  const bool keepDefs = DefinitionsDescribeTable();
  data_->Open();
  if (!keepDefs) RebuildDefinitions();
  if (fields_.empty()) {
    CreateDefaultFields();
  } else {
    const TNameIndex fields = FieldNameIndex(*this);
    for (size_t i = 0; i < FieldDefs().Count(); ++i) {
      const TFieldDef& def = FieldDefs()[i];
      if (def.DataType != ftString) continue;
      const int at = fields.Find(def.Name);
      TField* f = at >= 0 ? fields_[static_cast<size_t>(at)].get() : nullptr;
      if (f && f->FieldKind() == TFieldKind::fkData && f->DataType() == ftString)
        f->SetSize(def.Size);
    }
  }
  BindFields();
}

void TVirtualTable::RebuildDefinitions() {
  TDefChangeHold quiet(*this, TDefReaction::Ignore);
  FieldDefs().Clear();
  const TFieldDescs& descs = data_->Fields();
  for (size_t i = 0; i < descs.Count(); ++i) {
    const TFieldDesc& d = descs[i];
    // Definitions describe the stored fields only.
    if (d.Kind != TFieldDescKind::Data) continue;
    TFieldType type = ReportedFieldType(d.DataType);
    int size = d.Length;
    if (type == ftBlob || type == ftMemo || type == ftVariant) size = 0;
    TFieldDef& def = FieldDefs().Add(d.Name, type, size, d.Required);
    if (type == ftInteger || type == ftFloat) def.Precision = d.Length;
    if (type == ftBCD || type == ftFMTBcd) {
      def.Precision = d.Length;
      def.Size = d.Scale;
    }
    if (d.ReadOnly) def.Attributes |= faReadonly;
    if (d.Hidden) def.Attributes |= faHiddenCol;
    if (d.Fixed) def.Attributes |= faFixed;
  }
  defsFromFields_ = true;
}

void TVirtualTable::DefChanged() {
  if (defReaction_ == TDefReaction::Ignore) return;
  for (size_t i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef& def = FieldDefs()[i];
    if (def.DataType == ftUnknown) {
      def.DataType = ftString;
      def.Size = 20;
    }
  }
  if (defReaction_ == TDefReaction::Normalise) return;
  bool wasOpen = Active();
  if (!data_->Active() || !data_->HasRecords()) {
    Close();
    ClearRecords();
    data_->Close();
    if (wasOpen) Open();
    return;
  }
  // Keep the records across the change: write them out and read them back
  // into the new definitions, matched by field name.
  DisableControls();
  TMemoryStream image;
  std::exception_ptr failure;
  try {
    SaveTableStream(image, false);
  } catch (...) {
    failure = std::current_exception();
  }
  Close();
  ClearRecords();
  data_->Close();
  try {
    if (image.Size() > 0) LoadImage(image, false, false);
    if (wasOpen)
      Open();
    else
      Close();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  EnableControls();
  if (failure) std::rethrow_exception(failure);
}

void TVirtualTable::ClearRecords() {
  if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) Cancel();
  data_->ClearRecords();
  activeItem_ = nullptr;
  if (Active()) Resync();
}

void TVirtualTable::ClearTable() {
  ClearRecords();
  FieldDefs().Clear();
  DestroyFields();
  if (!Active()) data_->Close();
  defsFromFields_ = false;
}

void TVirtualTable::WriteData(TStream& stream) {
  if (options_ & voStored) SaveTableStream(stream, false);
}

void TVirtualTable::ReadData(TStream& stream) {
  if (!(options_ & voStored)) return;
  recordData_.Clear();
  recordData_.CopyFrom(stream, -1);
}

void TVirtualTable::FinishLoading() {
  struct Done {
    TVirtualTable& t;
    ~Done() {
      t.recordData_.Clear();
      t.loading_ = false;
    }
  } done{*this};
  if (recordData_.Size() > 0) {
    recordData_.SetPosition(0);
    LoadTableStream(recordData_, false);
  }
  loading_ = false;
  if (streamedActive_) Open();
}

}  // namespace qualtren
