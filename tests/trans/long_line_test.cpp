// Lines longer than the stream translator's block and the parallel driver's
// chunk: on one thread and on several, with and without comment lines, a
// dialect and the automatic table name, a text of such lines is translated
// to the bytes TranslateText gives it.
#include <gtest/gtest.h>

#include <string>

#include "base/codepage.h"
#include "base/stream.h"
#include "random_translation.h"
#include "trans/name_dictionary.h"
#include "trans/parallel_translate.h"
#include "trans/stream_translate.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

using namespace randomtest;

// About `bytes` of names and pieces of SQL on one line.
std::string LongLine(Random& r, size_t bytes) {
  std::string line = "select ";
  while (line.size() < bytes)
    line += r.Chance(45) ? r.Pick(BasicWords().Names) : r.Pick(BasicWords().Pieces);
  return line;
}

TEST(LongLine, TranslatedInPartsToTheBytesOfTheWholeLine) {
  SetActiveCodePage(1250);
  Random r(5);
  int rounds = 0;  // tables that allow a dictionary
  while (rounds < 1) {
    RandomTables tables(r, BasicWords());
    const TransTables refs = tables.set.Tables();
    if (!TNameDictionary::Build(refs)) continue;
    ++rounds;
    // Longer than the few chunks after which a line comes in parts, a short
    // line between, and no break at the end.
    const std::string text = LongLine(r, 4 * TParallelTranslator::kChunkBytes + 300000) +
                             "\r\nfrom Kupac where Ime = 1\n" + LongLine(r, 400000);
    for (int variant = 0; variant < 8; ++variant) {
      const bool comment = variant & 1, dialect = variant & 2, autoName = variant & 4;
      TTranslateOptions options;
      options.TableName = TOuterText::FromAnsi("Racun");
      options.AutoTableName = autoName;
      options.Comment = comment;
      options.Prefix = TOuterText::FromAnsi("-- ");
      options.Suffix = TOuterText::FromAnsi(" */");
      options.Encoding = TEncodingRule::Ansi;
      if (dialect) options.Dialect.Dialect = TDialect::TSql;
      std::string error;
      const std::string expected = TranslateText(refs, options, text, &error);
      ASSERT_EQ(error, "");
      for (size_t jobs : {size_t{1}, size_t{2}}) {
        SCOPED_TRACE(testing::Message()
                     << "round " << rounds << " variant " << variant << " jobs " << jobs);
        options.Jobs = jobs;
        TStreamTranslator streamer(refs, options);
        TMemoryStream in(text), out;
        const TStreamOutcome outcome = streamer.Translate(in, out);
        EXPECT_EQ(outcome.status, TStreamOutcome::Status::Translated) << outcome.Error;
        EXPECT_TRUE(out.Bytes() == expected);
      }
    }
  }
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
