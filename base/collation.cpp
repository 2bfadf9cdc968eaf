// Collation keys per byte of each code page, the three-level comparison of
// texts by them, and the key of a text under the case-insensitive one.
#include "base/collation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "base/codepage.h"
#include "base/letters.h"

namespace qualtren {

namespace {

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
  // The ligatures and sharp s sort as two letters.
  struct Expansion {
    char32_t lower, upper;
    char first, second;
  };
  static constexpr Expansion kExpansions[] = {
      {0xE6, 0xC6, 'A', 'E'}, {0x153, 0x152, 'O', 'E'}, {0xDF, 0xDF, 'S', 'S'}};
  for (const Expansion& e : kExpansions) {
    if (c != e.lower && c != e.upper) continue;
    k.primary[0] = kClassLetter | static_cast<uint32_t>(e.first);
    k.primary[1] = kClassLetter | static_cast<uint32_t>(e.second);
    k.accent = e.upper;
    return k;
  }
  char32_t base = BaseLetter(c);
  k.primary[0] = kClassLetter | SimpleUpper(base);
  if (base != c) k.accent = SimpleUpper(c);
  return k;
}

using TCollationTable = std::array<CollationKey, 256>;

// One table of each supported code page, indexed by its slot and filled by
// `fill(codePage, table)`.
template <typename Table, typename Fill>
std::unique_ptr<Table[]> TablesOfEveryCodePage(Fill fill) {
  const std::span<const int> pages = SupportedCodePages();
  auto tables = std::make_unique<Table[]>(pages.size());
  for (int page : pages) {
    const TCodePageTable& d = CodePageTable(page);
    fill(d, tables[d.Slot]);
  }
  return tables;
}

// The keys of every byte of a code page; built for all code pages together
// on first use.
const TCollationTable& CollationOf(const TCodePageTable& cp) {
  static const auto tables =
      TablesOfEveryCodePage<TCollationTable>([](const TCodePageTable& d, TCollationTable& keys) {
        for (int b = 0; b < 256; ++b)
          keys[b] = MakeCollationKey(d.ToUnicode[b], d.Defined[b]);
      });
  return tables[cp.Slot];
}

// Yields the primary weights of a text one by one, skipping the ignorable.
class PrimaryCursor {
 public:
  PrimaryCursor(const TCollationTable& keys, std::string_view s) : keys_(keys), s_(s) {}
  uint32_t Next() {  // 0 at the end
    while (i_ < s_.size()) {
      const CollationKey& k = keys_[static_cast<uint8_t>(s_[i_])];
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
  const TCollationTable& keys_;
  std::string_view s_;
  size_t i_ = 0;
  int sub_ = 0;
};

// Compares two texts byte by byte by a weight of each byte; a text that is
// a prefix of the other is smaller.
template <typename Weight>
int CompareLevel(std::string_view a, std::string_view b, Weight weight) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t wa = weight(static_cast<uint8_t>(a[i]));
    uint32_t wb = weight(static_cast<uint8_t>(b[i]));
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int Collate(const TCodePageTable& cp, std::string_view a, std::string_view b, bool ignoreCase) {
  const TCollationTable& keys = CollationOf(cp);
  PrimaryCursor ca(keys, a), cb(keys, b);
  for (;;) {
    uint32_t wa = ca.Next(), wb = cb.Next();
    if (wa != wb) return wa < wb ? -1 : 1;
    if (wa == 0) break;
  }
  if (int r = CompareLevel(a, b, [&](uint8_t c) { return keys[c].accent; })) return r;
  if (ignoreCase) return CompareLevel(a, b, [&](uint8_t c) { return uint32_t{cp.Upper[c]}; });
  if (int r = CompareLevel(a, b, [&](uint8_t c) { return uint32_t{keys[c].upper}; })) return r;
  return CompareLevel(a, b, [](uint8_t c) { return uint32_t{c}; });
}

// Per code page, each byte's class under the case-insensitive comparison:
// the smallest byte that compares equal to it as a text of one byte. Every
// level of the comparison but the primary one goes byte by byte over texts
// of the same length, and a byte's primary weights are fixed by its other
// two levels, so two texts compare equal exactly when they have the same
// length and their bytes the same classes (the tests check this over every
// code page).
using TTextClasses = std::array<uint8_t, 256>;

const TTextClasses& TextClassesOf(const TCodePageTable& cp) {
  static const auto tables =
      TablesOfEveryCodePage<TTextClasses>([](const TCodePageTable& d, TTextClasses& classes) {
        for (int b = 0; b < 256; ++b) {
          const char byte = static_cast<char>(b);
          int same = 0;
          // Equal texts have equal upper-case bytes, the comparison's last
          // level: only bytes of the same upper case need comparing.
          while (same < b) {
            const char other = static_cast<char>(same);
            if (d.Upper[same] == d.Upper[b] && Collate(d, {&other, 1}, {&byte, 1}, true) == 0)
              break;
            ++same;
          }
          classes[static_cast<size_t>(b)] = static_cast<uint8_t>(same);
        }
      });
  return tables[cp.Slot];
}

}  // namespace

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return Collate(ActiveCodePageTable(), a, b, false);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  return Collate(ActiveCodePageTable(), a, b, true);
}

std::string AnsiTextKey(std::string_view text) {
  const TTextClasses& classes = TextClassesOf(ActiveCodePageTable());
  std::string key(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i)
    key[i] = static_cast<char>(classes[static_cast<uint8_t>(text[i])]);
  return key;
}

}  // namespace qualtren
