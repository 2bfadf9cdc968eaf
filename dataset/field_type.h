// The field type enumeration with the ordinals that table files store, and
// the field kinds.
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

// "ftString", "ftInteger", ...; "ft?" followed by the number beyond the enumeration.
std::string FieldTypeName(int type);

enum class TFieldKind : uint8_t { fkData = 0, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

}  // namespace qualtren
