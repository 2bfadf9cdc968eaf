// Tests of the binary table image: images built by hand byte for byte,
// written by SaveTableStream and read by LoadTableStream, the old versions,
// format detection, and the open state, current record and field objects
// around loading and saving. The value encodings are tested in
// binary_file_values_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "image_builder.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

// The helpers of image_builder.h and table_fixture.h.
using namespace testing;

const std::string kEmptyImage("\x03\0\0\0\0\0\0\0\0\0", 10);

TEST(BinaryFile, EmptyTableIsTenBytesAndLeavesTheOpenStateAlone) {
  TVirtualTable empty("e");
  EXPECT_EQ(Save(empty, false), kEmptyImage);
  EXPECT_EQ(Save(empty, true), kEmptyImage);
  EXPECT_FALSE(empty.Active());

  TVirtualTable t("t");
  OpenTextTable(t, "N", 10, {"a", "b"});
  t.Close();
  // A data-only load of the empty image on a closed table: no records, closed.
  Load(t, kEmptyImage, false);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.FieldDefs().Count(), 1u);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  // ... and on an open table: no records, still open.
  AddRow(t, {"c"});
  Load(t, kEmptyImage, false);
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldByName("N").FieldName(), "N");

  // The file form on a closed table loses the definitions too.
  ScratchDir dir;
  std::ofstream(dir.File("empty.vtd"), std::ios::binary) << kEmptyImage;
  TVirtualTable f("f");
  f.FieldDefs().Add("N", ftString, 10);
  f.LoadTableFile(dir.File("empty.vtd"));
  EXPECT_FALSE(f.Active());
  EXPECT_EQ(f.FieldDefs().Count(), 0u);
  EXPECT_EQ(f.FieldCount(), 0u);
}

TEST(BinaryFile, OneFieldExampleByteForByte) {
  const std::string literal(
      "\x03\x00"
      "\x01\x00"
      "\x09\x00"
      "TableName"
      "\x01\x00"
      "\x14\x00"
      "\x00\x00\x00\x00"
      "\x00\x00"
      "\x01\x00\x00\x00"
      "\x03\x00\x00\x00"
      "abc",
      36);
  TVirtualTable t("t");
  OpenTextTable(t, "TableName", 20, {"abc"});
  EXPECT_EQ(Save(t, true), literal);

  TVirtualTable u("u");
  Load(u, literal);
  EXPECT_FALSE(u.Active());
  EXPECT_EQ(u.LastLoadedVersion(), 3);
  ASSERT_EQ(u.FieldDefs().Count(), 1u);
  const TFieldDef& def = u.FieldDefs()[0];
  EXPECT_EQ(def.Name, "TableName");
  EXPECT_EQ(def.DataType, ftString);
  EXPECT_EQ(def.Size, 20);
  EXPECT_EQ(def.Precision, 0);
  EXPECT_FALSE(def.Required);
  u.Open();
  EXPECT_TRUE(u.DefaultFields());
  EXPECT_EQ(Column(u, "TableName"), std::vector<std::string>{"abc"});
}

