// Tests of the guess of what an unknown name names, from its statement.
#include "trans/name_guess.h"

#include <gtest/gtest.h>

#include <string>

using namespace qualtren;

namespace {

// The guess for the word marked by "@" in `text` ("@" itself taken out).
TNameGuess Guess(std::string text) {
  const size_t at = text.find('@');
  text.erase(at, 1);
  return GuessNameKind(text, at);
}

struct TCase {
  const char* Text;
  TNameKind Kind;
  const char* Table;
};

}  // namespace

TEST(GuessNameKind, TheKeywordBeforeTheNameAndTheStatementsTable) {
  const TCase cases[] = {
      {"select a from @Popust", TNameKind::Table, ""},
      {"select a from Kupac k join @Popust p on p.x = k.y", TNameKind::Table, ""},
      {"insert into @Popust (a) values (1)", TNameKind::Table, ""},
      {"UPDATE @Popust set a = 1", TNameKind::Table, ""},
      {"select * FROM dbo.@Popust", TNameKind::Table, ""},
      {"select * from [dbo].[@Popust]", TNameKind::Table, ""},
      {"exec @Obracun 2024", TNameKind::Procedure, ""},
      {"EXECUTE dbo.@Obracun", TNameKind::Procedure, ""},
      {"select @Popust from Kupac", TNameKind::Column, "Kupac"},
      {"select k.@Popust from dbo.[Kupac] k", TNameKind::Column, "Kupac"},
      {"update Racun set @Napomena = 'x' where a = 1", TNameKind::Column, ""},
      // The statement ends at a semicolon outside quotes, and at a "go" line.
      {"select a from Racun; select @Popust from Kupac where b = ';'", TNameKind::Column, "Kupac"},
      {"select @Popust from Kupac; select a from Racun", TNameKind::Column, "Kupac"},
      {"select a from Racun\ngo\nselect @Popust from Kupac", TNameKind::Column, "Kupac"},
      {"select @Popust from Kupac\r\ngo\r\nselect a from Racun", TNameKind::Column, "Kupac"},
      {"select x from a where y = 'a;b' and @Popust = 1", TNameKind::Column, "a"},
      // Two tables: no one table for the column.
      {"select @Popust from Kupac k join Racun r on r.k = k.k", TNameKind::Column, ""},
  };
  for (const TCase& c : cases) {
    const TNameGuess guess = Guess(c.Text);
    EXPECT_EQ(guess.Kind, c.Kind) << c.Text;
    EXPECT_EQ(guess.Table, c.Table) << c.Text;
  }
}

TEST(StatementAround, CutsAtSemicolonsOutsideQuotesAndAtBatchLines) {
  const std::string text = "a;b ';' c\n go \n/\nd";
  EXPECT_EQ(StatementAround(text, 0), (std::pair<size_t, size_t>{0, 1}));
  EXPECT_EQ(StatementAround(text, 3), (std::pair<size_t, size_t>{2, 8}));
  EXPECT_EQ(StatementAround(text, text.size() - 1), (std::pair<size_t, size_t>{17, 1}));
}

TEST(StatementTableAsWritten, GivesTheNameAsTheStatementWritesIt) {
  EXPECT_EQ(StatementTableAsWritten("kupac", "select a FROM  Kupac"), "Kupac");
  EXPECT_EQ(StatementTableAsWritten("dbo.[kupac]", "select a from dbo.[Kupac]"), "Kupac");
  EXPECT_EQ(StatementTableAsWritten("", "select 1"), "");
}
