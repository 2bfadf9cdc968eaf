// Turning a whole input into its working text and back: the mark taken off
// or put first, UTF-16 turned into UTF-8 and back, in pieces that may cut a
// sequence.
#include <cstring>

#include "base/text_encoding.h"
#include "base/text_encoding_utf16.h"
#include "base/utf.h"

namespace qualtren {
namespace textcoding {

void Utf16BytesToUtf8(const char* p, size_t n, bool le, char16_t& high, std::string& out) {
  const size_t old = out.size();
  // Three UTF-8 bytes at most for every two, and one U+FFFD more.
  out.resize(old + n / 2 * 3 + 3);
  char* d = out.data() + old;
  auto put = [&d](char32_t c) {
    if (c < 0x80) {
      *d++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *d++ = static_cast<char>(0xC0 | (c >> 6));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *d++ = static_cast<char>(0xE0 | (c >> 12));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *d++ = static_cast<char>(0xF0 | (c >> 18));
      *d++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *d++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  // Four units at a time while they are ASCII.
  const uint64_t notAscii = le ? 0xFF80FF80FF80FF80ull : 0x80FF80FF80FF80FFull;
  const size_t lowByte = le ? 0 : 1;
  for (size_t i = 0; i + 1 < n; i += 2) {
    if (high == 0) {
      while (i + 8 <= n) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        if (v & notAscii) break;
        for (size_t k = 0; k < 8; k += 2)
          *d++ = p[i + k + lowByte];
        i += 8;
      }
      if (i + 1 >= n) break;
    }
    const char16_t u = UnitAt(p + i, le);
    if (high != 0) {
      const char16_t h = high;
      high = 0;
      if (IsLowSurrogate(u)) {
        put(0x10000 + ((static_cast<char32_t>(h) - 0xD800) << 10) + (u - 0xDC00));
        continue;
      }
      put(0xFFFD);
    }
    if (IsHighSurrogate(u))
      high = u;
    else if (IsLowSurrogate(u))
      put(0xFFFD);
    else
      put(u);
  }
  out.resize(static_cast<size_t>(d - out.data()));
}

namespace {

// Whether `tail` is the start of a UTF-8 sequence that the end of a piece
// cut, so that the next piece may complete it.
bool IsCutSequence(std::string_view tail) {
  const uint8_t b = static_cast<uint8_t>(tail[0]);
  const size_t len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
  if (len == 1 || tail.size() >= len) return false;
  for (size_t k = 1; k < tail.size(); ++k)
    if ((static_cast<uint8_t>(tail[k]) & 0xC0) != 0x80) return false;
  return true;
}

}  // namespace

void Utf8ToUtf16Bytes(std::string_view s, bool le, std::string& out, std::string* rest) {
  const size_t old = out.size();
  // Never more than two bytes of UTF-16 for each byte of UTF-8.
  out.resize(old + 2 * s.size());
  char* d = out.data() + old;
  auto unit = [&d, le](char32_t u) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>((u >> 8) & 0xFF);
    *d++ = le ? lo : hi;
    *d++ = le ? hi : lo;
  };
  if (rest != nullptr) rest->clear();
  for (size_t i = 0; i < s.size();) {
    // Eight bytes at a time while they are ASCII.
    while (i + 8 <= s.size()) {
      uint64_t v;
      std::memcpy(&v, s.data() + i, 8);
      if (v & 0x8080808080808080ull) break;
      for (size_t k = 0; k < 8; ++k)
        unit(static_cast<uint8_t>(s[i + k]));
      i += 8;
    }
    if (i == s.size()) break;
    const uint8_t b = static_cast<uint8_t>(s[i]);
    if (b < 0x80) {
      unit(b);
      ++i;
      continue;
    }
    if (rest != nullptr && IsCutSequence(s.substr(i))) {
      rest->assign(s.substr(i));
      break;
    }
    bool wellFormed;
    char32_t c = DecodeUtf8(s, i, wellFormed);
    if (!wellFormed) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      unit(0xD800 + (c >> 10));
      unit(0xDC00 + (c & 0x3FF));
    } else {
      unit(c);
    }
  }
  out.resize(static_cast<size_t>(d - out.data()));
}

}  // namespace textcoding

using namespace textcoding;

std::string DecodeText(std::string_view bytes, const TTextForm& form) {
  const std::string_view mark = form.MarkBytes();
  if (bytes.substr(0, mark.size()) == mark) bytes.remove_prefix(mark.size());
  if (form.Encoding == TTextEncoding::Ansi || form.Encoding == TTextEncoding::Utf8)
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() / 2 + 16);
  char16_t high = 0;
  Utf16BytesToUtf8(bytes.data(), bytes.size(), LittleEndian(form.Encoding), high, out);
  if (high != 0 || bytes.size() % 2 != 0) AppendUtf8(out, 0xFFFD);
  return out;
}

std::string EncodeText(std::string_view text, const TTextForm& form) {
  std::string out(form.MarkBytes());
  if (form.Encoding == TTextEncoding::Ansi || form.Encoding == TTextEncoding::Utf8) {
    out.append(text);
    return out;
  }
  out.reserve(out.size() + 2 * text.size());
  Utf8ToUtf16Bytes(text, LittleEndian(form.Encoding), out, nullptr);
  return out;
}

}  // namespace qualtren