TEST(BinaryFile, OldVersionsAndVersionsAboveThree) {
  // Version 0: no precision, no field object block, 2-byte value lengths.
  Image v0;
  v0.U16(0).U16(2).OldDef("S", ftString, 10).OldDef("L", ftLargeint, 0).I32(2);
  v0.OldValue("ab").OldValue(LE<int64_t>(-5));
  v0.OldValue("").OldValue(LE<int64_t>(1LL << 40));
  TVirtualTable t("t");
  Load(t, v0.Bytes());
  EXPECT_EQ(t.LastLoadedVersion(), 0);
  ASSERT_EQ(t.FieldDefs().Count(), 2u);
  EXPECT_EQ(t.FieldDefs()[1].Precision, 0);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(t.FieldByName("S").AsString(), "ab");
  EXPECT_EQ(t.FieldByName("L").AsLargeInt(), -5);
  t.Next();
  EXPECT_TRUE(t.FieldByName("S").IsNull());
  EXPECT_EQ(t.FieldByName("L").AsLargeInt(), 1LL << 40);

  // Version 1: the field object block is there; its entries become
  // persistent field objects; still 2-byte lengths.
  Image v1;
  v1.U16(1).U16(2).OldDef("S", ftString, 10).OldDef("I", ftInteger, 0);
  v1.U16(2).FieldObject("S", 0, ftString, 10).FieldObject("I", 0, ftInteger, 0);
  v1.I32(1).OldValue("xyz").OldValue(LE<int32_t>(42));
  TVirtualTable u("u");
  Load(u, v1.Bytes());
  EXPECT_EQ(u.LastLoadedVersion(), 1);
  ASSERT_EQ(u.FieldCount(), 2u);
  EXPECT_FALSE(u.DefaultFields());
  EXPECT_EQ(u.Field(0).FieldName(), "S");
  EXPECT_EQ(u.Field(0).Size(), 10);
  EXPECT_EQ(u.Field(1).DataType(), ftInteger);
  u.Open();
  EXPECT_EQ(u.FieldByName("S").AsString(), "xyz");
  EXPECT_EQ(u.FieldByName("I").AsInteger(), 42);

  // Version 2: 4-byte lengths, still no precision (a large integer is then
  // held in 8 bytes).
  Image v2;
  v2.U16(2).U16(2).OldDef("F", ftFloat, 0).OldDef("L", ftLargeint, 0).U16(0).I32(1);
  v2.Value(LE<double>(2.5)).Value(LE<int64_t>(-7));
  TVirtualTable w("w");
  Load(w, v2.Bytes());
  EXPECT_EQ(w.FieldDefs()[0].Precision, 0);
  w.Open();
  EXPECT_EQ(w.FieldByName("F").AsFloat(), 2.5);
  EXPECT_EQ(w.FieldByName("L").AsLargeInt(), -7);

  // Version 7 reads like version 3: precision present; it is kept only for
  // the types that use it.
  Image v7;
  v7.U16(7).U16(2).Def("L", ftLargeint, 0, 5).Def("S", ftString, 5, 99).U16(0).I32(1);
  v7.Value(LE<int32_t>(-99999)).Value("hello");
  TVirtualTable x("x");
  Load(x, v7.Bytes());
  EXPECT_EQ(x.LastLoadedVersion(), 7);
  EXPECT_EQ(x.FieldDefs()[0].Precision, 5);
  EXPECT_EQ(x.FieldDefs()[1].Precision, 0);
  x.Open();
  EXPECT_EQ(x.Data().Fields().Find("L")->DataType, dtInt32Largeint);
  EXPECT_EQ(x.FieldByName("L").AsLargeInt(), -99999);
  EXPECT_EQ(x.FieldByName("S").AsString(), "hello");
}

TEST(BinaryFile, RecordCountZeroWithDefinitions) {
  Image img;
  img.U16(3).U16(2).Def("A", ftString, 10).Def("B", ftInteger, 0).U16(0).I32(0);
  // Trailing bytes after a count of 0 are not read.
  img.Raw("garbage");

  TVirtualTable closed("c");
  OpenTextTable(closed, "X", 3, {"x"});
  closed.Close();
  Load(closed, img.Bytes());
  EXPECT_FALSE(closed.Active());
  ASSERT_EQ(closed.FieldDefs().Count(), 2u);
  EXPECT_EQ(closed.FieldDefs()[0].Name, "A");
  EXPECT_EQ(closed.FieldDefs()[1].DataType, ftInteger);
  closed.Open();
  EXPECT_EQ(closed.RecordCount(), 0);
  EXPECT_EQ(closed.FindField("X"), nullptr);

  TVirtualTable open("o");
  OpenTextTable(open, "X", 3, {"x"});
  Load(open, img.Bytes());
  EXPECT_TRUE(open.Active());
  EXPECT_EQ(open.RecordCount(), 0);
  EXPECT_TRUE(open.Eof());
  EXPECT_NE(open.FindField("B"), nullptr);
}

