// The two ways a binary image's records come into a table held against each
// other: records of text values alone are filled in place, records of a
// table that hears of each post go through Append and Post.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image_builder.h"
#include "table/virtual_table.h"
#include "table_fixture.h"

namespace qualtren {
namespace {
using namespace testing;

// Records of text values alone go straight into the store; a table that
// hears of each post takes them through Append and Post. Both must hold the
// same values, whatever the image holds: values with a zero byte, values
// longer than their field, a field the image names twice (in another case),
// old two-byte lengths, a wide string field.
TEST(BinaryFile, TextRecordsLoadedInPlaceHoldWhatPostedOnesHold) {
  std::mt19937 random(20261208);
  auto below = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  const std::string bytes("ab\0Zcd\xE8xyzw", 11);
  const char* names[] = {"A", "B", "a", "W"};
  for (int round = 0; round < 300; ++round) {
    const int version = below(2) == 0 ? 0 : 3;
    const size_t fields = 1 + below(4);
    Image img;
    img.U16(static_cast<uint16_t>(version)).U16(static_cast<uint16_t>(fields));
    for (size_t f = 0; f < fields; ++f) {
      const uint16_t type = names[f][0] == 'W' ? ftWideString : ftString;
      if (version >= 3)
        img.Def(names[f], type, 6);
      else
        img.OldDef(names[f], type, 6);
    }
    if (version >= 3) img.U16(0);
    const int32_t records = static_cast<int32_t>(below(5));
    img.I32(records);
    for (int32_t r = 0; r < records; ++r)
      for (size_t f = 0; f < fields; ++f) {
        std::string v;
        for (size_t n = below(10); n > 0; --n)
          v += bytes[below(bytes.size())];
        if (names[f][0] == 'W' && v.size() % 2 != 0) v.pop_back();
        if (version >= 3)
          img.Value(v);
        else
          img.OldValue(v);
      }
    SCOPED_TRACE(round);
    // The image's values into the fields of the same names (A and a are
    // one field), B shorter than the image says.
    TVirtualTable inPlace("in place"), posted("posted");
    for (TVirtualTable* t : {&inPlace, &posted}) {
      t->FieldDefs().Add("A", ftString, 6);
      t->FieldDefs().Add("B", ftString, 4);
      t->FieldDefs().Add("W", ftWideString, 6);
      t->Open();
    }
    int posts = 0;
    posted.AfterPost = [&posts](TDataSet&) { ++posts; };
    ASSERT_EQ(LoadError(inPlace, img.Bytes(), false), "");
    ASSERT_EQ(LoadError(posted, img.Bytes(), false), "");
    EXPECT_EQ(posts, records);
    for (const char* name : {"A", "B", "W"}) {
      EXPECT_EQ(Column(inPlace, name), Column(posted, name)) << name;
      std::vector<bool> nullIn, nullPosted;
      for (inPlace.First(); !inPlace.Eof(); inPlace.Next())
        nullIn.push_back(inPlace.FieldByName(name).IsNull());
      for (posted.First(); !posted.Eof(); posted.Next())
        nullPosted.push_back(posted.FieldByName(name).IsNull());
      EXPECT_EQ(nullIn, nullPosted) << name;
    }
  }
}

}  // namespace
}  // namespace qualtren
