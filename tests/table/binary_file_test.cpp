// Tests of the binary table image: images built by hand byte for byte,
// written by SaveTableStream and read by LoadTableStream, each value
// encoding, the old versions, format detection, and the open state, current
// record and field objects around loading and saving.
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

// The native bytes of a field of the current record ("<null>" when null).
std::string Native(TVirtualTable& t, const char* field) {
  std::string b;
  return t.FieldByName(field).GetData(b) ? b : "<null>";
}

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

TEST(BinaryFile, LargeintWidthFollowsPrecision) {
  TVirtualTable t("t");
  t.FieldDefs().Add("L5", ftLargeint).Precision = 5;
  t.FieldDefs().Add("L0", ftLargeint);
  t.FieldDefs().Add("L11", ftLargeint).Precision = 11;
  t.Open();
  t.Append();
  t.FieldByName("L5").SetAsLargeInt(-7);
  t.FieldByName("L0").SetAsLargeInt(8);
  t.FieldByName("L11").SetAsLargeInt(-(1LL << 33));
  t.Post();
  Image img;
  img.U16(3).U16(3).Def("L5", ftLargeint, 0, 5).Def("L0", ftLargeint, 0, 0);
  img.Def("L11", ftLargeint, 0, 11).U16(0).I32(1);
  img.Value(LE<int32_t>(-7)).Value(LE<int64_t>(8)).Value(LE<int64_t>(-(1LL << 33)));
  EXPECT_EQ(Save(t), img.Bytes());

  TVirtualTable u("u");
  Load(u, img.Bytes());
  u.Open();
  EXPECT_EQ(u.FieldByName("L5").AsLargeInt(), -7);
  EXPECT_EQ(u.FieldByName("L0").AsLargeInt(), 8);
  EXPECT_EQ(u.FieldByName("L11").AsLargeInt(), -(1LL << 33));
  // A 4-byte field does not take an 8-byte value, nor the other way round.
  Image wide;
  wide.U16(3).U16(1).Def("L5", ftLargeint, 0, 5).U16(0).I32(1).Value(LE<int64_t>(1));
  TVirtualTable v("v");
  EXPECT_NE(LoadError(v, wide.Bytes()), "");
  Image narrow;
  narrow.U16(3).U16(1).Def("L0", ftLargeint, 0, 0).U16(0).I32(1).Value(LE<int32_t>(1));
  EXPECT_NE(LoadError(v, narrow.Bytes()), "");
}

