// Tests of the locale's string collation.
#include "base/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/codepage.h"

namespace qualtren {
namespace {

int Sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

TEST(Collation, Collation) {
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
