// Tests of the check of the three translation tables as a set: one table of
// cases, each a handful of rows and the findings it must give in order, and
// the reading of rows from loaded tables.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/codepage.h"
#include "trans/table_check.h"
#include "trans/translate.h"
#include "trans_fixture.h"

namespace qualtren {
namespace {

using K = TCheckKind;
constexpr TNameKind kT = TNameKind::Table, kP = TNameKind::Procedure, kC = TNameKind::Column;

// The keyword notions of the cases: a few words stand for the real list.
bool TestKeyword(std::string_view w) {
  for (std::string_view k : {"plan", "order", "select", "user"})
    if (EqualsNoCase(w, k)) return true;
  return false;
}
bool TestReserved(std::string_view w) {
  return EqualsNoCase(w, "order") || EqualsNoCase(w, "select") || EqualsNoCase(w, "user");
}

struct TRowSpec {
  TNameKind Table;
  std::string Scope, Local, English;
};

struct TExpected {
  TCheckKind Kind;
  TNameKind Table;
  int Record;
  TNameKind OtherTable = kT;
  int OtherRecord = 0;  // 0: no other row
  int Rows = 0;

  bool operator==(const TExpected&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TExpected& e) {
  return os << "{kind " << static_cast<int>(e.Kind) << ", table " << static_cast<int>(e.Table)
            << ", record " << e.Record << ", other " << static_cast<int>(e.OtherTable) << "/"
            << e.OtherRecord << ", rows " << e.Rows << "}";
}

std::vector<TExpected> Check(const std::vector<TRowSpec>& specs) {
  TTransRows rows;
  for (const TRowSpec& s : specs) {
    auto& list = rows[static_cast<size_t>(s.Table)];
    list.push_back({static_cast<int>(list.size()) + 1, s.Scope, s.Local, s.English});
  }
  std::vector<TExpected> out;
  for (const TCheckFinding& f : CheckTransRows(rows, {TestKeyword, TestReserved})) {
    TExpected e{f.Kind, f.Row.Table, f.Row.Row.Record};
    if (f.Other) {
      e.OtherTable = f.Other->Table;
      e.OtherRecord = f.Other->Row.Record;
    }
    e.Rows = f.Rows;
    out.push_back(e);
  }
  return out;
}

struct TCase {
  const char* Name;
  std::vector<TRowSpec> Rows;
  std::vector<TExpected> Findings;
};

// A set that gives nothing: the same column name in two tables with two
// English names, a column of no particular table, a local name that is
// also a table name, English names that only change letter case.
const std::vector<TRowSpec> kClean = {
    {kT, "", "Kupac", "Customer"},        {kT, "", "Racun", "Invoice"},
    {kP, "", "Obracun", "Settle"},        {kC, "Kupac", "Ime", "Name"},
    {kC, "Kupac", "Grad", "City"},        {kC, "Racun", "Grad", "PlaceOfIssue"},
    {kC, "Racun", "Kupac", "CustomerId"}, {kC, "", "Popust", "Discount"},
    {kC, "Racun", "Status", "STATUS"},    {kC, "racun", "Plan", "PLAN"},
};

const std::vector<TCase> kCases = {
    {"clean", kClean, {}},
    {"empty English name", {{kC, "", "Grad", ""}}, {{K::EmptyEnglish, kC, 1}}},
    {"English name holding a separator",
     {{kT, "", "Kupac", "dbo.Customer"}, {kP, "", "Obracun", "Settle Up"}},
     {{K::EnglishSeparator, kT, 1}, {K::EnglishSeparator, kP, 1}}},
    {"local name twice, another English name: the first wins",
     {{kT, "", "Kupac", "Customer"}, {kT, "", "KUPAC", "Client"}},
     {{K::ConflictingDuplicate, kT, 2, kT, 1}}},
    {"English names that differ in letter case conflict",
     {{kT, "", "Kupac", "Customer"}, {kC, "Kupac", "Ime", "Name"}, {kC, "kupac", "ime", "NAME"}},
     {{K::ConflictingDuplicate, kC, 2, kC, 1}}},
    {"a later duplicate tells only that it is one",
     {{kT, "", "Kupac", "Customer"}, {kT, "", "Kupac", ""}, {kT, "", "Kupac", "Customer"}},
     {{K::ConflictingDuplicate, kT, 2, kT, 1}, {K::RepeatedRow, kT, 3, kT, 1}}},
    {"local names that never match, whatever their English name",
     {{kT, "", "", "Customer"}, {kP, "", "sp Run", ""}, {kC, "", "Grad\t", "City"}},
     {{K::UnmatchableLocal, kT, 1}, {K::UnmatchableLocal, kP, 1}, {K::UnmatchableLocal, kC, 1}}},
    {"local name that is a keyword", {{kP, "", "plan", "Schedule"}}, {{K::LocalIsKeyword, kP, 1}}},
    {"reserved English names",
     {{kT, "", "Narudzba", "Order"}, {kT, "", "Korisnik", "USER"}},
     {{K::ReservedEnglish, kT, 1}, {K::ReservedEnglish, kT, 2}}},
    {"one English name for two columns of a table, two tables, two procedures",
     {{kC, "Kupac", "Ime", "Name"},
      {kC, "Artikl", "Naziv", "Name"},
      {kC, "KUPAC", "Naziv", "name"},
      {kT, "", "Kupac", "Customer"},
      {kT, "", "Korisnik", "Customer"},
      {kP, "", "spA", "Run"},
      {kP, "", "spB", "Run"}},
     {{K::SharedEnglish, kT, 2, kT, 1},
      {K::SharedEnglish, kP, 2, kP, 1},
      {K::SharedEnglish, kC, 3, kC, 1},
      {K::UnknownTable, kC, 2, kT, 0, 1}}},
    {"English name that is the local name of a row giving another",
     {{kT, "", "Racun", "Invoice"}, {kC, "Racun", "Iznos", "racun"}},
     {{K::EnglishIsLocal, kC, 1, kT, 1}}},
    {"English name that is a local name of a later row of it",
     {{kP, "", "Total", "Total"}, {kC, "", "total", "Sum"}},
     {{K::EnglishIsLocal, kP, 1, kC, 1}}},
    {"English name that a second run turns into nothing",
     {{kT, "", "Racun", "Bill"}, {kC, "", "Bill", ""}},
     {{K::EmptyEnglish, kC, 1}, {K::EnglishIsLocal, kT, 1, kC, 1}}},
    {"column rows of a table that the table names lack, counted once",
     {{kT, "", "Kupac", "Customer"},
      {kC, "Stavka", "A", "X"},
      {kC, "Kupac", "B", "Y"},
      {kC, "STAVKA", "C", "Z"},
      {kC, "Stavka", "", "W"}},
     {{K::UnmatchableLocal, kC, 4}, {K::UnknownTable, kC, 1, kT, 0, 3}}},
    {"repeated row",
     {{kT, "", "Kupac", "Customer"}, {kT, "", "kupac", "Customer"}},
     {{K::RepeatedRow, kT, 2, kT, 1}}},
    {"one of each: errors first, each severity's most harmful kind first",
     {{kT, "", "Kupac", "Customer"},
      {kT, "", "Narudzba", "Order"},
      {kT, "", "Kupac", "Customer"},
      {kT, "", "Kupac", "Client"},
      {kT, "", "Korisnik", "Customer"},
      {kT, "", "Stavka Racuna", "InvoiceLine"},
      {kP, "", "plan", "Schedule"},
      {kP, "", "spSum", "Kupac"},
      {kC, "Kupac", "Ime", "Name"},
      {kC, "Kupac", "Grad", ""},
      {kC, "Kupac", "Adresa", "Street Address"},
      {kC, "Artikl", "Cijena", "Price"}},
     {{K::EmptyEnglish, kC, 2},
      {K::EnglishSeparator, kC, 3},
      {K::ConflictingDuplicate, kT, 4, kT, 1},
      {K::UnmatchableLocal, kT, 6},
      {K::LocalIsKeyword, kP, 1},
      {K::ReservedEnglish, kT, 2},
      {K::SharedEnglish, kT, 5, kT, 1},
      {K::EnglishIsLocal, kP, 2, kT, 1},
      {K::UnknownTable, kC, 4, kT, 0, 1},
      {K::RepeatedRow, kT, 3, kT, 1}}},
};

TEST(TableCheck, FindsEachMistakeOnceInOrder) {
  for (const TCase& c : kCases)
    EXPECT_EQ(Check(c.Rows), c.Findings) << c.Name;
}

TEST(TableCheck, TheFourKindsThatTranslateWrongOrNeverAreErrors) {
  for (size_t k = 0; k < kCheckKindCount; ++k)
    EXPECT_EQ(IsCheckError(static_cast<TCheckKind>(k)), k < 4) << k;
}

TEST(TableCheck, LocalNamesFoldAsTheCodePageFoldsThem) {
  // 0xB9 and 0xA5 are a letter and its upper case in code page 1250 only.
  const std::vector<TRowSpec> rows = {{kT, "", "\xB9", "A"}, {kT, "", "\xA5", "B"}};
  const int saved = ActiveCodePage();
  SetActiveCodePage(1250);
  EXPECT_EQ(Check(rows), (std::vector<TExpected>{{K::ConflictingDuplicate, kT, 2, kT, 1}}));
  SetActiveCodePage(1252);
  EXPECT_EQ(Check(rows), std::vector<TExpected>{});
  SetActiveCodePage(saved);
}

TEST(TableCheck, RowsAreReadInStoredOrderWithNullsAsEmptyTexts) {
  transtest::TransTestTables tables;
  tables.AddTable("Kupac", "Customer");
  tables.AddProc("Obracun", "Settle");
  tables.AddColumn("Kupac", "Ime", "Name");
  tables.tableStr.Append();
  tables.tableStr.FieldByName("FieldName").SetAsString("Grad");
  tables.tableStr.Post();
  const TTransRows rows = ReadTransRows(tables.set, "tables");
  ASSERT_EQ(rows[2].size(), 2u);
  EXPECT_EQ(rows[2][1].Record, 2);
  EXPECT_EQ(rows[2][1].Scope, "");
  EXPECT_EQ(rows[2][1].Local, "Grad");
  EXPECT_EQ(rows[2][1].English, "");
  EXPECT_EQ(rows[0][0].English, "Customer");
  EXPECT_EQ(rows[1][0].Local, "Obracun");

  transtest::TransTestTables lacking(false);
  lacking.AddColumn("Kupac", "Ime", "");
  try {
    ReadTransRows(lacking.set, "tables");
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "tables/Q47SifTableStr.vtd: no field FieldNameAng");
  }
}

TEST(TableCheck, LayoutsNameTheFieldsOfEachTable) {
  EXPECT_EQ(LayoutOfFields({"TableName", "FieldName", "fieldnameang"}),
            &TransTableLayout(TNameKind::Column));
  EXPECT_EQ(LayoutOfFields({"Naziv", "ProcedureNameAng"}), &TransTableLayout(TNameKind::Procedure));
  EXPECT_EQ(LayoutOfFields({"TableName", "TableNameAng"})->File, std::string(kTableNamesFile));
  EXPECT_EQ(LayoutOfFields({"TableName", "FieldName"}), nullptr);
}

}  // namespace
}  // namespace qualtren
