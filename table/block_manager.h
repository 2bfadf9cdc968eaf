// Record items and the block manager that hands them out: each record lives
// in an item, a fixed header followed directly by the record bytes, and
// items come in blocks of a fixed number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qualtren {

struct TBlockHeader;

/// Header of a record item; the record bytes follow it directly.
struct TItemHeader {
  TBlockHeader* Block = nullptr;
  TItemHeader* Prev = nullptr;
  TItemHeader* Next = nullptr;
  TItemHeader* Rollback = nullptr;
  uint8_t Status = 0;
  uint8_t UpdateResult = 5;
  int32_t RecNo = 0;
  uint8_t Flag = 0;          // kItemFree or kItemUsed
  uint8_t FilterResult = 0;  // 0 not checked, 1 passes, 2 omitted
  uint8_t Reserved = 0;
  uint32_t FilterGen = 0;  // the filter generation FilterResult belongs to

  uint8_t* Record() { return reinterpret_cast<uint8_t*>(this) + kHeaderSize; }
  const uint8_t* Record() const { return reinterpret_cast<const uint8_t*>(this) + kHeaderSize; }
  static constexpr size_t kHeaderSize = 56;
  static constexpr uint8_t kItemFree = 0xF0;
  static constexpr uint8_t kItemUsed = 0x0F;
};
static_assert(sizeof(TItemHeader) <= TItemHeader::kHeaderSize);

/// Hands out record items from blocks of a number of items. Free items of
/// all blocks sit on one free list; a block is released when its last used
/// item is freed. Handing out or freeing an item in the wrong state raises
/// an assertion failure.
class TBlockManager {
 public:
  /// Blocks of `itemsPerBlock` items, the default count.
  explicit TBlockManager(int itemsPerBlock = 10)
      : defaultItems_(itemsPerBlock), itemsPerBlock_(itemsPerBlock) {}
  ~TBlockManager();
  TBlockManager(const TBlockManager&) = delete;
  TBlockManager& operator=(const TBlockManager&) = delete;

  /// A block of large items holds no more of them than fit in this many
  /// bytes (at least one), so that a few records of megabytes do not cost
  /// a block of ten.
  static constexpr size_t kLargeBlockBytes = 1024 * 1024;

  /// Sets the record length, and with it the items per block: the default
  /// count, fewer for large items; frees every item.
  void SetRecordSize(size_t recordSize);
  int ItemsPerBlock() const { return itemsPerBlock_; }
  /// The bytes of the blocks that hold `items` items.
  uint64_t BytesFor(uint64_t items) const;
  /// Makes room for `items` more items in one block where that is more
  /// than a block holds (a load that knows how many records come), so that
  /// they take one allocation and, where the system gives them, huge pages.
  void Reserve(size_t items);
  /// A fresh item with a zeroed record.
  TItemHeader* AllocItem();
  void FreeItem(TItemHeader* item);
  void FreeAll();
  size_t BlockCount() const { return blocks_.size(); }
  size_t UsedItems() const { return used_; }
  size_t ItemSize() const { return itemSize_; }

 private:
  void AddBlock(size_t items);
  void ReleaseBlock(TBlockHeader* block);
  TItemHeader* ItemAt(TBlockHeader* block, int i) const;
  // Puts a free item at the front of the free list.
  void PushFree(TItemHeader* item);

  // A block's memory, and where its header stands in it.
  struct TBlock {
    std::unique_ptr<uint8_t[]> Memory;
    TBlockHeader* Header = nullptr;
  };

  int defaultItems_;
  int itemsPerBlock_;
  size_t itemSize_ = TItemHeader::kHeaderSize;
  std::vector<TBlock> blocks_;
  TItemHeader* freeList_ = nullptr;
  TBlockHeader* fresh_ = nullptr;  // the block whose untouched items come next
  size_t used_ = 0;
};

}  // namespace qualtren
