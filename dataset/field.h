// Field objects: one per field of a dataset, reading and writing the current
// record's value through the dataset in the field type's native form.
//
// Native forms: strings, memos, blobs, GUIDs and byte fields as their bytes
// (var bytes with a 2-byte length in front), wide strings as UTF-16LE bytes,
// integers little-endian in their width (a large integer in 8 bytes, or 4
// when its store holds it in 4), floats and currency as 8-byte doubles, BCD as
// an 8-byte count of ten-thousandths, dates as a 4-byte day number (0001-01-01
// is day 1), times as 4-byte milliseconds since midnight, date-times as an
// 8-byte double of milliseconds since 0001-01-01, FmtBCD as the 34-byte
// packed record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/datetime.h"
#include "dataset/field_type.h"
#include "dataset/variant.h"

namespace qualtren {

class TDataSet;

class TField {
 public:
  TField(TFieldType type, std::string fieldName, int size = 0);
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string name) { fieldName_ = std::move(name); }
  const std::string& DisplayName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  int Precision() const { return precision_; }
  void SetPrecision(int p) { precision_ = p; }
  TFieldKind FieldKind() const { return kind_; }
  void SetFieldKind(TFieldKind k) { kind_ = k; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool Required() const { return required_; }
  void SetRequired(bool v) { required_ = v; }
  // 1-based number of the store's field that the field is bound to; 0 unbound.
  int FieldNo() const { return fieldNo_; }
  void SetFieldNo(int n) { fieldNo_ = n; }
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* ds) { dataSet_ = ds; }

  // The native bytes of the current value; false for null.
  bool GetData(std::string& out) const;
  // Stores native bytes (nullptr: null). The dataset must be in edit or
  // insert state and the field writable.
  void SetData(const std::string* native);

  bool IsNull() const;
  void Clear() { SetData(nullptr); }

  std::string AsString() const;
  void SetAsString(std::string_view text);
  int32_t AsInteger() const { return static_cast<int32_t>(AsLargeInt()); }
  void SetAsInteger(int32_t v) { SetAsLargeInt(v); }
  int64_t AsLargeInt() const;
  void SetAsLargeInt(int64_t v);
  double AsFloat() const;
  void SetAsFloat(double v);
  bool AsBoolean() const;
  void SetAsBoolean(bool v);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime v);
  std::u16string AsWideString() const;
  void SetAsWideString(std::u16string_view v);
  // Bytes of a bytes, var bytes or blob value (var bytes without the length).
  std::string AsBytes() const;
  void SetAsBytes(std::string_view v);
  // The value as a variant (null, text, integer, double, boolean, date-time).
  Variant AsVariant() const;
  void SetAsVariant(const Variant& v);

  /// The native form of the field's type (see dataset/field_type.h).
  TValueForm Form() const;
  bool IsInteger() const;
  bool IsStringType() const;
  bool IsBlobType() const { return dataType_ == ftBlob || dataType_ == ftMemo; }

 private:
  void CheckWritable() const;
  // The current value: `none` for null, a variant field's value converted by
  // `fromVariant`, else `fromNative` of the native bytes.
  template <typename T, typename FromNative>
  T Read(T none, T (Variant::*fromVariant)() const, FromNative fromNative) const {
    if (dataType_ == ftVariant) {
      const Variant v = AsVariant();
      return v.IsNull() ? none : (v.*fromVariant)();
    }
    std::string b;
    if (!GetData(b)) return none;
    return fromNative(b);
  }

  std::string fieldName_;
  TFieldType dataType_;
  int size_ = 0;
  int precision_ = 0;
  TFieldKind kind_ = TFieldKind::fkData;
  bool readOnly_ = false;
  bool required_ = false;
  int fieldNo_ = 0;
  TDataSet* dataSet_ = nullptr;
};

// Creates the field object that a dataset uses for a field type.
std::unique_ptr<TField> CreateField(TFieldType type, const std::string& name, int size);

}  // namespace qualtren
