// The ANSI code page of the process: its choice from the locale, the byte <->
// Unicode mapping, the upper-case table, the text conversions and the string
// collation. Everything derived from a code page is built once, on its first
// use, and kept for the whole run.
#include "base/codepage.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

#include "base/codepage_tables.h"
#include "base/exception.h"

namespace qualtren {

namespace {

// ---------------------------------------------------------------------------
// Locale names

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

// Splits "ll_TT.charset@modifier" into the language and the modifier.
void SplitLocaleName(std::string_view name, std::string& language, std::string& modifier,
                     std::string& territory) {
  size_t end = name.find_first_of("_.@");
  language = LowerAscii(name.substr(0, end));
  modifier.clear();
  territory.clear();
  size_t at = name.find('@');
  if (at != std::string_view::npos) {
    std::string_view m = name.substr(at + 1);
    modifier = LowerAscii(m.substr(0, m.find('.')));
  }
  size_t us = name.find('_');
  if (us != std::string_view::npos && (at == std::string_view::npos || us < at)) {
    std::string_view t = name.substr(us + 1);
    territory = LowerAscii(t.substr(0, t.find_first_of(".@")));
  }
}

// ---------------------------------------------------------------------------
// Unicode letter case and base letters for the scripts of the code pages

// Simple upper case (one code point to one) of the letters that the code
// pages hold: Latin-1, Latin Extended-A, the Vietnamese horned letters, Greek
// and Cyrillic. Every other code point is its own upper case.
char32_t SimpleUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  if (c < 0x100) {
    if (c == 0xB5) return 0x39C;
    if (c == 0xFF) return 0x178;
    if (c >= 0xE0 && c != 0xF7 && c != 0xFF) return c - 0x20;
    return c;
  }
  if (c <= 0x17F) {
    if (c == 0x131) return 'I';
    if (c == 0x17F) return 'S';
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178) return c;
    if (c <= 0x137 || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c - 1 : c;
    return (c & 1) ? c : c - 1;  // 0139-0148, 0179-017E: upper case on odd
  }
  switch (c) {
    case 0x192:
      return 0x191;
    case 0x1A1:
      return 0x1A0;
    case 0x1B0:
      return 0x1AF;
    case 0x3AC:
      return 0x386;
    case 0x3C2:
      return 0x3A3;
    case 0x3CC:
      return 0x38C;
    case 0x3CD:
      return 0x38E;
    case 0x3CE:
      return 0x38F;
    default:
      break;
  }
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) && (c & 1)) return c - 1;
  return c;
}

// Base letters of U+00C0..U+017F ('.' where the code point is no letter or
// is its own base); the ligatures and sharp s expand to two letters below.
constexpr std::string_view kLatinBase =
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUY.."   // 00C0
    "aaaaaaaceeeeiiiidnooooo.ouuuuy.y"   // 00E0
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGg"   // 0100
    "GgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"   // 0120
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSs"   // 0140
    "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";  // 0160

bool IsCombiningMark(char32_t c) {
  return (c >= 0x300 && c <= 0x36F) ||
         (c >= 0x591 && c <= 0x5C7 && c != 0x5BE && c != 0x5C0 && c != 0x5C3 && c != 0x5C6) ||
         (c >= 0x64B && c <= 0x65F) || c == 0x670 || c == 0xE31 || (c >= 0xE34 && c <= 0xE3A) ||
         (c >= 0xE47 && c <= 0xE4E);
}

bool IsLetter(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (c < 0x100) return c >= 0xC0 && c != 0xD7 && c != 0xF7;
  return (c <= 0x24F) || (c >= 0x386 && c <= 0x3FF && c != 0x387) ||
         (c >= 0x400 && c <= 0x52F && !(c >= 0x482 && c <= 0x489)) || (c >= 0x5D0 && c <= 0x5F2) ||
         (c >= 0x621 && c <= 0x64A && c != 0x640) || (c >= 0x671 && c <= 0x6D3) || c == 0x6D5 ||
         (c >= 0xE01 && c <= 0xE30) || c == 0xE32 || c == 0xE33 || (c >= 0xE40 && c <= 0xE46);
}

