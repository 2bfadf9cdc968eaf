// Tests of the IndexFieldNames grammar and of the ordering of sort values.
#include "table/sort_columns.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/exception.h"

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

}  // namespace
}  // namespace qualtren
