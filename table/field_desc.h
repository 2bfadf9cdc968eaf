// Field descriptors of the record store: one per field, with the internal
// type, where the value stands in the record and how many bytes it takes;
// the descriptor of a field type by the field-type rules.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/name_index.h"
#include "dataset/field_type.h"

namespace qualtren {

enum class TFieldDescKind : uint8_t { Data, Calculated };

struct TFieldDesc {
  std::string Name;
  std::string ActualName;
  uint16_t DataType = dtUnknown;  // a TInternalType
  int Length = 0;
  int Scale = 0;
  int FieldNo = 0;     // 1-based
  int Size = 0;        // bytes of the value in the record
  int Offset = 0;      // where the value starts in the record
  int NullOffset = 0;  // where its null indicator byte stands
  bool Required = false;
  bool Fixed = false;
  bool ReadOnly = false;
  bool Hidden = false;
  TFieldDescKind Kind = TFieldDescKind::Data;
};

class TFieldDescs {
 public:
  size_t Count() const { return items_.size(); }
  TFieldDesc& operator[](size_t i) { return *items_[i]; }
  const TFieldDesc& operator[](size_t i) const { return *items_[i]; }
  // Finds a descriptor by name ignoring case (locale case-insensitive).
  TFieldDesc* Find(std::string_view name) const;
  TFieldDesc& Add(std::unique_ptr<TFieldDesc> desc) {
    items_.push_back(std::move(desc));
    return *items_.back();
  }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TFieldDesc>> items_;
};

/// The names of the descriptors, for many lookups in a row that find what
/// Find finds; it serves while the descriptors stay as they are.
TNameIndex DescNameIndex(const TFieldDescs& descs);

/// Raises the store's error for a field type that a table cannot hold.
[[noreturn]] void UnsupportedFieldType();

/// Sets the internal type, the bytes in the record, the length and the scale
/// of a descriptor for a field type with the definition's size and
/// precision; raises for a type that a table cannot hold and for a size
/// beyond what a table file can describe.
void DescribeFieldType(TFieldDesc& desc, TFieldType type, int size, int precision);

/// The field type that the store reports for an internal type (ftUnknown
/// for one that a table never creates).
TFieldType ReportedFieldType(uint16_t internalType);

}  // namespace qualtren
