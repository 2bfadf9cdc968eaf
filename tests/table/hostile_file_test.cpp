// Tests of table images that are damaged or made to mislead the reader:
// truncations, lying counts and lengths (with the memory they may cost),
// values that do not fit their fields, and saves that fail part-way.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "allocation_counter.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "image_builder.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {

// The helpers of image_builder.h and table_fixture.h.
using namespace testing;

// A stream that takes only the first `capacity` bytes written to it.
class TFailingStream : public TStream {
 public:
  explicit TFailingStream(size_t capacity) : capacity_(capacity) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    size_t n = std::min(count, capacity_ - std::min(capacity_, bytes_.size()));
    bytes_.append(static_cast<const char*>(buffer), n);
    return n;
  }
  int64_t Seek(int64_t, SeekOrigin) override { return static_cast<int64_t>(bytes_.size()); }

 private:
  size_t capacity_;
  std::string bytes_;
};

// A table of several types and records, with a null and a long memo.
void FillSample(TVirtualTable& t) {
  AddFields(t.FieldDefs(), {{"S", ftString, 12},
                            {"I", ftInteger},
                            {"D", ftDateTime},
                            {"M", ftMemo},
                            {"W", ftWideString, 6},
                            {"L", ftLargeint, 0, 4}});
  t.Open();
  for (int r = 0; r < 4; ++r) {
    t.Append();
    t.FieldByName("S").SetAsString("row " + std::to_string(r));
    if (r != 2) t.FieldByName("I").SetAsInteger(r * 1000 - 1);
    t.FieldByName("D").SetAsDateTime(EncodeDate(2003, 7, r + 1));
    t.FieldByName("M").SetAsString(std::string(static_cast<size_t>(r) * 50, 'm'));
    t.FieldByName("W").SetAsWideString(u"w\u0161");
    t.FieldByName("L").SetAsLargeInt(-r);
    t.Post();
  }
}

TEST(HostileFile, EveryTruncationFailsCleanlyKeepingTheWholeRecordsBeforeIt) {
  TVirtualTable source("src");
  FillSample(source);
  const std::string image = Save(source);
  for (size_t n = 0; n < image.size(); ++n) {
    SCOPED_TRACE(n);
    for (bool loadDefs : {true, false}) {
      TVirtualTable t("t");
      if (!loadDefs) {
        for (size_t i = 0; i < source.FieldDefs().Count(); ++i) {
          const TFieldDef& d = source.FieldDefs()[i];
          t.FieldDefs().Add(d.Name, d.DataType, d.Size).Precision = d.Precision;
        }
      }
      EXPECT_EQ(LoadError(t, image.substr(0, n), loadDefs), "Stream read error");
      // Whatever was loaded is a prefix of the source's records, the last
      // one possibly with its later values missing.
      try {
        t.Open();
      } catch (const Exception&) {
        continue;  // definitions cut in the middle
      }
      int loaded = t.RecordCount();
      ASSERT_LE(loaded, 4);
      source.First();
      for (t.First(); !t.Eof(); t.Next(), source.Next()) {
        bool last = t.RecNo() == loaded;
        for (size_t i = 0; i < source.FieldCount(); ++i) {
          const TField& want = source.Field(i);
          const TField* got = t.FindField(want.FieldName());
          if (!got) continue;
          if (last && got->IsNull()) continue;
          EXPECT_EQ(got->AsString(), want.AsString()) << want.FieldName();
        }
      }
    }
  }
  // The whole image loads.
  TVirtualTable whole("w");
  Load(whole, image);
  whole.Open();
  EXPECT_EQ(whole.RecordCount(), 4);
}

