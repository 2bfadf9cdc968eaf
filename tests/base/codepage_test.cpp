// Tests of the code page tables, the locale's choice of code page, the ANSI
// upper-case mapping, the text conversions and the collation.
#include "base/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace qualtren {
namespace {

const int kAllCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

// Restores the process's environment variable when the test ends.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    had_ = v != nullptr;
    if (had_) old_ = v;
  }
  ~EnvGuard() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes)
    s += static_cast<char>(b);
  return s;
}

TEST(CodePage, EveryByteRoundTripsThroughUnicodeInEveryCodePage) {
  for (int cp : kAllCodePages) {
    SetActiveCodePage(cp);
    ASSERT_EQ(ActiveCodePage(), cp);
    std::vector<char32_t> seen;
    for (int b = 0; b < 256; ++b) {
      char32_t u = AnsiToUnicode(static_cast<uint8_t>(b));
      uint8_t back = 0;
      ASSERT_TRUE(UnicodeToAnsi(u, back)) << cp << " byte " << b;
      EXPECT_EQ(back, b) << cp << " byte " << b;
      seen.push_back(u);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << cp;
    // Whole texts too, through UTF-8 and UTF-16.
    std::string all;
    for (int b = 1; b < 256; ++b)
      all += static_cast<char>(b);
    bool lossless = false;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all), &lossless), all) << cp;
    EXPECT_TRUE(lossless);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all), &lossless), all) << cp;
    EXPECT_TRUE(lossless);
  }
}

TEST(CodePage, KnownCharacters) {
  SetActiveCodePage(1250);
  EXPECT_EQ(AnsiToUnicode(0x8A), U'\u0160');  // Š
  EXPECT_EQ(AnsiToUnicode(0xE8), U'\u010D');  // č
  EXPECT_EQ(AnsiToUnicode(0x80), U'\u20AC');  // €
  EXPECT_EQ(AnsiToUnicode(0x81), U'\u0081');  // undefined: its own value
  SetActiveCodePage(1251);
  EXPECT_EQ(AnsiToUnicode(0xC0), U'\u0410');  // А
  EXPECT_EQ(AnsiToUnicode(0xFF), U'\u044F');  // я
  EXPECT_EQ(AnsiToUnicode(0xA8), U'\u0401');  // Ё
  SetActiveCodePage(1252);
  EXPECT_EQ(AnsiToUnicode(0x9F), U'\u0178');  // Ÿ
  EXPECT_EQ(AnsiToUnicode(0xE9), U'\u00E9');  // é
  SetActiveCodePage(1253);
  EXPECT_EQ(AnsiToUnicode(0xC1), U'\u0391');  // Α
  SetActiveCodePage(874);
  EXPECT_EQ(AnsiToUnicode(0xA1), U'\u0E01');  // ก
  SetActiveCodePage(1258);
  EXPECT_EQ(AnsiToUnicode(0xD0), U'\u0110');  // Đ
  EXPECT_EQ(AnsiToUnicode(0xFD), U'\u01B0');  // ư
}

TEST(CodePage, UpperCase1250) {
  SetActiveCodePage(1250);
  EXPECT_EQ(AnsiUpperChar(0x9A), 0x8A);  // š -> Š
  EXPECT_EQ(AnsiUpperChar(0xE8), 0xC8);  // č -> Č
  EXPECT_EQ(AnsiUpperChar(0x9E), 0x8E);  // ž -> Ž
  EXPECT_EQ(AnsiUpperChar(0xB3), 0xA3);  // ł -> Ł
  EXPECT_EQ(AnsiUpperChar(0xDF), 0xDF);  // ß stays
  EXPECT_EQ(AnsiUpperChar(0x8A), 0x8A);  // upper case stays
  for (char c = '0'; c <= '9'; ++c)
    EXPECT_EQ(AnsiUpperChar(static_cast<uint8_t>(c)), c);
  EXPECT_EQ(AnsiUpperCase("abc xyz_%*1"), "ABC XYZ_%*1");
  EXPECT_EQ(AnsiUpperCase(Bytes({0x9A, 'a', 0xE8, 0x9E, 0xDF})),
            Bytes({0x8A, 'A', 0xC8, 0x8E, 0xDF}));
}

