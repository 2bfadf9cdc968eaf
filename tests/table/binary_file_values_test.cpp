// Tests of the value encodings of the binary table image: the width of each
// type, GUIDs, dates, wide strings, variable bytes, packed BCD, empty values
// and nulls, and every field type written to a file and read back.
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

// The native bytes of a field of the current record ("<null>" when null).
std::string Native(TVirtualTable& t, const char* field) {
  std::string b;
  return t.FieldByName(field).GetData(b) ? b : "<null>";
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

}  // namespace
}  // namespace qualtren
