// Tests of the automatic table name and the A-to-Z-only case-blind search.
#include "trans/auto_table_name.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace qualtren;

TEST(PosNoCase, FoldsAToZOnlyAndHasNoWildcards) {
  // What is sought, where, and the place it is found at from 1 (0: nowhere).
  const struct {
    const char* Sub;
    const char* Text;
    size_t Pos;
  } cases[] = {{"from ", "select * FROM x", 10},
               {"FROM", "from", 1},
               {"x", "abc", 0},
               {"", "abc", 0},
               {"abcd", "abc", 0},
               // Bytes outside A to Z keep their case; [ and { are not folded together.
               {"\xC8", "a\xE8", 0},
               {"\xE8", "a\xE8", 2},
               {"[", "{", 0},
               {"@", "`", 0},
               // No wildcards.
               {"a%", "abc", 0},
               {"a_c", "abc", 0},
               {"a_c", "xA_C", 2}};
  for (const auto& c : cases)
    EXPECT_EQ(PosNoCase(c.Sub, c.Text), c.Pos) << c.Sub << " in " << c.Text;
  EXPECT_TRUE(ContainsNoCase("JOIN ", "a join b"));
  EXPECT_FALSE(ContainsNoCase("join ", "a join\tb"));
}

namespace {
std::string Auto(const std::string& line) {
  return GetAutoTableName(line + "\r\n");
}

// One line of a statement and the table name worked out of it.
struct NameCase {
  const char* Line;
  const char* Name;
};

void ExpectNames(std::initializer_list<NameCase> cases) {
  for (const NameCase& c : cases)
    EXPECT_EQ(Auto(c.Line), c.Name) << c.Line;
}
}  // namespace

TEST(GetAutoTableName, OneTableStatements) {
  ExpectNames({
      {"select * from Kupac", "kupac"},
      {"SELECT * FROM Kupac WHERE Grad = 'X'", "kupac"},
      {"select Ime, Grad from Kupac, Racun where Ime = Grad", "kupac"},
      {"select * from Kupac k where k.Ime = 'X'", "kupac"},
      {"select * from   Kupac", "kupac"},
      {"select * from Kupac;", "kupac;"},
      {"select * from dbo.Kupac", "dbo.kupac"},
      {"select * from [Kupac]", "[kupac]"},
      // Only A to Z are lowered.
      {"select * from \xC8ZMA", "\xC8zma"},
  });
}

TEST(GetAutoTableName, NoNameForJoinsSubQueriesAndOtherStatements) {
  ExpectNames({
      {"select * from Kupac join Racun on Kupac.Ime = Racun.Kupac", ""},
      {"select * from Kupac where Grad in (select Grad from Racun)", ""},
      // The first "from " ends validfrom; the window then starts with "from ".
      {"select validfrom from Kupac", ""},
      {"select * from\r\nKupac", ""},
      {"select * from\tKupac", ""},
      {"select * from", ""},
      {"select * from Datafrom where Grad = 'X'", ""},
      {"insert into Kupac values (1)", ""},
      {"update Kupac set Grad = 'X'", ""},
  });
  EXPECT_EQ(GetAutoTableName(""), "");
}

TEST(GetAutoTableName, NameRunsUpToCommaOrBlankOnly) {
  ExpectNames({
      {"select * from Kupac\r\nwhere Grad = 'X'", "kupac\r\nwhere"},
      {"select * from Kupac\twhere", "kupac\twhere"},
      {"select * from Kupac(nolock) k", "kupac(nolock)"},
      {"delete from Kupac,x", "kupac"},
      // A comment is not special: its quoted word becomes the name.
      {"select 1 -- from 'Y'", "'y'"},
  });
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