TEST(CodePage, UpperCaseOtherCodePages) {
  SetActiveCodePage(1251);
  for (int b = 0xE0; b <= 0xFF; ++b)
    EXPECT_EQ(AnsiUpperChar(static_cast<uint8_t>(b)), b - 0x20);
  EXPECT_EQ(AnsiUpperChar(0xB8), 0xA8);  // ё -> Ё
  EXPECT_EQ(AnsiUpperChar(0xB4), 0xA5);  // ґ -> Ґ
  EXPECT_EQ(AnsiUpperChar(0x9A), 0x8A);  // љ -> Љ
  SetActiveCodePage(1252);
  EXPECT_EQ(AnsiUpperChar(0xE9), 0xC9);  // é -> É
  EXPECT_EQ(AnsiUpperChar(0xFF), 0x9F);  // ÿ -> Ÿ
  EXPECT_EQ(AnsiUpperChar(0x9C), 0x8C);  // œ -> Œ
  EXPECT_EQ(AnsiUpperChar(0xDF), 0xDF);  // ß stays
  EXPECT_EQ(AnsiUpperChar(0xB5), 0xB5);  // µ: its upper case is not in 1252
  EXPECT_EQ(AnsiUpperChar(0xF7), 0xF7);  // ÷ is no letter
  SetActiveCodePage(1250);
  EXPECT_EQ(AnsiUpperChar(0xFF), 0xFF);  // ˙ is no letter
  SetActiveCodePage(1253);
  EXPECT_EQ(AnsiUpperChar(0xE1), 0xC1);  // α -> Α
  EXPECT_EQ(AnsiUpperChar(0xF2), 0xD3);  // ς -> Σ
  EXPECT_EQ(AnsiUpperChar(0xDC), 0xA2);  // ά -> Ά
  EXPECT_EQ(AnsiUpperChar(0xC0), 0xC0);  // ΐ has no one-letter upper case
  SetActiveCodePage(1254);
  EXPECT_EQ(AnsiUpperChar(0xFD), 'I');   // ı -> I
  EXPECT_EQ(AnsiUpperChar(0xF0), 0xD0);  // ğ -> Ğ
  SetActiveCodePage(1258);
  EXPECT_EQ(AnsiUpperChar(0xF0), 0xD0);  // đ -> Đ
  EXPECT_EQ(AnsiUpperChar(0xFD), 0xDD);  // ư -> Ư
  // Undefined bytes neither change nor become targets (1255: 0xFC would be ü).
  SetActiveCodePage(1255);
  EXPECT_EQ(AnsiUpperChar(0xFC), 0xFC);
  SetActiveCodePage(874);
  EXPECT_EQ(AnsiUpperChar(0xFC), 0xFC);
  EXPECT_EQ(AnsiUpperChar('q'), 'Q');
}

TEST(CodePage, UnrepresentableCharacters) {
  SetActiveCodePage(1250);
  bool lossless = true;
  // é is in 1250 (0xE9); Ж and the emoji are not.
  EXPECT_EQ(Utf8ToAnsi("A\xC3\xA9\xD0\x96x", &lossless), Bytes({'A', 0xE9, '?', 'x'}));
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80", &lossless), "?");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf8ToAnsi("plain", &lossless), "plain");
  EXPECT_TRUE(lossless);
  uint8_t b = 0;
  EXPECT_FALSE(UnicodeToAnsi(U'\u0416', b));
  EXPECT_EQ(Utf16ToAnsi(u"a\u0416", &lossless), "a?");
  EXPECT_FALSE(lossless);
  // An unpaired surrogate is no character.
  std::u16string lone = u"x";
  lone += static_cast<char16_t>(0xD800);
  EXPECT_EQ(Utf16ToAnsi(lone, &lossless), "x?");
  EXPECT_FALSE(lossless);
  EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBD");
}

