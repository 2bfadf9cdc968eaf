// Tests of the table model: record layout, field types, navigation, the
// block manager and field lookup.
#include <gtest/gtest.h>

#include <cstring>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

using testing::AddFields;
using testing::AddRow;
using testing::Column;
using testing::OpenTextTable;

TEST(VirtualTable, RecordLayoutAndNullIndicatorsForMixedTypes) {
  TVirtualTable t("t");
  t.FieldDefs().Add("S", ftString, 5);       // 6 bytes at 0
  t.FieldDefs().Add("W", ftWideString, 3);   // even offset: 6, 8 bytes
  t.FieldDefs().Add("I", ftInteger);         // 4 bytes at 14
  t.FieldDefs().Add("B", ftBoolean);         // 2 bytes at 18
  t.FieldDefs().Add("S2", ftString, 2);      // 3 bytes at 20
  t.FieldDefs().Add("W2", ftWideString, 1);  // 23 rounds up to 24, 4 bytes
  t.Open();
  const TFieldDescs& d = t.Data().Fields();
  ASSERT_EQ(d.Count(), 6u);
  EXPECT_EQ(d[0].Offset, 0);
  EXPECT_EQ(d[1].Offset, 6);
  EXPECT_EQ(d[2].Offset, 14);
  EXPECT_EQ(d[3].Offset, 18);
  EXPECT_EQ(d[4].Offset, 20);
  EXPECT_EQ(d[5].Offset, 24);
  EXPECT_EQ(t.Data().DataSize(), 28u);
  EXPECT_EQ(t.Data().RecordSize(), 34u);  // 28 + 6 null bytes, already even
  AddRow(t, {"abc", nullptr, "7", nullptr, "xy", nullptr});
  const uint8_t* rec = t.CurrentItem()->Record();
  EXPECT_EQ(rec[28], 0);
  EXPECT_EQ(rec[29], 1);
  EXPECT_EQ(rec[30], 0);
  EXPECT_EQ(rec[31], 1);
  EXPECT_EQ(rec[32], 0);
  EXPECT_EQ(rec[33], 1);
  EXPECT_TRUE(t.FieldByName("W").IsNull());
  EXPECT_FALSE(t.FieldByName("S").IsNull());
}

