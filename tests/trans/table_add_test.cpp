// Tests of the rules of table add over plain rows: one table of cases, each
// the rows held, the rows to add and what must become of them.
#include "trans/table_add.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace qualtren {
namespace {

constexpr unsigned kAllowEmpty = 1, kReplace = 2, kAllowSeparator = 4;

struct TCase {
  const char* Name;
  TNameKind Kind;
  unsigned Allow;  // kAllowEmpty, kReplace, kAllowSeparator
  std::vector<TTransRow> Held, Rows;
  std::vector<size_t> Added, Replaced;
  size_t Skipped;
  std::vector<std::pair<size_t, std::string>> Refusals;  // row, reason
  std::map<int, size_t> ReplaceAt;
};

// Decides the rows of `c` and checks each decision against the case.
void ExpectDecision(const TCase& c) {
  TTableAddRules rules;
  rules.Kind = c.Kind;
  rules.TableName = "t.vtd";
  rules.EnglishField = TransTableLayout(c.Kind).EnglishField;
  rules.AllowEmpty = (c.Allow & kAllowEmpty) != 0;
  rules.Replace = (c.Allow & kReplace) != 0;
  rules.RefuseSeparator = (c.Allow & kAllowSeparator) == 0;
  const TTableAddDecision d =
      DecideTableAdd(c.Held, c.Rows, rules, [](size_t i) { return "row " + std::to_string(i); });
  EXPECT_EQ(d.Added, c.Added);
  EXPECT_EQ(d.Replaced, c.Replaced);
  EXPECT_EQ(d.Skipped, c.Skipped);
  EXPECT_EQ(d.ReplaceAt, c.ReplaceAt);
  ASSERT_EQ(d.Refusals.size(), c.Refusals.size());
  for (size_t i = 0; i < c.Refusals.size(); ++i) {
    EXPECT_EQ(d.Refusals[i].Row, c.Refusals[i].first);
    EXPECT_EQ(d.Refusals[i].Reason, c.Refusals[i].second);
  }
}

TEST(TableAdd, DecidesEachRowByTheRules) {
  const TNameKind kT = TNameKind::Table, kC = TNameKind::Column;
  const TCase cases[] = {
      {"new rows added, a held one and a repeat skipped, letter case ignored",
       kT,
       0,
       {{1, "", "Kupac", "Customer"}},
       {{0, "", "KUPAC", "Customer"}, {0, "", "Racun", "Invoice"}, {0, "", "racun", "Invoice"}},
       {1},
       {},
       2,
       {},
       {}},
      {"an empty English name, a separator, a conflict within the rows and with the table",
       kT,
       0,
       {{1, "", "Kupac", "Customer"}},
       {{0, "", "Grad", ""},
        {0, "", "Racun", "Sales Invoice"},
        {0, "", "Popust", "Discount"},
        {0, "", "POPUST", "Rebate"},
        {0, "", "Kupac", "Client"}},
       {2},
       {},
       0,
       {{0,
         "the English name (TableNameAng) is empty: the row would make its word vanish from "
         "the translated SQL (fill it in, leave the row out, or give --allow-empty)"},
        {1,
         "the English name (TableNameAng) \"Sales Invoice\" holds a blank, where the "
         "translation cuts words: the translated SQL would get it as more than one word "
         "(write it as one word, or leave the row out)"},
        {3,
         "(\"POPUST\", \"Rebate\") gives its local name another English name than row 2 "
         "(\"Popust\", \"Discount\")"},
        {4,
         "(\"Kupac\", \"Client\") gives its local name another English name than record 1 "
         "of t.vtd (\"Kupac\", \"Customer\") (--replace replaces it)"}},
       {}},
      {"allowed: an empty name, a separator; replaced: every record of a held name",
       kT,
       kAllowEmpty | kReplace | kAllowSeparator,
       {{1, "", "Kupac", "Customer"}, {2, "", "Racun", "Invoice"}, {3, "", "KUPAC", "Buyer"}},
       {{0, "", "Grad", ""}, {0, "", "Mjesto", "Place x"}, {0, "", "kupac", "Client"}},
       {0, 1},
       {2},
       0,
       {},
       {{1, 2}, {3, 2}}},
      {"columns: the same name in two tables, and of any table, are three names",
       kC,
       0,
       {{1, "Kupac", "Grad", "City"}},
       {{0, "Racun", "Grad", "Town"}, {0, "", "Grad", "Place"}, {0, "kupac", "GRAD", "Town"}},
       {0, 1},
       {},
       0,
       {{2,
         "(\"kupac\", \"GRAD\", \"Town\") gives its local name another English name than "
         "record 1 of t.vtd (\"Kupac\", \"Grad\", \"City\") (--replace replaces it)"}},
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ExpectDecision(c);
  }
}

}  // namespace
}  // namespace qualtren