TEST(CodePage, Utf8AndAnsiRoundTrip) {
  SetActiveCodePage(1250);
  const std::string utf8 =
      "\xC5\xA0koda \xC4\x8D"
      "erven\xC3\xA1 \xC5\xBEluto";  // Škoda červená žluto
  bool lossless = false;
  std::string ansi = Utf8ToAnsi(utf8, &lossless);
  EXPECT_TRUE(lossless);
  EXPECT_EQ(ansi,
            "\x8Akoda \xE8"
            "erven\xE1 \x9Eluto");
  EXPECT_EQ(AnsiToUtf8(ansi), utf8);
  SetActiveCodePage(1251);
  const std::string ru = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
  EXPECT_EQ(Utf8ToAnsi(ru), Bytes({0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}));
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(ru)), ru);
}

TEST(CodePage, MalformedUtf8TakesBytesByTheirValue) {
  SetActiveCodePage(1252);
  bool lossless = false;
  // A lone Latin-1 byte, a truncated sequence, an overlong form, a surrogate.
  EXPECT_EQ(Utf8ToAnsi("caf\xE9", &lossless), "caf\xE9");
  EXPECT_TRUE(lossless);
  EXPECT_EQ(Utf8ToUtf16("\xC3"), std::u16string(1, 0xC3));
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), (std::u16string{0xC0, 0xAF}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xED, 0xA0, 0x80}));
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80").size(), 4u);  // above U+10FFFF
  // Well-formed text of all lengths survives UTF-8 -> UTF-16 -> UTF-8.
  const std::string mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
  std::u16string w = Utf8ToUtf16(mixed);
  EXPECT_EQ(w, (std::u16string{u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, u'z'}));
  EXPECT_EQ(Utf16ToUtf8(w), mixed);
}

