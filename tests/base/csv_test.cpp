// Tests of the CSV reader's places of fields: the bytes each field takes in
// the text, quotes included, read back as the field's value.
#include <gtest/gtest.h>

#include <string>

#include "base/csv.h"

namespace qualtren {
namespace {

// A field's bytes with the quotes taken off and inner pairs made single.
std::string Unquoted(std::string_view bytes) {
  if (bytes.empty() || bytes.front() != '"') return std::string(bytes);
  std::string out;
  for (size_t i = 1; i + 1 < bytes.size(); ++i) {
    out += bytes[i];
    if (bytes[i] == '"') ++i;
  }
  return out;
}

TEST(CsvPlaces, EveryFieldsBytesGiveItsValue) {
  const std::string texts[] = {
      "\xEF\xBB\xBFTableName,FieldName,FieldNameAng\r\nKupac,Ime,\n",
      "a,\"b,\"\"c\"\"\r\nd\",\r\n,,\"\"\n\"e\"",
      "x\n\ny,z",
      ",",
  };
  for (const std::string& text : texts) {
    for (const CsvRow& row : ParseCsv(text)) {
      size_t previousEnd = 0;
      for (const CsvField& field : row.Fields) {
        ASSERT_LE(field.Begin, field.End) << text;
        ASSERT_LE(field.End, text.size()) << text;
        EXPECT_LE(previousEnd, field.Begin) << text;
        const std::string_view bytes =
            std::string_view(text).substr(field.Begin, field.End - field.Begin);
        EXPECT_EQ(Unquoted(bytes), field.Text) << text;
        EXPECT_EQ(!bytes.empty() && bytes.front() == '"', field.Quoted) << text;
        previousEnd = field.End;
      }
    }
  }
  // The byte-order mark is skipped but counted.
  EXPECT_EQ(ParseCsv(texts[0]).front().Fields.front().Begin, 3u);
  EXPECT_EQ(ParseCsv(texts[0]).back().Fields.back().Begin,
            ParseCsv(texts[0]).back().Fields.back().End);
}

}  // namespace
}  // namespace qualtren
