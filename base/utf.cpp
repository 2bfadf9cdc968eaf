// Decoding and encoding UTF-8 and UTF-16, and the conversions to and from
// the active code page built on them.
#include "base/utf.h"

#include <cstring>

#include "base/codepage.h"

namespace qualtren {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

namespace {

// Decodes the character at i and moves i past it. A byte that does not start
// a well-formed sequence (overlong forms, surrogates and code points above
// U+10FFFF are not well-formed) is taken alone as the code point of its
// value, and well-formed is set to false.
char32_t NextUtf8(std::string_view s, size_t& i, bool& wellFormed) {
  uint8_t b0 = static_cast<uint8_t>(s[i]);
  size_t len = 0;
  char32_t c = 0, min = 0;
  wellFormed = false;
  if (b0 < 0x80) {
    ++i;
    wellFormed = true;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, c = b0 & 0x07, min = 0x10000;
  }
  if (len == 0 || i + len > s.size()) {
    ++i;
    return b0;
  }
  for (size_t k = 1; k < len; ++k) {
    uint8_t b = static_cast<uint8_t>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return b0;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++i;
    return b0;
  }
  i += len;
  wellFormed = true;
  return c;
}

}  // namespace

char32_t DecodeUtf8(std::string_view s, size_t& i, bool& wellFormed) {
  return NextUtf8(s, i, wellFormed);
}

namespace {

char32_t NextUtf8(std::string_view s, size_t& i) {
  bool wellFormed;
  return NextUtf8(s, i, wellFormed);
}

// Decodes the UTF-16 character at i and moves i past it; an unpaired
// surrogate gives ok = false.
char32_t NextUtf16(std::u16string_view s, size_t& i, bool& ok) {
  char16_t u = s[i++];
  ok = true;
  if (u >= 0xD800 && u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i] - 0xDC00);
    ++i;
    return c;
  }
  if (u >= 0xD800 && u <= 0xDFFF) ok = false;
  return u;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Appends the byte of a code point, or "?" (clearing lossless) when the code
// page has none.
void AppendAnsi(std::string& out, const TCodePageTable& d, char32_t c, bool ok, bool* lossless) {
  uint8_t b;
  if (ok && d.Encode(c, b)) {
    out += static_cast<char>(b);
  } else {
    out += '?';
    if (lossless != nullptr) *lossless = false;
  }
}

// Each byte of an ANSI text as its code point, encoded by `append`.
template <typename Out, typename Append>
Out FromAnsi(std::string_view ansi, Append append) {
  const TCodePageTable& d = ActiveCodePageTable();
  Out out;
  out.reserve(ansi.size());
  for (char c : ansi)
    append(out, d.ToUnicode[static_cast<uint8_t>(c)]);
  return out;
}

// A text decoded by `next` (which clears its ok for a character that is
// none) into ANSI text.
template <typename View, typename Next>
std::string ToAnsi(View text, bool* lossless, Next next) {
  const TCodePageTable& d = ActiveCodePageTable();
  if (lossless != nullptr) *lossless = true;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool ok;
    const char32_t c = next(text, i, ok);
    AppendAnsi(out, d, c, ok, lossless);
  }
  return out;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  return FromAnsi<std::string>(ansi, AppendUtf8);
}

std::string Utf8ToAnsi(std::string_view utf8, bool* lossless) {
  return ToAnsi(utf8, lossless, [](std::string_view s, size_t& i, bool& ok) {
    ok = true;
    return NextUtf8(s, i);
  });
}

std::u16string AnsiToUtf16(std::string_view ansi) {
  // Every code point of a code page is one UTF-16 unit.
  return FromAnsi<std::u16string>(
      ansi, [](std::u16string& out, char32_t c) { out += static_cast<char16_t>(c); });
}

std::string Utf16ToAnsi(std::u16string_view utf16, bool* lossless) {
  return ToAnsi(utf16, lossless, NextUtf16);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size();) {
    bool ok;
    char32_t c = NextUtf16(utf16, i, ok);
    AppendUtf8(out, ok ? c : 0xFFFD);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();)
    AppendUtf16(out, NextUtf8(utf8, i));
  return out;
}

bool IsAscii(std::string_view bytes) {
  const char* p = bytes.data();
  size_t n = bytes.size();
  uint64_t high = 0;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    high |= v;
  }
  for (; n > 0; ++p, --n)
    high |= static_cast<uint8_t>(*p);
  return (high & 0x8080808080808080ull) == 0;
}

bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi) {
  if (IsAscii(utf8)) {
    ansi.assign(utf8);
    return true;
  }
  const TCodePageTable& d = ActiveCodePageTable();
  ansi.resize(utf8.size());
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<uint8_t>(utf8[i]);
    // ASCII, and the two-byte characters that the letters of most code
    // pages are, straight from the tables.
    if (b0 < 0x80) {
      ansi[n++] = static_cast<char>(b0);
      ++i;
      continue;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < utf8.size() &&
        (static_cast<uint8_t>(utf8[i + 1]) & 0xC0) == 0x80) {
      const int16_t b = d.Low[((b0 & 0x1Fu) << 6) | (static_cast<uint8_t>(utf8[i + 1]) & 0x3Fu)];
      if (b < 0) return false;
      ansi[n++] = static_cast<char>(b);
      i += 2;
      continue;
    }
    bool wellFormed;
    const char32_t c = NextUtf8(utf8, i, wellFormed);
    uint8_t b;
    if (!wellFormed || !d.Encode(c, b)) return false;
    ansi[n++] = static_cast<char>(b);
  }
  ansi.resize(n);
  return true;
}

size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  for (const char c : utf8) {
    const uint8_t b = static_cast<uint8_t>(c);
    // Continuation bytes add nothing; a four-byte sequence is a surrogate pair.
    if ((b & 0xC0) != 0x80) ++units;
    if (b >= 0xF0 && b <= 0xF4) ++units;
  }
  return units;
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    bool wellFormed;
    NextUtf8(bytes, i, wellFormed);
    if (!wellFormed) return false;
  }
  return true;
}

std::u16string Utf16FromBytes(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

std::string Utf16ToBytes(std::u16string_view utf16) {
  std::string out(utf16.size() * 2, '\0');
  if (!out.empty()) std::memcpy(out.data(), utf16.data(), out.size());
  return out;
}

}  // namespace qualtren
