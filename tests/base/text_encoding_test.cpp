// Tests of the text encodings: the auto rule and the named rules over one
// table of inputs, the refusals with their byte offsets, and the readers and
// writers against the whole-text conversions when the bytes come and go in
// pieces of every size.
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "base/codepage.h"
#include "base/utf.h"

namespace qualtren {
namespace {

using E = TTextEncoding;
using R = TEncodingRule;

// A stream over bytes that hands out at most a few bytes on each read, so
// that every piece boundary falls somewhere.
class TTrickleStream : public TMemoryStream {
 public:
  TTrickleStream(std::string bytes, size_t most) : TMemoryStream(std::move(bytes)), most_(most) {}
  size_t Read(void* buffer, size_t count) override {
    return TMemoryStream::Read(buffer, std::min(count, most_));
  }

 private:
  size_t most_;
};

struct DetectCase {
  std::string Bytes;
  R Rule;
  TTextForm Form;       // when accepted
  std::string Refusal;  // the start of the message when refused
  uint64_t Offset = 0;
};

TEST(TextEncoding, RulesDecideAndRefuseWithTheOffset) {
  const std::string utf16le("\xFF\xFEs\0\xE8\x00", 6);
  const DetectCase cases[] = {
      {"", R::Auto, {E::Ansi, false}, "", 0},
      {"select 1", R::Auto, {E::Ansi, false}, "", 0},
      // Valid UTF-8 with a byte of its own; and the same bytes read as ANSI.
      {"Ra\xC4\x8Dun", R::Auto, {E::Utf8, false}, "", 0},
      {"Ra\xC4\x8Dun", R::Ansi, {E::Ansi, false}, "", 0},
      // ANSI that is no UTF-8, far from the start and cut at the end.
      {"Ra\xE8un", R::Auto, {E::Ansi, false}, "", 0},
      {"x \xC4", R::Auto, {E::Ansi, false}, "", 0},
      {"\xED\xA0\x80", R::Auto, {E::Ansi, false}, "", 0},  // a surrogate in UTF-8
      {"\xEF\xBB\xBF", R::Auto, {E::Utf8, true}, "", 0},
      {"\xEF\xBB\xBFselect", R::Utf8, {E::Utf8, true}, "", 0},
      {"select", R::Utf8, {E::Utf8, false}, "", 0},
      {utf16le, R::Auto, {E::Utf16LE, true}, "", 0},
      {std::string("\xFE\xFF\0s", 4), R::Auto, {E::Utf16BE, true}, "", 0},
      {std::string("s\0", 2), R::Utf16LE, {E::Utf16LE, false}, "", 0},
      {std::string("\xFF\xFE\xD8\x3D\xDE\x00", 6), R::Utf16BE, {E::Utf16BE, false}, "", 0},
      {std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6), R::Auto, {E::Utf16BE, true}, "", 0},
      // Refused under the encoding that the mark or the rule claims.
      {"\xEF\xBB\xBFselect \xE8 x",
       R::Auto,
       {},
       "not valid UTF-8: a malformed sequence at byte offset 10 (it starts with a UTF-8 byte-order "
       "mark)",
       10},
      {"ok\xC4",
       R::Utf8,
       {},
       "not valid UTF-8: a malformed sequence at byte offset 2 (it was to be read as UTF-8)",
       2},
      {std::string("\xFF\xFEs\0e", 5),
       R::Auto,
       {},
       "not valid UTF-16 LE: an odd number of bytes, the last at byte offset 4",
       4},
      {std::string("\xFE\xFF\0s\xDC\0\0x", 8),
       R::Auto,
       {},
       "not valid UTF-16 BE: an unpaired surrogate at byte offset 4",
       4},
      {std::string("\xFF\xFE\x3D\xD8x\0", 6),
       R::Auto,
       {},
       "not valid UTF-16 LE: an unpaired surrogate at byte offset 2",
       2},
      {std::string("s\0\x3D\xD8", 4),
       R::Utf16LE,
       {},
       "not valid UTF-16 LE: an unpaired surrogate at byte offset 2 (it was to be read as UTF-16 "
       "LE)",
       2},
      {std::string("\xFF\xFE\0\0s\0\0\0", 8),
       R::Auto,
       {},
       "UTF-32 LE text (byte-order mark FF FE 00 00) is not read",
       0},
      {std::string("\0\0\xFE\xFF", 4), R::Auto, {}, "UTF-32 BE text", 0},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.Bytes << "' rule " << static_cast<int>(c.Rule));
    for (size_t most : {size_t{1}, size_t{3}, c.Bytes.size() + 1}) {
      TTrickleStream in(c.Bytes, most);
      try {
        const TTextForm form = DetectTextForm(in, c.Rule);
        EXPECT_TRUE(c.Refusal.empty()) << "accepted";
        EXPECT_EQ(form, c.Form);
      } catch (const EEncodingError& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, c.Refusal.size()), c.Refusal) << e.what();
        EXPECT_FALSE(c.Refusal.empty()) << e.what();
        EXPECT_EQ(e.Offset(), c.Offset);
      }
    }
  }
}

