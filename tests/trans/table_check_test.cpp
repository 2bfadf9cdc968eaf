// Tests of the check of the three translation tables as a set: one table of
// cases, each a handful of rows and the findings it must give, in order. (A
// set with one case of each finding is checked through the command line.)
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "trans/table_check.h"
#include "trans/translate.h"

namespace qualtren {
namespace {

using K = TCheckKind;
constexpr TNameKind kT = TNameKind::Table, kP = TNameKind::Procedure, kC = TNameKind::Column;

struct TRowSpec {
  TNameKind Table;
  std::string Scope, Local, English;
};

// A finding as kind, table and record, and the other row's table and record.
struct TExpected {
  TCheckKind Kind;
  TNameKind Table;
  int Record, OtherTable = -1, OtherRecord = 0, Rows = 0;
  bool operator==(const TExpected&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TExpected& e) {
  return os << "{" << int(e.Kind) << ", " << int(e.Table) << ", " << e.Record << ", "
            << e.OtherTable << ", " << e.OtherRecord << ", " << e.Rows << "}";
}

std::vector<TExpected> Check(const std::vector<TRowSpec>& specs) {
  TTransRows rows;
  for (const TRowSpec& s : specs) {
    auto& list = rows[static_cast<size_t>(s.Table)];
    list.push_back({static_cast<int>(list.size()) + 1, s.Scope, s.Local, s.English});
  }
  // Keywords are those of the keyword list: "year" is one that no dialect
  // reserves, "order" a reserved one.
  std::vector<TExpected> out;
  for (const TCheckFinding& f : CheckTransRows(rows))
    out.push_back({f.Kind, f.Row.Table, f.Row.Row.Record, f.Other ? int(f.Other->Table) : -1,
                   f.Other ? f.Other->Row.Record : 0, f.Rows});
  return out;
}

TEST(TableCheck, FindsEachMistakeOnceInOrder) {
  const int t = int(kT), p = int(kP), c = int(kC);
  const struct {
    const char* Name;
    std::vector<TRowSpec> Rows;
    std::vector<TExpected> Findings;
  } cases[] = {
      {"clean: a column name of two tables, of any table, English names in another case",
       {{kT, "", "Kupac", "Customer"},
        {kT, "", "Racun", "Invoice"},
        {kP, "", "Obracun", "Settle"},
        {kC, "Kupac", "Grad", "City"},
        {kC, "Racun", "Grad", "PlaceOfIssue"},
        {kC, "Racun", "Kupac", "CustomerId"},
        {kC, "", "Popust", "Discount"},
        {kC, "racun", "Year", "YEAR"}},
       {}},
      {"a later duplicate and an empty local name tell only that; a name matched only quoted "
       "is checked on",
       {{kT, "", "Kupac", "Customer"},
        {kT, "", "Kupac", ""},
        {kP, "", "", ""},
        {kC, "", "Grad\t", "Order"},
        {kC, "", "Grad x", ""},
        {kC, "", "grad X", "Town"}},
       {{K::EmptyEnglish, kC, 2},
        {K::ConflictingDuplicate, kT, 2, t, 1},
        {K::ConflictingDuplicate, kC, 3, c, 2},
        {K::UnmatchableLocal, kP, 1},
        {K::QuotedOnlyLocal, kC, 1},
        {K::QuotedOnlyLocal, kC, 2},
        {K::ReservedEnglish, kC, 1}}},
      {"one English name: in one table, not in two; for two tables and two procedures",
       {{kC, "Kupac", "Ime", "Name"},
        {kC, "Artikl", "Naziv", "Name"},
        {kC, "KUPAC", "Naziv", "name"},
        {kT, "", "Kupac", "Customer"},
        {kT, "", "Artikl", "customer"},
        {kP, "", "a", "Run"},
        {kP, "", "b", "Run"}},
       {{K::SharedEnglish, kT, 2, t, 1},
        {K::SharedEnglish, kP, 2, p, 1},
        {K::SharedEnglish, kC, 3, c, 1}}},
      {"English names that a second run translates again, to another name or to nothing",
       {{kT, "", "Racun", "Bill"},
        {kP, "", "Total", "Total"},
        {kC, "", "total", "Sum"},
        {kC, "", "bill", ""}},
       {{K::EmptyEnglish, kC, 2},
        {K::EnglishIsLocal, kT, 1, c, 2},
        {K::EnglishIsLocal, kP, 1, c, 1}}},
      {"column rows of an unknown table, counted once, letter case ignored",
       {{kT, "", "Kupac", "Customer"},
        {kC, "Stavka", "A", "X"},
        {kC, "Kupac", "B", "Y"},
        {kC, "STAVKA", "C", "Z"},
        {kC, "Stavka", "", "W"}},
       {{K::UnmatchableLocal, kC, 4}, {K::UnknownTable, kC, 1, -1, 0, 3}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Check(c.Rows), c.Findings) << c.Name;
  for (size_t k = 0; k < kCheckKindCount; ++k)
    EXPECT_EQ(IsCheckError(static_cast<TCheckKind>(k)), k < 4) << k;
}

// The table of kinds: one row per kind in the order of TCheckKind, the
// errors first, each with its own name and a message whose braces pair up.
TEST(TableCheck, KindsAreOneRowEachInOrder) {
  std::set<std::string> names;
  bool warningSeen = false;
  for (size_t k = 0; k < kCheckKindCount; ++k) {
    const TCheckKindInfo& info = CheckKindInfo(static_cast<TCheckKind>(k));
    EXPECT_EQ(static_cast<size_t>(info.Kind), k);
    EXPECT_EQ(IsCheckError(info.Kind), info.Error);
    EXPECT_FALSE(info.Error && warningSeen) << info.Name << ": an error after a warning";
    warningSeen = warningSeen || !info.Error;
    EXPECT_TRUE(names.insert(info.Name).second) << info.Name;
    int depth = 0;
    for (const char* c = info.Message; *c; ++c) {
      depth += *c == '{' ? 1 : *c == '}' ? -1 : 0;
      EXPECT_TRUE(depth == 0 || depth == 1) << info.Name;
    }
    EXPECT_EQ(depth, 0) << info.Name;
  }
}

}  // namespace
}  // namespace qualtren
