// Tests of the byte-string hash and equality test: equal bytes always hash
// alike, and the word-wise equality agrees with memcmp for every length up
// to 20 and a difference at every place.
#include "base/hash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qualtren {
namespace {

TEST(Hash, SameBytesAgreesWithMemcmpAtEveryLengthAndPlace) {
  for (size_t n = 0; n <= 20; ++n) {
    // Copies at different alignments, so that the words are read unaligned.
    const std::string base = "\x01\x80pqrstuvwxyzABCDEFGHIJ";
    const std::string a = "." + base.substr(0, n);
    const std::string same = ".." + base.substr(0, n);
    EXPECT_TRUE(SameBytes(a.data() + 1, same.data() + 2, n)) << n;
    EXPECT_EQ(HashBytes({a.data() + 1, n}), HashBytes({same.data() + 2, n})) << n;
    for (size_t at = 0; at < n; ++at) {
      std::string other = same;
      other[2 + at] = static_cast<char>(other[2 + at] ^ 0x20);
      EXPECT_FALSE(SameBytes(a.data() + 1, other.data() + 2, n)) << n << " at " << at;
      EXPECT_EQ(SameBytes(a.data() + 1, other.data() + 2, n),
                std::memcmp(a.data() + 1, other.data() + 2, n) == 0);
    }
  }
}

}  // namespace
}  // namespace qualtren
