// The value codec of the record store: field values between the bytes of a
// record and the dataset's native forms and variants, with blob and variant
// values held in slots beside the records.
#include <algorithm>
#include <cstring>

#include "base/datetime.h"
#include "base/utf.h"
#include "dataset/bcd.h"
#include "dataset/native_bytes.h"
#include "table/record_data.h"

namespace qualtren {

namespace {

template <typename T>
T Load(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

template <typename T>
void Store(uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof(T));
}

template <typename T>
void ToNative(std::string* out, T v) {
  if (out) *out = ToNativeBytes(v);
}

// A text field holds its characters (bytes, or 16-bit units of a wide
// string) followed by zeros up to its end, so that a write clears only what
// the old text took: writing or emptying a field costs its texts, not its
// size.
bool IsTextType(uint16_t type) {
  return type == dtString || type == dtGuid || type == dtFixedChar || type == dtWideString;
}

size_t TextUnitBytes(uint16_t type) {
  return type == dtWideString ? 2 : 1;
}

// The units before the first zero unit, at most `max`.
size_t TextUnits(const uint8_t* p, size_t max, size_t unit) {
  size_t n = 0;
  if (unit == 1) {
    const void* zero = std::memchr(p, 0, max);
    return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : max;
  }
  while (n < max && (p[2 * n] != 0 || p[2 * n + 1] != 0))
    ++n;
  return n;
}

void ClearText(uint8_t* p, const TFieldDesc& d) {
  const size_t unit = TextUnitBytes(d.DataType);
  std::memset(p, 0, TextUnits(p, static_cast<size_t>(d.Length), unit) * unit);
}

// Stores a text cut to the field's length and before any zero unit in it
// (which a reader would stop at anyway).
void PutText(uint8_t* p, const TFieldDesc& d, std::string_view v) {
  const size_t unit = TextUnitBytes(d.DataType);
  const size_t max = static_cast<size_t>(d.Length);
  const auto* src = reinterpret_cast<const uint8_t*>(v.data());
  const size_t n = TextUnits(src, std::min(v.size() / unit, max), unit);
  const size_t old = TextUnits(p, max, unit);
  std::memcpy(p, src, n * unit);
  if (old > n) std::memset(p + n * unit, 0, (old - n) * unit);
}

}  // namespace

size_t TBlob::Size() const {
  size_t n = 0;
  for (const auto& p : pieces_)
    n += p.size();
  return n;
}

std::string TBlob::Read() const {
  std::string out;
  out.reserve(Size());
  for (const auto& p : pieces_)
    out += p;
  return out;
}

void TBlob::Write(std::string_view bytes) {
  pieces_.clear();
  for (size_t pos = 0; pos < bytes.size(); pos += kPieceSize)
    pieces_.emplace_back(bytes.substr(pos, kPieceSize));
}

bool TData::GetNull(int fieldNo, const uint8_t* rec) const {
  return rec[fields_[static_cast<size_t>(fieldNo - 1)].NullOffset] != 0;
}

void TData::SetNull(int fieldNo, uint8_t* rec, bool isNull) const {
  rec[fields_[static_cast<size_t>(fieldNo - 1)].NullOffset] = isNull ? 1 : 0;
}

void TData::InitRecord(uint8_t* rec) const {
  std::memset(rec, 0, recordSize_);
  MarkAllNull(rec);
}

void TData::MarkAllNull(uint8_t* rec) const {
  for (size_t i = 0; i < fields_.Count(); ++i)
    if (fields_[i].Kind == TFieldDescKind::Data) rec[fields_[i].NullOffset] = 1;
}

void TData::ResetField(int fieldNo, uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (IsTextType(d.DataType))
    ClearText(rec + d.Offset, d);
  else
    std::memset(rec + d.Offset, 0, static_cast<size_t>(d.Size));
  rec[d.NullOffset] = 1;
}

bool TData::GetFieldText(int fieldNo, const uint8_t* rec, std::string_view& text) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return false;
  const char* p = reinterpret_cast<const char*>(rec + d.Offset);
  const size_t max = static_cast<size_t>(d.Length);
  const void* zero = std::memchr(p, 0, max);
  text = std::string_view(p, zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : max);
  return true;
}