// The letter without its accents (upper and lower case kept).
char32_t BaseLetter(char32_t c) {
  if (c >= 0xC0 && c <= 0x17F) {
    char b = kLatinBase[c - 0xC0];
    return b == '.' ? c : static_cast<char32_t>(b);
  }
  switch (c) {
    case 0x1A0:
      return 'O';
    case 0x1A1:
      return 'o';
    case 0x1AF:
      return 'U';
    case 0x1B0:
      return 'u';
    case 0x386:
      return 0x391;
    case 0x388:
      return 0x395;
    case 0x389:
      return 0x397;
    case 0x38A:
    case 0x3AA:
      return 0x399;
    case 0x38C:
      return 0x39F;
    case 0x38E:
    case 0x3AB:
      return 0x3A5;
    case 0x38F:
      return 0x3A9;
    case 0x3AC:
      return 0x3B1;
    case 0x3AD:
      return 0x3B5;
    case 0x3AE:
      return 0x3B7;
    case 0x3AF:
    case 0x3CA:
    case 0x390:
      return 0x3B9;
    case 0x3C2:
      return 0x3C3;
    case 0x3CC:
      return 0x3BF;
    case 0x3CD:
    case 0x3CB:
    case 0x3B0:
      return 0x3C5;
    case 0x3CE:
      return 0x3C9;
    case 0x401:
      return 0x415;
    case 0x451:
      return 0x435;
    default:
      return c;
  }
}

// ---------------------------------------------------------------------------
// Collation keys

// Sorting compares texts on three levels, each over the whole text, and only
// goes to the next level when the texts are equal on this one:
//  1. primary: symbols and control characters (by code point) before digits
//     (by value) before letters (by their base letter ignoring case and
//     accents; Latin before Greek before Cyrillic and the other scripts, by
//     code point). Combining marks have no primary weight; the ligatures
//     and sharp s count as two letters (AE, OE, SS).
//  2. accents: per byte, 0 for an unaccented character, else the accented
//     letter's upper-case code point, so that a plain letter comes first;
//  3. case: per byte, lower case before upper case (not for AnsiCompareText).
// Texts still equal are finally ordered by their bytes (their upper-case
// bytes for AnsiCompareText), so that only equal texts compare equal.
struct CollationKey {
  uint32_t primary[2] = {0, 0};
  uint32_t accent = 0;
  uint8_t upper = 0;
};

constexpr uint32_t kClassSymbol = 1u << 24;
constexpr uint32_t kClassDigit = 2u << 24;
constexpr uint32_t kClassLetter = 3u << 24;

CollationKey MakeCollationKey(char32_t c, bool definedByte) {
  CollationKey k;
  if (!definedByte) {
    k.primary[0] = kClassSymbol | c;
    return k;
  }
  if (IsCombiningMark(c)) {
    k.accent = c;
    return k;
  }
  int digit = -1;
  if (c >= '0' && c <= '9') digit = static_cast<int>(c - '0');
  if (c >= 0xE50 && c <= 0xE59) digit = static_cast<int>(c - 0xE50);
  if (c == 0xB9) digit = 1;
  if (c == 0xB2) digit = 2;
  if (c == 0xB3) digit = 3;
  if (digit >= 0) {
    k.primary[0] = kClassDigit | static_cast<uint32_t>(digit);
    if (c > '9') k.accent = c;
    return k;
  }
  if (!IsLetter(c)) {
    k.primary[0] = kClassSymbol | c;
    return k;
  }
  k.upper = SimpleUpper(c) == c ? 1 : 0;
  switch (c) {
    case 0xC6:
    case 0xE6:
      k.primary[0] = kClassLetter | 'A';
      k.primary[1] = kClassLetter | 'E';
      k.accent = 0xC6;
      return k;
    case 0x152:
    case 0x153:
      k.primary[0] = kClassLetter | 'O';
      k.primary[1] = kClassLetter | 'E';
      k.accent = 0x152;
      return k;
    case 0xDF:
      k.primary[0] = kClassLetter | 'S';
      k.primary[1] = kClassLetter | 'S';
      k.accent = 0xDF;
      return k;
    default:
      break;
  }
  char32_t base = BaseLetter(c);
  k.primary[0] = kClassLetter | SimpleUpper(base);
  if (base != c) k.accent = SimpleUpper(c);
  return k;
}

// ---------------------------------------------------------------------------
// Per-code-page data

struct CodePageData {
  int number = 0;
  std::array<char32_t, 256> toUnicode{};
  std::array<bool, 256> defined{};
  std::array<uint8_t, 256> upper{};
  std::array<CollationKey, 256> collation{};
  // Code points of bytes 0x80-0xFF with their bytes, sorted by code point.
  std::array<std::pair<char32_t, uint8_t>, 128> reverse{};