TEST(VirtualTable, EveryFieldTypeRoundTripsThroughItsFieldObject) {
  SetActiveCodePage(1250);
  TVirtualTable t("t");
  AddFields(t.FieldDefs(), {{"Str", ftString, 10},
                            {"Small", ftSmallint},
                            {"Int", ftInteger},
                            {"Word", ftWord},
                            {"Bool", ftBoolean},
                            {"Float", ftFloat},
                            {"Cur", ftCurrency},
                            {"Bcd", ftBCD, 4, 18},
                            {"D1", ftDate},
                            {"D2", ftDate},
                            {"Tm", ftTime},
                            {"Dt", ftDateTime},
                            {"Bytes", ftBytes, 4},
                            {"VarB", ftVarBytes, 6},
                            {"Blob", ftBlob},
                            {"Memo", ftMemo},
                            {"Wide", ftWideString, 8},
                            {"Large5", ftLargeint, 0, 5},
                            {"Large", ftLargeint},
                            {"Guid", ftGuid, 38},
                            {"Fmt", ftFMTBcd, 2, 10},
                            {"Var", ftVariant}});
  t.Open();
  EXPECT_EQ(t.Data().Fields().Find("Large5")->DataType, dtInt32Largeint);
  EXPECT_EQ(t.Data().Fields().Find("Large5")->Size, 4);
  EXPECT_EQ(t.Data().Fields().Find("Large")->Size, 8);
  t.Append();
  t.FieldByName("Str").SetAsString("hello");
  t.FieldByName("Small").SetAsInteger(-1234);
  t.FieldByName("Int").SetAsInteger(-2000000000);
  t.FieldByName("Word").SetAsInteger(65535);
  t.FieldByName("Bool").SetAsBoolean(true);
  t.FieldByName("Float").SetAsFloat(0.1);
  t.FieldByName("Cur").SetAsFloat(12.5);
  t.FieldByName("Bcd").SetAsString("-12.3456");
  t.FieldByName("D1").SetAsDateTime(EncodeDate(1, 1, 1));
  t.FieldByName("D2").SetAsDateTime(EncodeDate(1899, 12, 30));
  t.FieldByName("Tm").SetAsDateTime(EncodeTime(23, 59, 58, 7));
  t.FieldByName("Dt").SetAsDateTime(EncodeDate(2000, 1, 1) + EncodeTime(12, 0, 0, 0));
  t.FieldByName("Bytes").SetAsBytes(std::string("\x01\x00\x02", 3));
  t.FieldByName("VarB").SetAsBytes(std::string("\x00\xff", 2));
  t.FieldByName("Blob").SetAsBytes(std::string(100000, 'b'));
  t.FieldByName("Memo").SetAsString("line1\r\nline2");
  t.FieldByName("Wide").SetAsWideString(u"\u0161\u017e\u4e2d");
  t.FieldByName("Large5").SetAsLargeInt(-99999);
  t.FieldByName("Large").SetAsLargeInt(9000000000000000000LL);
  t.FieldByName("Guid").SetAsString("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  t.FieldByName("Fmt").SetAsString("-1234.5");
  t.FieldByName("Var").SetAsVariant(Variant::Text("v"));
  t.Post();
  t.Close();
  t.Open();
  EXPECT_EQ(t.FieldByName("Str").AsString(), "hello");
  EXPECT_EQ(t.FieldByName("Small").AsInteger(), -1234);
  EXPECT_EQ(t.FieldByName("Int").AsInteger(), -2000000000);
  EXPECT_EQ(t.FieldByName("Word").AsInteger(), 65535);
  EXPECT_TRUE(t.FieldByName("Bool").AsBoolean());
  EXPECT_EQ(t.FieldByName("Float").AsFloat(), 0.1);
  EXPECT_EQ(t.FieldByName("Cur").AsFloat(), 12.5);
  EXPECT_EQ(t.FieldByName("Bcd").AsString(), "-12.3456");
  std::string native;
  ASSERT_TRUE(t.FieldByName("D1").GetData(native));
  EXPECT_EQ(native, std::string("\x01\x00\x00\x00", 4));
  ASSERT_TRUE(t.FieldByName("D2").GetData(native));
  int32_t day;
  std::memcpy(&day, native.data(), 4);
  EXPECT_EQ(day, 693594);
  EXPECT_EQ(t.FieldByName("D2").AsDateTime(), 0.0);
  int h, m, s, ms;
  DecodeTime(t.FieldByName("Tm").AsDateTime(), h, m, s, ms);
  EXPECT_EQ(h * 10000000 + m * 100000 + s * 1000 + ms, 235958007);
  ASSERT_TRUE(t.FieldByName("Dt").GetData(native));
  double msecs;
  std::memcpy(&msecs, native.data(), 8);
  EXPECT_EQ(msecs, 63082411200000.0);
  // The store holds the storage form: days since 1899-12-30.
  const TFieldDesc* dt = t.Data().Fields().Find("Dt");
  double stored;
  std::memcpy(&stored, t.CurrentItem()->Record() + dt->Offset, 8);
  EXPECT_EQ(stored, 36526.5);
  EXPECT_EQ(t.FieldByName("Bytes").AsBytes(), std::string("\x01\x00\x02\x00", 4));
  EXPECT_EQ(t.FieldByName("VarB").AsBytes(), std::string("\x00\xff", 2));
  ASSERT_TRUE(t.FieldByName("VarB").GetData(native));
  EXPECT_EQ(native, std::string("\x02\x00\x00\xff", 4));
  EXPECT_EQ(t.FieldByName("Blob").AsBytes(), std::string(100000, 'b'));
  EXPECT_EQ(t.FieldByName("Memo").AsString(), "line1\r\nline2");
  EXPECT_EQ(t.FieldByName("Wide").AsWideString(), u"\u0161\u017e\u4e2d");
  EXPECT_EQ(t.FieldByName("Wide").AsString(), "\x9a\x9e?");
  EXPECT_EQ(t.FieldByName("Large5").AsLargeInt(), -99999);
  EXPECT_EQ(t.FieldByName("Large").AsLargeInt(), 9000000000000000000LL);
  EXPECT_EQ(t.FieldByName("Guid").AsString(), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
  EXPECT_EQ(t.FieldByName("Fmt").AsString(), "-1234.5");
  EXPECT_EQ(t.FieldByName("Var").AsString(), "v");
}

TEST(VirtualTable, StringsAreCutToSizeKeepTrailingBlanksAndEmptyIsNotNull) {
  TVirtualTable t("t");
  OpenTextTable(t, "S", 4, {"ab  ", "abcdefgh", "", nullptr});
  t.First();
  EXPECT_EQ(t.FieldByName("S").AsString(), "ab  ");
  t.Next();
  EXPECT_EQ(t.FieldByName("S").AsString(), "abcd");
  t.Next();
  EXPECT_FALSE(t.FieldByName("S").IsNull());
  EXPECT_EQ(t.FieldByName("S").AsString(), "");
  t.Next();
  EXPECT_TRUE(t.FieldByName("S").IsNull());
  EXPECT_EQ(t.FieldByName("S").AsString(), "");
}

TEST(VirtualTable, RefusedTypesGiveTheExactMessageAndTheTableStaysClosed) {
  const std::string expected =
      "Field type is not supported by TVirtualTable. \rValid types is String, WideString, "
      "Smallint, Integer, Word, Boolean, Largeint, Float, Currency, Date, Time, DateTime, Blob, "
      "Memo, Guid, Bcd, FmtBcd, Bytes, VarBytes, Variant";
  for (TFieldType type : {ftFixedChar, ftTimeStamp, ftGraphic, ftADT, ftCursor}) {
    TVirtualTable t("t");
    t.FieldDefs().Add("A", ftString, 5);
    t.FieldDefs().Add("X", type, 5);
    try {
      t.Open();
      FAIL() << "type " << int(type) << " was accepted";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(std::string(e.what()), expected);
    }
    EXPECT_FALSE(t.Active());
    EXPECT_FALSE(t.Data().Active());
  }
  TVirtualTable u("u");
  u.FieldDefs().Add("X", ftUnknown);
  u.Open();
  EXPECT_EQ(u.FieldDefs()[0].DataType, ftString);
  EXPECT_EQ(u.FieldDefs()[0].Size, 20);
  EXPECT_EQ(u.FieldByName("X").DataType(), ftString);
}

TEST(VirtualTable, NavigationCountsAndPersistentData) {
  TVirtualTable t("tbX");
  t.FieldDefs().Add("N", ftString, 10);
  t.Open();
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecordCount(), 0);
  for (const char* v : {"a", "b", "c"})
    AddRow(t, {v});
  EXPECT_EQ(t.RecordCount(), 3);
  t.First();
  EXPECT_EQ(t.RecNo(), 1);
  t.Next();
  t.Next();
  EXPECT_EQ(t.RecNo(), 3);
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldByName("N").AsString(), "c");
  t.Prior();
  EXPECT_EQ(t.FieldByName("N").AsString(), "b");
  t.Close();
  EXPECT_EQ(t.RecordCount(), 0);
  t.Open();
  EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"a", "b", "c"}));
  t.First();
  EXPECT_EQ(t.FieldByName("N").AsString(), "a");
  // Without voPersistentData closing frees the records.
  t.SetOptions(0);
  t.Close();
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  // Unknown names and the dataset's name in front of the message.
  try {
    t.FieldByName("Missing");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "tbX: Field 'Missing' not found");
  }
  EXPECT_EQ(&t.FieldByName("n"), &t.FieldByName("N"));
}

