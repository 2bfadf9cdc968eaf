// Tests of the IndexFieldNames grammar, of the ordering of sort values and
// of sorting a table by them.
#include "table/sort_columns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/codepage.h"
#include "base/collation.h"
#include "base/exception.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

class SortColumnsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetActiveCodePage(1252);
    for (const char* name : {"TableName", "FieldName", "Field Name", "Desc"}) {
      auto d = std::make_unique<TFieldDesc>();
      d->Name = d->ActualName = name;
      d->DataType = dtString;
      fields_.Add(std::move(d));
    }
  }
  std::string Error(std::string_view text) {
    try {
      ParseIndexFieldNames(text, fields_);
    } catch (const EDatabaseError& e) {
      return e.what();
    }
    return "no error";
  }

  TFieldDescs fields_;
};

TEST_F(SortColumnsTest, ColumnsAndModifiers) {
  EXPECT_TRUE(ParseIndexFieldNames("", fields_).empty());
  EXPECT_TRUE(ParseIndexFieldNames(" \t ", fields_).empty());
  EXPECT_TRUE(ParseIndexFieldNames(";,;", fields_).empty());

  TSortColumns cols = ParseIndexFieldNames("tablename DESC cis; FieldName", fields_);
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0].Field, fields_.Find("TableName"));
  EXPECT_TRUE(cols[0].Descending);
  EXPECT_TRUE(cols[0].CaseInsensitive);
  EXPECT_EQ(cols[1].Field, fields_.Find("FieldName"));
  EXPECT_FALSE(cols[1].Descending);
  EXPECT_FALSE(cols[1].CaseInsensitive);

  cols = ParseIndexFieldNames("TableName Cis Desc", fields_);
  ASSERT_EQ(cols.size(), 1u);
  EXPECT_TRUE(cols[0].Descending && cols[0].CaseInsensitive);
  cols = ParseIndexFieldNames("TableName ASC CS", fields_);
  EXPECT_FALSE(cols[0].Descending || cols[0].CaseInsensitive);

  // Separators, empty entries, quoted and bracketed names.
  cols = ParseIndexFieldNames(";; 'FieldName' desc ,, [Field Name] ; \"TableName\" ,", fields_);
  ASSERT_EQ(cols.size(), 3u);
  EXPECT_EQ(cols[0].Field, fields_.Find("FieldName"));
  EXPECT_TRUE(cols[0].Descending);
  EXPECT_EQ(cols[1].Field, fields_.Find("Field Name"));
  EXPECT_EQ(cols[2].Field, fields_.Find("TableName"));
  // A field may carry the name of a modifier.
  cols = ParseIndexFieldNames("Desc DESC", fields_);
  ASSERT_EQ(cols.size(), 1u);
  EXPECT_EQ(cols[0].Field, fields_.Find("Desc"));
  EXPECT_TRUE(cols[0].Descending);
}

TEST_F(SortColumnsTest, Errors) {
  for (const char* text :
       {"TableName DESC ASC", "TableName CS CIS", "TableName DESC DESC", "TableName FieldName",
        "TableName = 1", "TableName DESC x", "TableName ;, Desc CIS CS", "(TableName)",
        "TableName // c", "12", "TableName.FieldName"}) {
    EXPECT_EQ(Error(text), "Invalid IndexFieldNames format!") << text;
  }
  EXPECT_EQ(Error("X"), "Field X not found");
  EXPECT_EQ(Error(";; x desc ;"), "Field x not found");
  EXPECT_EQ(Error("TableName; [No Such]"), "Field No Such not found");
}

TEST(CompareSortValuesTest, Ordering) {
  SetActiveCodePage(1252);
  const Variant null;
  EXPECT_EQ(CompareSortValues(null, null, false), 0);
  EXPECT_LT(CompareSortValues(null, Variant::Text(""), false), 0);
  EXPECT_GT(CompareSortValues(Variant::Integer(-5), null, false), 0);
  EXPECT_LT(CompareSortValues(Variant::Text("a"), Variant::Text("b"), false), 0);
  EXPECT_EQ(CompareSortValues(Variant::Text("abc"), Variant::Text("ABC"), true), 0);
  EXPECT_NE(CompareSortValues(Variant::Text("abc"), Variant::Text("ABC"), false), 0);
  // Locale collation, not bytes: "B" sorts before "a" only bytewise.
  EXPECT_LT(CompareSortValues(Variant::Text("a"), Variant::Text("B"), false), 0);
  EXPECT_LT(CompareSortValues(Variant::Integer(2), Variant::Integer(10), false), 0);
  EXPECT_GT(CompareSortValues(Variant::Double(2.5), Variant::Integer(2), false), 0);
  EXPECT_LT(CompareSortValues(Variant::DateTime(1.0), Variant::DateTime(2.0), false), 0);
  EXPECT_LT(CompareSortValues(Variant::Boolean(false), Variant::Boolean(true), false), 0);
}

int Sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// A sort may rely only on an order that is consistent: antisymmetric, and
// transitive both in "not greater" and in "equal", over every kind a
// variant field can hold.
TEST(CompareSortValuesTest, AConsistentOrderOverMixedKinds) {
  SetActiveCodePage(1252);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Variant> values = {
      Variant(),
      Variant::Text(""),
      Variant::Text("a"),
      Variant::Text("A"),
      Variant::Text("b"),
      Variant::Text("10"),
      Variant::Integer(-3),
      Variant::Integer(2),
      Variant::Integer(9007199254740992),  // 2^53
      Variant::Integer(9007199254740993),
      Variant::Integer(std::numeric_limits<int64_t>::max()),
      Variant::Integer(std::numeric_limits<int64_t>::min()),
      Variant::Double(9007199254740992.0),
      Variant::Double(2.0),
      Variant::Double(2.5),
      Variant::Double(-0.0),
      Variant::Double(nan),
      Variant::Double(inf),
      Variant::Double(-inf),
      Variant::Double(9.3e18),
      Variant::DateTime(2.0),
      Variant::DateTime(-1.25),
      Variant::Boolean(false),
      Variant::Boolean(true),
  };
  for (bool ci : {false, true}) {
    for (const Variant& a : values) {
      for (const Variant& b : values) {
        const int ab = CompareSortValues(a, b, ci);
        ASSERT_EQ(Sign(ab), -Sign(CompareSortValues(b, a, ci)))
            << a.ToString() << "|" << b.ToString();
        for (const Variant& c : values) {
          const int bc = CompareSortValues(b, c, ci), ac = CompareSortValues(a, c, ci);
          if (ab <= 0 && bc <= 0) {
            ASSERT_LE(ac, 0) << a.ToString() << b.ToString() << c.ToString();
          }
          if (ab == 0 && bc == 0) {
            ASSERT_EQ(ac, 0) << a.ToString() << b.ToString() << c.ToString();
          }
        }
      }
    }
  }
  // Integers beyond a double's precision compare exactly.
  EXPECT_GT(CompareSortValues(Variant::Integer(9007199254740993),
                              Variant::Double(9007199254740992.0), false),
            0);
  EXPECT_GT(CompareSortValues(Variant::Double(nan), Variant::Double(inf), false), 0);
}

// Sorting a table: organ-pipe, sorted, reversed and random input with many
// equal keys comes out in the order of the columns (equal records in either
// order) and keeps every record.
TEST(SortTable, EveryInputOrderComesOutSorted) {
  SetActiveCodePage(1252);
  using Row = std::pair<int, std::string>;
  const int n = 3000;
  std::mt19937 random(7);
  std::vector<std::vector<Row>> inputs(4);
  for (int i = 0; i < n; ++i) {
    const int pipe = i < n / 2 ? i : n - 1 - i;
    const std::string name = std::string(1, static_cast<char>('a' + i % 3)) + (i % 2 ? "X" : "x");
    inputs[0].push_back({pipe / 4, name});
    inputs[1].push_back({i / 5, name});
    inputs[2].push_back({(n - i) / 5, name});
    inputs[3].push_back({static_cast<int>(random() % 200), name});
  }
  for (const std::vector<Row>& input : inputs) {
    TVirtualTable t("t");
    t.FieldDefs().Add("Key", ftInteger);
    t.FieldDefs().Add("Name", ftString, 10);
    t.Open();
    for (const Row& r : input) {
      t.Append();
      t.FieldByName("Key").SetAsInteger(r.first);
      t.FieldByName("Name").SetAsString(r.second);
      t.Post();
    }
    t.SetIndexFieldNames("Key DESC; Name CIS");
    std::vector<Row> out;
    for (t.First(); !t.Eof(); t.Next())
      out.push_back({t.FieldByName("Key").AsInteger(), t.FieldByName("Name").AsString()});
    ASSERT_EQ(out.size(), input.size());
    for (size_t i = 1; i < out.size(); ++i) {
      ASSERT_GE(out[i - 1].first, out[i].first) << i;
      if (out[i - 1].first == out[i].first) {
        ASSERT_LE(AnsiCompareText(out[i - 1].second, out[i].second), 0) << i;
      }
    }
    std::vector<Row> expected = input;
    std::sort(expected.begin(), expected.end());
    std::sort(out.begin(), out.end());
    EXPECT_EQ(out, expected);
    EXPECT_EQ(t.RecordCount(), n);
  }
}

}  // namespace
}  // namespace qualtren
