// Tests of command-line arguments as outer texts: UTF-8, or else bytes of
// the code page.
#include "cli/argument_text.h"

#include <gtest/gtest.h>

#include "base/codepage.h"

namespace qualtren {
namespace {

TEST(ArgumentText, ArgumentsAreUtf8OrCodePageBytes) {
  SetActiveCodePage(1250);
  const TOuterText utf8 = ArgumentText("Ra\xC4\x8Dun \xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8.For(true), "Ra\xC4\x8Dun \xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8.For(false), "Ra\xE8un \x80?");
  // Not UTF-8: bytes of the code page, as arguments always were.
  const TOuterText bytes = ArgumentText("Ra\xE8un");
  EXPECT_EQ(bytes.For(false), "Ra\xE8un");
  EXPECT_EQ(bytes.For(true), "Ra\xC4\x8Dun");
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
