// Tests of splitting texts into lines and joining them with CR LF, and of
// reading the lines of a stream.
#include "trans/lines.h"

#include <gtest/gtest.h>

#include "base/stream.h"
#include "trans/line_reader.h"

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

// The word-at-a-time search against a byte-at-a-time one: random bytes,
// line ends among them or none, at every offset and length.
TEST(FindLineEnd, FindsTheFirstCrLfOrNul) {
  uint32_t seed = 3;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const size_t ends = next() % 3;
    for (size_t i = 0, n = next() % 40; i < n; ++i)
      bytes += next() % 20 < ends ? "\r\n"[next() % 3] : static_cast<char>(next() % 256);
    const size_t from = bytes.empty() ? 0 : next() % bytes.size();
    size_t expected = from;
    while (expected < bytes.size() && bytes[expected] != '\r' && bytes[expected] != '\n' &&
           bytes[expected] != '\0')
      ++expected;
    EXPECT_EQ(FindLineEnd(bytes.data() + from, bytes.data() + bytes.size()) - bytes.data(),
              static_cast<ptrdiff_t>(expected));
  }
}

TEST(JoinLines, CrLfAfterEveryLine) {
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({""}), "\r\n");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLines(SplitLines("a\nb\rc\r\n")), "a\r\nb\r\nc\r\n");
}

// The stream line reader against ForEachLine on random texts of line breaks,
// NUL bytes and letters, read through blocks as small as one byte, so that
// every break falls on a block boundary somewhere.
TEST(LineReader, CutsAsForEachLineWhateverTheBlockSize) {
  const std::string alphabet = "ab\r\n\r\n\0";
  uint32_t seed = 1;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (size_t i = 0, n = next() % 24; i < n; ++i)
      text += alphabet[next() % alphabet.size()];
    Lines expected;
    ForEachLine(text, [&](std::string_view line) { expected.emplace_back(line); });
    for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{4096}}) {
      TMemoryStream in(text);
      TLineReader reader(in, block);
      Lines got;
      std::string_view line;
      while (reader.Next(line))
        got.emplace_back(line);
      EXPECT_EQ(got, expected) << "block " << block << " text '" << text << "'";
      EXPECT_EQ(reader.SawNul(), text.find('\0') != std::string::npos) << text;
      EXPECT_FALSE(reader.Next(line));
    }
  }
}

// Long lines cut into parts: the parts of each line join into the line that
// ForEachLine gives, every part but a line's last ends in a cut byte (a
// blank here), and the text ends as it would without parts, also where a
// line's last part runs up to a NUL byte or the end of the text.
TEST(LineReader, LongLinesComeInPartsThatJoinIntoTheLines) {
  const std::string alphabet("ab  \r\n\0", 7);
  uint32_t seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  size_t parts = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (size_t i = 0, n = next() % 40; i < n; ++i)
      text += alphabet[next() % (next() % 4 == 0 ? alphabet.size() : 4)];
    Lines expected;
    ForEachLine(text, [&](std::string_view line) { expected.emplace_back(line); });
    for (size_t block : {size_t{2}, size_t{3}, size_t{5}, size_t{16}}) {
      TMemoryStream in(text);
      TLineReader reader(in, block);
      reader.CutLongLines([](char c) { return c == ' '; });
      Lines got;
      std::string joined;
      std::string_view part;
      bool ends = false;
      while (reader.Next(part, ends)) {
        joined += part;
        if (ends) {
          got.push_back(std::move(joined));
          joined.clear();
        } else {
          ++parts;
          ASSERT_FALSE(part.empty());
          EXPECT_EQ(part.back(), ' ') << "block " << block << " text '" << text << "'";
        }
      }
      EXPECT_EQ(got, expected) << "block " << block << " text '" << text << "'";
      EXPECT_EQ(joined, "");
      EXPECT_EQ(reader.SawNul(), text.find('\0') != std::string::npos) << text;
    }
  }
  EXPECT_GT(parts, 1000u);
}