TEST(BinaryFile, GuidDatesWideStringsVarBytesAndFmtBcd) {
  SetActiveCodePage(1250);
  const std::string guid = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
  TVirtualTable t("t");
  t.FieldDefs().Add("G", ftGuid, 38);
  t.FieldDefs().Add("D", ftDate);
  t.FieldDefs().Add("T", ftTime);
  t.FieldDefs().Add("DT", ftDateTime);
  t.FieldDefs().Add("VB", ftVarBytes, 6);
  t.FieldDefs().Add("W", ftWideString, 8);
  t.FieldDefs().Add("B", ftBytes, 3);
  t.FieldDefs().Add("Bo", ftBoolean);
  t.Open();
  t.Append();
  t.FieldByName("G").SetAsString(guid);
  t.FieldByName("D").SetAsDateTime(EncodeDate(2000, 1, 1));
  t.FieldByName("T").SetAsDateTime(EncodeTime(12, 34, 56, 789));
  t.FieldByName("DT").SetAsDateTime(EncodeDate(2000, 1, 1) + EncodeTime(12, 0, 0, 0));
  t.FieldByName("VB").SetAsBytes(std::string("\x00\xff\x01", 3));
  t.FieldByName("W").SetAsWideString(u"\u0161a\u4e2d");
  t.FieldByName("B").SetAsBytes(std::string("\x00\x01\x02", 3));
  t.FieldByName("Bo").SetAsBoolean(true);
  t.Post();

  Image img;
  img.U16(3).U16(8).Def("G", ftGuid, 38).Def("D", ftDate, 0).Def("T", ftTime, 0);
  img.Def("DT", ftDateTime, 0).Def("VB", ftVarBytes, 6).Def("W", ftWideString, 8);
  img.Def("B", ftBytes, 3).Def("Bo", ftBoolean, 0).U16(0).I32(1);
  img.Value(guid + std::string(1, '\0'));                   // 39 bytes
  img.Value(LE<int32_t>(730120) + std::string(4, '\0'));    // day number + 4 bytes
  img.Value(LE<int32_t>(45296789) + std::string(4, '\0'));  // milliseconds + 4 bytes
  img.Value(LE<double>(63082411200000.0));                  // 2000-01-01 12:00
  img.Value(std::string("\x00\xff\x01", 3));                // no length prefix
  img.Value(std::string("\x61\x01\x61\x00\x2d\x4e", 6));    // UTF-16LE
  img.Value(std::string("\x00\x01\x02", 3));
  img.Value(LE<uint16_t>(1));
  EXPECT_EQ(Save(t), img.Bytes());

  // Reading: the four bytes after a day number or a time carry no meaning,
  // and any non-zero boolean reads as true.
  Image in;
  in.U16(3).U16(8).Def("G", ftGuid, 38).Def("D", ftDate, 0).Def("T", ftTime, 0);
  in.Def("DT", ftDateTime, 0).Def("VB", ftVarBytes, 6).Def("W", ftWideString, 8);
  in.Def("B", ftBytes, 3).Def("Bo", ftBoolean, 0).U16(0).I32(1);
  in.Value(guid + std::string(1, '\0'));
  in.Value(LE<int32_t>(730120) + "\xde\xad\xbe\xef");
  in.Value(LE<int32_t>(45296789) + "\xde\xad\xbe\xef");
  in.Value(LE<double>(63082411200000.0));
  in.Value(std::string("\x00\xff\x01", 3));
  in.Value(std::string("\x61\x01\x61\x00\x2d\x4e", 6));
  in.Value(std::string("\x00\x01\x02", 3));
  in.Value(LE<uint16_t>(0x100));
  TVirtualTable u("u");
  Load(u, in.Bytes());
  u.Open();
  EXPECT_EQ(u.FieldByName("G").AsString(), guid);
  EXPECT_EQ(u.FieldByName("D").AsDateTime(), EncodeDate(2000, 1, 1));
  int h, m, s, ms;
  DecodeTime(u.FieldByName("T").AsDateTime(), h, m, s, ms);
  EXPECT_EQ((std::vector<int>{h, m, s, ms}), (std::vector<int>{12, 34, 56, 789}));
  EXPECT_EQ(u.FieldByName("DT").AsDateTime(), EncodeDate(2000, 1, 1) + 0.5);
  EXPECT_EQ(u.FieldByName("VB").AsBytes(), std::string("\x00\xff\x01", 3));
  EXPECT_EQ(Native(u, "VB"), std::string("\x03\x00\x00\xff\x01", 5));
  EXPECT_EQ(u.FieldByName("W").AsWideString(), u"\u0161a\u4e2d");
  EXPECT_EQ(u.FieldByName("B").AsBytes(), std::string("\x00\x01\x02", 3));
  EXPECT_TRUE(u.FieldByName("Bo").AsBoolean());
  // Written again, the ignored bytes come out as zeros and true as 1.
  EXPECT_EQ(Save(u), img.Bytes());
}

TEST(BinaryFile, FmtBcdIsTheThirtyFourBytePackedRecord) {
  // -1234.50 in a field of precision 10 and scale 2: 6 digits, sign bit and
  // 2 places, digits two per byte, high nibble first.
  std::string packed(34, '\0');
  packed[0] = 6;
  packed[1] = static_cast<char>(0x82);
  packed[2] = 0x12;
  packed[3] = 0x34;
  packed[4] = 0x50;
  Image img;
  img.U16(3).U16(1).Def("F", ftFMTBcd, 2, 10).U16(0).I32(1).Value(packed);
  TVirtualTable t("t");
  Load(t, img.Bytes());
  EXPECT_EQ(t.FieldDefs()[0].Size, 2);
  t.Open();
  EXPECT_EQ(t.FieldByName("F").AsFloat(), -1234.5);
  std::string out = Save(t);
  ASSERT_EQ(out.size(), img.Size());
  std::string written = out.substr(out.size() - 34);
  EXPECT_EQ(static_cast<uint8_t>(written[1]) & 0x80, 0x80);
  TVirtualTable u("u");
  Load(u, out);
  u.Open();
  EXPECT_EQ(u.FieldByName("F").AsFloat(), -1234.5);
  // A value longer than the field's storage is rejected, not cut.
  Image longValue;
  longValue.U16(3).U16(1).Def("F", ftFMTBcd, 2, 10).U16(0).I32(1).Value(packed + "x");
  TVirtualTable v("v");
  EXPECT_EQ(LoadError(v, longValue.Bytes()), "Value of field 'F' has an invalid length (35 bytes)");
}

