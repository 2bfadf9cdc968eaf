// Lookup of field descriptors by name, and a descriptor's type and layout
// from the field-type rules.
#include "table/field_desc.h"

#include "base/collation.h"
#include "base/exception.h"

namespace qualtren {

TFieldDesc* TFieldDescs::Find(std::string_view name) const {
  // An equal name needs no collation.
  for (const auto& d : items_)
    if (d->Name == name || AnsiCompareText(d->Name, name) == 0) return d.get();
  return nullptr;
}

TNameIndex DescNameIndex(const TFieldDescs& descs) {
  return TNameIndex(descs.Count(), [&](size_t i) -> std::string_view { return descs[i].Name; });
}

void UnsupportedFieldType() {
  throw EDatabaseError("Field type is not supported by TVirtualTable. \rValid types is " +
                       ListedStoredTypes());
}

void DescribeFieldType(TFieldDesc& d, TFieldType type, int size, int precision) {
  const TFieldTypeRule& rule = FieldTypeRule(type);
  if (!rule.Stored()) UnsupportedFieldType();
  // Sizes beyond what a table file can describe (a 16-bit size) come only
  // from damaged or hostile input; refused before any arithmetic on them.
  const bool sized =
      rule.Bytes != TRecordBytes::Fixed && rule.Bytes != TRecordBytes::PackedPrecision;
  if ((sized && size > 0xFFFF) ||
      (rule.Bytes == TRecordBytes::PackedPrecision && precision > 0xFFFF))
    throw EDatabaseError("Invalid field size");
  const bool narrow = precision >= 1 && precision <= rule.NarrowUpTo;
  d.DataType = narrow ? rule.Narrow : rule.Internal;
  switch (rule.Bytes) {
    case TRecordBytes::Fixed:
      d.Size = narrow ? rule.NarrowBytes : rule.FixedBytes;
      break;
    case TRecordBytes::Size:
      d.Size = size;
      break;
    case TRecordBytes::SizeAndZero:
      d.Size = size + 1;
      break;
    case TRecordBytes::LengthAndSize:
      d.Size = size + 2;
      break;
    case TRecordBytes::WideSizeAndZero:
      d.Size = 2 * size + 2;
      break;
    case TRecordBytes::PackedPrecision:
      d.Size = precision > 33 ? precision + 2 : 34;
      break;
  }
  if (rule.LengthFromSize) d.Length = size;
  if (rule.LengthFromPrecision || narrow) d.Length = precision;
  if (rule.ScaleFromSize) d.Scale = size;
  if (size < 0 || d.Size < 0) UnsupportedFieldType();
}

TFieldType ReportedFieldType(uint16_t internalType) {
  // The first type in the rules' order that the store holds this way.
  for (int t = 0; t < kFieldTypeCount; ++t) {
    const TFieldTypeRule& rule = FieldTypeRule(t);
    if (rule.Stored() &&
        (rule.Internal == internalType || (rule.NarrowUpTo > 0 && rule.Narrow == internalType)))
      return rule.Type;
  }
  return ftUnknown;
}

}  // namespace qualtren
