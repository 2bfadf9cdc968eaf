// TVirtualTable: options, descriptors from definitions or field objects,
// restructuring on definition changes, clearing, copying, and the stored
// Data property. The file formats live in table_file.cpp.
#include "table/virtual_table.h"

#include "base/counter_guard.h"
#include "base/exception.h"

namespace qualtren {

namespace {

// The internal type, record size, length and scale of a field type.
void DescribeType(TFieldDesc& d, TFieldType type, int size, int precision) {
  // Sizes beyond what a table file can describe (a 16-bit size) come only
  // from damaged or hostile input; refused before any arithmetic on them.
  const bool sized = type == ftString || type == ftBytes || type == ftVarBytes ||
                     type == ftWideString || type == ftGuid;
  if ((sized && size > 0xFFFF) || (type == ftFMTBcd && precision > 0xFFFF))
    throw EDatabaseError("Invalid field size");
  switch (type) {
    case ftString:
      d.DataType = dtString;
      d.Size = size + 1;
      d.Length = size;
      break;
    case ftSmallint:
      d.DataType = precision >= 1 && precision <= 4 ? dtShortint : dtSmallint;
      d.Size = 2;
      if (d.DataType == dtShortint) d.Length = precision;
      break;
    case ftInteger:
    case ftAutoInc:
      d.DataType = dtInteger;
      d.Size = 4;
      break;
    case ftWord:
      d.DataType = dtWord;
      d.Size = 2;
      break;
    case ftBoolean:
      d.DataType = dtBoolean;
      d.Size = 2;
      break;
    case ftFloat:
      d.DataType = dtFloat;
      d.Size = 8;
      d.Length = precision;
      break;
    case ftCurrency:
      d.DataType = dtCurrency;
      d.Size = 8;
      break;
    case ftBCD:
      d.DataType = dtBCD;
      d.Size = 8;
      d.Scale = size;
      d.Length = precision;
      break;
    case ftDate:
      d.DataType = dtDate;
      d.Size = 8;
      d.Length = precision;
      break;
    case ftTime:
      d.DataType = dtTime;
      d.Size = 8;
      d.Length = precision;
      break;
    case ftDateTime:
      d.DataType = dtDateTime;
      d.Size = 8;
      d.Length = precision;
      break;
    case ftBytes:
      d.DataType = dtBytes;
      d.Size = size;
      d.Length = size;
      break;
    case ftVarBytes:
      d.DataType = dtVarBytes;
      d.Size = size + 2;
      d.Length = size;
      break;
    case ftBlob:
      d.DataType = dtBlob;
      d.Size = 4;
      break;
    case ftMemo:
      d.DataType = dtMemo;
      d.Size = 4;
      break;
    case ftWideString:
      d.DataType = dtWideString;
      d.Size = 2 * size + 2;
      d.Length = size;
      break;
    case ftLargeint:
      if (precision >= 1 && precision <= 10) {
        d.DataType = dtInt32Largeint;
        d.Size = 4;
        d.Length = precision;
      } else {
        d.DataType = dtLargeint;
        d.Size = 8;
      }
      break;
    case ftVariant:
      d.DataType = dtVariant;
      d.Size = 4;
      break;
    case ftGuid:
      d.DataType = dtGuid;
      d.Size = size + 1;
      d.Length = size;
      break;
    case ftFMTBcd:
      d.DataType = dtFMTBCD;
      d.Size = precision > 33 ? precision + 2 : 34;
      d.Scale = size;
      d.Length = precision;
      break;
    default:
      UnsupportedFieldType();
  }
  if (size < 0 || d.Size < 0) UnsupportedFieldType();
}

TFieldType ReportedType(uint16_t internal) {
  switch (internal) {
    case dtString:
      return ftString;
    case dtShortint:
    case dtSmallint:
      return ftSmallint;
    case dtInteger:
      return ftInteger;
    case dtFloat:
      return ftFloat;
    case dtDate:
      return ftDate;
    case dtTime:
      return ftTime;
    case dtDateTime:
      return ftDateTime;
    case dtWord:
      return ftWord;
    case dtBoolean:
      return ftBoolean;
    case dtLargeint:
    case dtInt32Largeint:
      return ftLargeint;
    case dtCurrency:
      return ftCurrency;
    case dtBlob:
      return ftBlob;
    case dtMemo:
      return ftMemo;
    case dtVariant:
      return ftVariant;
    case dtBytes:
      return ftBytes;
    case dtVarBytes:
      return ftVarBytes;
    case dtWideString:
      return ftWideString;
    case dtBCD:
      return ftBCD;
    case dtFMTBCD:
      return ftFMTBcd;
    case dtGuid:
      return ftGuid;
    default:
      return ftUnknown;
  }
}

}  // namespace

void TVirtualData::InitFields() {
  TVirtualTable& t = owner_;
  size_t dataFields = 0;
  for (const auto& f : t.fields_)
    if (f->FieldKind() == TFieldKind::fkData) ++dataFields;
  bool fromDefs = t.fields_.empty() || t.DefaultFields() ||
                  (t.FieldDefs().Count() >= dataFields && !t.defsFromFields_);
  struct Entry {
    std::string name;
    TFieldType type;
    int size, precision;
    bool required, fixed;
  };
  std::vector<Entry> entries;
  if (fromDefs) {
    for (size_t i = 0; i < t.FieldDefs().Count(); ++i) {
      const TFieldDef& def = t.FieldDefs()[i];
      entries.push_back({def.Name, def.DataType, def.Size, def.Precision,
                         def.Required || (def.Attributes & faRequired) != 0,
                         (def.Attributes & faFixed) != 0});
    }
  } else {
    for (const auto& f : t.fields_)
      if (f->FieldKind() == TFieldKind::fkData)
        entries.push_back({f->FieldName(), f->DataType(), f->Size(), 0, false, false});
  }
  for (const Entry& e : entries) {
    auto d = std::make_unique<TFieldDesc>();
    d->Name = e.name;
    d->ActualName = e.name;
    d->FieldNo = static_cast<int>(fields_.Count()) + 1;
    d->Required = e.required;
    d->Fixed = e.fixed;
    try {
      DescribeType(*d, e.type, e.size, e.precision);
    } catch (...) {
      fields_.Clear();
      throw;
    }
    fields_.Add(std::move(d));
  }
  // Calculated fields get descriptors of their own, laid out after the record.
  for (const auto& f : t.fields_) {
    if (f->FieldKind() != TFieldKind::fkCalculated && f->FieldKind() != TFieldKind::fkInternalCalc)
      continue;
    auto d = std::make_unique<TFieldDesc>();
    d->Name = d->ActualName = f->FieldName();
    d->FieldNo = static_cast<int>(fields_.Count()) + 1;
    d->Kind = TFieldDescKind::Calculated;
    try {
      DescribeType(*d, f->DataType(), f->Size(), f->Precision());
    } catch (...) {
      fields_.Clear();
      throw;
    }
    fields_.Add(std::move(d));
  }
}

TVirtualTable::TVirtualTable(std::string name)
    : TMemDataSet(std::move(name), std::make_unique<TVirtualData>(*this)) {
  FieldDefs().OnChange = [this] { DefChanged(); };
}

TVirtualTable::~TVirtualTable() {
  FieldDefs().OnChange = nullptr;
}

void TVirtualTable::OpenStore() {
  data_->Open();
  size_t dataFields = 0;
  for (const auto& f : fields_)
    if (f->FieldKind() == TFieldKind::fkData) ++dataFields;
  bool keepDefs =
      fields_.empty() || DefaultFields() || (FieldDefs().Count() >= dataFields && !defsFromFields_);
  if (!keepDefs) {
    TCounterGuard guard(defGuard_);
    FieldDefs().Clear();
    const TFieldDescs& descs = data_->Fields();
    for (size_t i = 0; i < descs.Count(); ++i) {
      const TFieldDesc& d = descs[i];
      // Definitions describe the stored fields only.
      if (d.Kind != TFieldDescKind::Data) continue;
      TFieldType type = ReportedType(d.DataType);
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
  if (fields_.empty()) {
    CreateDefaultFields();
  } else {
    for (size_t i = 0; i < FieldDefs().Count(); ++i) {
      const TFieldDef& def = FieldDefs()[i];
      if (def.DataType != ftString) continue;
      TField* f = FindField(def.Name);
      if (f && f->FieldKind() == TFieldKind::fkData && f->DataType() == ftString)
        f->SetSize(def.Size);
    }
  }
  BindFields();
}

void TVirtualTable::DefChanged() {
  if (defGuard_ > 0) return;
  for (size_t i = 0; i < FieldDefs().Count(); ++i) {
    TFieldDef& def = FieldDefs()[i];
    if (def.DataType == ftUnknown) {
      def.DataType = ftString;
      def.Size = 20;
    }
  }
  if (restructureGuard_ > 0) return;
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
    if (image.Size() > 0) LoadTableStream(image, false);
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

void TVirtualTable::CopyTable(TDataSet* source) {
  if (!source) throw EConvertError(Format("Cannot assign a %s to a %s", {"nil", ClassName()}));
  if (auto* table = dynamic_cast<TVirtualTable*>(source)) {
    TMemoryStream image;
    table->SaveTableStream(image, true);
    LoadTableStream(image, true);
    defsFromFields_ = table->defsFromFields_;
    return;
  }
  CopyDataSet(*source);
}

void TVirtualTable::CopyDataSet(TDataSet& source) {
  bool wasOpen = Active();
  Close();
  ClearRecords();
  ClearTable();
  {
    FieldDefs().BeginUpdate();
    struct EndUpdate {
      TFieldDefs& defs;
      ~EndUpdate() { defs.EndUpdate(); }
    } end{FieldDefs()};
    for (size_t i = 0; i < source.FieldCount(); ++i) {
      TField& f = source.Field(i);
      const TFieldDef* srcDef = source.FieldDefs().Find(f.FieldName());
      if (!srcDef) DatabaseError(Format("Field '%s' not found", {f.FieldName()}), source.Name());
      TFieldType type = f.DataType();
      if (type == ftOraBlob) type = ftBlob;
      if (type == ftOraClob) type = ftMemo;
      if (f.FieldKind() != TFieldKind::fkData) continue;
      switch (type) {
        case ftString:
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftBoolean:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftDate:
        case ftTime:
        case ftDateTime:
        case ftBytes:
        case ftVarBytes:
        case ftAutoInc:
        case ftBlob:
        case ftMemo:
        case ftWideString:
        case ftLargeint:
        case ftVariant:
        case ftGuid:
        case ftFMTBcd:
          break;
        default:
          continue;
      }
      TFieldDef& def = FieldDefs().Add(f.FieldName(), type, f.Size());
      def.Attributes = 0;
      if (f.Required()) {
        def.Required = true;
        def.Attributes = faRequired;
      }
      if (f.ReadOnly()) def.Attributes |= faReadonly;
      if (srcDef->Attributes & faFixed) def.Attributes |= faFixed;
      if (type == ftBCD || type == ftFMTBcd || type == ftLargeint || type == ftSmallint)
        def.Precision = f.Precision() ? f.Precision() : srcDef->Precision;
    }
  }
  if (source.Active()) {
    DisableControls();
    source.DisableControls();
    TBookmark position = source.GetBookmark();
    std::vector<std::pair<TField*, bool>> readOnly;
    std::exception_ptr failure;
    try {
      source.First();
      Open();
      for (size_t i = 0; i < FieldCount(); ++i) {
        readOnly.emplace_back(&Field(i), Field(i).ReadOnly());
        Field(i).SetReadOnly(false);
      }
      std::vector<std::pair<TField*, TField*>> pairs;
      for (size_t i = 0; i < FieldCount(); ++i)
        if (TField* s = source.FindField(Field(i).FieldName())) pairs.emplace_back(&Field(i), s);
      while (!source.Eof()) {
        Append();
        for (auto& [mine, theirs] : pairs) {
          if (theirs->IsNull()) continue;
          if (mine->DataType() == ftLargeint)
            mine->SetAsLargeInt(theirs->AsLargeInt());
          else if (mine->DataType() == ftBytes || mine->DataType() == ftVarBytes ||
                   mine->DataType() == ftBlob)
            mine->SetAsBytes(theirs->AsBytes());
          else
            mine->SetAsVariant(theirs->AsVariant());
        }
        Post();
        source.Next();
      }
    } catch (...) {
      failure = std::current_exception();
      if (State() == TDataSetState::dsInsert) Cancel();
    }
    try {
      if (Active()) First();
      for (auto& [f, ro] : readOnly)
        f->SetReadOnly(ro);
      if (position && source.RecordCount() > 0) source.GotoBookmark(position);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    source.EnableControls();
    EnableControls();
    if (failure) std::rethrow_exception(failure);
  }
  if (wasOpen)
    Open();
  else
    Close();
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
