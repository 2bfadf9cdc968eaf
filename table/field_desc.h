// Field descriptors of the record store: one per field, with the internal
// type, where the value stands in the record and how many bytes it takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

// Internal types of the record store.
enum TInternalType : uint16_t {
  dtUnknown = 0,
  dtString = 1,
  dtShortint = 2,  // small integer whose definition has precision 1 to 4
  dtSmallint = 3,
  dtInteger = 4,
  dtFloat = 5,
  dtDate = 6,
  dtTime = 7,
  dtDateTime = 8,
  dtWord = 9,
  dtBoolean = 10,
  dtLargeint = 11,
  dtCurrency = 12,
  dtBlob = 13,
  dtMemo = 14,
  dtObject = 15,
  dtReference = 16,
  dtArray = 17,
  dtTable = 18,
  dtVariant = 19,
  dtFixedChar = 20,
  dtBytes = 21,
  dtVarBytes = 22,
  dtExtString = 23,
  dtInt32Largeint = 24,  // large integer held in 4 bytes (precision 1 to 10)
  dtWideString = 25,
  dtExtVarBytes = 26,
  dtBCD = 27,
  dtFMTBCD = 28,
  dtGuid = 29,
  dtExtWideString = 30,
};

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

}  // namespace qualtren