TEST(BinaryFile, EmptyValuesAndNullsAreLengthZeroAndReadBackAsNull) {
  TVirtualTable t("t");
  t.FieldDefs().Add("S", ftString, 5);
  t.FieldDefs().Add("M", ftMemo);
  t.FieldDefs().Add("W", ftWideString, 5);
  t.Open();
  AddRow(t, {"", "", ""});
  AddRow(t, {nullptr, nullptr, nullptr});
  AddRow(t, {"x", "y", "z"});
  t.First();
  ASSERT_FALSE(t.FieldByName("S").IsNull());
  Image img;
  img.U16(3).U16(3).Def("S", ftString, 5).Def("M", ftMemo, 0).Def("W", ftWideString, 5);
  img.U16(0).I32(3).Null().Null().Null().Null().Null().Null();
  img.Value("x").Value("y").Value(std::string("z\0", 2));
  EXPECT_EQ(Save(t), img.Bytes());
  TVirtualTable u("u");
  Load(u, img.Bytes());
  u.Open();
  for (int i = 0; i < 2; ++i, u.Next()) {
    EXPECT_TRUE(u.FieldByName("S").IsNull());
    EXPECT_TRUE(u.FieldByName("M").IsNull());
    EXPECT_TRUE(u.FieldByName("W").IsNull());
  }
  EXPECT_EQ(u.FieldByName("W").AsString(), "z");
}

