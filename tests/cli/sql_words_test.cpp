// Tests of the keyword list of SQL words: which of its words are reserved.
#include <gtest/gtest.h>

#include <initializer_list>

#include "cli/sql_words.h"

namespace qualtren {
namespace {

TEST(SqlWords, ReservedWordsAreAPropertyOfTheOneKeywordList) {
  struct TWord {
    const char* Word;
    bool Keyword, Reserved;
  };
  for (const TWord& w : std::initializer_list<TWord>{
           {"Order", true, true},   // every dialect
           {"USER", true, true},    // T-SQL, PL/SQL, PostgreSQL
           {"date", true, true},    // PL/SQL
           {"limit", true, true},   // PostgreSQL, MySQL
           {"signal", true, true},  // MySQL
           {"year", true, false},   // standard SQL only
           {"value", true, false},  // standard SQL only
           {"age", true, false},    // a PostgreSQL function
           {"nvarchar", true, false},
           {"Kupac", false, false},
           {"", false, false},
       }) {
    EXPECT_EQ(IsSqlKeyword(w.Word), w.Keyword) << w.Word;
    EXPECT_EQ(IsReservedSqlWord(w.Word), w.Reserved) << w.Word;
  }
}

}  // namespace
}  // namespace qualtren