TEST(BinaryFile, DataOnlyLoadMatchesFieldsByName) {
  // The file has A and B; the table has A and C.
  Image img;
  img.U16(3).U16(2).Def("A", ftString, 10).Def("B", ftString, 10).U16(0).I32(2);
  img.Value("a1").Value("b1").Value("a2").Value("b2");
  TVirtualTable t("t");
  t.FieldDefs().Add("C", ftInteger);
  t.FieldDefs().Add("a", ftString, 10);
  t.Open();
  t.Append();
  t.FieldByName("C").SetAsInteger(5);
  t.Post();
  Load(t, img.Bytes(), false);
  EXPECT_TRUE(t.Active());
  ASSERT_EQ(t.FieldDefs().Count(), 2u);
  EXPECT_EQ(t.FieldDefs()[0].Name, "C");
  EXPECT_EQ(t.FindField("B"), nullptr);
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_EQ(Column(t, "a"), (std::vector<std::string>{"a1", "a2"}));
  for (t.First(); !t.Eof(); t.Next())
    EXPECT_TRUE(t.FieldByName("C").IsNull());
}

// More data field objects than definitions: the field objects then describe
// the table, but each record holds one value per definition of the file, in
// file order.
TEST(BinaryFile, ValuesFollowTheFileDefinitionsWhenFieldObjectsOutnumberThem) {
  Image img;
  img.U16(3).U16(2).Def("N", ftInteger, 0).Def("S", ftString, 10).U16(3);
  img.FieldObject("N", 0, ftInteger, 0).FieldObject("X", 0, ftInteger, 0);
  img.FieldObject("S", 0, ftString, 10).I32(2);
  img.Value(LE<int32_t>(1)).Value("one").Value(LE<int32_t>(2)).Value("two");
  TVirtualTable t("t");
  ASSERT_EQ(LoadError(t, img.Bytes()), "");
  t.Open();
  ASSERT_EQ(t.FieldDefs().Count(), 3u);
  EXPECT_EQ(t.FieldDefs()[1].Name, "X");
  EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Column(t, "S"), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Column(t, "X"), (std::vector<std::string>{"", ""}));
  for (t.First(); !t.Eof(); t.Next())
    EXPECT_TRUE(t.FieldByName("X").IsNull());
}

TEST(BinaryFile, LoadReadsFromTheStartAndSaveWritesAtThePosition) {
  TVirtualTable t("t");
  OpenTextTable(t, "N", 4, {"abc"});
  const std::string image = Save(t);

  TMemoryStream in(image);
  in.SetPosition(7);
  TVirtualTable u("u");
  u.LoadTableStream(in, true);
  u.Open();
  EXPECT_EQ(Column(u, "N"), std::vector<std::string>{"abc"});

  TMemoryStream out(std::string("HEADER"));
  out.SetPosition(6);
  t.SaveTableStream(out, true);
  EXPECT_EQ(out.Bytes(), "HEADER" + image);
  // In the middle of older bytes: they are overwritten from the position on.
  TMemoryStream mid(std::string("0123456789"));
  mid.SetPosition(2);
  t.SaveTableStream(mid, true);
  EXPECT_EQ(mid.Bytes(), "01" + image);
}

