// Tests of the open-addressing hash table against a standard map: the same
// keys found, the same values kept, through growth, reserve and clear.
#include "base/open_hash_table.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

namespace qualtren {
namespace {

// Random keys from a small alphabet, so that many repeat and many share
// their first or last bytes; the empty key among them, and keys of every
// length up to 30 (compared in words up to 16, held in their entry up to
// 20).
std::string RandomKey(std::mt19937& random) {
  const size_t length = random() % 3 == 0 ? random() % 31 : random() % 6;
  std::string key;
  for (size_t i = 0; i < length; ++i)
    key += static_cast<char>("ab\0\xE8Z"[random() % 5]);
  return key;
}

TEST(OpenHashTableTest, AgreesWithAStandardMap) {
  std::mt19937 random(5);
  for (const size_t reserve : {0, 10, 5000}) {
    TOpenHashTable<int> table;
    table.Reserve(reserve, reserve * 4);
    std::unordered_map<std::string, uint32_t> expected;
    std::unordered_map<std::string, int> values;
    for (int step = 0; step < 20000; ++step) {
      const std::string key = RandomKey(random);
      if (random() % 3 == 0) {
        const auto it = expected.find(key);
        ASSERT_EQ(table.Find(key), it == expected.end() ? table.kMissing : it->second) << step;
        continue;
      }
      bool added = false;
      const uint32_t entry = table.FindOrAdd(key, added);
      const auto [it, isNew] = expected.emplace(key, entry);
      ASSERT_EQ(added, isNew) << step;
      ASSERT_EQ(entry, it->second) << step;
      if (added) {
        EXPECT_EQ(table.Value(entry), 0);  // value-initialised
        table.Value(entry) = step;
        values[key] = step;
      }
      ASSERT_EQ(table.Key(entry), key);
    }
    EXPECT_EQ(table.Size(), expected.size());
    // Entries are numbered in the order they were added, and keep their
    // keys and values through the table's growth.
    for (const auto& [key, entry] : expected) {
      EXPECT_EQ(table.Key(entry), key);
      EXPECT_EQ(table.Find(key), entry);
      EXPECT_EQ(values.at(key), table.Value(entry));
    }

    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    for (const auto& [key, entry] : expected)
      EXPECT_EQ(table.Find(key), table.kMissing);
    bool added = false;
    EXPECT_EQ(table.FindOrAdd("ab", added), 0u);
    EXPECT_TRUE(added);
  }
}

TEST(OpenHashTableTest, AnEmptyTableFindsNothing) {
  const TOpenHashTable<int> table;
  EXPECT_EQ(table.Find(""), table.kMissing);
  EXPECT_EQ(table.Find("word"), table.kMissing);
}

}  // namespace
}  // namespace qualtren
