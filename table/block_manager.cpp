// Allocating record items in blocks and keeping the free list.
#include "table/block_manager.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>

#include "base/exception.h"

namespace qualtren {

// The manager's list of blocks is its vector alone: a block knows its place
// in it, so that releasing one moves the last into that place.
struct TBlockHeader {
  int ItemCount = 0;
  int UsedCount = 0;
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
  const size_t bytes = kBlockHeaderSize + itemSize_ * items;
  TBlock b;
  uint8_t* start;
  if (bytes >= kHugeBlockBytes) {
    // Aligned inside a larger allocation, so that whole huge pages lie in it.
    b.Memory = std::make_unique_for_overwrite<uint8_t[]>(bytes + kHugePage);
    const auto raw = reinterpret_cast<uintptr_t>(b.Memory.get());
    start = b.Memory.get() + ((kHugePage - raw % kHugePage) % kHugePage);
    const size_t huge = bytes & ~(kHugePage - 1);
    ::madvise(start, huge, MADV_HUGEPAGE);
    // Clearing the pages is the kernel's work on first touch and the
    // larger part of filling such a block: another processor does it
    // meanwhile. (Where the kernel cannot, the items fault them in.)
    try {
      b.Populate = std::jthread([start, huge] { ::madvise(start, huge, MADV_POPULATE_WRITE); });
    } catch (const std::system_error&) {
    }
  } else {
    b.Memory = std::make_unique<uint8_t[]>(bytes);
    start = b.Memory.get();
  }
  auto* block = new (start) TBlockHeader();
  b.Header = block;
  block->ItemCount = static_cast<int>(items);
  block->Index = blocks_.size();
  // The items of an older block not yet handed out go onto the free list;
  // this block's stay fresh.
  while (fresh_ < freshEnd_) {
    auto* item = new (fresh_) TItemHeader();
    item->Block = freshBlock_;
    item->Flag = TItemHeader::kItemFree;
    item->Next = freeList_;
    if (freeList_) freeList_->Prev = item;
    freeList_ = item;
    fresh_ += itemSize_;
  }
  freshBlock_ = block;
  fresh_ = start + kBlockHeaderSize;
  freshEnd_ = fresh_ + itemSize_ * items;
  blocks_.push_back(std::move(b));
}

TItemHeader* TBlockManager::AllocItem() {
  if (!freeList_ && fresh_ == freshEnd_) AddBlock(static_cast<size_t>(itemsPerBlock_));
  TItemHeader* item;
  TBlockHeader* block;
  if (fresh_ < freshEnd_) {
    item = new (fresh_) TItemHeader();
    block = freshBlock_;
    fresh_ += itemSize_;
  } else {
    item = freeList_;
    if (item->Flag != TItemHeader::kItemFree)
      throw EAssertionFailed("Record item handed out twice", __FILE__, __LINE__);
    freeList_ = item->Next;
    if (freeList_) freeList_->Prev = nullptr;
    block = item->Block;
  }
  *item = TItemHeader();
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
  item->Flag = TItemHeader::kItemFree;
  item->Prev = nullptr;
  item->Next = freeList_;
  if (freeList_) freeList_->Prev = item;
  freeList_ = item;
  --used_;
  TBlockHeader* block = item->Block;
  if (--block->UsedCount == 0) ReleaseBlock(block);
}

void TBlockManager::ReleaseBlock(TBlockHeader* block) {
  uint8_t* base = reinterpret_cast<uint8_t*>(block) + kBlockHeaderSize;
  size_t listed = static_cast<size_t>(block->ItemCount);
  if (block == freshBlock_) {
    // Its fresh items were never on the free list, and go with it.
    listed = static_cast<size_t>(fresh_ - base) / itemSize_;
    freshBlock_ = nullptr;
    fresh_ = freshEnd_ = nullptr;
  }
  for (size_t i = 0; i < listed; ++i) {
    auto* item = reinterpret_cast<TItemHeader*>(base + itemSize_ * i);
    if (item->Prev)
      item->Prev->Next = item->Next;
    else
      freeList_ = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
  }
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
  freshBlock_ = nullptr;
  fresh_ = freshEnd_ = nullptr;
  used_ = 0;
}

}  // namespace qualtren