TEST(BinaryFile, FormatDetection) {
  const std::string xmlBody =
      "xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
      "<s:AttributeType name='A'><s:datatype dt:type='string' rs:dbtype='str' "
      "dt:maxlength='10'/></s:AttributeType></s:ElementType></s:Schema>"
      "<rs:data><z:row A='x'/></rs:data>";
  // A byte-order mark and an XML declaration.
  {
    TVirtualTable t("t");
    Load(t, "\xEF\xBB\xBF<?xml version='1.0'?><xml " + xmlBody + "</xml>");
    EXPECT_EQ(t.LastLoadedVersion(), -1);
    t.Open();
    EXPECT_EQ(Column(t, "A"), std::vector<std::string>{"x"});
  }
  // "<XmL" in mixed case.
  {
    TVirtualTable t("t");
    Load(t, "<XmL " + xmlBody + "</XmL>");
    EXPECT_EQ(t.LastLoadedVersion(), -1);
    t.Open();
    EXPECT_EQ(Column(t, "A"), std::vector<std::string>{"x"});
  }
  // "<x" followed by anything but "ml" is binary: here a valid empty image
  // of version 0x783C.
  {
    TVirtualTable t("t");
    Load(t, std::string("<x\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(t.LastLoadedVersion(), 0x783C);
    // "<?xmq": binary, and its definition count runs past the end.
    EXPECT_EQ(LoadError(t, "<?xmq and more"), "Stream read error");
    // After a byte-order mark the test looks at the bytes behind it.
    EXPECT_EQ(LoadError(t, "\xEF\xBB\xBF<xyz"), "Stream read error");
  }
  // Fewer than five bytes cannot be told apart.
  for (std::string tiny : {std::string(), std::string("\x03\0\0\0", 4), std::string("<xml")}) {
    TVirtualTable t("t");
    EXPECT_EQ(LoadError(t, tiny), "Stream read error") << tiny.size();
  }
  // A byte-order mark followed by fewer than five bytes.
  TVirtualTable t("t");
  EXPECT_EQ(LoadError(t, "\xEF\xBB\xBF<xm"), "Stream read error");
}

TEST(BinaryFile, PersistentFieldObjectsAreWrittenAndPutBack) {
  TVirtualTable t("t");
  t.FieldDefs().Add("A", ftString, 10);
  t.FieldDefs().Add("B", ftInteger);
  TField& a = t.AddField(CreateField(ftString, "A", 10));
  TField& b = t.AddField(CreateField(ftInteger, "B", 0));
  auto lookup = CreateField(ftString, "L", 7);
  lookup->SetFieldKind(TFieldKind::fkLookup);
  TField& l = t.AddField(std::move(lookup));
  auto calc = CreateField(ftWideString, "C", 6);
  calc->SetFieldKind(TFieldKind::fkCalculated);
  TField& c = t.AddField(std::move(calc));
  t.Open();
  t.Append();
  a.SetAsString("x");
  b.SetAsInteger(1);
  t.Post();
  t.Append();
  a.SetAsString("y");
  t.Post();

  Image img;
  img.U16(3).U16(2).Def("A", ftString, 10).Def("B", ftInteger, 0);
  img.U16(3).FieldObject("A", 0, ftString, 10).FieldObject("B", 0, ftInteger, 0);
  img.FieldObject("C", 1, ftWideString, 6);
  img.I32(2).Value("x").Value(LE<int32_t>(1)).Value("y").Null();
  EXPECT_EQ(Save(t, true), img.Bytes());
  // The same field objects, still bound, the table open on its record.
  ASSERT_EQ(t.FieldCount(), 4u);
  EXPECT_EQ(&t.Field(0), &a);
  EXPECT_EQ(&t.Field(2), &l);
  EXPECT_EQ(&t.Field(3), &c);
  EXPECT_FALSE(t.DefaultFields());
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(a.AsString(), "y");

  // Data only: an empty field object block.
  Image dataOnly;
  dataOnly.U16(3).U16(2).Def("A", ftString, 10).Def("B", ftInteger, 0).U16(0);
  dataOnly.I32(2).Value("x").Value(LE<int32_t>(1)).Value("y").Null();
  EXPECT_EQ(Save(t, false), dataOnly.Bytes());

  // Read back: field objects are made for every entry but the lookup one,
  // with the stored size (twice it for a wide string).
  TVirtualTable u("u");
  Load(u, img.Bytes());
  ASSERT_EQ(u.FieldCount(), 3u);
  EXPECT_EQ(u.Field(2).FieldName(), "C");
  EXPECT_EQ(u.Field(2).FieldKind(), TFieldKind::fkCalculated);
  EXPECT_EQ(u.Field(2).Size(), 12);
  u.Open();
  EXPECT_EQ(Column(u, "A"), (std::vector<std::string>{"x", "y"}));
  // A lookup entry in a file is read over.
  Image withLookup;
  withLookup.U16(3).U16(1).Def("A", ftString, 10).U16(2).FieldObject("L", 2, ftString, 7);
  withLookup.FieldObject("A", 0, ftString, 10).I32(1).Value("q");
  TVirtualTable v("v");
  Load(v, withLookup.Bytes());
  ASSERT_EQ(v.FieldCount(), 1u);
  v.Open();
  EXPECT_EQ(v.FieldByName("A").AsString(), "q");
}

TEST(BinaryFile, SavingKeepsStateCurrentRecordFilterAndOrder) {
  TVirtualTable t("t");
  t.FieldDefs().Add("N", ftString, 4);
  t.Open();
  for (const char* v : {"d", "b", "a", "c", "bb"})
    AddRow(t, {v});
  t.SetRecNo(3);
  std::string all = Save(t);
  EXPECT_TRUE(t.Active());
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.FieldByName("N").AsString(), "a");
  // Under an index order and a filter only the passing records are written,
  // in the table's order.
  t.SetIndexFieldNames("N");
  t.SetFilter("N = 'b*'");
  t.SetFiltered(true);
  t.Next();
  Image img;
  img.U16(3).U16(1).Def("N", ftString, 4).U16(0).I32(2).Value("b").Value("bb");
  EXPECT_EQ(Save(t), img.Bytes());
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(t.Filter(), "N = 'b*'");
  EXPECT_TRUE(t.Filtered());
  EXPECT_EQ(t.RecordCount(), 2);
  // A closed table stays closed and keeps its records.
  t.Close();
  EXPECT_EQ(Save(t), img.Bytes());
  EXPECT_FALSE(t.Active());
  t.SetFiltered(false);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 5);
  EXPECT_EQ(all.size(), 4u + 11 + 2 + 4 + 5 * 4 + 6);
}