TEST(HostileFile, LyingCountsFailAtOnceWithBoundedMemory) {
  // 20 bytes that claim 2 147 483 647 records.
  Image manyRecords;
  manyRecords.U16(1).U16(1).OldDef("A", ftString, 10).U16(0).I32(0x7FFFFFFF).OldValue("a");
  ASSERT_EQ(manyRecords.Size(), 20u);
  // 65 535 definitions whose first name claims 65 535 bytes.
  Image manyDefs;
  manyDefs.U16(3).U16(0xFFFF).U16(0xFFFF).Raw("name that stops early");
  // One definition whose name claims 65 535 bytes.
  Image longName;
  longName.U16(3).U16(1).U16(0xFFFF).Raw(std::string(40, 'n'));
  // 65 535 field objects.
  Image manyObjects;
  manyObjects.U16(3).U16(0).U16(0xFFFF).Raw(std::string(12, 'o'));
  // A record whose value claims 2 GB.
  Image longValue;
  longValue.U16(3).U16(1).Def("A", ftMemo, 0).U16(0).I32(1).I32(0x7FFFFFFF).Raw("abc");
  // A value length that is negative.
  Image negative;
  negative.U16(3).U16(1).Def("A", ftMemo, 0).U16(0).I32(1).I32(-5).Raw("abcdef");

  for (const Image* img :
       {&manyRecords, &manyDefs, &longName, &manyObjects, &longValue, &negative}) {
    for (bool loadDefs : {true, false}) {
      TVirtualTable t("t");
      t.FieldDefs().Add("A", ftString, 10);
      std::string message;
      size_t bytes = BytesAllocatedBy([&] { message = LoadError(t, img->Bytes(), loadDefs); });
      EXPECT_EQ(message, "Stream read error") << img->Size();
      // Opening the table takes a few kilobytes; a lying count must not add
      // anything in proportion to what it claims.
      EXPECT_LT(bytes, 16 * 1024 + 64 * img->Size()) << img->Size();
    }
  }
}

TEST(HostileFile, RowsWithoutColumns) {
  // An XML document with rows but no columns: records without fields.
  const std::string doc =
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
      "</s:ElementType></s:Schema><rs:data><z:row/><z:row/></rs:data></xml>";
  TVirtualTable t("t");
  Load(t, doc);
  t.Open();
  EXPECT_EQ(t.FieldCount(), 0u);
  EXPECT_EQ(t.RecordCount(), 2);
  // Written again it is an image without definitions.
  EXPECT_EQ(Save(t), std::string("\x03\0\0\0\0\0\0\0\0\0", 10));
  // A binary image that claims records without definitions reads none.
  Image img;
  img.U16(3).U16(0).U16(0).I32(0x7FFFFFFF);
  TVirtualTable u("u");
  Load(u, img.Bytes());
  u.Open();
  EXPECT_EQ(u.RecordCount(), 0);
}

TEST(HostileFile, CalculatedFieldObjectsTakeNoValues) {
  // One definition; two data field objects and an internally calculated
  // one. The definitions then come from the data fields only, and the values
  // follow the file's one definition.
  Image fewDefs;
  fewDefs.U16(3).U16(1).Def("S", ftString, 10).U16(3).FieldObject("S", 0, ftString, 10);
  fewDefs.FieldObject("T", 0, ftString, 5).FieldObject("C", 3, ftString, 0x8000).I32(2);
  fewDefs.Value("abc").Value("def");
  TVirtualTable t("t");
  Load(t, fewDefs.Bytes());
  t.Open();
  ASSERT_EQ(t.FieldDefs().Count(), 2u);
  EXPECT_EQ(t.FieldDefs()[0].Name, "S");
  EXPECT_EQ(t.FieldDefs()[1].Name, "T");
  EXPECT_EQ(testing::Column(t, "S"), (std::vector<std::string>{"abc", "def"}));
  EXPECT_TRUE(t.FieldByName("T").IsNull());
  EXPECT_TRUE(t.FieldByName("C").IsNull());
  Image expected;
  expected.U16(3).U16(2).Def("S", ftString, 10).Def("T", ftString, 5).U16(3);
  expected.FieldObject("S", 0, ftString, 10).FieldObject("T", 0, ftString, 5);
  expected.FieldObject("C", 3, ftString, 0x8000).I32(2);
  expected.Value("abc").I32(0).Value("def").I32(0);
  EXPECT_EQ(Save(t), expected.Bytes());
  // Without any definition a record carries no value: none is read.
  Image noDefs;
  noDefs.U16(3).U16(0).U16(1).FieldObject("S", 0, ftString, 10).I32(2).Value("abc");
  TVirtualTable n("n");
  Load(n, noDefs.Bytes());
  n.Open();
  EXPECT_EQ(n.RecordCount(), 0);

  // A definition named like a calculated field: its values are dropped.
  TVirtualTable u("u");
  u.FieldDefs().Add("S", ftString, 10);
  u.AddField(CreateField(ftString, "S", 10));
  auto calc = CreateField(ftString, "C", 2);
  calc->SetFieldKind(TFieldKind::fkCalculated);
  u.AddField(std::move(calc));
  Image data;
  data.U16(3).U16(2).Def("S", ftString, 10).Def("C", ftString, 300).U16(0).I32(1);
  data.Value("s").Value(std::string(300, 'c'));
  Load(u, data.Bytes(), false);
  u.Open();
  EXPECT_EQ(u.FieldByName("S").AsString(), "s");
  EXPECT_TRUE(u.FieldByName("C").IsNull());
  // Writing a calculated field outside the calculation changes nothing.
  u.Edit();
  u.FieldByName("C").SetAsString("xx");
  u.Post();
  EXPECT_TRUE(u.FieldByName("C").IsNull());
}

