// Tests of the conversions between ANSI text, UTF-8 and UTF-16.
#include "base/utf.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/codepage.h"

namespace qualtren {
namespace {

TEST(Utf, UnrepresentableCharacters) {
  SetActiveCodePage(1250);
  bool lossless = true;
  // é is in 1250 (0xE9); Ж and the emoji are not.
  EXPECT_EQ(Utf8ToAnsi("A\xC3\xA9\xD0\x96x", &lossless), "A\xE9?x");
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

TEST(Utf, Utf8AndAnsiRoundTrip) {
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
  EXPECT_EQ(Utf8ToAnsi(ru), "\xCF\xF0\xE8\xE2\xE5\xF2");
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(ru)), ru);
}

TEST(Utf, MalformedUtf8TakesBytesByTheirValue) {
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

// Well-formed UTF-8 is exactly the text that survives the way through
// UTF-16 unchanged (a malformed byte comes back as a two-byte character).
TEST(Utf, ValidUtf8IsWhatRoundTrips) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xBF"));              // a lone continuation byte
  std::mt19937 random(12);
  const char pieces[][5] = {"a",    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80",
                            "\xC3", "\xE2\x82", "\xF8",         "\xED\xA0\x80"};
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int n = random() % 6; n > 0; --n)
      text += pieces[random() % std::size(pieces)];
    EXPECT_EQ(IsValidUtf8(text), Utf16ToUtf8(Utf8ToUtf16(text)) == text) << text;
  }
}

TEST(Utf, Utf16AsBytes) {
  const std::u16string text = u"a\u0416\xE9";
  const std::string bytes = Utf16ToBytes(text);
  ASSERT_EQ(bytes.size(), 6u);
  EXPECT_EQ(Utf16FromBytes(bytes), text);
  EXPECT_EQ(Utf16FromBytes(bytes + "x"), text);  // an odd last byte is dropped
  EXPECT_EQ(Utf16FromBytes(""), u"");
}

}  // namespace
}  // namespace qualtren
