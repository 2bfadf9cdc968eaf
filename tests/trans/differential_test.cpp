// The engine held against the reference translation (every word looked up
// afresh, the whole text split into lines) on random texts over random small
// tables: TranslateText, the streaming driver, and the streaming driver's
// lookup kept from one text to the next must give the reference's bytes and
// its failure, option by option.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/stream.h"
#include "base/utf.h"
#include "dataset/dataset.h"
#include "options_fixture.h"
#include "random_translation.h"
#include "reference_translate.h"
#include "trans/name_dictionary.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

using namespace randomtest;

// Rebuilds each output line from its input line and the reported words, so
// that a word reported in the wrong place or of the wrong kind shows.
class CheckingObserver : public TLineObserver {
 public:
  void OnLine(const TLineResult& line) override {
    size_t in = 0, out = 0;
    for (const TWordResult& w : line.Words) {
      ASSERT_GE(w.InputOffset, in);
      ASSERT_EQ(line.Input.substr(in, w.InputOffset - in),
                line.Output.substr(out, w.OutputOffset - out));
      const std::string_view word = line.Input.substr(w.InputOffset, w.InputLength);
      const std::string_view written = line.Output.substr(w.OutputOffset, w.OutputLength);
      if (w.Result == TWordResult::Outcome::Kept) {
        EXPECT_EQ(word, written);
      }
      in = w.InputOffset + w.InputLength;
      out = w.OutputOffset + w.OutputLength;
    }
    EXPECT_EQ(line.Input.substr(in), line.Output.substr(out));
    ++lines;
  }
  size_t lines = 0;
};

TEST(Differential, EngineGivesTheReferenceBytesAndFailures) {
  int failures = 0, translated = 0;
  ForRandomTables(20261208, 400, BasicWords(), [&](Random& r, int round, const TransTables& refs) {
    const std::string tableName = r.Pick(BasicWords().TableNames);
    const bool autoName = r.Chance(50);
    const bool comment = r.Chance(35);
    const std::string prefix = r.Chance(50) ? "-- " : "";
    const std::string suffix = r.Chance(50) ? " */" : "";
    TTranslateOptions options = AnsiOptions(tableName, autoName, comment, prefix, suffix);
    options.Encoding = TEncodingRule::Ansi;
    TStreamTranslator streamer(refs, options);

    // Two texts through one streaming translator: the second one meets the
    // words that the first one left remembered.
    for (int text = 0; text < 2; ++text) {
      const std::string input = RandomText(r, BasicWords());
      SCOPED_TRACE(testing::Message()
                   << "round " << round << " text " << text << " table '" << tableName << "' auto "
                   << autoName << " comment " << comment << " input '" << input << "'");
      std::string refError, newError = "not cleared";
      const std::string expected = reference::TranslateText(refs, tableName, autoName, input,
                                                            comment, prefix, suffix, &refError);
      CheckingObserver observer;
      EXPECT_EQ(TranslateText(refs, options, input, &newError, &observer), expected);
      EXPECT_EQ(newError, refError);
      (refError.empty() ? translated : failures)++;

      TMemoryStream in(input), out;
      const TStreamOutcome outcome = streamer.Translate(in, out);
      if (!refError.empty()) {
        ASSERT_EQ(outcome.status, TStreamOutcome::Status::Failed);
        EXPECT_EQ(outcome.Error, refError);
        TMemoryStream back;
        TStreamTranslator::CopyLines(in, back);
        EXPECT_EQ(back.Bytes(), expected);
      } else {
        EXPECT_EQ(outcome.status, input.find('\0') == std::string::npos
                                      ? TStreamOutcome::Status::Translated
                                      : TStreamOutcome::Status::HoldsNul);
        EXPECT_EQ(out.Bytes(), expected);
      }
    }
  });
  // Both kinds of outcome were met often enough to mean something.
  EXPECT_GT(failures, 40);
  EXPECT_GT(translated, 400);
  SetActiveCodePage(1252);
}

// The name dictionary against the reference, in the code page and in UTF-8:
// words are answered from it from the first one on where the tables allow
// it, and by the tries (with their failures) where they do not.
TEST(Differential, DictionaryGivesTheReferenceBytesAndFailures) {
  int fromDictionary = 0;
  ForRandomTables(7, 400, BasicWords(), [&](Random& r, int round, const TransTables& refs) {
    const std::string tableName = r.Pick(BasicWords().TableNames);
    const bool autoName = r.Chance(50);
    TTranslateOptions settings = AnsiOptions(tableName, autoName, r.Chance(35), "-- ");
    settings.DictionaryAfter = 0;
    const std::string input = RandomText(r, BasicWords());
    SCOPED_TRACE(testing::Message()
                 << "round " << round << " table '" << tableName << "' input '" << input << "'");
    std::string refError, error = "not cleared";
    const std::string expected = reference::TranslateText(refs, tableName, autoName, input,
                                                          settings.Comment, "-- ", "", &refError);
    CheckingObserver observer;
    EXPECT_EQ(TranslateText(refs, settings, input, &error, &observer), expected);
    EXPECT_EQ(error, refError);
    EXPECT_EQ(
        TranslateText(refs, settings, AnsiToUtf8(input), &error, nullptr, TTextEncoding::Utf8),
        AnsiToUtf8(expected));
    EXPECT_EQ(error, refError);
    if (TNameDictionary::Build(refs) != nullptr) ++fromDictionary;
  });
  EXPECT_GT(fromDictionary, 300);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
