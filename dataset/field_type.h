// The field type enumeration with the ordinals that table files store, the
// field kinds, the internal types of a record store, and the one table of
// rules that says what each field type means: how a field exchanges its
// value, how a record store holds it, and how table files carry it.
#pragma once

#include <cstdint>
#include <string>

namespace qualtren {

enum TFieldType : uint8_t {
  ftUnknown = 0,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};
constexpr int kFieldTypeCount = 38;

enum class TFieldKind : uint8_t { fkData = 0, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

/// Internal types of a record store: the data type of a field descriptor.
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

/// The native form in which a field exchanges its value with its dataset.
enum class TValueForm : uint8_t {
  None,      // a type whose values no dataset here holds
  Text,      // 8-bit text, cut to the field's size
  WideText,  // UTF-16 code units, cut to the field's size
  Bytes,     // exactly the field's size in bytes
  VarBytes,  // a 2-byte length, then the bytes
  Blob,      // any number of bytes (blobs, memos and their kin)
  Int16,
  UInt16,
  Int32,
  Int64,     // 8 bytes, or 4 when the store holds the value in 4
  Boolean,   // 2 bytes, 0 is false
  Float,     // an 8-byte double
  Currency,  // an 8-byte double
  Bcd,       // an 8-byte count of ten-thousandths
  FmtBcd,    // the 34-byte packed decimal record
  Date,      // a 4-byte day number, 0001-01-01 is day 1
  Time,      // 4-byte milliseconds since midnight
  DateTime,  // an 8-byte double of milliseconds since 0001-01-01
  Variant,   // a variant value held beside the record
};

/// How many bytes of a record a value takes, given the definition's size S
/// and precision P.
enum class TRecordBytes : uint8_t {
  Fixed,            // the rule's FixedBytes
  Size,             // S
  SizeAndZero,      // S + 1: the text and a zero byte
  LengthAndSize,    // S + 2: a 2-byte length, then the bytes
  WideSizeAndZero,  // 2 S + 2: UTF-16 units and a zero unit
  PackedPrecision,  // P + 2 when P > 33, else 34
};

/// How a binary table image carries a value to its field object.
enum class TImageValue : uint8_t {
  Text,      // the bytes assigned as ANSI text
  WideText,  // the bytes assigned as UTF-16LE text
  VarBytes,  // the payload; the loader puts the 2-byte length back
  Storage,   // the bytes handed over as the field's native value
};

/// What one field type means.
struct TFieldTypeRule {
  TFieldType Type = ftUnknown;
  const char* Name = nullptr;  // "ftString"
  const char* ListedAs =
      nullptr;  // its name in the store's list of valid types; nullptr: not listed
  TValueForm Form = TValueForm::None;
  // The store's internal type; dtUnknown for a type that a table cannot hold.
  TInternalType Internal = dtUnknown;
  TRecordBytes Bytes = TRecordBytes::Fixed;
  uint8_t FixedBytes = 0;
  bool LengthFromSize = false;       // the descriptor's length is S
  bool LengthFromPrecision = false;  // the descriptor's length is P
  bool ScaleFromSize = false;        // the descriptor's scale is S
  // A narrower internal form for precisions 1 to NarrowUpTo (0: none), with
  // its own bytes in the record; its length is P.
  TInternalType Narrow = dtUnknown;
  uint8_t NarrowBytes = 0;
  uint8_t NarrowUpTo = 0;
  // Table files carry the definition's precision (the binary form from
  // version 3 on, the XML form as rs:precision).
  bool PrecisionInFile = false;
  // The XML form gives the definition's size in dt:maxlength.
  bool SizeFromMaxLength = false;
  TImageValue Image = TImageValue::Storage;
  // The value's bytes in a binary image, 0 when they vary (the narrow form,
  // where there is one, takes NarrowBytes).
  uint8_t ImageBytes = 0;

  /// Whether a table can hold fields of this type.
  bool Stored() const { return Internal != dtUnknown; }
  bool IsInteger() const {
    return Form == TValueForm::Int16 || Form == TValueForm::UInt16 || Form == TValueForm::Int32 ||
           Form == TValueForm::Int64;
  }
};

/// The rule of a field type; an ordinal beyond the enumeration gets the
/// rule of ftUnknown.
const TFieldTypeRule& FieldTypeRule(int type);

/// The field types a table holds, by the names of the store's list of
/// valid types ("String, WideString, ..."), in that list's order.
const std::string& ListedStoredTypes();

/// "ftString", "ftInteger", ...; "ft?" followed by the number beyond the enumeration.
std::string FieldTypeName(int type);

}  // namespace qualtren
