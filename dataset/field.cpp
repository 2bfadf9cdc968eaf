// Field objects: conversions between native value bytes and the typed
// getters and setters.
#include "dataset/field.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"
#include "base/utf.h"
#include "dataset/bcd.h"
#include "dataset/dataset.h"
#include "dataset/native_bytes.h"

namespace qualtren {

namespace {

using F = TValueForm;

int64_t ParseInteger(std::string_view text) {
  if (text.empty()) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') negative = text[i++] == '-';
  if (i == text.size()) throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  uint64_t v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9' || v > (std::numeric_limits<uint64_t>::max() - 9) / 10)
      throw EConvertError(Format("'%s' is not a valid integer value", {text}));
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0))
    throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

void CheckRange(int64_t v, int64_t lo, int64_t hi) {
  if (v < lo || v > hi)
    throw EConvertError(Format("%s is not a valid value for field. The allowed range is %s to %s",
                               {std::to_string(v), std::to_string(lo), std::to_string(hi)}));
}

}  // namespace

TField::TField(TFieldType type, std::string fieldName, int size)
    : fieldName_(std::move(fieldName)), dataType_(type), size_(size) {}

std::unique_ptr<TField> CreateField(TFieldType type, const std::string& name, int size) {
  return std::make_unique<TField>(type, name, size);
}

TValueForm TField::Form() const {
  return FieldTypeRule(dataType_).Form;
}

bool TField::IsInteger() const {
  return FieldTypeRule(dataType_).IsInteger();
}

bool TField::IsStringType() const {
  return Form() == F::Text || Form() == F::WideText;
}

bool TField::GetData(std::string& out) const {
  if (!dataSet_) return false;
  return dataSet_->GetFieldData(*this, &out);
}

bool TField::IsNull() const {
  if (!dataSet_) return true;
  if (dataType_ == ftVariant) return dataSet_->GetFieldVariant(*this).IsNull();
  return !dataSet_->GetFieldData(*this, nullptr);
}

void TField::CheckWritable() const {
  if (!dataSet_) throw EDatabaseError(Format("Field '%s' has no dataset", {fieldName_}));
  bool calculating = dataSet_->State() == TDataSetState::dsCalcFields &&
                     (kind_ == TFieldKind::fkCalculated || kind_ == TFieldKind::fkInternalCalc);
  if (!calculating && dataSet_->State() != TDataSetState::dsEdit &&
      dataSet_->State() != TDataSetState::dsInsert)
    DatabaseError("Dataset not in edit or insert mode", dataSet_->Name());
  if (readOnly_) throw EDatabaseError(Format("Field '%s' cannot be modified", {DisplayName()}));
}

void TField::SetData(const std::string* native) {
  CheckWritable();
  dataSet_->SetFieldData(*this, native);
}

// ---------------------------------------------------------------- reading

std::string TField::AsString() const {
  return Read<std::string>({}, &Variant::ToString, [this](std::string& b) -> std::string {
    if (IsInteger()) return std::to_string(AsLargeInt());
    switch (Form()) {
      case F::VarBytes:
        return b.size() >= 2 ? b.substr(2) : std::string();
      case F::WideText:
        return Utf16ToAnsi(Utf16FromBytes(b));
      case F::Boolean:
        return FromNativeBytes<uint16_t>(b) != 0 ? "True" : "False";
      case F::Float:
      case F::Currency:
        return FloatToStr(FromNativeBytes<double>(b));
      case F::Bcd:
        return CurrencyToDecimalText(FromNativeBytes<int64_t>(b));
      case F::FmtBcd:
        return FmtBcdToDecimalText(b);
      case F::Date:
        return DateToStr(AsDateTime());
      case F::Time:
        return TimeToStr(AsDateTime());
      case F::DateTime:
        return DateTimeToStr(AsDateTime());
      default:
        return b;
    }
  });
}

int64_t TField::AsLargeInt() const {
  return Read<int64_t>(0, &Variant::ToInt64, [this](std::string& b) -> int64_t {
    switch (Form()) {
      case F::Int16:
        return FromNativeBytes<int16_t>(b);
      case F::UInt16:
        return FromNativeBytes<uint16_t>(b);
      case F::Boolean:
        return FromNativeBytes<uint16_t>(b) != 0 ? 1 : 0;
      case F::Int32:
        return FromNativeBytes<int32_t>(b);
      case F::Int64:
        return b.size() >= 8 ? FromNativeBytes<int64_t>(b) : FromNativeBytes<int32_t>(b);
      case F::Float:
      case F::Currency:
        return static_cast<int64_t>(std::llround(FromNativeBytes<double>(b)));
      case F::Bcd:
        return FromNativeBytes<int64_t>(b) / 10000;
      default:
        return Variant::Text(AsString()).ToInt64();
    }
  });
}

