// Copying into a virtual table: another virtual table through a table
// image, any other dataset field by field and record by record.
#include <exception>
#include <utility>
#include <vector>

#include "base/exception.h"
#include "table/virtual_table.h"

namespace qualtren {

void TVirtualTable::CopyTable(TDataSet* source) {
  if (!source) throw EConvertError(Format("Cannot assign a %s to a %s", {"nil", ClassName()}));
  if (auto* table = dynamic_cast<TVirtualTable*>(source)) {
    TMemoryStream image;
    table->SaveTableStream(image, true);
    // The copy needs what the source holds already.
    LoadImage(image, true, false);
    defsFromFields_ = table->defsFromFields_;
    return;
  }
  CopyDataSet(*source);
}

namespace {

// Gives `defs` a definition for each stored data field of `source`, of the
// field's type (Oracle blobs as their plain kinds), size and attributes.
void CopyFieldDefs(TDataSet& source, TFieldDefs& defs) {
  defs.BeginUpdate();
  struct EndUpdate {
    TFieldDefs& defs;
    ~EndUpdate() { defs.EndUpdate(); }
  } end{defs};
  const TNameIndex sourceDefs = DefNameIndex(source.FieldDefs());
  for (size_t i = 0; i < source.FieldCount(); ++i) {
    TField& f = source.Field(i);
    const int at = sourceDefs.Find(f.FieldName());
    const TFieldDef* srcDef = at >= 0 ? &source.FieldDefs()[static_cast<size_t>(at)] : nullptr;
    if (!srcDef) DatabaseError(Format("Field '%s' not found", {f.FieldName()}), source.Name());
    TFieldType type = f.DataType();
    if (type == ftOraBlob) type = ftBlob;
    if (type == ftOraClob) type = ftMemo;
    if (f.FieldKind() != TFieldKind::fkData) continue;
    if (!FieldTypeRule(type).Stored()) continue;
    TFieldDef& def = defs.Add(f.FieldName(), type, f.Size());
    def.Attributes = 0;
    if (f.Required()) {
      def.Required = true;
      def.Attributes = faRequired;
    }
    if (f.ReadOnly()) def.Attributes |= faReadonly;
    if (srcDef->Attributes & faFixed) def.Attributes |= faFixed;
    // Only a BCD field's precision is copied: a large integer given a
    // precision of 1 to 10 would be held in 4 bytes and lose its high bits.
    if (type == ftBCD && f.DataType() == ftBCD) def.Precision = f.Precision();
  }
}

}  // namespace

void TVirtualTable::CopyDataSet(TDataSet& source) {
  bool wasOpen = Active();
  Close();
  ClearRecords();
  ClearTable();
  CopyFieldDefs(source, FieldDefs());
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
      const TNameIndex sourceFields = FieldNameIndex(source);
      for (size_t i = 0; i < FieldCount(); ++i)
        if (const int at = sourceFields.Find(Field(i).FieldName()); at >= 0)
          pairs.emplace_back(&Field(i), &source.Field(static_cast<size_t>(at)));
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

}  // namespace qualtren