TEST(VirtualTable, WritingNeedsEditModeAndWritableFields) {
  TVirtualTable t("tb");
  OpenTextTable(t, "N", 10, {"a"});
  try {
    t.FieldByName("N").SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "tb: Dataset not in edit or insert mode");
  }
  t.FieldByName("N").SetReadOnly(true);
  t.Edit();
  try {
    t.FieldByName("N").SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "Field 'N' cannot be modified");
  }
  t.Cancel();
  EXPECT_EQ(t.FieldByName("N").AsString(), "a");
}

TEST(VirtualTable, EditInsertDeleteAndBookmarks) {
  TVirtualTable t("t");
  t.FieldDefs().Add("N", ftString, 10);
  t.FieldDefs().Add("M", ftMemo);
  t.Open();
  for (const char* v : {"a", "b", "c", "d"})
    AddRow(t, {v, v});
  t.First();
  t.Next();
  TBookmark b = t.GetBookmark();
  t.Edit();
  t.FieldByName("N").SetAsString("B");
  t.FieldByName("M").SetAsString("memo B");
  t.Post();
  t.Next();
  t.Insert();
  t.FieldByName("N").SetAsString("x");
  t.Post();
  EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"a", "B", "x", "c", "d"}));
  t.GotoBookmark(b);
  EXPECT_EQ(t.FieldByName("M").AsString(), "memo B");
  t.Delete();
  EXPECT_EQ(t.FieldByName("N").AsString(), "x");
  EXPECT_EQ(t.RecordCount(), 4);
  t.Last();
  t.Delete();
  EXPECT_EQ(Column(t, "N"), (std::vector<std::string>{"a", "x", "c"}));
  t.Edit();
  t.FieldByName("M").SetAsString("changed");
  t.Cancel();
  EXPECT_EQ(t.FieldByName("M").AsString(), "c");
}

