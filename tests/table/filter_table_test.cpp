// Tests of filters and index order on whole tables: the property routines
// (when a text is parsed, when the current record moves), the record-filter
// hook, and the equality index checked against a full scan on large tables.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

using testing::AddRow;
using testing::Column;

// The values of the random records (nullptr for a null; a byte above 127
// in octal, which ends after three digits).
const std::vector<const char*> kLookupValues = {
    "x",      "X",       "y",       "Y",        "abc",  "ABC",   "a_c", "a%c",
    "\212ab", "\232ab",  "\350x",   "\310X",    "",     nullptr, "x ",  " x",
    "xy",     "O'Brien", "o'brien", "\xfe\xde", "\xdf", "*",     "%"};

// The constants of the random filters.
const std::vector<std::string> kLookupConstants = {
    "x",  "X",        "Y",        "abc",   "aBc",    "a_c",    "a%",    "%",
    "*",  "_",        "x*",       "\x9a%", "\212AB", "\232ab", "\350X", "",
    "x ", "O''Brien", "O''BRIEN", "\xde",  "\xfe",   "a%c",    "zzz"};

// A random filter of one to three equality terms over TableName and
// FieldName, a constant on either side, joined by and, or and not.
std::string RandomEqualityFilter(std::mt19937& random) {
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  const std::vector<const char*> fields = {"TableName", "FieldName", "FieldNameAng"};
  auto term = [&] {
    std::string field = fields[pick(2)];
    std::string c = "'" + kLookupConstants[pick(kLookupConstants.size())] + "'";
    return pick(6) == 0 ? c + " = " + field : field + " = " + c;
  };
  std::string text = term();
  switch (pick(5)) {
    case 0:
      break;
    case 1:
      text += "  and " + term();
      break;
    case 2:
      text += " AND " + term() + " And " + term();
      break;
    case 3:
      text += " or " + term();
      break;
    default:
      text = "(" + text + ") and not " + term();
  }
  return text;
}