TEST(CodePage, LocaleNames) {
  EXPECT_EQ(CodePageForLocale("cs_CZ.UTF-8"), 1250);
  EXPECT_EQ(CodePageForLocale("hr_HR"), 1250);
  EXPECT_EQ(CodePageForLocale("sq_AL.UTF-8"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS@latin"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS.UTF-8@latin"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS.UTF-8"), 1251);
  EXPECT_EQ(CodePageForLocale("sr"), 1251);
  EXPECT_EQ(CodePageForLocale("ru_RU.KOI8-R"), 1251);
  EXPECT_EQ(CodePageForLocale("mk_MK"), 1251);
  EXPECT_EQ(CodePageForLocale("el_GR.UTF-8"), 1253);
  EXPECT_EQ(CodePageForLocale("tr_TR"), 1254);
  EXPECT_EQ(CodePageForLocale("az_AZ"), 1254);
  EXPECT_EQ(CodePageForLocale("he_IL"), 1255);
  EXPECT_EQ(CodePageForLocale("fa_IR"), 1256);
  EXPECT_EQ(CodePageForLocale("ur_PK"), 1256);
  EXPECT_EQ(CodePageForLocale("lv_LV"), 1257);
  EXPECT_EQ(CodePageForLocale("vi_VN"), 1258);
  EXPECT_EQ(CodePageForLocale("th_TH.UTF-8"), 874);
  EXPECT_EQ(CodePageForLocale("C"), 1252);
  EXPECT_EQ(CodePageForLocale("POSIX"), 1252);
  EXPECT_EQ(CodePageForLocale("C.UTF-8"), 1252);
  EXPECT_EQ(CodePageForLocale("de_DE.UTF-8"), 1252);
  EXPECT_EQ(CodePageForLocale("CS_CZ"), 1250);
  EXPECT_EQ(CodePageForLocale(""), 1252);
  EXPECT_EQ(CodePageForLocale("csb_PL"), 1252);  // another language, not cs
}

TEST(CodePage, LocaleFromEnvironment) {
  EnvGuard all("LC_ALL"), ctype("LC_CTYPE"), lang("LANG");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_CTYPE");
  ::unsetenv("LANG");
  EXPECT_EQ(LocaleNameFromEnvironment(), "C");
  ::setenv("LANG", "pl_PL.UTF-8", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "pl_PL.UTF-8");
  ::setenv("LC_CTYPE", "ru_RU.UTF-8", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "ru_RU.UTF-8");
  ::setenv("LC_ALL", "", 1);  // empty: falls through
  EXPECT_EQ(LocaleNameFromEnvironment(), "ru_RU.UTF-8");
  EXPECT_EQ(CodePageForLocale(LocaleNameFromEnvironment()), 1251);
  ::setenv("LC_ALL", "el_GR", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "el_GR");
  ::setenv("LC_CTYPE", "", 1);
  ::unsetenv("LC_ALL");
  EXPECT_EQ(LocaleNameFromEnvironment(), "pl_PL.UTF-8");
}

TEST(CodePage, SupportedCodePages) {
  for (int cp : kAllCodePages)
    EXPECT_TRUE(IsSupportedCodePage(cp)) << cp;
  EXPECT_FALSE(IsSupportedCodePage(1249));
  EXPECT_FALSE(IsSupportedCodePage(65001));
  SetActiveCodePage(1250);
  EXPECT_ANY_THROW(SetActiveCodePage(437));
  EXPECT_EQ(ActiveCodePage(), 1250);
}

int Sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

TEST(CodePage, Collation) {
  SetActiveCodePage(1250);
  // Base letters first: accents and case decide only between equal texts.
  EXPECT_LT(AnsiCompareStr("\xE8"
                           "a",
                           "cb"),
            0);  // ča < cb
  EXPECT_LT(AnsiCompareStr("ca",
                           "\xE8"
                           "a"),
            0);                                // ca < ča
  EXPECT_LT(AnsiCompareStr("abc", "ABC"), 0);  // lower before upper
  EXPECT_LT(AnsiCompareStr("ABC", "abd"), 0);  // letters before case
  EXPECT_GT(AnsiCompareStr("Zebra",
                           "\x9A"
                           "a"),
            0);  // š sorts with s, before z
  EXPECT_EQ(AnsiCompareStr("abc", "abc"), 0);
  EXPECT_LT(AnsiCompareStr("ab", "abc"), 0);
  EXPECT_LT(AnsiCompareStr("9", "a"), 0);  // digits before letters
  EXPECT_LT(AnsiCompareStr("-", "0"), 0);  // symbols before digits
  EXPECT_LT(AnsiCompareStr("a b", "ab"), 0);
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_EQ(AnsiCompareText("\x9A"
                            "ip",
                            "\x8A"
                            "IP"),
            0);  // šip / ŠIP
  EXPECT_NE(AnsiCompareText("\x9A"
                            "ip",
                            "sip"),
            0);
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  // Antisymmetric and consistent over a small set.
  std::vector<std::string> words = {"a",    "A",  "\xE1", "\xC1", "b",    "B", "ab",
                                    "Ab",   "aB", "1",    "10",   "2",    " ", "-a",
                                    "\xDF", "ss", "SS",   "z",    "\x9E", ""};
  for (const auto& x : words) {
    for (const auto& y : words) {
      EXPECT_EQ(Sign(AnsiCompareStr(x, y)), -Sign(AnsiCompareStr(y, x))) << x << "|" << y;
      EXPECT_EQ(AnsiCompareStr(x, y) == 0, x == y) << x << "|" << y;
      EXPECT_EQ(Sign(AnsiCompareText(x, y)), -Sign(AnsiCompareText(y, x))) << x << "|" << y;
    }
  }
  std::vector<std::string> sorted = words;
  std::sort(sorted.begin(), sorted.end(),
            [](const std::string& x, const std::string& y) { return AnsiCompareStr(x, y) < 0; });
  for (size_t i = 0; i + 1 < sorted.size(); ++i)
    for (size_t j = i + 1; j < sorted.size(); ++j)
      EXPECT_LT(AnsiCompareStr(sorted[i], sorted[j]), 0) << sorted[i] << "|" << sorted[j];
  SetActiveCodePage(1251);
  EXPECT_LT(AnsiCompareStr("\xE0", "\xE1"), 0);                   // а < б
  EXPECT_LT(AnsiCompareStr("z", "\xE0"), 0);                      // Latin before Cyrillic
  EXPECT_EQ(AnsiCompareText("\xCF\xD0\xC8", "\xEF\xF0\xE8"), 0);  // ПРИ / при
}

}  // namespace
}  // namespace qualtren