bool TData::GetField(int fieldNo, const uint8_t* rec, std::string* out) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return false;
  if (!out) return true;
  const uint8_t* p = rec + d.Offset;
  switch (d.DataType) {
    case dtString:
    case dtGuid:
    case dtFixedChar: {
      size_t n = 0;
      size_t max = static_cast<size_t>(d.Length);
      while (n < max && p[n] != 0)
        ++n;
      out->assign(reinterpret_cast<const char*>(p), n);
      return true;
    }
    case dtWideString: {
      size_t n = 0;
      size_t max = static_cast<size_t>(d.Length);
      while (n < max && (p[2 * n] != 0 || p[2 * n + 1] != 0))
        ++n;
      out->assign(reinterpret_cast<const char*>(p), 2 * n);
      return true;
    }
    case dtDate:
      ToNative<int32_t>(out, DateTimeToTimeStamp(Load<double>(p)).Date);
      return true;
    case dtTime:
      ToNative<int32_t>(out, DateTimeToTimeStamp(Load<double>(p)).Time);
      return true;
    case dtDateTime:
      ToNative<double>(out, TimeStampToMSecs(DateTimeToTimeStamp(Load<double>(p))));
      return true;
    case dtVarBytes: {
      size_t n = std::min<size_t>(Load<uint16_t>(p), static_cast<size_t>(d.Length));
      out->assign(reinterpret_cast<const char*>(p), 2);
      Store<uint16_t>(reinterpret_cast<uint8_t*>(out->data()), static_cast<uint16_t>(n));
      out->append(reinterpret_cast<const char*>(p + 2), n);
      return true;
    }
    case dtBlob:
    case dtMemo: {
      const TBlob* b = GetBlob(fieldNo, rec);
      if (b)
        *out = b->Read();
      else
        out->clear();
      return true;
    }
    case dtVariant:
      *out = GetVariantValue(fieldNo, rec).ToString();
      return true;
    default:
      out->assign(reinterpret_cast<const char*>(p), static_cast<size_t>(d.Size));
      return true;
  }
}

void TData::PutField(int fieldNo, uint8_t* rec, const std::string* value) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  uint8_t* p = rec + d.Offset;
  if (!value) {
    if (d.DataType == dtBlob || d.DataType == dtMemo)
      Store<uint32_t>(p, 0);
    else if (d.DataType == dtVariant)
      Store<uint32_t>(p, 0);
    else if (IsTextType(d.DataType))
      ClearText(p, d);
    else
      std::memset(p, 0, static_cast<size_t>(d.Size));
    SetNull(fieldNo, rec, true);
    return;
  }
  const std::string& v = *value;
  switch (d.DataType) {
    case dtString:
    case dtGuid:
    case dtFixedChar:
    case dtWideString:
      PutText(p, d, v);
      break;
    case dtDate:
      Store<double>(p, TimeStampToDateTime({0, FromNativeBytes<int32_t>(v)}));
      break;
    case dtTime:
      Store<double>(p, TimeStampToDateTime({FromNativeBytes<int32_t>(v), kDateDelta}));
      break;
    case dtDateTime:
      Store<double>(p, TimeStampToDateTime(MSecsToTimeStamp(FromNativeBytes<double>(v))));
      break;
    case dtVarBytes: {
      size_t n = v.size() >= 2 ? std::min<size_t>(FromNativeBytes<uint16_t>(v), v.size() - 2) : 0;
      n = std::min(n, static_cast<size_t>(d.Length));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      Store<uint16_t>(p, static_cast<uint16_t>(n));
      std::memcpy(p + 2, v.data() + 2, n);
      break;
    }
    case dtBlob:
    case dtMemo: {
      TBlob blob;
      blob.Write(v);
      Store<uint32_t>(p, blobs_.Add(std::move(blob)));
      break;
    }
    case dtVariant:
      Store<uint32_t>(p, variants_.Add(Variant::Text(v)));
      break;
    default: {
      size_t n = std::min(v.size(), static_cast<size_t>(d.Size));
      std::memset(p, 0, static_cast<size_t>(d.Size));
      std::memcpy(p, v.data(), n);
      break;
    }
  }
  SetNull(fieldNo, rec, false);
}

