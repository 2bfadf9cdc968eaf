// Allocating record items in blocks and keeping the free list.
#include "table/block_manager.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "base/exception.h"

namespace qualtren {

// The manager's list of blocks is its vector alone: a block knows its place
// in it, so that releasing one moves the last into that place.
// Its items are handed out in turn before any is put on the free list: those
// from `Fresh` on were never touched, so that a large block's memory is
// touched as its records are filled, not all at once when it is added.
struct TBlockHeader {
  int ItemCount = 0;
  int UsedCount = 0;
  int Fresh = 0;     // the items before this one have been handed out
  size_t Index = 0;  // position in the manager's block list
};

namespace {

constexpr size_t kBlockHeaderSize = (sizeof(TBlockHeader) + 7) & ~size_t{7};

// A block this large is laid on huge pages where the system has them: its
// memory is touched once, page by page, as its items are handed out.
constexpr size_t kHugePage = 2u << 20;
constexpr size_t kHugeBlockBytes = 2 * kHugePage;

}  // namespace

TBlockManager::~TBlockManager() = default;

void TBlockManager::SetRecordSize(size_t recordSize) {
  FreeAll();
  itemSize_ = (TItemHeader::kHeaderSize + recordSize + 7) & ~size_t{7};
  const size_t fit = std::max<size_t>(kLargeBlockBytes / itemSize_, 1);
  itemsPerBlock_ = static_cast<int>(std::min(fit, static_cast<size_t>(defaultItems_)));
}

uint64_t TBlockManager::BytesFor(uint64_t items) const {
  const auto perBlock = static_cast<uint64_t>(itemsPerBlock_);
  const uint64_t blocks = (items + perBlock - 1) / perBlock;
  return blocks * (kBlockHeaderSize + itemSize_ * perBlock);
}

void TBlockManager::Reserve(size_t items) {
  const size_t perBlock = static_cast<size_t>(itemsPerBlock_);
  if (items > 2 * perBlock && items <= kLargeBlockBytes * 1024 / itemSize_) AddBlock(items);
}

void TBlockManager::AddBlock(size_t items) {
  // The untouched items of the block before are not lost to a block added
  // while they remain (a reserve): they go on the free list.
  while (fresh_ && fresh_->Fresh < fresh_->ItemCount) {
    auto* item = new (ItemAt(fresh_, fresh_->Fresh++)) TItemHeader();
    item->Block = fresh_;
    PushFree(item);
  }
  const size_t bytes = kBlockHeaderSize + itemSize_ * items;
  TBlock b;
  uint8_t* start;
  if (bytes >= kHugeBlockBytes) {
    // Aligned inside a larger allocation, so that whole huge pages lie in it.
    b.Memory = std::make_unique_for_overwrite<uint8_t[]>(bytes + kHugePage);
    const auto raw = reinterpret_cast<uintptr_t>(b.Memory.get());
    start = b.Memory.get() + ((kHugePage - raw % kHugePage) % kHugePage);
    ::madvise(start, bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
  } else {
    b.Memory = std::make_unique<uint8_t[]>(bytes);
    start = b.Memory.get();
  }
  auto* block = new (start) TBlockHeader();
  b.Header = block;
  block->ItemCount = static_cast<int>(items);
  block->Index = blocks_.size();
  blocks_.push_back(std::move(b));
  fresh_ = block;
}

void TBlockManager::PushFree(TItemHeader* item) {
  item->Flag = TItemHeader::kItemFree;
  item->Prev = nullptr;
  item->Next = freeList_;
  if (freeList_) freeList_->Prev = item;
  freeList_ = item;
}

TItemHeader* TBlockManager::ItemAt(TBlockHeader* block, int i) const {
  return reinterpret_cast<TItemHeader*>(reinterpret_cast<uint8_t*>(block) + kBlockHeaderSize +
                                        itemSize_ * static_cast<size_t>(i));
}

TItemHeader* TBlockManager::AllocItem() {
  TItemHeader* item;
  TBlockHeader* block;
  if (freeList_) {
    item = freeList_;
    if (item->Flag != TItemHeader::kItemFree)
      throw EAssertionFailed("Record item handed out twice", __FILE__, __LINE__);
    freeList_ = item->Next;
    if (freeList_) freeList_->Prev = nullptr;
    block = item->Block;
  } else {
    if (!fresh_ || fresh_->Fresh == fresh_->ItemCount)
      AddBlock(static_cast<size_t>(itemsPerBlock_));
    block = fresh_;
    item = ItemAt(block, block->Fresh++);
  }
  item = new (item) TItemHeader();
  item->Block = block;
  item->Flag = TItemHeader::kItemUsed;
  std::memset(item->Record(), 0, itemSize_ - TItemHeader::kHeaderSize);
  ++block->UsedCount;
  ++used_;
  return item;
}

void TBlockManager::FreeItem(TItemHeader* item) {
  if (!item || item->Flag != TItemHeader::kItemUsed)
    throw EAssertionFailed("Record item freed twice", __FILE__, __LINE__);
  PushFree(item);
  --used_;
  TBlockHeader* block = item->Block;
  if (--block->UsedCount == 0) ReleaseBlock(block);
}

void TBlockManager::ReleaseBlock(TBlockHeader* block) {
  // Only the items handed out before stand on the free list.
  for (int i = 0; i < block->Fresh; ++i) {
    TItemHeader* item = ItemAt(block, i);
    if (item->Prev)
      item->Prev->Next = item->Next;
    else
      freeList_ = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
  }
  if (fresh_ == block) fresh_ = nullptr;
  size_t index = block->Index;
  if (index + 1 != blocks_.size()) {
    std::swap(blocks_[index], blocks_.back());
    blocks_[index].Header->Index = index;
  }
  blocks_.pop_back();
}

void TBlockManager::FreeAll() {
  blocks_.clear();
  freeList_ = nullptr;
  fresh_ = nullptr;
  used_ = 0;
}

}  // namespace qualtren