TEST(HostileFile, HugeFieldSizesAreRefused) {
  auto doc = [](const std::string& datatype) {
    return "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010' "
           "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
           "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
           "<s:AttributeType name='F'><s:datatype " +
           datatype +
           "/></s:AttributeType></s:ElementType></s:Schema><rs:data><z:row F='1'/>"
           "</rs:data></xml>";
  };
  for (const std::string& datatype :
       {std::string("dt:type='string' rs:dbtype='str' dt:maxlength='2147483647'"),
        std::string("dt:type='string' dt:maxlength='1000000000'"),
        std::string("dt:type='number' rs:dbtype='numeric' rs:precision='2147483647' "
                    "rs:scale='2' dt:maxlength='19'")}) {
    TVirtualTable t("t");
    std::string message;
    size_t bytes = BytesAllocatedBy([&] { message = LoadError(t, doc(datatype)); });
    EXPECT_EQ(message, "Invalid field size") << datatype;
    EXPECT_FALSE(t.Active());
    EXPECT_LT(bytes, 64 * 1024u);
  }
  // The largest size a table file can hold still works.
  TVirtualTable t("t");
  t.FieldDefs().Add("S", ftString, 0xFFFF);
  t.FieldDefs().Add("W", ftWideString, 0xFFFF);
  t.Open();
  AddRow(t, {std::string(70000, 's').c_str(), "w"});
  TVirtualTable u("u");
  Load(u, Save(t));
  u.Open();
  EXPECT_EQ(u.FieldByName("S").AsString().size(), 0xFFFFu);
}

