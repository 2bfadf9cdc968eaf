// Tests of the key of a text under AnsiCompareText and of the name index
// built on it: the key agrees with the comparison over every pair of bytes
// and over texts made of each code page's letters in mixed case, and the
// index finds what a scan of the names in order finds.
#include "base/name_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/collation.h"

namespace qualtren {
namespace {

// The bytes that are letters or marks with another byte of the same case
// class: their texts are where the key and the comparison could part.
std::vector<char> CaseRelatedBytes() {
  std::vector<char> out;
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    bool related = AnsiUpperChar(byte) != byte;
    for (int o = 0; !related && o < 256; ++o)
      related = o != b && AnsiUpperChar(static_cast<uint8_t>(o)) == byte;
    if (related) out.push_back(static_cast<char>(b));
  }
  return out;
}

TEST(NameIndex, TheKeyAgreesWithTheComparisonInEveryCodePage) {
  std::mt19937 random(7);
  for (int cp : SupportedCodePages()) {
    SCOPED_TRACE(cp);
    SetActiveCodePage(cp);
    for (int a = 0; a < 256; ++a) {
      const std::string x(1, static_cast<char>(a));
      for (int b = 0; b < 256; ++b) {
        const std::string y(1, static_cast<char>(b));
        ASSERT_EQ(AnsiTextKey(x) == AnsiTextKey(y), AnsiCompareText(x, y) == 0) << a << " " << b;
      }
    }
    // Texts of letters whose case varies, against copies in which some
    // letters have their other case or a letter of the same upper case.
    const std::vector<char> letters = CaseRelatedBytes();
    ASSERT_GT(letters.size(), 20u);
    auto letter = [&] { return letters[random() % letters.size()]; };
    for (int round = 0; round < 4000; ++round) {
      std::string x(1 + random() % 5, ' ');
      for (char& c : x)
        c = letter();
      std::string y = x;
      for (char& c : y) {
        if (random() % 3 == 0) c = static_cast<char>(AnsiUpperChar(static_cast<uint8_t>(c)));
        if (random() % 4 == 0) c = letter();
      }
      if (random() % 8 == 0) y += letter();
      ASSERT_EQ(AnsiTextKey(x) == AnsiTextKey(y), AnsiCompareText(x, y) == 0) << x << "|" << y;
    }
  }
  SetActiveCodePage(1252);
}

TEST(NameIndex, FindsTheFirstEqualNameAsAScanDoes) {
  std::mt19937 random(11);
  for (int cp : {1250, 1251, 1252, 1253, 1254}) {
    SCOPED_TRACE(cp);
    SetActiveCodePage(cp);
    const std::vector<char> letters = CaseRelatedBytes();
    auto name = [&] {
      std::string s(random() % 3, ' ');
      for (char& c : s)
        c = random() % 2 ? letters[random() % letters.size()] : "aAbB_1"[random() % 6];
      return s;
    };
    for (int round = 0; round < 50; ++round) {
      std::vector<std::string> names(random() % 40);
      for (std::string& n : names)
        n = name();
      const TNameIndex index(names.size(), [&](size_t i) -> std::string_view { return names[i]; });
      for (int q = 0; q < 40; ++q) {
        const std::string query = q % 2 && !names.empty() ? names[random() % names.size()] : name();
        int scan = -1;
        for (size_t i = 0; scan < 0 && i < names.size(); ++i)
          if (AnsiCompareText(names[i], query) == 0) scan = static_cast<int>(i);
        ASSERT_EQ(index.Find(query), scan) << query;
      }
    }
  }
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