void TData::PutFieldText(int fieldNo, uint8_t* rec, std::string_view text) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (!IsTextType(d.DataType)) {
    const std::string value(text);
    PutField(fieldNo, rec, &value);
    return;
  }
  PutText(rec + d.Offset, d, text);
  SetNull(fieldNo, rec, false);
}

Variant TData::GetFieldVariant(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (d.DataType == dtVariant) return GetVariantValue(fieldNo, rec);
  if (GetNull(fieldNo, rec)) return {};
  const uint8_t* p = rec + d.Offset;
  switch (d.DataType) {
    case dtShortint:
    case dtSmallint:
      return Variant::Integer(Load<int16_t>(p));
    case dtWord:
      return Variant::Integer(Load<uint16_t>(p));
    case dtInteger:
    case dtInt32Largeint:
      return Variant::Integer(Load<int32_t>(p));
    case dtLargeint:
      return Variant::Integer(Load<int64_t>(p));
    case dtBoolean:
      return Variant::Boolean(Load<uint16_t>(p) != 0);
    case dtFloat:
    case dtCurrency:
      return Variant::Double(Load<double>(p));
    case dtBCD:
      return Variant::Double(static_cast<double>(Load<int64_t>(p)) / 10000.0);
    case dtDate:
    case dtTime:
    case dtDateTime:
      return Variant::DateTime(Load<double>(p));
    case dtFMTBCD: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Double(FmtBcdToDouble(b));
    }
    case dtWideString: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(Utf16ToAnsi(Utf16FromBytes(b)));
    }
    case dtVarBytes: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(b.substr(2));
    }
    default: {
      std::string b;
      GetField(fieldNo, rec, &b);
      return Variant::Text(std::move(b));
    }
  }
}

Variant TData::GetVariantValue(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return {};
  uint32_t h = Load<uint32_t>(rec + d.Offset);
  const Variant* v = variants_.Get(h);
  return v ? *v : Variant();
}

void TData::PutVariantValue(int fieldNo, uint8_t* rec, const Variant& value) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (value.IsNull()) {
    Store<uint32_t>(rec + d.Offset, 0);
    SetNull(fieldNo, rec, true);
    return;
  }
  Store<uint32_t>(rec + d.Offset, variants_.Add(value));
  SetNull(fieldNo, rec, false);
}

const TBlob* TData::GetBlob(int fieldNo, const uint8_t* rec) const {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  if (GetNull(fieldNo, rec)) return nullptr;
  uint32_t h = Load<uint32_t>(rec + d.Offset);
  return blobs_.Get(h);
}

void TData::FreeChangedReferences(uint8_t* rec, const uint8_t* original) {
  for (size_t i = 0; i < fields_.Count(); ++i) {
    const TFieldDesc& d = fields_[i];
    if (d.Kind != TFieldDescKind::Data) continue;
    if (d.DataType != dtBlob && d.DataType != dtMemo && d.DataType != dtVariant) continue;
    if (original && Load<uint32_t>(original + d.Offset) == Load<uint32_t>(rec + d.Offset)) continue;
    FreeFieldReferences(d.FieldNo, rec);
  }
}

void TData::FreeFieldReferences(int fieldNo, uint8_t* rec) {
  const TFieldDesc& d = fields_[static_cast<size_t>(fieldNo - 1)];
  const bool blob = d.DataType == dtBlob || d.DataType == dtMemo;
  if (!blob && d.DataType != dtVariant) return;
  const uint32_t h = Load<uint32_t>(rec + d.Offset);
  if (h == 0) return;
  if (blob)
    blobs_.Release(h);
  else
    variants_.Release(h);
  Store<uint32_t>(rec + d.Offset, 0);
}

void TData::FreeRecordReferences(uint8_t* rec) {
  FreeChangedReferences(rec, nullptr);
}

}  // namespace qualtren