TEST(HostileFile, ValuesThatDoNotFitTheirFieldAreRejected) {
  struct Case {
    TFieldType type;
    int precision;
    std::string value;
  };
  const Case cases[] = {
      {ftInteger, 0, LE<int16_t>(1)},        {ftInteger, 0, LE<int64_t>(1)},
      {ftSmallint, 0, LE<int32_t>(1)},       {ftWord, 0, std::string(1, 'x')},
      {ftBoolean, 0, LE<int32_t>(1)},        {ftFloat, 0, LE<float>(1)},
      {ftCurrency, 0, std::string(9, '\0')}, {ftDate, 0, LE<int32_t>(730120)},
      {ftTime, 0, std::string(12, '\0')},    {ftDateTime, 0, LE<int32_t>(1)},
      {ftLargeint, 3, LE<int64_t>(1)},       {ftLargeint, 0, LE<int32_t>(1)},
      {ftAutoInc, 0, std::string(3, '\0')},  {ftBCD, 0, LE<int32_t>(1)},
      {ftBytes, 0, std::string(5, '\1')},    {ftGuid, 0, std::string(40, '0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FieldTypeName(c.type) + " " + std::to_string(c.value.size()));
    // The definitions are read from the image: a good record, then the bad one.
    Image img;
    img.U16(3).U16(2).Def("K", ftString, 4).Def("X", c.type, 4, c.precision).U16(0).I32(3);
    img.Value("ok").Null().Value("bad").Value(c.value).Value("next").Null();
    TVirtualTable t("t");
    EXPECT_EQ(LoadError(t, img.Bytes()), "Value of field 'X' has an invalid length (" +
                                             std::to_string(c.value.size()) + " bytes)");
    // The records before stay; the failing one is posted with what it had.
    ASSERT_TRUE(t.Active());
    EXPECT_EQ(testing::Column(t, "K"), (std::vector<std::string>{"ok", "bad"}));
    t.Last();
    EXPECT_TRUE(t.FieldByName("X").IsNull());
  }
}

TEST(HostileFile, FailedSavesLeaveTheOldFileWhole) {
  ScratchDir dir;
  const std::string file = dir.File("table.vtd");
  TVirtualTable old("old");
  OpenTextTable(old, "N", 5, {"keep"});
  old.SaveTableFile(file);
  const std::string before = testing::Save(old);
  ASSERT_EQ(ReadWholeFile(file), before);

  TVirtualTable t("t");
  OpenTextTable(t, "N", 5, {"new"});
  auto saveError = [&](const std::string& name) -> std::string {
    try {
      t.SaveTableFile(name);
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  };
  // A read-only target (also for a user whom the system would let write it).
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  EXPECT_EQ(saveError(file), "Cannot create file " + file);
  EXPECT_EQ(ReadWholeFile(file), before);
  std::filesystem::permissions(
      file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  // A directory that does not exist.
  const std::string missing = dir.File("no such dir/table.vtd");
  EXPECT_EQ(saveError(missing), "Cannot create file " + missing);
  // A directory that takes no new file (not checkable as root).
  if (geteuid() != 0) {
    std::filesystem::permissions(
        dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(saveError(file), "Cannot create file " + file);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadWholeFile(file), before);
  }
  // A failure in the middle of the image: a definition too large for the
  // format stops the writer after the header.
  TVirtualTable wide("wide");
  wide.FieldDefs().Add("N", ftString, 5);
  wide.FieldDefs().Add("Huge", ftString, 70000);
  try {
    wide.SaveTableFile(file);
    FAIL() << "saved";
  } catch (const EWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Stream write error");
  }
  EXPECT_EQ(ReadWholeFile(file), before);
  // No temporary file is left behind.
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    ++files;
  EXPECT_EQ(files, 1u);
  // A save that works replaces the file and keeps its permissions.
  std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  t.SaveTableFile(file);
  EXPECT_EQ(ReadWholeFile(file), testing::Save(t));
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write |
                                                             std::filesystem::perms::group_read);
}

TEST(HostileFile, WriteErrorsAtEveryByteAreReportedAndTheTableIsPutBack) {
  TVirtualTable t("t");
  FillSample(t);
  auto persistent = CreateField(ftString, "S", 12);
  t.Close();
  t.DestroyFields();
  TField& s = t.AddField(std::move(persistent));
  t.AddField(CreateField(ftInteger, "I", 0));
  t.Open();
  t.SetRecNo(3);
  const std::string image = Save(t);
  for (size_t n = 0; n < image.size(); ++n) {
    TFailingStream out(n);
    try {
      t.SaveTableStream(out, true);
      FAIL() << "a short write at " << n << " went unnoticed";
    } catch (const EWriteError& e) {
      EXPECT_EQ(std::string(e.what()), "Stream write error");
    }
    ASSERT_TRUE(t.Active()) << n;
    EXPECT_EQ(t.RecNo(), 3) << n;
    ASSERT_EQ(t.FieldCount(), 2u);
    EXPECT_EQ(&t.Field(0), &s);
    EXPECT_EQ(s.AsString(), "row 2");
  }
  TFailingStream enough(image.size());
  t.SaveTableStream(enough, true);
}

}  // namespace
}  // namespace qualtren
