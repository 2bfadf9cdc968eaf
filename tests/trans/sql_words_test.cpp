// Tests of the keyword list of SQL words: which of its words are reserved.
#include <gtest/gtest.h>

#include "trans/sql_words.h"

namespace qualtren {
namespace {

TEST(SqlWords, ReservedWordsAreAPropertyOfTheOneKeywordList) {
  // Reserved by every dialect, by T-SQL and two more, PL/SQL, PostgreSQL and
  // MySQL, MySQL; then keywords that none of the four reserves.
  for (const char* w : {"Order", "USER", "date", "limit", "signal"}) {
    EXPECT_TRUE(IsSqlKeyword(w)) << w;
    EXPECT_TRUE(IsReservedSqlWord(w)) << w;
  }
  for (const char* w : {"year", "value", "age", "nvarchar"}) {
    EXPECT_TRUE(IsSqlKeyword(w)) << w;
    EXPECT_FALSE(IsReservedSqlWord(w)) << w;
  }
  for (const char* w : {"Kupac", ""})
    EXPECT_FALSE(IsSqlKeyword(w) || IsReservedSqlWord(w)) << w;
}

}  // namespace
}  // namespace qualtren
