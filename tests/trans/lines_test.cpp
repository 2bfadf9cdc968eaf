// Tests of splitting texts into lines and joining them with CR LF.
#include "trans/lines.h"

#include <gtest/gtest.h>

using namespace qualtren;
using Lines = std::vector<std::string>;

TEST(SplitLines, BreaksAtCrLfAndTheirPair) {
  EXPECT_EQ(SplitLines(""), Lines{});
  EXPECT_EQ(SplitLines("a"), Lines{"a"});
  EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitLines("a\rb"), (Lines{"a", "b"}));
  // LF CR is two breaks, CR CR too.
  EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\r\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
}

TEST(SplitLines, FinalBreakStartsNoLine) {
  EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
  EXPECT_EQ(SplitLines("a\n"), Lines{"a"});
  EXPECT_EQ(SplitLines("a\r"), Lines{"a"});
  EXPECT_EQ(SplitLines("\r\n"), Lines{""});
  EXPECT_EQ(SplitLines("a\n\n"), (Lines{"a", ""}));
  EXPECT_EQ(SplitLines("\n\r"), (Lines{"", ""}));
}

TEST(SplitLines, NulEndsTheText) {
  EXPECT_EQ(SplitLines(std::string("a\0b\r\nc", 6)), Lines{"a"});
  EXPECT_EQ(SplitLines(std::string("ab\r\n\0c", 6)), Lines{"ab"});
  EXPECT_EQ(SplitLines(std::string("\0abc", 4)), Lines{});
}

TEST(SplitLines, KeepsEveryOtherByte) {
  const std::string line = "\t x\x01\x7f\x80\xff ";
  EXPECT_EQ(SplitLines(line + "\r\n" + line), (Lines{line, line}));
}

TEST(JoinLines, CrLfAfterEveryLine) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "\r\n");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLines(SplitLines("a\nb\rc\r\n")), "a\r\nb\r\nc\r\n");
}