class FilterTable : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCodePage_ = ActiveCodePage();
    SetActiveCodePage(1250);
  }
  void TearDown() override { SetActiveCodePage(savedCodePage_); }

  // A table like the column-name translation table, with an Id to tell
  // records apart.
  static void MakeColumns(TVirtualTable& t) {
    t.FieldDefs().Add("TableName", ftString, 20);
    t.FieldDefs().Add("FieldName", ftString, 20);
    t.FieldDefs().Add("FieldNameAng", ftString, 20);
    t.FieldDefs().Add("Id", ftInteger);
  }
  static void AddColumn(TVirtualTable& t, int id, const char* table, const char* field) {
    t.Append();
    if (table) t.FieldByName("TableName").SetAsString(table);
    if (field) t.FieldByName("FieldName").SetAsString(field);
    t.FieldByName("FieldNameAng").SetAsString("e" + std::to_string(id));
    t.FieldByName("Id").SetAsInteger(id);
    t.Post();
  }
  // Records 1 to count, odd and even by FieldName, filtered by `filter`
  // ignoring case.
  static void OddAndEven(TVirtualTable& t, int count, const char* filter) {
    MakeColumns(t);
    t.Open();
    for (int i = 1; i <= count; ++i)
      AddColumn(t, i, "T", i % 2 ? "odd" : "even");
    t.SetFilterOptions(foCaseInsensitive);
    t.SetFilter(filter);
    t.SetFiltered(true);
  }
  // The ids of the records that pass, in order; the table is left on its
  // first passing record.
  static std::vector<int> Ids(TVirtualTable& t) {
    std::vector<int> out;
    for (t.First(); !t.Eof(); t.Next())
      out.push_back(t.FieldByName("Id").AsInteger());
    t.First();
    return out;
  }
  // The indexed and the scanned table stand on the same record and pass
  // the same records.
  static void ExpectSameLookup(TVirtualTable& indexed, TVirtualTable& scanned,
                               const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(indexed.Eof(), scanned.Eof());
    ASSERT_EQ(indexed.RecordCount(), scanned.RecordCount());
    EXPECT_EQ(indexed.RecNo(), scanned.RecNo());
    if (!indexed.Eof()) {
      EXPECT_EQ(indexed.FieldByName("Id").AsInteger(), scanned.FieldByName("Id").AsInteger());
    }
    ASSERT_EQ(Ids(indexed), Ids(scanned));
  }
  // Opens two equal tables of `records` random columns, the scanned one
  // without its equality index.
  static void FillRandomly(TVirtualTable& indexed, TVirtualTable& scanned, int records) {
    const int kRecords = records;
    for (TVirtualTable* t : {&indexed, &scanned}) {
      MakeColumns(*t);
      t->Open();
    }
    scanned.Data().SetUseEqualityIndex(false);
    std::mt19937 data(7);
    for (int i = 1; i <= kRecords; ++i) {
      const char* a = kLookupValues[data() % kLookupValues.size()];
      const char* b = kLookupValues[data() % kLookupValues.size()];
      AddColumn(indexed, i, a, b);
      AddColumn(scanned, i, a, b);
    }
  }
  // Edits, deletes and inserts records with the filter off, then turns it
  // back on.
  static void EditWithoutTheFilter(TVirtualTable& t) {
    t.SetFiltered(false);
    t.SetRecNo(17);
    t.Edit();
    t.FieldByName("FieldName").SetAsString("X");
    t.FieldByName("TableName").SetAsString("y");
    t.Post();
    t.SetRecNo(18);
    t.Delete();
    t.First();
    t.Insert();
    t.FieldByName("FieldName").SetAsString("x");
    t.FieldByName("TableName").SetAsString("\x8a");
    t.FieldByName("Id").SetAsInteger(-1);
    t.Post();
    t.SetFiltered(true);
  }
  static std::string Error(const std::function<void()>& f) {
    try {
      f();
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  }

  int savedCodePage_ = 1252;
};

TEST_F(FilterTable, SettingTheSameTextOrOptionsDoesNotMove) {
  TVirtualTable t("t");
  OddAndEven(t, 5, "FieldName = 'ODD'");
  EXPECT_EQ(t.RecordCount(), 3);
  t.Next();
  t.Next();
  ASSERT_EQ(t.FieldByName("Id").AsInteger(), 5);
  t.SetFilter("FieldName = 'ODD'");
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 5);
  t.SetFilterOptions(foCaseInsensitive);
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 5);
  t.SetFiltered(true);
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 5);
  // A different text that passes the same records still moves to the first.
  t.SetFilter("FieldName = 'odd'");
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 1);
  t.Last();
  t.SetFilterOptions(foCaseInsensitive | foNoPartialCompare);
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 1);
  // Without case folding the lower-case text still passes them.
  t.SetFilterOptions(0);
  EXPECT_EQ(t.RecordCount(), 3);
  t.SetFilter("FieldName = 'ODD'");
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Eof());
}

TEST_F(FilterTable, RejectedTextsLeaveTheProperties) {
  TVirtualTable t("t");
  OddAndEven(t, 4, "FieldName = 'even'");
  for (const char* bad : {"FieldName = ", "FieldName = 'x' // note", "FieldName = 'x' x",
                          "Nope = 'x'", "FieldName = 'x' \x01"}) {
    EXPECT_NE(Error([&] { t.SetFilter(bad); }), "") << bad;
    EXPECT_EQ(t.Filter(), "FieldName = 'even'");
    EXPECT_EQ(t.FilterOptions(), foCaseInsensitive);
    EXPECT_TRUE(t.Filtered());
  }
  EXPECT_EQ(Error([&] { t.SetFilter("Nope = 'x'"); }), "Field Nope not found");
  // The table still answers, and the next good text works.
  t.SetFilter("FieldName = 'odd'");
  EXPECT_EQ(Ids(t), (std::vector<int>{1, 3}));
  // A blank filter passes everything.
  t.SetFilter(" \t\r\n ");
  EXPECT_EQ(t.RecordCount(), 4);
  EXPECT_TRUE(t.Filtered());
}

