// Tests of filling a table from other datasets (CopyTable, CopyDataSet),
// of emptying it (ClearRecords, ClearTable) and of keeping its records when
// its field definitions change.
#include <gtest/gtest.h>

#include "base/datetime.h"
#include "base/exception.h"
#include "dataset/client_dataset.h"
#include "image_builder.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

using testing::AddRow;
using testing::Column;
using testing::OpenTextTable;
using testing::PinnedFormatSettings;

// A client dataset of seven records over several field types.
void FillSource(TClientDataSet& cds) {
  cds.FieldDefs().Add("Name", ftString, 10);
  cds.FieldDefs().Add("Num", ftInteger);
  cds.FieldDefs().Add("When", ftDateTime);
  cds.FieldDefs().Add("Big", ftLargeint);
  cds.FieldDefs().Add("Memo", ftMemo);
  cds.FieldDefs().Add("Bin", ftBlob);
  cds.FieldDefs().Add("Real", ftFloat);
  cds.FieldDefs().Add("Flag", ftBoolean);
  cds.FieldDefs().Add("Money", ftBCD, 4);
  cds.FieldDefs().Add("Wide", ftWideString, 5);
  cds.FieldDefs().Add("Fixed", ftFixedChar, 3);  // a type that a table cannot hold
  cds.Open();
  for (int i = 1; i <= 7; ++i) {
    cds.Append();
    cds.FieldByName("Name").SetAsString("name " + std::to_string(i));
    if (i != 3) cds.FieldByName("Num").SetAsInteger(i * 11);
    cds.FieldByName("When").SetAsDateTime(EncodeDate(2003, 7, 15) + EncodeTime(10, 20, 30, i));
    cds.FieldByName("Big").SetAsLargeInt((1LL << 40) * i);
    cds.FieldByName("Memo").SetAsString(std::string(static_cast<size_t>(i) * 10, 'm'));
    cds.FieldByName("Bin").SetAsBytes(std::string("\0\x01\xff", 3));
    cds.FieldByName("Real").SetAsFloat(i / 4.0);
    cds.FieldByName("Flag").SetAsBoolean(i % 2 == 0);
    cds.FieldByName("Money").SetAsString("-12.3456");
    cds.FieldByName("Wide").SetAsWideString(u"\u4e2dx");
    cds.FieldByName("Fixed").SetAsString("abc");
    cds.Post();
  }
}

TEST(CopyTest, CopyDataSetCopiesEveryValueKeepsReadOnlyAndTheSourcePosition) {
  TClientDataSet cds("cds");
  FillSource(cds);
  for (size_t i = 0; i < cds.FieldCount(); ++i)
    cds.Field(i).SetReadOnly(true);
  cds.First();
  for (int i = 1; i < 5; ++i)
    cds.Next();
  ASSERT_EQ(cds.RecNo(), 5);

  TVirtualTable t("t");
  OpenTextTable(t, "Old", 3, {"old"});
  t.Close();
  t.CopyTable(&cds);
  EXPECT_EQ(cds.RecNo(), 5);
  EXPECT_EQ(cds.FieldByName("Name").AsString(), "name 5");
  EXPECT_TRUE(cds.Active());
  EXPECT_FALSE(t.Active());
  // One definition per data field of a type the table holds.
  ASSERT_EQ(t.FieldDefs().Count(), 10u);
  EXPECT_EQ(t.FieldDefs().Find("Fixed"), nullptr);
  EXPECT_EQ(t.FieldDefs().Find("Old"), nullptr);
  EXPECT_NE(t.FieldDefs()[0].Attributes & faReadonly, 0);
  t.Open();
  for (size_t i = 0; i < t.FieldCount(); ++i)
    EXPECT_TRUE(t.Field(i).ReadOnly()) << t.Field(i).FieldName();
  ASSERT_EQ(t.RecordCount(), 7);
  cds.First();
  for (t.First(); !t.Eof(); t.Next(), cds.Next()) {
    for (size_t i = 0; i < t.FieldCount(); ++i) {
      const TField& mine = t.Field(i);
      const TField& theirs = cds.FieldByName(mine.FieldName());
      EXPECT_EQ(mine.IsNull(), theirs.IsNull()) << mine.FieldName();
      EXPECT_EQ(mine.AsString(), theirs.AsString()) << mine.FieldName();
    }
  }
  t.First();
  EXPECT_EQ(t.FieldByName("Big").AsLargeInt(), 1LL << 40);
  EXPECT_EQ(t.FieldByName("Bin").AsBytes(), std::string("\0\x01\xff", 3));

  // An open table stays open, on its first record, read-only flags kept.
  t.CopyDataSet(cds);
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_TRUE(t.FieldByName("Name").ReadOnly());
  EXPECT_EQ(t.RecordCount(), 7);
  // Without voPersistentData a table that ends closed keeps no records.
  TVirtualTable v("v");
  v.SetOptions(voStored);
  v.CopyDataSet(cds);
  EXPECT_FALSE(v.Active());
  v.Open();
  EXPECT_EQ(v.RecordCount(), 0);
  EXPECT_EQ(v.FieldDefs().Count(), 10u);
}

