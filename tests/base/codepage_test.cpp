// Tests of the code page tables, the ANSI upper-case mapping and the choice
// of the active code page.
#include "base/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/utf.h"

namespace qualtren {
namespace {

const int kAllCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

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

TEST(CodePage, SupportedCodePages) {
  for (int cp : kAllCodePages)
    EXPECT_TRUE(IsSupportedCodePage(cp)) << cp;
  EXPECT_FALSE(IsSupportedCodePage(1249));
  EXPECT_FALSE(IsSupportedCodePage(65001));
  SetActiveCodePage(1250);
  EXPECT_ANY_THROW(SetActiveCodePage(437));
  EXPECT_EQ(ActiveCodePage(), 1250);
}

}  // namespace
}  // namespace qualtren
