// Tests of the block manager against a model of the items handed out: random
// runs of reserves, allocations and frees, each item's record written whole,
// so that two items sharing memory, a record not zeroed or a block released
// too early (its items read after) or never (blocks left at the end) shows.
#include "table/block_manager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <vector>

namespace qualtren {
namespace {

TEST(BlockManager, RandomRunsHandOutDistinctZeroedItemsAndReleaseEveryBlock) {
  std::mt19937 random(11);
  for (const size_t recordSize : {8u, 120u, 300000u}) {
    TBlockManager blocks(10);
    blocks.SetRecordSize(recordSize);
    const size_t bytes = blocks.ItemSize() - TItemHeader::kHeaderSize;
    std::vector<TItemHeader*> used;
    std::set<TItemHeader*> handedOut;
    size_t reserved = 0;  // blocks a reserve added: they may stay unused
    const int steps = recordSize > 100000 ? 150 : 20000;
    for (int step = 0; step < steps; ++step) {
      const unsigned roll = random() % 100;
      if (roll < 2) {
        const size_t before = blocks.BlockCount();
        blocks.Reserve(random() % 200);
        reserved += blocks.BlockCount() - before;
      } else if (roll < 60 || used.empty()) {
        TItemHeader* item = blocks.AllocItem();
        ASSERT_TRUE(handedOut.insert(item).second) << "handed out twice at step " << step;
        for (size_t k = 0; k < bytes; ++k)
          ASSERT_EQ(item->Record()[k], 0) << "not zeroed at step " << step;
        // Written whole: an item overlapping another shows when that one
        // is checked, and under the address sanitizer at once.
        std::memset(item->Record(), static_cast<int>(step & 0xFF) | 1, bytes);
        item->RecNo = step;
        used.push_back(item);
      } else {
        const size_t at = random() % used.size();
        TItemHeader* item = used[at];
        const auto fill = static_cast<uint8_t>((item->RecNo & 0xFF) | 1);
        for (size_t k = 0; k < bytes; ++k)
          ASSERT_EQ(item->Record()[k], fill) << "overwritten at step " << step;
        blocks.FreeItem(item);
        handedOut.erase(item);
        used[at] = used.back();
        used.pop_back();
      }
      ASSERT_EQ(blocks.UsedItems(), used.size());
    }
    for (TItemHeader* u : used)
      blocks.FreeItem(u);
    EXPECT_EQ(blocks.UsedItems(), 0u);
    EXPECT_LE(blocks.BlockCount(), reserved) << recordSize;
  }
}

}  // namespace
}  // namespace qualtren