double TField::AsFloat() const {
  return Read<double>(0, &Variant::ToDouble, [this](std::string& b) -> double {
    if (IsInteger()) return static_cast<double>(AsLargeInt());
    switch (Form()) {
      case F::Float:
      case F::Currency:
        return FromNativeBytes<double>(b);
      case F::Bcd:
        return static_cast<double>(FromNativeBytes<int64_t>(b)) / 10000.0;
      case F::FmtBcd:
        return FmtBcdToDouble(b);
      case F::Date:
      case F::Time:
      case F::DateTime:
        return AsDateTime();
      default:
        return Variant::Text(AsString()).ToDouble();
    }
  });
}

bool TField::AsBoolean() const {
  return Read<bool>(false, &Variant::ToBool, [this](std::string& b) {
    if (Form() == F::Boolean) return FromNativeBytes<uint16_t>(b) != 0;
    return Variant::Text(AsString()).ToBool();
  });
}

TDateTime TField::AsDateTime() const {
  return Read<TDateTime>(0, &Variant::ToDateTime, [this](std::string& b) -> TDateTime {
    switch (Form()) {
      case F::Date:
        return TimeStampToDateTime({0, FromNativeBytes<int32_t>(b)});
      case F::Time:
        return TimeStampToDateTime({FromNativeBytes<int32_t>(b), kDateDelta});
      case F::DateTime:
        return TimeStampToDateTime(MSecsToTimeStamp(FromNativeBytes<double>(b)));
      default:
        return Variant::Text(AsString()).ToDateTime();
    }
  });
}

std::u16string TField::AsWideString() const {
  if (dataType_ != ftWideString) return AnsiToUtf16(AsString());
  std::string b;
  if (!GetData(b)) return {};
  return Utf16FromBytes(b);
}

std::string TField::AsBytes() const {
  std::string b;
  if (!GetData(b)) return {};
  if (dataType_ == ftVarBytes) return b.size() >= 2 ? b.substr(2) : std::string();
  return b;
}

Variant TField::AsVariant() const {
  if (dataType_ == ftVariant) return dataSet_ ? dataSet_->GetFieldVariant(*this) : Variant();
  if (IsNull()) return {};
  if (IsInteger()) return Variant::Integer(AsLargeInt());
  switch (Form()) {
    case F::Boolean:
      return Variant::Boolean(AsBoolean());
    case F::Float:
    case F::Currency:
    case F::Bcd:
    case F::FmtBcd:
      return Variant::Double(AsFloat());
    case F::Date:
    case F::Time:
    case F::DateTime:
      return Variant::DateTime(AsDateTime());
    default:
      return Variant::Text(AsString());
  }
}

// ---------------------------------------------------------------- writing

void TField::SetAsString(std::string_view text) {
  switch (Form()) {
    case F::Text: {
      std::string v(text);
      if (size_ > 0 && v.size() > static_cast<size_t>(size_)) v.resize(static_cast<size_t>(size_));
      SetData(&v);
      return;
    }
    case F::Blob:
    case F::Bytes:
    case F::VarBytes:
      SetAsBytes(text);
      return;
    case F::WideText:
      SetAsWideString(AnsiToUtf16(text));
      return;
    case F::Variant:
      SetAsVariant(Variant::Text(std::string(text)));
      return;
    default:
      break;
  }
  if (text.empty()) {
    SetData(nullptr);
    return;
  }
  switch (Form()) {
    case F::Boolean: {
      std::string up = AnsiUpperCase(text);
      if (up == "TRUE" || up == "T" || up == "YES" || up == "Y")
        SetAsBoolean(true);
      else if (up == "FALSE" || up == "F" || up == "NO" || up == "N")
        SetAsBoolean(false);
      else
        throw EConvertError(Format("'%s' is not a valid boolean value", {text}));
      return;
    }
    case F::Float:
    case F::Currency: {
      double d;
      if (!TryStrToFloat(text, d, FormatSettings().DecimalSeparator))
        throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
      SetAsFloat(d);
      return;
    }
    case F::Bcd: {
      std::string b = ToNativeBytes<int64_t>(DecimalTextToCurrency(text));
      SetData(&b);
      return;
    }
    case F::FmtBcd: {
      std::string b = DecimalTextToFmtBcd(text, precision_, size_);
      SetData(&b);
      return;
    }
    case F::Date:
    case F::Time:
    case F::DateTime: {
      double dt;
      if (!TryStrToDateTime(text, dt))
        throw EConvertError(Format("'%s' is not a valid date and time", {text}));
      SetAsDateTime(dt);
      return;
    }
    default:
      if (IsInteger()) {
        SetAsLargeInt(ParseInteger(text));
        return;
      }
      throw EDatabaseError(Format("Field '%s' cannot be assigned from text", {fieldName_}));
  }
}

