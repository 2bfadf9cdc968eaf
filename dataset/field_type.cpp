// The table of field-type rules, and the names of the field types.
#include "dataset/field_type.h"

#include <array>

namespace qualtren {

namespace {

using F = TValueForm;
using B = TRecordBytes;

constexpr const char* kNames[kFieldTypeCount] = {
    "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
    "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
    "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
    "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
    "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
    "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
    "ftTimeStamp",  "ftFMTBcd"};

using R = TFieldTypeRule;
using I = TImageValue;

// A rule under construction: a type that no table holds, changed step by step.
struct Row {
  R r;

  constexpr Row(TFieldType type, F form) : r{.Type = type, .Form = form} {}
  template <typename Change>
  constexpr Row With(Change change) const {
    Row copy = *this;
    change(copy.r);
    return copy;
  }
  // Held in `fixedBytes` of the record (or as `bytes` says), listed by name.
  constexpr Row Held(TInternalType internal, const char* listedAs, uint8_t fixedBytes,
                     B bytes = B::Fixed) const {
    return With([=](R& x) {
      x.Internal = internal, x.ListedAs = listedAs, x.FixedBytes = fixedBytes, x.Bytes = bytes;
    });
  }
  constexpr Row LengthIsSize() const {
    return With([](R& x) { x.LengthFromSize = true; });
  }
  constexpr Row LengthIsPrecision() const {
    return With([](R& x) { x.LengthFromPrecision = true; });
  }
  constexpr Row ScaleIsSize() const {
    return With([](R& x) { x.ScaleFromSize = true; });
  }
  constexpr Row Narrow(TInternalType internal, uint8_t bytes, uint8_t upTo) const {
    return With([=](R& x) { x.Narrow = internal, x.NarrowBytes = bytes, x.NarrowUpTo = upTo; });
  }
  constexpr Row FilePrecision() const {
    return With([](R& x) { x.PrecisionInFile = true; });
  }
  constexpr Row XmlSize() const {
    return With([](R& x) { x.SizeFromMaxLength = true; });
  }
  constexpr Row Image(I image, uint8_t bytes = 0) const {
    return With([=](R& x) { x.Image = image, x.ImageBytes = bytes; });
  }
};

// A value of fixed width whose precision the files carry.
constexpr Row Number(TFieldType type, F form, TInternalType internal, const char* listedAs,
                     uint8_t bytes) {
  return Row(type, form).Held(internal, listedAs, bytes).FilePrecision().Image(I::Storage, bytes);
}

// Text or bytes whose length is the definition's size.
constexpr Row Sized(TFieldType type, F form, TInternalType internal, const char* listedAs,
                    B bytes) {
  return Row(type, form).Held(internal, listedAs, 0, bytes).LengthIsSize().XmlSize();
}

// Every type with more than the defaults of Row. The types a table holds
// come first, in the order of the store's list of valid types.
constexpr Row kRows[] = {
    Sized(ftString, F::Text, dtString, "String", B::SizeAndZero).Image(I::Text),
    Sized(ftWideString, F::WideText, dtWideString, "WideString", B::WideSizeAndZero)
        .Image(I::WideText),
    Number(ftSmallint, F::Int16, dtSmallint, "Smallint", 2).Narrow(dtShortint, 2, 4),
    Number(ftInteger, F::Int32, dtInteger, "Integer", 4),
    Row(ftWord, F::UInt16).Held(dtWord, "Word", 2).Image(I::Storage, 2),
    Row(ftBoolean, F::Boolean).Held(dtBoolean, "Boolean", 2).Image(I::Storage, 2),
    Number(ftLargeint, F::Int64, dtLargeint, "Largeint", 8).Narrow(dtInt32Largeint, 4, 10),
    Number(ftFloat, F::Float, dtFloat, "Float", 8).LengthIsPrecision(),
    Number(ftCurrency, F::Currency, dtCurrency, "Currency", 8),
    Number(ftDate, F::Date, dtDate, "Date", 8).LengthIsPrecision(),
    Number(ftTime, F::Time, dtTime, "Time", 8).LengthIsPrecision(),
    Number(ftDateTime, F::DateTime, dtDateTime, "DateTime", 8).LengthIsPrecision(),
    Row(ftBlob, F::Blob).Held(dtBlob, "Blob", 4).XmlSize().Image(I::Text),
    Row(ftMemo, F::Blob).Held(dtMemo, "Memo", 4).XmlSize().Image(I::Text),
    Sized(ftGuid, F::Text, dtGuid, "Guid", B::SizeAndZero),
    Row(ftBCD, F::Bcd)
        .Held(dtBCD, "Bcd", 8)
        .LengthIsPrecision()
        .ScaleIsSize()
        .XmlSize()
        .Image(I::Storage, 8),
    Row(ftFMTBcd, F::FmtBcd)
        .Held(dtFMTBCD, "FmtBcd", 0, B::PackedPrecision)
        .LengthIsPrecision()
        .ScaleIsSize()
        .XmlSize(),
    Sized(ftBytes, F::Bytes, dtBytes, "Bytes", B::Size),
    Sized(ftVarBytes, F::VarBytes, dtVarBytes, "VarBytes", B::LengthAndSize).Image(I::VarBytes),
    Row(ftVariant, F::Variant).Held(dtVariant, "Variant", 4).XmlSize(),
    // Held like ftInteger, and therefore reported back as ftInteger; not listed.
    Row(ftAutoInc, F::Int32).Held(dtInteger, nullptr, 4).Image(I::Storage, 4),
    // Types that a table refuses (ftFixedChar too, although the store has a
    // type for it), with the forms their fields still have.
    Row(ftGraphic, F::Blob),
    Row(ftFmtMemo, F::Blob),
    Row(ftTypedBinary, F::Blob),
    Row(ftFixedChar, F::Text).XmlSize(),
    Row(ftTimeStamp, F::None).XmlSize(),
};

constexpr std::array<TFieldTypeRule, kFieldTypeCount> kRules = [] {
  std::array<TFieldTypeRule, kFieldTypeCount> rules{};
  for (int t = 0; t < kFieldTypeCount; ++t)
    rules[static_cast<size_t>(t)].Type = static_cast<TFieldType>(t);
  for (const Row& row : kRows)
    rules[row.r.Type] = row.r;
  for (int t = 0; t < kFieldTypeCount; ++t)
    rules[static_cast<size_t>(t)].Name = kNames[t];
  return rules;
}();

}  // namespace

const TFieldTypeRule& FieldTypeRule(int type) {
  return kRules[static_cast<size_t>(type >= 0 && type < kFieldTypeCount ? type : ftUnknown)];
}

const std::string& ListedStoredTypes() {
  static const std::string list = [] {
    std::string out;
    for (const Row& row : kRows) {
      if (!row.r.Stored() || row.r.ListedAs == nullptr) continue;
      if (!out.empty()) out += ", ";
      out += row.r.ListedAs;
    }
    return out;
  }();
  return list;
}

std::string FieldTypeName(int type) {
  if (type >= 0 && type < kFieldTypeCount) return kNames[type];
  return "ft?" + std::to_string(type);
}

}  // namespace qualtren