  bool Encode(char32_t cp, uint8_t& byte) const {
    if (cp < 0x80) {
      byte = static_cast<uint8_t>(cp);
      return true;
    }
    auto it = std::lower_bound(reverse.begin(), reverse.end(), std::make_pair(cp, uint8_t{0}));
    if (it == reverse.end() || it->first != cp) return false;
    byte = it->second;
    return true;
  }
};

constexpr std::array<int, 10> kCodePages = {874,  1250, 1251, 1252, 1253,
                                            1254, 1255, 1256, 1257, 1258};

int CodePageIndex(int codePage) {
  for (size_t i = 0; i < kCodePages.size(); ++i)
    if (kCodePages[i] == codePage) return static_cast<int>(i);
  return -1;
}

std::unique_ptr<CodePageData> BuildCodePage(int codePage) {
  auto d = std::make_unique<CodePageData>();
  d->number = codePage;
  const char16_t* high = CodePageUpperHalf(codePage);
  for (int b = 0; b < 256; ++b) {
    char16_t u = b < 0x80 ? static_cast<char16_t>(b) : high[b - 0x80];
    d->defined[b] = u != kCodePageNone;
    d->toUnicode[b] = d->defined[b] ? u : static_cast<char32_t>(b);
  }
  for (int b = 0x80; b < 256; ++b)
    d->reverse[b - 0x80] = {d->toUnicode[b], static_cast<uint8_t>(b)};
  std::sort(d->reverse.begin(), d->reverse.end());
  for (int b = 0; b < 256; ++b) {
    d->upper[b] = static_cast<uint8_t>(b);
    // An undefined byte is no letter, and no letter turns into one.
    if (d->defined[b]) {
      uint8_t u;
      if (d->Encode(SimpleUpper(d->toUnicode[b]), u) && d->defined[u]) d->upper[b] = u;
    }
    d->collation[b] = MakeCollationKey(d->toUnicode[b], d->defined[b]);
  }
  return d;
}

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

std::array<std::unique_ptr<CodePageData>, kCodePages.size()>& Cache() {
  static std::array<std::unique_ptr<CodePageData>, kCodePages.size()> cache;
  return cache;
}

const CodePageData& DataFor(int codePage) {
  int index = CodePageIndex(codePage);
  if (index < 0) index = CodePageIndex(1252);
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto& slot = Cache()[static_cast<size_t>(index)];
  if (!slot) slot = BuildCodePage(kCodePages[static_cast<size_t>(index)]);
  return *slot;
}

std::atomic<const CodePageData*> gActive{nullptr};

const CodePageData& Active() {
  const CodePageData* p = gActive.load(std::memory_order_acquire);
  if (p != nullptr) return *p;
  const CodePageData* fromEnv = &DataFor(CodePageForLocale(LocaleNameFromEnvironment()));
  // A concurrent SetActiveCodePage wins over the environment.
  const CodePageData* expected = nullptr;
  if (gActive.compare_exchange_strong(expected, fromEnv, std::memory_order_acq_rel))
    return *fromEnv;
  return *expected;
}

// ---------------------------------------------------------------------------
// UTF-8 and UTF-16

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

