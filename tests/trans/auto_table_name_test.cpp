// Tests of the automatic table name and the A-to-Z-only case-blind search.
#include "trans/auto_table_name.h"

#include <gtest/gtest.h>

using namespace qualtren;

TEST(PosNoCase, FoldsAToZOnlyAndHasNoWildcards) {
  EXPECT_EQ(PosNoCase("from ", "select * FROM x"), 10u);
  EXPECT_EQ(PosNoCase("FROM", "from"), 1u);
  EXPECT_EQ(PosNoCase("x", "abc"), 0u);
  EXPECT_EQ(PosNoCase("", "abc"), 0u);
  EXPECT_EQ(PosNoCase("abcd", "abc"), 0u);
  // Bytes outside A to Z keep their case; [ and { are not folded together.
  EXPECT_EQ(PosNoCase("\xC8", "a\xE8"), 0u);
  EXPECT_EQ(PosNoCase("\xE8", "a\xE8"), 2u);
  EXPECT_EQ(PosNoCase("[", "{"), 0u);
  EXPECT_EQ(PosNoCase("@", "`"), 0u);
  // No wildcards.
  EXPECT_EQ(PosNoCase("a%", "abc"), 0u);
  EXPECT_EQ(PosNoCase("a_c", "abc"), 0u);
  EXPECT_EQ(PosNoCase("a_c", "xA_C"), 2u);
  EXPECT_TRUE(ContainsNoCase("JOIN ", "a join b"));
  EXPECT_FALSE(ContainsNoCase("join ", "a join\tb"));
}

namespace {
std::string Auto(const std::string& line) {
  return GetAutoTableName(line + "\r\n");
}
}  // namespace

TEST(GetAutoTableName, OneTableStatements) {
  EXPECT_EQ(Auto("select * from Kupac"), "kupac");
  EXPECT_EQ(Auto("SELECT * FROM Kupac WHERE Grad = 'X'"), "kupac");
  EXPECT_EQ(Auto("select Ime, Grad from Kupac, Racun where Ime = Grad"), "kupac");
  EXPECT_EQ(Auto("select * from Kupac k where k.Ime = 'X'"), "kupac");
  EXPECT_EQ(Auto("select * from   Kupac"), "kupac");
  EXPECT_EQ(Auto("select * from Kupac;"), "kupac;");
  EXPECT_EQ(Auto("select * from dbo.Kupac"), "dbo.kupac");
  EXPECT_EQ(Auto("select * from [Kupac]"), "[kupac]");
  // Only A to Z are lowered.
  EXPECT_EQ(Auto("select * from \xC8ZMA"), "\xC8zma");
}

TEST(GetAutoTableName, NoNameForJoinsSubQueriesAndOtherStatements) {
  EXPECT_EQ(Auto("select * from Kupac join Racun on Kupac.Ime = Racun.Kupac"), "");
  EXPECT_EQ(Auto("select * from Kupac where Grad in (select Grad from Racun)"), "");
  // The first "from " ends validfrom; the window then starts with "from ".
  EXPECT_EQ(Auto("select validfrom from Kupac"), "");
  EXPECT_EQ(Auto("select * from\r\nKupac"), "");
  EXPECT_EQ(Auto("select * from\tKupac"), "");
  EXPECT_EQ(Auto("select * from"), "");
  EXPECT_EQ(Auto("select * from Datafrom where Grad = 'X'"), "");
  EXPECT_EQ(Auto("insert into Kupac values (1)"), "");
  EXPECT_EQ(Auto("update Kupac set Grad = 'X'"), "");
  EXPECT_EQ(GetAutoTableName(""), "");
}

TEST(GetAutoTableName, NameRunsUpToCommaOrBlankOnly) {
  EXPECT_EQ(Auto("select * from Kupac\r\nwhere Grad = 'X'"), "kupac\r\nwhere");
  EXPECT_EQ(Auto("select * from Kupac\twhere"), "kupac\twhere");
  EXPECT_EQ(Auto("select * from Kupac(nolock) k"), "kupac(nolock)");
  EXPECT_EQ(Auto("delete from Kupac,x"), "kupac");
  // A comment is not special: its quoted word becomes the name.
  EXPECT_EQ(Auto("select 1 -- from 'Y'"), "'y'");
}

TEST(GetAutoTableName, SeesOnly2048CharactersAfterTheFirstFrom) {
  // "from " wholly inside the window empties the name.
  const std::string head = "select * from ";
  std::string window = "Kupac " + std::string(2048 - 6 - 5, 'x');
  EXPECT_EQ(GetAutoTableName(head + window + "from Racun\r\n"), "");
  EXPECT_EQ(GetAutoTableName(head + window + "join Racun\r\n"), "");
  // One that starts after the window is not seen.
  window = "Kupac " + std::string(2048 - 6, 'x');
  EXPECT_EQ(GetAutoTableName(head + window + "from Racun\r\n"), "kupac");
  EXPECT_EQ(GetAutoTableName(head + window + "join Racun\r\n"), "kupac");
  // A name longer than the window is cut at its end.
  EXPECT_EQ(GetAutoTableName(head + std::string(3000, 'K') + "\r\n"), std::string(2048, 'k'));
}