TEST(BlockManager, ThousandsOfAppendsAndRemovesReuseAndReleaseBlocks) {
  TVirtualTable t("t");
  t.FieldDefs().Add("N", ftInteger);
  t.Open();
  for (int i = 0; i < 5000; ++i) {
    t.Append();
    t.FieldByName("N").SetAsInteger(i);
    t.Post();
  }
  TBlockManager& blocks = t.Data().Blocks();
  EXPECT_EQ(blocks.UsedItems(), 5000u);
  EXPECT_EQ(blocks.BlockCount(), 500u);
  // Remove every record whose number is not a multiple of 10: the blocks
  // keep one item each.
  t.First();
  while (!t.Eof()) {
    if (t.FieldByName("N").AsInteger() % 10 != 0)
      t.Delete();
    else
      t.Next();
  }
  EXPECT_EQ(t.RecordCount(), 500);
  EXPECT_EQ(blocks.UsedItems(), 500u);
  EXPECT_EQ(blocks.BlockCount(), 500u);
  t.First();
  while (!t.Eof())
    t.Delete();
  EXPECT_EQ(blocks.UsedItems(), 0u);
  EXPECT_EQ(blocks.BlockCount(), 0u);
  for (int i = 0; i < 25; ++i) {
    t.Append();
    t.FieldByName("N").SetAsInteger(i);
    t.Post();
  }
  EXPECT_EQ(blocks.BlockCount(), 3u);
  int expected = 0;
  for (t.First(); !t.Eof(); t.Next())
    EXPECT_EQ(t.FieldByName("N").AsInteger(), expected++);
  EXPECT_EQ(expected, 25);
}

TEST(BlockManager, FreeingAnItemTwiceIsDetected) {
  TBlockManager m;
  m.SetRecordSize(8);
  TItemHeader* a = m.AllocItem();
  TItemHeader* b = m.AllocItem();
  m.FreeItem(a);
  EXPECT_THROW(m.FreeItem(a), EAssertionFailed);
  m.FreeItem(b);
  EXPECT_EQ(m.BlockCount(), 0u);
}

}  // namespace
}  // namespace qualtren

namespace qualtren {
namespace {

TEST(VirtualTable, CalculatedFieldsAreComputedOnACopyForFiltersAndReads) {
  TVirtualTable t("t");
  t.AddField(CreateField(ftInteger, "N", 0));
  auto twice = CreateField(ftInteger, "Twice", 0);
  twice->SetFieldKind(TFieldKind::fkCalculated);
  t.AddField(std::move(twice));
  int calls = 0;
  t.OnCalcFields = [&calls](TDataSet& ds) {
    ++calls;
    ds.FieldByName("Twice").SetAsInteger(ds.FieldByName("N").AsInteger() * 2);
  };
  t.Open();
  for (int i = 1; i <= 5; ++i) {
    t.Append();
    t.FieldByName("N").SetAsInteger(i);
    t.Post();
  }
  t.First();
  EXPECT_EQ(t.FieldByName("Twice").AsInteger(), 2);
  // The record layout keeps the calculated value out of the stored record.
  EXPECT_EQ(t.Data().RecordSize(), 6u);
  t.SetFilter("Twice = 8");
  t.SetFiltered(true);
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(t.FieldByName("N").AsInteger(), 4);
  EXPECT_EQ(t.FieldByName("Twice").AsInteger(), 8);
  EXPECT_GT(calls, 5);
}

}  // namespace
}  // namespace qualtren

namespace qualtren {
namespace {

TEST(VirtualTable, RecordsLargerThanTheStoreHoldsAreRefusedOnOpen) {
  TVirtualTable t("t");
  for (int i = 0; i < 300; ++i)
    t.FieldDefs().Add("F" + std::to_string(i), ftString, 65535);
  try {
    t.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Record size is too large: 19661100 bytes, more than the 16777216 a record may take");
  }
  EXPECT_FALSE(t.Active());
  EXPECT_FALSE(t.Data().Active());
}

}  // namespace
}  // namespace qualtren

namespace qualtren {
namespace {

TEST(HandleSlots, AHandleReleasedTwiceIsHandedOutOnlyOnce) {
  THandleSlots<std::string> slots;
  uint32_t a = slots.Add("a");
  EXPECT_NE(a, 0u);
  EXPECT_EQ(slots.Get(0), nullptr);
  slots.Release(a);
  slots.Release(a);
  EXPECT_EQ(slots.Get(a), nullptr);
  uint32_t b = slots.Add("b");
  uint32_t c = slots.Add("c");
  EXPECT_NE(b, c);
  EXPECT_EQ(*slots.Get(b), "b");
  EXPECT_EQ(*slots.Get(c), "c");
}

}  // namespace
}  // namespace qualtren
