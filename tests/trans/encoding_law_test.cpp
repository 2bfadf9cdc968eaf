// The law of the text encodings: for every text that the code page can hold,
// translating its UTF-8 or UTF-16 form, with or without a byte-order mark,
// gives exactly that form of the ANSI text's translation, with the same
// failures: whole texts in memory and streams, option by option, over random
// tables with names that carry diacritics.
#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/text_encoding.h"
#include "base/utf.h"
#include "random_translation.h"
#include "trans/stream_translate.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

using namespace randomtest;

// Code page 1250 words with diacritics beside the basic ones; English names
// with diacritics come back converted.
const TWords& Words() {
  static const TWords words = [] {
    TWords w = BasicWords();
    for (const char* name : {"Koli\xE8ina", "KOLI\xC8INA", "\x8Aifra", "\x9Aifra", "Ra\xE8un",
                             "Obra\xE8un", "\x8Aifarnik",
                             "\xD0"
                             "ak"})
      w.Names.push_back(name);
    for (const char* english : {"Quantit\xE9", "\x8Aifra",
                                "Stra\xDF"
                                "e"})
      w.English.push_back(english);
    for (const char* table : {"Ra\xE8un", "\x8Aifarnik"})
      w.TableNames.push_back(table);
    for (const char* piece : {"'\xE8'", "-- \xBE\xE8 ", "\xA7", "\xE8\x9A\x9E\xF0"})
      w.Pieces.push_back(piece);
    return w;
  }();
  return words;
}

TEST(EncodingLaw, EveryFormTranslatesAsTheAnsiText) {
  SetActiveCodePage(1250);
  Random r(20261208);
  const TTextForm kForms[] = {{TTextEncoding::Utf8, false},    {TTextEncoding::Utf8, true},
                              {TTextEncoding::Utf16LE, true},  {TTextEncoding::Utf16BE, true},
                              {TTextEncoding::Utf16LE, false}, {TTextEncoding::Utf16BE, false}};
  int failures = 0, translated = 0;
  for (int round = 0; round < 300; ++round) {
    RandomTables tables(r, Words());
    const TransTables refs = tables.set.Tables();
    TTranslateOptions ansi;
    ansi.TableName = TOuterText::FromAnsi(r.Pick(Words().TableNames));
    ansi.AutoTableName = r.Chance(50);
    ansi.Comment = r.Chance(40);
    ansi.Prefix = TOuterText::FromAnsi(r.Chance(50) ? "-- \xE8 " : "");
    ansi.Suffix = TOuterText::FromAnsi(r.Chance(50) ? " \x8A*/" : "");
    const std::string input = RandomText(r, Words());
    SCOPED_TRACE(testing::Message() << "round " << round << " input '" << input << "'");

    std::string error;
    const std::string expected = TranslateText(refs, ansi, input, &error);
    (error.empty() ? translated : failures)++;

    // The whole text in memory, as the window hands it over.
    std::string utf8Error = "not cleared";
    EXPECT_EQ(
        TranslateText(refs, ansi, AnsiToUtf8(input), &utf8Error, nullptr, TTextEncoding::Utf8),
        AnsiToUtf8(expected));
    EXPECT_EQ(utf8Error, error);

    // Every form through the streaming driver, one translator for all, so
    // that what it remembers of one form meets the next.
    TStreamTranslator streamer(refs, ansi);
    for (const TTextForm& form : kForms) {
      SCOPED_TRACE(testing::Message() << EncodingName(form.Encoding) << " mark " << form.Mark);
      // The auto rule tells a form by its mark, or UTF-8 by a byte of its
      // own; the others are named.
      const bool told = form.Mark || (form.Encoding == TTextEncoding::Utf8 && !IsAscii(input));
      TTranslateOptions byName = ansi;
      byName.Encoding = form.Encoding == TTextEncoding::Utf8      ? TEncodingRule::Utf8
                        : form.Encoding == TTextEncoding::Utf16LE ? TEncodingRule::Utf16LE
                                                                  : TEncodingRule::Utf16BE;
      TStreamTranslator named(refs, byName);
      TMemoryStream in(EncodeText(AnsiToUtf8(input), form)), out;
      const TStreamOutcome outcome = (told ? streamer : named).Translate(in, out);
      EXPECT_EQ(outcome.Form, form);
      if (!error.empty()) {
        ASSERT_EQ(outcome.status, TStreamOutcome::Status::Failed);
        EXPECT_EQ(outcome.Error, error);
        TMemoryStream back;
        TStreamTranslator::CopyLines(in, back, outcome.Form);
        EXPECT_EQ(back.Bytes(), EncodeText(AnsiToUtf8(expected), form));
      } else {
        EXPECT_EQ(outcome.status, input.find('\0') == std::string::npos
                                      ? TStreamOutcome::Status::Translated
                                      : TStreamOutcome::Status::HoldsNul);
        EXPECT_EQ(out.Bytes(), EncodeText(AnsiToUtf8(expected), form));
      }
    }
  }
  EXPECT_GT(failures, 25);
  EXPECT_GT(translated, 200);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
