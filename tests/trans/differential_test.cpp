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
#include "dataset/dataset.h"
#include "reference_translate.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

// Names that collide in letter case, by pattern characters and by the
// code page's own case folding (0xC8 and 0xE8 are one letter in 1250).
const std::vector<std::string> kNames = {
    "Kupac",   "kupac",   "KUPAC",  "Racun",  "Ime", "Grad",   "Iznos", "Obracun",
    "from",    "Ime_1",   "ImeX1",  "Kup%",   "a%b", "x_y",    "on",    "sqlExp",
    "\xC8ime", "\xE8ime", "Mjesto", "MJESTO", "t",   "Select", "order", "%"};
const std::vector<std::string> kEnglish = {"Customer", "Invoice", "", "Name", "CITY", "x y"};
const std::vector<std::string> kTableNames = {"",        "Kupac",          "kupac", "Racun",
                                              "O'Brien", "kupac\r\nwhere", "Nema"};
const std::vector<std::string> kPieces = {
    " ",        "  ",    "\t",      ",",      ".",     "(",      ")",         "'",
    "=",        "<>",    "*",       "[",      "]",     ";",      "@",         ":",
    "/",        "+",     "-",       "\"",     "#",     "%",      "_",         "42",
    "from ",    "join ", "select ", "where ", "ON ",   "Group ", "order by ", "sqlExp(",
    "sqlExp (", "-- ",   "/*",      "*/",     "into ", "x"};
const std::vector<std::string> kBreaks = {"\r\n", "\n", "\r", "\n\r"};

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    return v[Below(v.size())];
  }

 private:
  std::mt19937 engine_;
};

// The three tables, at times without the field that a try reads or filters
// by, so that lookups fail the way a broken table file makes them fail.
struct RandomTables {
  TTransTableSet set;

  explicit RandomTables(Random& r) {
    Define(r, set.Table, {"TableName", "TableNameAng"});
    Define(r, set.StoredProc, {"Naziv", "ProcedureNameAng"});
    Define(r, set.TableStr, {"TableName", "FieldName", "FieldNameAng"});
  }

  void Define(Random& r, TVirtualTable& t, std::vector<const char*> fields) {
    if (r.Chance(6)) fields.erase(fields.begin() + static_cast<long>(r.Below(fields.size())));
    for (const char* f : fields)
      t.FieldDefs().Add(f, ftString, 20);
    t.Open();
    for (size_t i = 0, n = r.Below(9); i < n; ++i) {
      t.Append();
      for (size_t f = 0; f < t.FieldCount(); ++f) {
        const std::string name = t.Field(f).FieldName();
        const bool english = name.size() > 3 && name.substr(name.size() - 3) == "Ang";
        if (r.Chance(5)) continue;  // null
        t.Field(f).SetAsString(english                                      ? r.Pick(kEnglish)
                               : name == "TableName" && &t == &set.TableStr ? r.Pick(kTableNames)
                                                                            : r.Pick(kNames));
      }
      t.Post();
    }
  }
};

std::string RandomText(Random& r) {
  std::string text;
  for (size_t line = 0, lines = r.Below(10); line < lines; ++line) {
    for (size_t i = 0, n = r.Below(12); i < n; ++i)
      text += r.Chance(45) ? r.Pick(kNames) : r.Pick(kPieces);
    if (r.Chance(2)) text += '\0';
    if (line + 1 < lines || r.Chance(50)) text += r.Pick(kBreaks);
  }
  return text;
}

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
  SetActiveCodePage(1250);
  Random r(20261208);
  int failures = 0, translated = 0;
  for (int round = 0; round < 400; ++round) {
    RandomTables tables(r);
    const TransTables refs = tables.set.Tables();
    const std::string tableName = r.Pick(kTableNames);
    const bool autoName = r.Chance(50);
    const bool comment = r.Chance(35);
    const std::string prefix = r.Chance(50) ? "-- " : "";
    const std::string suffix = r.Chance(50) ? " */" : "";
    TStreamTranslator streamer(
        refs, {comment, TArgumentText::FromAnsi(prefix), TArgumentText::FromAnsi(suffix)},
        TEncodingRule::Ansi);

    // Two texts through one streaming translator: the second one meets the
    // words that the first one left remembered.
    for (int text = 0; text < 2; ++text) {
      const std::string input = RandomText(r);
      SCOPED_TRACE(testing::Message()
                   << "round " << round << " text " << text << " table '" << tableName << "' auto "
                   << autoName << " comment " << comment << " input '" << input << "'");
      std::string refError, newError = "not cleared";
      const std::string expected = reference::TranslateText(refs, tableName, autoName, input,
                                                            comment, prefix, suffix, &refError);
      CheckingObserver observer;
      EXPECT_EQ(TranslateText(refs, tableName, autoName, input, comment, prefix, suffix, &newError,
                              &observer),
                expected);
      EXPECT_EQ(newError, refError);
      (refError.empty() ? translated : failures)++;

      TMemoryStream in(input), out;
      const TStreamOutcome outcome =
          streamer.Translate(in, out, TArgumentText::FromAnsi(tableName), autoName);
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
  }
  // Both kinds of outcome were met often enough to mean something.
  EXPECT_GT(failures, 40);
  EXPECT_GT(translated, 400);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
