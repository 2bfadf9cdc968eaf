// Tests of the memory that a table file may make the loader take: at most
// 64 bytes per byte of the file and 64 MiB besides, whatever its definitions
// claim, or a refusal before the records are allocated that says how much
// they would need. Binary and XML files of wide records, of many records,
// of the most definitions a file can hold; tables of the program's own that
// are copied or restructured are not bounded.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "allocation_counter.h"
#include "base/exception.h"
#include "image_builder.h"
#include "table/virtual_table.h"
#include "table_fixture.h"
#include "xml_rowset.h"

namespace qualtren {
namespace {

using namespace testing;

constexpr uint64_t kMiB = 1024 * 1024;

uint64_t Bound(size_t fileBytes) {
  return 64 * static_cast<uint64_t>(fileBytes) + 64 * kMiB;
}

// A binary image of `fields` string definitions of `size` characters and
// `records` records whose values are all null.
std::string BinaryOfNulls(int fields, int size, int records) {
  Image img;
  img.U16(3).U16(static_cast<uint16_t>(fields));
  for (int i = 0; i < fields; ++i)
    img.Def("F" + std::to_string(i), ftString, static_cast<uint16_t>(size));
  img.U16(0).I32(records);
  for (int r = 0; r < records; ++r)
    for (int i = 0; i < fields; ++i)
      img.Null();
  return img.Bytes();
}

struct Outcome {
  size_t bytes = 0;  // allocated by the load
  std::string error;
  int records = 0;
};

Outcome LoadCounting(const std::string& image) {
  Outcome o;
  TVirtualTable t("t");
  o.bytes = BytesAllocatedBy([&] { o.error = LoadError(t, image); });
  t.Open();
  o.records = t.RecordCount();
  return o;
}

// The numbers of a refusal: "Table too large: R records of I bytes would
// take N bytes of memory, more than the B bytes allowed for a table file of
// S bytes".
struct Refusal {
  uint64_t records = 0, itemBytes = 0, need = 0, bound = 0, fileBytes = 0;
};

bool ParseRefusal(const std::string& message, Refusal& r) {
  unsigned long long v[5];
  const int n =
      std::sscanf(message.c_str(),
                  "Table too large: %llu records of %llu bytes would take %llu bytes of "
                  "memory, more than the %llu bytes allowed for a table file of %llu bytes",
                  &v[0], &v[1], &v[2], &v[3], &v[4]);
  r = {v[0], v[1], v[2], v[3], v[4]};
  return n == 5;
}

// Loads a file of wide records (or many records) and checks the outcome:
// every record and within the bound, or refused within the bound with a
// message that names what the records would take.
void CheckShape(const std::string& image, int records, uint64_t recordBytes, bool xml) {
  SCOPED_TRACE(std::to_string(records) + " records of " + std::to_string(recordBytes) +
               " bytes, file of " + std::to_string(image.size()) + " bytes");
  const Outcome o = LoadCounting(image);
  EXPECT_LE(o.bytes, Bound(image.size()));
  if (o.error.empty()) {
    EXPECT_EQ(o.records, records);
    return;
  }
  Refusal r;
  ASSERT_TRUE(ParseRefusal(o.error, r)) << o.error;
  EXPECT_EQ(r.fileBytes, image.size());
  EXPECT_GE(r.itemBytes, recordBytes);
  EXPECT_GE(r.need, r.records * r.itemBytes);
  EXPECT_GT(r.need, r.bound);
  // The records are granted at least half of the bound.
  EXPECT_GE(r.bound, Bound(image.size()) / 2);
  if (xml) {
    // The rows are read one by one: those before the refused one stay.
    EXPECT_EQ(static_cast<uint64_t>(o.records) + 1, r.records);
  } else {
    EXPECT_EQ(r.records, static_cast<uint64_t>(records));
    EXPECT_EQ(o.records, 0);
  }
}

TEST(MemoryBound, WideRecordsAreHeldWithinTheBoundOrRefused) {
  // 250 string fields of 65 535 characters: records of 16 MB.
  const uint64_t wide = 250 * 65536;
  for (int records : {1, 2, 10, 20, 100, 1000}) {
    CheckShape(BinaryOfNulls(250, 65535, records), records, wide, false);
    CheckShape(XmlRowset(250, 65535, records), records, wide, true);
  }
  // One such record is held (blocks of ten would have taken 164 MB).
  EXPECT_EQ(LoadCounting(BinaryOfNulls(250, 65535, 1)).error, "");
  EXPECT_EQ(LoadCounting(XmlRowset(250, 65535, 1)).error, "");
  // Records of 10 KB: a thousand of them are held, a hundred thousand not.
  for (int records : {10, 1000, 100000}) {
    CheckShape(BinaryOfNulls(10, 1000, records), records, 10 * 1001, false);
    CheckShape(XmlRowset(10, 1000, records), records, 10 * 1001, true);
  }
  EXPECT_EQ(LoadCounting(BinaryOfNulls(10, 1000, 1000)).records, 1000);
  EXPECT_NE(LoadCounting(BinaryOfNulls(10, 1000, 100000)).error, "");
}

TEST(MemoryBound, ARefusalLeavesNoRecordsAndTheTableUsable) {
  TVirtualTable t("t");
  const std::string wide = BinaryOfNulls(250, 65535, 20);
  const std::string message = LoadError(t, wide);
  Refusal r;
  ASSERT_TRUE(ParseRefusal(message, r)) << message;
  EXPECT_EQ(r.records, 20u);
  EXPECT_EQ(r.fileBytes, wide.size());
  EXPECT_EQ(t.FieldDefs().Count(), 250u);
  t.Open();
  EXPECT_EQ(t.RecordCount(), 0);
  // A file within the bound loads into the same table afterwards.
  Load(t, BinaryOfNulls(3, 10, 5));
  t.Open();
  EXPECT_EQ(t.RecordCount(), 5);
  EXPECT_EQ(t.FieldDefs().Count(), 3u);
}

TEST(MemoryBound, TheMostDefinitionsAFileCanHold) {
  // 65 535 definitions and as many field objects, all with empty names, in
  // the fewest bytes that hold them (version 1 entries), and two records.
  Image img;
  img.U16(1).U16(0xFFFF);
  for (int i = 0; i < 0xFFFF; ++i)
    img.OldDef("", ftInteger, 0);
  img.U16(0xFFFF);
  for (int i = 0; i < 0xFFFF; ++i)
    img.FieldObject("", 0, ftInteger, 0);
  img.I32(2);
  for (int i = 0; i < 2 * 0xFFFF; ++i)
    img.OldValue("");
  const Outcome o = LoadCounting(img.Bytes());
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.records, 2);
  EXPECT_LE(o.bytes, Bound(img.Size()));
}

TEST(MemoryBound, TablesOfTheProgramsOwnAreNotBounded) {
  // 600 null records of 64 KB: 40 MB in memory from an image of 2.4 KB,
  // which as a file would be refused.
  TVirtualTable t("t");
  t.FieldDefs().Add("S", ftString, 65535);
  t.Open();
  for (int r = 0; r < 600; ++r)
    AddRow(t, {nullptr});
  const std::string image = Save(t);
  TVirtualTable file("file");
  EXPECT_NE(LoadError(file, image), "");
  // Copied, and restructured by a new definition, it keeps its records.
  TVirtualTable copy("copy");
  copy.CopyTable(&t);
  copy.Open();
  EXPECT_EQ(copy.RecordCount(), 600);
  t.FieldDefs().Add("N", ftInteger);
  EXPECT_EQ(t.RecordCount(), 600);
}

}  // namespace
}  // namespace qualtren