TEST_F(FilterTable, UnknownFieldsFailOnlyInAnOpenStore) {
  // A store that never opened keeps the text; opening fails and leaves the
  // table closed.
  TVirtualTable t("t");
  MakeColumns(t);
  t.SetFilter("Nope = 'x'");
  t.SetFiltered(true);
  EXPECT_EQ(Error([&] { t.Open(); }), "Field Nope not found");
  EXPECT_FALSE(t.Active());
  EXPECT_FALSE(t.Data().Active());
  t.SetFilter("TableName = 'x'");
  t.Open();
  EXPECT_TRUE(t.Active());

  // An open table: not filtered, the text is only kept; switching Filtered on
  // fails and leaves it off.
  TVirtualTable u("u");
  MakeColumns(u);
  u.Open();
  AddColumn(u, 1, "x", "y");
  EXPECT_EQ(Error([&] { u.SetFilter("Nope = 'x'"); }), "");
  EXPECT_EQ(Error([&] { u.SetFiltered(true); }), "Field Nope not found");
  EXPECT_FALSE(u.Filtered());
  EXPECT_EQ(u.RecordCount(), 1);
  // Filtered and open: the text fails when it is set.
  u.SetFilter("TableName = 'x'");
  u.SetFiltered(true);
  EXPECT_EQ(Error([&] { u.SetFilter("Nope = 'x'"); }), "Field Nope not found");
  EXPECT_EQ(u.Filter(), "TableName = 'x'");
  // A closed table whose store stayed open (voPersistentData) parses at once.
  u.Close();
  EXPECT_EQ(Error([&] { u.SetFilter("Nope = 'x'"); }), "Field Nope not found");
  u.SetFiltered(false);
  EXPECT_EQ(Error([&] { u.SetFilter("Nope = 'x'"); }), "");
  EXPECT_EQ(Error([&] { u.Open(); }), "");
  EXPECT_EQ(Error([&] { u.SetFiltered(true); }), "Field Nope not found");
}