void TField::SetAsLargeInt(int64_t v) {
  std::string b;
  switch (Form()) {
    case F::Int16:
      CheckRange(v, -32768, 32767);
      b = ToNativeBytes<int16_t>(static_cast<int16_t>(v));
      break;
    case F::UInt16:
      CheckRange(v, 0, 65535);
      b = ToNativeBytes<uint16_t>(static_cast<uint16_t>(v));
      break;
    case F::Int32:
      CheckRange(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
      b = ToNativeBytes<int32_t>(static_cast<int32_t>(v));
      break;
    case F::Int64:
      b = ToNativeBytes<int64_t>(v);
      break;
    case F::Boolean:
      SetAsBoolean(v != 0);
      return;
    case F::Float:
    case F::Currency:
    case F::Date:
    case F::Time:
    case F::DateTime:
      SetAsFloat(static_cast<double>(v));
      return;
    case F::Bcd:
      b = ToNativeBytes<int64_t>(v * 10000);
      break;
    default:
      SetAsString(std::to_string(v));
      return;
  }
  SetData(&b);
}

void TField::SetAsFloat(double v) {
  std::string b;
  switch (Form()) {
    case F::Float:
    case F::Currency:
      b = ToNativeBytes<double>(v);
      break;
    case F::Bcd:
      b = ToNativeBytes<int64_t>(static_cast<int64_t>(std::llround(v * 10000.0)));
      break;
    case F::Date:
    case F::Time:
    case F::DateTime:
      SetAsDateTime(v);
      return;
    default:
      if (IsInteger()) {
        SetAsLargeInt(static_cast<int64_t>(std::llround(v)));
        return;
      }
      // FmtBCD and the text types take the number's text.
      SetAsString(FloatToStr(v));
      return;
  }
  SetData(&b);
}

void TField::SetAsBoolean(bool v) {
  if (Form() == F::Boolean) {
    std::string b = ToNativeBytes<uint16_t>(v ? 1 : 0);
    SetData(&b);
    return;
  }
  if (IsInteger()) {
    SetAsLargeInt(v ? 1 : 0);
    return;
  }
  SetAsString(v ? "True" : "False");
}

void TField::SetAsDateTime(TDateTime v) {
  TTimeStamp ts = DateTimeToTimeStamp(v);
  std::string b;
  switch (Form()) {
    case F::Date:
      b = ToNativeBytes<int32_t>(ts.Date);
      break;
    case F::Time:
      b = ToNativeBytes<int32_t>(ts.Time);
      break;
    case F::DateTime:
      b = ToNativeBytes<double>(TimeStampToMSecs(ts));
      break;
    default:
      SetAsString(DateTimeToStr(v));
      return;
  }
  SetData(&b);
}

void TField::SetAsWideString(std::u16string_view v) {
  if (dataType_ != ftWideString) {
    SetAsString(Utf16ToAnsi(v));
    return;
  }
  std::u16string s(v);
  if (size_ > 0 && s.size() > static_cast<size_t>(size_)) s.resize(static_cast<size_t>(size_));
  std::string b = Utf16ToBytes(s);
  SetData(&b);
}

void TField::SetAsBytes(std::string_view v) {
  std::string b;
  if (dataType_ == ftVarBytes) {
    size_t n = v.size();
    if (size_ > 0 && n > static_cast<size_t>(size_)) n = static_cast<size_t>(size_);
    b.push_back(static_cast<char>(n & 0xFF));
    b.push_back(static_cast<char>((n >> 8) & 0xFF));
    b.append(v.substr(0, n));
  } else if (dataType_ == ftBytes) {
    b.assign(v);
    if (size_ > 0) b.resize(static_cast<size_t>(size_), '\0');
  } else {
    b.assign(v);
  }
  SetData(&b);
}

void TField::SetAsVariant(const Variant& v) {
  if (dataType_ == ftVariant) {
    CheckWritable();
    dataSet_->SetFieldVariant(*this, v);
    return;
  }
  if (v.IsNull()) {
    SetData(nullptr);
    return;
  }
  switch (v.kind()) {
    case Variant::Kind::Text:
      SetAsString(v.TextRef());
      return;
    case Variant::Kind::Integer:
      SetAsLargeInt(v.ToInt64());
      return;
    case Variant::Kind::Double:
      if (Form() == F::FmtBcd || Form() == F::Bcd)
        SetAsString(FloatToStr(v.ToDouble()));
      else
        SetAsFloat(v.ToDouble());
      return;
    case Variant::Kind::Boolean:
      SetAsBoolean(v.ToBool());
      return;
    case Variant::Kind::DateTime:
      SetAsDateTime(v.ToDateTime());
      return;
    case Variant::Kind::Null:
      return;
  }
}

}  // namespace qualtren