TEST(CopyTest, OnlyABcdFieldCarriesItsPrecision) {
  // A large integer of precision 10 would be held in 4 bytes by the copy.
  TClientDataSet cds("cds");
  cds.FieldDefs().Add("Big", ftLargeint).Precision = 10;
  cds.FieldDefs().Add("Small", ftSmallint).Precision = 3;
  cds.FieldDefs().Add("Money", ftBCD, 4).Precision = 12;
  cds.FieldDefs().Add("Dec", ftFMTBcd, 2).Precision = 20;
  cds.Open();
  cds.Append();
  cds.FieldByName("Big").SetAsLargeInt(5000000000LL);
  cds.FieldByName("Small").SetAsInteger(30000);
  cds.FieldByName("Money").SetAsString("12.5");
  cds.FieldByName("Dec").SetAsString("123.45");
  cds.Post();
  TVirtualTable t("t");
  t.CopyDataSet(cds);
  EXPECT_EQ(t.FieldDefs().Find("Big")->Precision, 0);
  EXPECT_EQ(t.FieldDefs().Find("Small")->Precision, 0);
  EXPECT_EQ(t.FieldDefs().Find("Money")->Precision, 12);
  EXPECT_EQ(t.FieldDefs().Find("Dec")->Precision, 0);
  t.Open();
  EXPECT_EQ(t.FieldByName("Big").AsLargeInt(), 5000000000LL);
  EXPECT_EQ(t.FieldByName("Small").AsInteger(), 30000);
  EXPECT_EQ(t.FieldByName("Money").AsFloat(), 12.5);
  EXPECT_EQ(t.FieldByName("Dec").AsFloat(), 123.45);
}

TEST(CopyTest, ClosedSourceAndCalculatedSourceFields) {
  TClientDataSet cds("cds");
  cds.AddField(CreateField(ftString, "A", 8));
  cds.AddField(CreateField(ftInteger, "B", 0));
  cds.Open();
  cds.Append();
  cds.FieldByName("A").SetAsString("x");
  cds.Post();
  cds.Close();
  TVirtualTable t("t");
  t.CopyDataSet(cds);
  ASSERT_EQ(t.FieldDefs().Count(), 2u);
  EXPECT_EQ(t.FieldDefs()[0].Size, 8);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(cds.Active());

  // A calculated field has no definition in its dataset.
  TClientDataSet calc("cds");
  calc.AddField(CreateField(ftString, "A", 8));
  auto c = CreateField(ftInteger, "Calc", 0);
  c->SetFieldKind(TFieldKind::fkCalculated);
  calc.AddField(std::move(c));
  calc.Open();
  AddRow(t, {"kept?"});
  try {
    t.CopyDataSet(calc);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "cds: Field 'Calc' not found");
  }
  // The table was emptied and stripped of its definitions by then; only
  // the fields before the calculated one got theirs.
  ASSERT_EQ(t.FieldDefs().Count(), 1u);
  EXPECT_EQ(t.FieldDefs()[0].Name, "A");
  EXPECT_FALSE(t.Active());
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  t.Close();
  calc.SetName("");
  try {
    t.CopyDataSet(calc);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "Field 'Calc' not found");
  }
}

TEST(CopyTest, CopyTableDispatch) {
  const PinnedFormatSettings isoFormats;  // the float values below are written with a point
  TVirtualTable t("t");
  try {
    t.CopyTable(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot assign a nil to a TVirtualTable");
  }

  // Another virtual table goes through a stream, with its field objects.
  TVirtualTable src("src");
  src.FieldDefs().Add("A", ftString, 5);
  src.FieldDefs().Add("B", ftFloat).Precision = 7;
  src.AddField(CreateField(ftString, "A", 5));
  src.AddField(CreateField(ftFloat, "B", 0));
  src.Open();
  for (const char* v : {"p", "q", "r"})
    AddRow(src, {v, "1.5"});
  src.SetRecNo(2);
  src.SetFilter("A <> 'r'");
  src.SetFiltered(true);
  src.Next();
  ASSERT_EQ(src.RecNo(), 2);
  t.CopyTable(&src);
  EXPECT_TRUE(src.Active());
  EXPECT_EQ(src.RecNo(), 2);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.FieldDefs()[1].Precision, 7);
  ASSERT_EQ(t.FieldCount(), 2u);
  EXPECT_FALSE(t.DefaultFields());
  EXPECT_EQ(t.DefsFromFields(), src.DefsFromFields());
  t.Open();
  // The copy holds what the source shows: its filter is in force.
  EXPECT_EQ(Column(t, "A"), (std::vector<std::string>{"p", "q"}));
  EXPECT_EQ(t.FieldByName("B").AsFloat(), 1.5);
  EXPECT_FALSE(t.Filtered());
}