TEST_F(FilterTable, RecordFilterHookIsAskedFirst) {
  TVirtualTable t("t");
  t.FieldDefs().Add("D", ftDate);
  t.FieldDefs().Add("N", ftInteger);
  t.Open();
  for (int i = 1; i <= 6; ++i) {
    t.Append();
    t.FieldByName("D").SetAsDateTime(EncodeDate(2000, 1, i));
    t.FieldByName("N").SetAsInteger(i);
    t.Post();
  }
  // The expression cannot be evaluated (no date); a hook that rejects every
  // record keeps it from being asked.
  int calls = 0;
  t.SetOnFilterRecord([&](TDataSet& ds, bool& accept) {
    ++calls;
    EXPECT_EQ(ds.State(), TDataSetState::dsFilter);
    accept = false;
  });
  t.SetFilter("D = 'no date at all'");
  EXPECT_EQ(Error([&] { t.SetFiltered(true); }), "");
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(calls, 6);
  EXPECT_EQ(t.State(), TDataSetState::dsBrowse);
  // Hook and expression together: both must accept; each record is asked
  // once per filter.
  t.SetFilter("N > 2");
  calls = 0;
  t.SetOnFilterRecord([&](TDataSet& ds, bool& accept) {
    ++calls;
    accept = ds.FieldByName("N").AsInteger() % 2 == 0;
  });
  std::vector<std::string> n = Column(t, "N");
  EXPECT_EQ(n, (std::vector<std::string>{"4", "6"}));
  EXPECT_EQ(calls, 6);
  // Without Filtered the hook is not asked.
  t.SetFiltered(false);
  calls = 0;
  EXPECT_EQ(t.RecordCount(), 6);
  EXPECT_EQ(calls, 0);

  // An error raised by the handler goes to the table's error handler; the
  // record keeps the Accept that the handler had set before it raised.
  t.SetFilter("");
  std::vector<std::string> shown;
  t.SetFilterErrorHandler([&](const std::exception& e) { shown.push_back(e.what()); });
  t.SetOnFilterRecord([&](TDataSet& ds, bool& accept) {
    const int n = ds.FieldByName("N").AsInteger();
    accept = n % 3 == 0;
    if (n > 4) throw EDatabaseError("record " + std::to_string(n));
  });
  t.SetFiltered(true);
  EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"3", "6"}));
  EXPECT_EQ(shown, (std::vector<std::string>{"record 5", "record 6"}));
  // Without an error handler the error is dropped.
  t.SetFilterErrorHandler(nullptr);
  t.SetFiltered(false);
  t.SetFiltered(true);
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(FilterTable, LookupFilterOnALargeTable) {
  constexpr int kRecords = 100000;
  TVirtualTable t("t");
  MakeColumns(t);
  t.Open();
  // Three records pass; the others miss by one field, a letter or a blank.
  const char* misses[4][2] = {{"other", "X"}, {"y", "a"}, {"Y", "x "}, {"y ", "x"}};
  for (int i = 1; i <= kRecords; ++i) {
    bool hit = i == 50000 || i == 70001 || i == kRecords;
    AddColumn(t, i, hit ? "y" : misses[i % 4][0], hit ? "x" : misses[i % 4][1]);
  }
  t.SetFilterOptions(foCaseInsensitive);
  for (bool index : {true, false}) {
    SCOPED_TRACE(index);
    t.Data().SetUseEqualityIndex(index);
    t.SetFilter("");
    t.SetFiltered(true);
    t.SetFilter("FieldName = 'x'  and TableName = 'y'");
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.FieldByName("Id").AsInteger(), 50000);
    EXPECT_EQ(t.FieldByName("FieldNameAng").AsString(), "e50000");
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.RecordCount(), 3);
    t.Next();
    t.Next();
    EXPECT_EQ(t.FieldByName("Id").AsInteger(), kRecords);
    EXPECT_FALSE(t.Eof());
    t.Next();
    EXPECT_TRUE(t.Eof());
    t.SetFilterOptions(foCaseInsensitive | foNoPartialCompare);
    t.SetFilter("FieldName = 'x'  and TableName = 'y' and FieldNameAng = 'e70001'");
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.FieldByName("Id").AsInteger(), 70001);
    t.Next();
    EXPECT_TRUE(t.Eof());
    t.SetFilter("FieldName = 'x'  and TableName = 'nothing'");
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecordCount(), 0);
    t.SetFilterOptions(foCaseInsensitive);
    t.SetFiltered(false);
  }
}

// Random lookups on two equal tables, one with the equality index and one
// scanning, must give the same records in the same order.
TEST_F(FilterTable, EqualityIndexAgreesWithTheScan) {
  constexpr int kRecords = 100000;

  std::mt19937 random(20240607);
  auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  TVirtualTable indexed("indexed"), scanned("scanned");
  FillRandomly(indexed, scanned, kRecords);
  auto compare = [&](const std::string& what) { ExpectSameLookup(indexed, scanned, what); };
  auto both = [&](const std::function<void(TVirtualTable&)>& f) {
    f(indexed);
    f(scanned);
  };
  both([](TVirtualTable& t) { t.SetFiltered(true); });
  for (int round = 0; round < 100; ++round) {
    std::string text = RandomEqualityFilter(random);
    TFilterOptions options = static_cast<TFilterOptions>(pick(4));
    both([&](TVirtualTable& t) {
      t.SetFilterOptions(options);
      t.SetFilter(text);
    });
    // A new filter leaves the first passing record current.
    ASSERT_EQ(indexed.RecNo(), indexed.Eof() ? 0 : 1);
    compare(text + " / options " + std::to_string(options));
  }

  // Edits, appends and deletes drop the index; the verdicts stay right.
  both([](TVirtualTable& t) {
    t.SetFilterOptions(foCaseInsensitive);
    t.SetFilter("FieldName = 'x'  and TableName = 'y'");
  });
  compare("lookup");
  const int firstHit = indexed.FieldByName("Id").AsInteger();
  both([](TVirtualTable& t) {
    t.Edit();
    t.FieldByName("FieldName").SetAsString("changed");
    t.Post();
  });
  compare("after an edit that leaves the filter");
  both([&](TVirtualTable& t) { AddColumn(t, kRecords + 1, "Y", "x"); });
  compare("after an append");
  both(EditWithoutTheFilter);
  compare("after edits made without the filter");
  EXPECT_NE(indexed.FieldByName("Id").AsInteger(), firstHit);
  both([](TVirtualTable& t) {
    t.First();
    t.Delete();
  });
  compare("after deleting the first passing record");
  both([](TVirtualTable& t) { t.SetFilter("FieldName = 'x' and TableName = '\x9a'"); });
  compare("the inserted record, folded");
  EXPECT_EQ(indexed.FieldByName("Id").AsInteger(), -1);
}