// The rules by name: every rule once under the name that gives it back.
TEST(TextEncoding, RuleNamesGiveTheRulesBack) {
  EXPECT_EQ(EncodingRuleFromName("UTF-16le"), R::Utf16LE);
  EXPECT_EQ(EncodingRuleFromName("utf8"), std::nullopt);
  // Every rule, once each, under the name that gives it back.
  for (size_t i = 0; i < std::size(kEncodingRules); ++i) {
    EXPECT_EQ(static_cast<size_t>(kEncodingRules[i]), i);
    EXPECT_EQ(EncodingRuleFromName(EncodingRuleName(kEncodingRules[i])), kEncodingRules[i]);
  }
  EXPECT_EQ(EncodingRuleName(R::Utf16BE), "utf-16be");
  EXPECT_EQ(std::string(EncodingName(E::Utf16LE)) + EncodingName(E::Ansi), "UTF-16 LEANSI");
}

// A random text of characters from every plane, in every form, read and
// written in random pieces: the streams give what the whole-text
// conversions give, and decoding undoes encoding.
TEST(TextEncoding, ReadersAndWritersInPiecesMatchTheWholeConversions) {
  std::mt19937 random(42);
  const char32_t kChars[] = {'a',   ' ',    '\r',   '\n',   0,       0xE8,    0x10D,
                             0x416, 0x20AC, 0xFFFD, 0xFEFF, 0x1F600, 0x10FFFF};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    for (size_t i = 0, n = random() % 60; i < n; ++i)
      AppendUtf8(text, kChars[random() % std::size(kChars)]);
    ASSERT_TRUE(IsValidUtf8(text));
    for (const TTextForm form : {TTextForm{E::Utf8, true}, TTextForm{E::Utf16LE, true},
                                 TTextForm{E::Utf16BE, false}, TTextForm{E::Utf16LE, false}}) {
      const std::string bytes = EncodeText(text, form);
      EXPECT_EQ(DecodeText(bytes, form), text);
      // Detected by the mark, or checked under the encoding named, whole
      // and in pieces (a UTF-16 LE text that starts with U+0000 has the
      // mark of UTF-32 LE).
      const R named = form.Encoding == E::Utf8      ? R::Utf8
                      : form.Encoding == E::Utf16LE ? R::Utf16LE
                                                    : R::Utf16BE;
      // (Without a mark, a text that starts with U+FEFF reads as marked.)
      if (form.Mark || text.rfind("\xEF\xBB\xBF", 0) != 0) {
        EXPECT_EQ(DetectTextForm(bytes, named), form);
      }
      if (form.Mark && !(form.Encoding == E::Utf16LE && text[0] == '\0')) {
        EXPECT_EQ(DetectTextForm(bytes, R::Auto), form);
        TTrickleStream in(bytes, 1 + random() % 5);
        EXPECT_EQ(DetectTextForm(in, R::Auto), form);
      }
      // Read through a reader in random pieces, twice (it goes back to the
      // start of the text).
      TTrickleStream raw(bytes, 1 + random() % 7);
      TTextReader reader(raw, form);
      for (int pass = 0; pass < 2; ++pass) {
        std::string read;
        char buffer[16];
        while (const size_t n = reader.Read(buffer, 1 + random() % sizeof buffer))
          read.append(buffer, n);
        EXPECT_EQ(read, text);
        EXPECT_EQ(reader.Position(), static_cast<int64_t>(text.size()));
        reader.SetPosition(0);
      }
      // Written in pieces that cut sequences anywhere.
      TMemoryStream out;
      {
        TTextWriter writer(out, form);
        for (size_t at = 0; at < text.size();) {
          const size_t n = std::min(text.size() - at, size_t{1} + random() % 4);
          writer.WriteBytes(std::string_view(text).substr(at, n));
          at += n;
        }
      }
      EXPECT_EQ(out.Bytes(), bytes);
    }
  }
}

TEST(TextEncoding, ExactConversionToTheCodePage) {
  SetActiveCodePage(1250);
  std::string ansi;
  EXPECT_TRUE(Utf8ToAnsiExact("\xC5\xA0ifra", ansi));
  EXPECT_EQ(ansi,
            "\x8A"
            "ifra");
  EXPECT_FALSE(Utf8ToAnsiExact("\xD0\x96", ansi));  // Cyrillic Zhe is not in 1250
  EXPECT_FALSE(Utf8ToAnsiExact("\xE8", ansi));      // no UTF-8
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