TEST(CopyTest, ClearRecordsAndClearTable) {
  TVirtualTable t("t");
  OpenTextTable(t, "A", 5, {"a", "b"});
  TField* a = &t.FieldByName("A");
  // A pending insert is cancelled.
  t.Append();
  t.FieldByName("A").SetAsString("c");
  t.ClearRecords();
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(&t.FieldByName("A"), a);
  AddRow(t, {"d"});
  EXPECT_EQ(Column(t, "A"), std::vector<std::string>{"d"});
  // Closed: stays closed, definitions kept.
  t.Close();
  t.ClearRecords();
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.FieldDefs().Count(), 1u);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  AddRow(t, {"e"});
  t.Close();
  // ClearTable: no records, no definitions, no field objects.
  t.ClearTable();
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.FieldDefs().Count(), 0u);
  EXPECT_EQ(t.FieldCount(), 0u);
  t.FieldDefs().Add("B", ftInteger);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.FindField("A"), nullptr);
  // Persistent field objects go too.
  TVirtualTable p("p");
  p.FieldDefs().Add("X", ftString, 5);
  p.AddField(CreateField(ftString, "X", 5));
  p.ClearTable();
  EXPECT_EQ(p.FieldCount(), 0u);
}

TEST(CopyTest, ChangingDefinitionsKeepsRecordsByName) {
  TVirtualTable t("t");
  t.FieldDefs().Add("A", ftString, 5);
  t.FieldDefs().Add("B", ftInteger);
  t.Open();
  t.Append();
  t.FieldByName("A").SetAsString("a1");
  t.FieldByName("B").SetAsInteger(1);
  t.Post();
  AddRow(t, {"a2", nullptr});
  // Adding a definition to an open table with records.
  t.FieldDefs().Add("C", ftString, 3);
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(Column(t, "A"), (std::vector<std::string>{"a1", "a2"}));
  t.First();
  EXPECT_EQ(t.FieldByName("B").AsInteger(), 1);
  EXPECT_TRUE(t.FieldByName("C").IsNull());
  // Reordering and dropping on a closed table: matched by name, closed again.
  t.Close();
  t.FieldDefs().BeginUpdate();
  t.FieldDefs().Clear();
  t.FieldDefs().Add("B", ftInteger);
  t.FieldDefs().Add("A", ftString, 1);  // narrower: the values are cut
  t.FieldDefs().Add("D", ftUnknown);
  t.FieldDefs().EndUpdate();
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.FieldDefs()[2].DataType, ftString);
  EXPECT_EQ(t.FieldDefs()[2].Size, 20);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(Column(t, "A"), (std::vector<std::string>{"a", "a"}));
  t.First();
  EXPECT_EQ(t.FieldByName("B").AsInteger(), 1);
  EXPECT_EQ(t.Field(0).FieldName(), "B");
  // A table without records simply takes the new definitions.
  TVirtualTable e("e");
  e.FieldDefs().Add("A", ftString, 5);
  e.Open();
  e.FieldDefs().Add("B", ftString, 5);
  EXPECT_TRUE(e.Active());
  EXPECT_NE(e.FindField("B"), nullptr);
}

TEST(CopyTest, DataPropertyAndFinishLoading) {
  TVirtualTable src("src");
  OpenTextTable(src, "N", 5, {"abc"});
  // Writing: definitions and records without field objects; nothing
  // without voStored.
  TMemoryStream data;
  src.WriteData(data);
  EXPECT_EQ(data.Bytes(), testing::Save(src, false));
  src.SetOptions(voPersistentData);
  TMemoryStream none;
  src.WriteData(none);
  EXPECT_EQ(none.Size(), 0);

  // Reading: everything from the stream's position on, loaded data-only
  // once the form is read, then opened when the form said so.
  TMemoryStream form(std::string("xx") + data.Bytes());
  form.SetPosition(2);
  TVirtualTable t("t");
  t.BeginLoading();
  t.FieldDefs().Add("N", ftString, 5);
  t.ReadData(form);
  t.SetStreamedActive(true);
  EXPECT_FALSE(t.Active());
  t.FinishLoading();
  EXPECT_TRUE(t.Active());
  EXPECT_FALSE(t.Loading());
  EXPECT_EQ(Column(t, "N"), std::vector<std::string>{"abc"});
  // The empty image leaves an empty closed table.
  TMemoryStream empty(std::string("\x03\0\0\0\0\0\0\0\0\0", 10));
  TVirtualTable e("e");
  e.BeginLoading();
  e.ReadData(empty);
  e.FinishLoading();
  EXPECT_FALSE(e.Active());
  // A damaged image fails the form.
  TMemoryStream bad(data.Bytes().substr(0, data.Bytes().size() - 1));
  TVirtualTable b("b");
  b.BeginLoading();
  b.FieldDefs().Add("N", ftString, 5);
  b.ReadData(bad);
  EXPECT_THROW(b.FinishLoading(), EReadError);
  EXPECT_FALSE(b.Loading());
}

}  // namespace
}  // namespace qualtren