TEST_F(FilterTable, IndexFieldNamesOnATable) {
  TVirtualTable t("t");
  MakeColumns(t);
  t.Open();
  AddColumn(t, 1, "b", "1");
  AddColumn(t, 2, nullptr, "2");
  AddColumn(t, 3, "A", "3");
  AddColumn(t, 4, "c", "4");
  AddColumn(t, 5, "a", "5");
  t.SetIndexFieldNames("TableName DESC CIS; FieldName");
  EXPECT_EQ(t.IndexFieldNames(), "TableName DESC CIS; FieldName");
  EXPECT_EQ(Ids(t), (std::vector<int>{4, 1, 3, 5, 2}));
  // Record numbers follow the new order.
  t.First();
  t.Next();
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 1);
  t.SetRecNo(5);
  EXPECT_EQ(t.FieldByName("Id").AsInteger(), 2);
  // Rejected texts keep the former text and order.
  EXPECT_EQ(Error([&] { t.SetIndexFieldNames("TableName DESC ASC"); }),
            "Invalid IndexFieldNames format!");
  EXPECT_EQ(Error([&] { t.SetIndexFieldNames("TableName CS CIS"); }),
            "Invalid IndexFieldNames format!");
  EXPECT_EQ(Error([&] { t.SetIndexFieldNames("Nope"); }), "Field Nope not found");
  EXPECT_EQ(t.IndexFieldNames(), "TableName DESC CIS; FieldName");
  EXPECT_EQ(Ids(t), (std::vector<int>{4, 1, 3, 5, 2}));
  // Ascending, case-sensitive: nulls first.
  t.SetIndexFieldNames("tablename");
  std::vector<int> ids = Ids(t);
  ASSERT_EQ(ids.size(), 5u);
  EXPECT_EQ(ids.front(), 2);
  EXPECT_EQ(ids.back(), 4);
  // An empty text leaves the present order, also across closing and opening.
  t.SetIndexFieldNames("");
  EXPECT_EQ(Ids(t), ids);
  t.Close();
  t.Open();
  EXPECT_EQ(Ids(t), ids);
  // A filter on a sorted table keeps the order.
  t.SetIndexFieldNames("Id DESC");
  t.SetFilter("Id > 2");
  t.SetFiltered(true);
  EXPECT_EQ(Ids(t), (std::vector<int>{5, 4, 3}));
  EXPECT_EQ(t.RecordCount(), 3);
  // An index text set on a closed store is checked when it opens.
  TVirtualTable u("u");
  MakeColumns(u);
  u.SetIndexFieldNames("Nope");
  EXPECT_EQ(Error([&] { u.Open(); }), "Field Nope not found");
  EXPECT_FALSE(u.Active());
}

}  // namespace
}  // namespace qualtren