// Decodes the character at i and moves i past it. A byte that does not start
// a well-formed sequence (overlong forms, surrogates and code points above
// U+10FFFF are not well-formed) is taken alone as the code point of its value.
char32_t NextUtf8(std::string_view s, size_t& i) {
  uint8_t b0 = static_cast<uint8_t>(s[i]);
  size_t len = 0;
  char32_t c = 0, min = 0;
  if (b0 < 0x80) {
    ++i;
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
  return c;
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

// ---------------------------------------------------------------------------
// Collation walk

// Yields the primary weights of a text one by one, skipping the ignorable.
class PrimaryCursor {
 public:
  PrimaryCursor(const CodePageData& d, std::string_view s) : d_(d), s_(s) {}
  uint32_t Next() {  // 0 at the end
    while (i_ < s_.size()) {
      const CollationKey& k = d_.collation[static_cast<uint8_t>(s_[i_])];
      uint32_t w = k.primary[sub_];
      if (sub_ == 0 && k.primary[1] != 0) {
        sub_ = 1;
      } else {
        sub_ = 0;
        ++i_;
      }
      if (w != 0) return w;
    }
    return 0;
  }

 private:
  const CodePageData& d_;
  std::string_view s_;
  size_t i_ = 0;
  int sub_ = 0;
};

template <typename Weight>
int CompareLevel(const CodePageData& d, std::string_view a, std::string_view b, Weight weight) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t wa = weight(d.collation[static_cast<uint8_t>(a[i])]);
    uint32_t wb = weight(d.collation[static_cast<uint8_t>(b[i])]);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int Collate(std::string_view a, std::string_view b, bool ignoreCase) {
  const CodePageData& d = Active();
  PrimaryCursor ca(d, a), cb(d, b);
  for (;;) {
    uint32_t wa = ca.Next(), wb = cb.Next();
    if (wa != wb) return wa < wb ? -1 : 1;
    if (wa == 0) break;
  }
  if (int r = CompareLevel(d, a, b, [](const CollationKey& k) { return k.accent; })) return r;
  if (!ignoreCase) {
    if (int r = CompareLevel(d, a, b, [](const CollationKey& k) { return uint32_t{k.upper}; }))
      return r;
    int r = a.compare(b);  // compares as unsigned bytes
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  }
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint8_t ua = d.upper[static_cast<uint8_t>(a[i])], ub = d.upper[static_cast<uint8_t>(b[i])];
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Public interface

int CodePageForLocale(std::string_view localeName) {
  std::string lang, modifier, territory;
  SplitLocaleName(localeName, lang, modifier, territory);
  if (lang == "sr") return (modifier == "latin" || territory == "latn") ? 1250 : 1251;
  static const std::pair<const char*, int> kLanguages[] = {
      {"cs", 1250}, {"hr", 1250}, {"hu", 1250}, {"pl", 1250}, {"ro", 1250}, {"sk", 1250},
      {"sl", 1250}, {"sq", 1250}, {"bs", 1250}, {"ru", 1251}, {"uk", 1251}, {"be", 1251},
      {"bg", 1251}, {"mk", 1251}, {"el", 1253}, {"tr", 1254}, {"az", 1254}, {"he", 1255},
      {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"et", 1257}, {"lt", 1257}, {"lv", 1257},
      {"vi", 1258}, {"th", 874}};
  for (const auto& [name, cp] : kLanguages)
    if (lang == name) return cp;
  return 1252;
}

std::string LocaleNameFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') return v;
  }
  return "C";
}

int ActiveCodePage() {
  return Active().number;
}

void SetActiveCodePage(int codePage) {
  if (!IsSupportedCodePage(codePage))
    throw Exception("Code page " + std::to_string(codePage) + " is not supported");
  gActive.store(&DataFor(codePage), std::memory_order_release);
}

bool IsSupportedCodePage(int codePage) {
  return CodePageIndex(codePage) >= 0;
}

char32_t AnsiToUnicode(uint8_t byte) {
  return Active().toUnicode[byte];
}

bool UnicodeToAnsi(char32_t cp, uint8_t& byte) {
  return Active().Encode(cp, byte);
}

uint8_t AnsiUpperChar(uint8_t byte) {
  return Active().upper[byte];
}

const uint8_t* AnsiUpperTable() {
  return Active().upper.data();
}

std::string AnsiUpperCase(std::string_view text) {
  const auto& upper = Active().upper;
  std::string r(text);
  for (char& c : r)
    c = static_cast<char>(upper[static_cast<uint8_t>(c)]);
  return r;
}

std::string AnsiToUtf8(std::string_view ansi) {
  const CodePageData& d = Active();
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi)
    AppendUtf8(out, d.toUnicode[static_cast<uint8_t>(c)]);
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8, bool* lossless) {
  const CodePageData& d = Active();
  if (lossless != nullptr) *lossless = true;
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    uint8_t b;
    if (d.Encode(NextUtf8(utf8, i), b)) {
      out += static_cast<char>(b);
    } else {
      out += '?';
      if (lossless != nullptr) *lossless = false;
    }
  }
  return out;
}

std::u16string AnsiToUtf16(std::string_view ansi) {
  const CodePageData& d = Active();
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi)
    out += static_cast<char16_t>(d.toUnicode[static_cast<uint8_t>(c)]);
  return out;
}

std::string Utf16ToAnsi(std::u16string_view utf16, bool* lossless) {
  const CodePageData& d = Active();
  if (lossless != nullptr) *lossless = true;
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size();) {
    bool ok;
    char32_t c = NextUtf16(utf16, i, ok);
    uint8_t b;
    if (ok && d.Encode(c, b)) {
      out += static_cast<char>(b);
    } else {
      out += '?';
      if (lossless != nullptr) *lossless = false;
    }
  }
  return out;
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

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return Collate(a, b, false);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  return Collate(a, b, true);
}

}  // namespace qualtren
