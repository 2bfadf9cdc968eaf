// The pieces of UTF-16 that the detection, the conversions and the stream
// adaptors of text_encoding share: reading a unit, telling surrogates, and
// turning UTF-16 bytes into UTF-8 and back in pieces. Inside base only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace qualtren::textcoding {

/// Bytes read from an input at a time.
inline constexpr size_t kBlock = 256u << 10;

inline bool LittleEndian(TTextEncoding e) {
  return e == TTextEncoding::Utf16LE;
}

/// The UTF-16 unit of the two bytes at `p`.
inline char16_t UnitAt(const char* p, bool le) {
  const auto a = static_cast<uint8_t>(p[0]), b = static_cast<uint8_t>(p[1]);
  return static_cast<char16_t>(le ? (a | (b << 8)) : ((a << 8) | b));
}

inline bool IsHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

/// UTF-16 bytes (whole units) appended to `out` as UTF-8, a surrogate pair
/// that a piece cuts carried in `high`; an unpaired surrogate becomes U+FFFD.
void Utf16BytesToUtf8(const char* p, size_t n, bool le, char16_t& high, std::string& out);

/// UTF-8 appended to `out` as UTF-16 bytes. A sequence that the end of the
/// piece cuts is left in `rest` (when given) for the next piece; a byte that
/// is no UTF-8 becomes U+FFFD.
void Utf8ToUtf16Bytes(std::string_view s, bool le, std::string& out, std::string* rest);

}  // namespace qualtren::textcoding