TEST(BinaryFile, OpenStateAfterLoading) {
  Image withRecords;
  withRecords.U16(3).U16(1).Def("N", ftString, 4).U16(0).I32(2).Value("p").Value("q");
  Image without;
  without.U16(3).U16(1).Def("N", ftString, 4).U16(0).I32(0);

  // Records into a closed table with voPersistentData: closed, holding them.
  TVirtualTable closed("c");
  Load(closed, withRecords.Bytes());
  EXPECT_FALSE(closed.Active());
  closed.Open();
  EXPECT_EQ(Column(closed, "N"), (std::vector<std::string>{"p", "q"}));
  // Records into an open table: open on the first record.
  closed.Last();
  Load(closed, withRecords.Bytes());
  EXPECT_TRUE(closed.Active());
  EXPECT_EQ(closed.RecNo(), 1);
  EXPECT_EQ(closed.FieldByName("N").AsString(), "p");
  // Records into a closed table without voPersistentData: open on the first.
  TVirtualTable volatileTable("v");
  volatileTable.SetOptions(voStored);
  Load(volatileTable, withRecords.Bytes());
  EXPECT_TRUE(volatileTable.Active());
  EXPECT_EQ(volatileTable.FieldByName("N").AsString(), "p");
  // No records: as before, open or closed.
  Load(volatileTable, without.Bytes());
  EXPECT_TRUE(volatileTable.Active());
  EXPECT_EQ(volatileTable.RecordCount(), 0);
  TVirtualTable stays("s");
  Load(stays, without.Bytes());
  EXPECT_FALSE(stays.Active());
  EXPECT_EQ(stays.FieldDefs().Count(), 1u);
}

}  // namespace
}  // namespace qualtren