TEST(BinaryFile, EveryTypeRoundTripsThroughFiles) {
  SetActiveCodePage(1250);
  std::string allBytes;
  for (int i = 0; i < 256 * 400; ++i)
    allBytes.push_back(static_cast<char>(i));
  TVirtualTable t("t");
  AddFields(t.FieldDefs(), {{"Str", ftString, 10},
                            {"Short", ftSmallint, 0, 3},
                            {"Small", ftSmallint},
                            {"Int", ftInteger, 0, 9},
                            {"Word", ftWord},
                            {"Bool", ftBoolean},
                            {"Float", ftFloat, 0, 15},
                            {"Cur", ftCurrency, 0, 19},
                            {"Bcd", ftBCD, 4},
                            {"Date", ftDate},
                            {"Time", ftTime},
                            {"DateTime", ftDateTime, 0, 3},
                            {"Bytes", ftBytes, 4},
                            {"VarBytes", ftVarBytes, 300},
                            {"Auto", ftAutoInc},
                            {"Blob", ftBlob},
                            {"Memo", ftMemo},
                            {"Wide", ftWideString, 8},
                            {"Large5", ftLargeint, 0, 5},
                            {"Large", ftLargeint},
                            {"Variant", ftVariant},
                            {"Guid", ftGuid, 38},
                            {"Fmt", ftFMTBcd, 2},
                            {"FmtWide", ftFMTBcd, 3, 40}});
  t.Open();
  t.Append();
  t.FieldByName("Str").SetAsString("\x8a\x9a text ");
  t.FieldByName("Short").SetAsInteger(-12);
  t.FieldByName("Small").SetAsInteger(-32768);
  t.FieldByName("Int").SetAsInteger(2147483647);
  t.FieldByName("Word").SetAsInteger(65535);
  t.FieldByName("Bool").SetAsBoolean(true);
  t.FieldByName("Float").SetAsFloat(-1.0 / 3.0);
  t.FieldByName("Cur").SetAsFloat(12.5);
  t.FieldByName("Bcd").SetAsString("-922337203685477.5808");
  t.FieldByName("Date").SetAsDateTime(EncodeDate(1, 1, 1));
  t.FieldByName("Time").SetAsDateTime(EncodeTime(23, 59, 59, 999));
  t.FieldByName("DateTime").SetAsDateTime(EncodeDate(9999, 12, 31) + EncodeTime(1, 2, 3, 4));
  t.FieldByName("Bytes").SetAsBytes(std::string("\0\xff\0\x01", 4));
  t.FieldByName("VarBytes").SetAsBytes(allBytes.substr(0, 300));
  t.FieldByName("Auto").SetAsInteger(-1);
  t.FieldByName("Blob").SetAsBytes(allBytes);
  t.FieldByName("Memo").SetAsString(std::string(70000, 'm') + "\r\n");
  t.FieldByName("Wide").SetAsWideString(u"\u0161\u4e2d\U0001F600");
  t.FieldByName("Large5").SetAsLargeInt(-2147483647 - 1);
  t.FieldByName("Large").SetAsLargeInt(-9223372036854775807LL - 1);
  t.FieldByName("Variant").SetAsVariant(Variant::Double(2.5));
  t.FieldByName("Guid").SetAsString("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  t.FieldByName("Fmt").SetAsString("-0.01");
  t.FieldByName("FmtWide").SetAsString("1234567890123456789012345678901234567.891");
  t.Post();
  t.Append();  // every field null
  t.Post();
  t.Append();  // empty texts and byte strings
  for (const char* f : {"Str", "Memo", "Blob", "Wide", "VarBytes", "Variant"})
    t.FieldByName(f).SetAsString("");
  t.Post();

  ScratchDir dir;
  const std::string file = dir.File("all.vtd");
  t.SaveTableFile(file);
  TVirtualTable u("u");
  u.LoadTableFile(file);
  EXPECT_FALSE(u.Active());
  ASSERT_EQ(u.FieldDefs().Count(), t.FieldDefs().Count());
  for (size_t i = 0; i < t.FieldDefs().Count(); ++i) {
    const TFieldDef& a = t.FieldDefs()[i];
    const TFieldDef& b = u.FieldDefs()[i];
    EXPECT_EQ(b.Name, a.Name);
    EXPECT_EQ(b.DataType, a.DataType) << a.Name;
    EXPECT_EQ(b.Size, a.Size) << a.Name;
    // The precision is kept for the types that the reader takes it for.
    bool kept = a.DataType != ftBCD && a.DataType != ftFMTBcd;
    EXPECT_EQ(b.Precision, kept ? a.Precision : 0) << a.Name;
  }
  u.Open();
  t.First();
  ASSERT_EQ(u.RecordCount(), 3);
  for (int r = 0; r < 3; ++r, t.Next(), u.Next()) {
    for (size_t i = 0; i < t.FieldCount(); ++i) {
      const TField& a = t.Field(i);
      const TField& b = u.FieldByName(a.FieldName());
      if (r == 2) {
        // Empty values come back as null; the null values of the second
        // record stay null.
        EXPECT_TRUE(b.IsNull()) << a.FieldName();
        continue;
      }
      EXPECT_EQ(b.IsNull(), a.IsNull()) << a.FieldName();
      EXPECT_EQ(b.AsString(), a.AsString()) << a.FieldName();
    }
  }
  u.First();
  EXPECT_EQ(u.FieldByName("Blob").AsBytes(), allBytes);
  EXPECT_EQ(u.FieldByName("Float").AsFloat(), -1.0 / 3.0);
  EXPECT_EQ(u.FieldByName("Wide").AsWideString(), u"\u0161\u4e2d\U0001F600");
  EXPECT_EQ(u.FieldByName("FmtWide").AsString(), "1234567890123456789012345678901234567.891");
  // The file holds exactly what the stream form holds.
  EXPECT_EQ(ReadWholeFile(file), Save(t));
}

TEST(BinaryFile, BcdAsTenThousandthsAndVariantAsText) {
  TVirtualTable t("t");
  t.FieldDefs().Add("B", ftBCD, 4).Precision = 18;
  t.FieldDefs().Add("V", ftVariant);
  t.Open();
  t.Append();
  t.FieldByName("B").SetAsString("-12.3456");
  t.FieldByName("V").SetAsVariant(Variant::Text("v1"));
  t.Post();
  t.Append();
  t.FieldByName("V").SetAsVariant(Variant::Integer(42));
  t.Post();
  Image img;
  img.U16(3).U16(2).Def("B", ftBCD, 4, 18).Def("V", ftVariant, 0).U16(0).I32(2);
  img.Value(LE<int64_t>(-123456)).Value("v1").Null().Value("42");
  EXPECT_EQ(Save(t), img.Bytes());
  TVirtualTable u("u");
  Load(u, img.Bytes());
  u.Open();
  EXPECT_EQ(u.FieldByName("B").AsString(), "-12.3456");
  EXPECT_EQ(u.FieldByName("V").AsString(), "v1");
  u.Next();
  EXPECT_TRUE(u.FieldByName("B").IsNull());
  EXPECT_EQ(u.FieldByName("V").AsString(), "42");
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
