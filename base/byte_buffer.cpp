// The growable byte buffer: growth by realloc.
#include "base/byte_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qualtren {

TByteBuffer::TByteBuffer(size_t capacity) {
  if (capacity > 0) Grow(capacity);
}

void TByteBuffer::Assign(std::string_view bytes) {
  Resize(bytes.size());
  if (!bytes.empty()) std::memcpy(bytes_.get(), bytes.data(), bytes.size());
}

void TByteBuffer::Grow(size_t wanted) {
  const size_t capacity = std::max(wanted, 2 * capacity_);
  char* grown = static_cast<char*>(std::realloc(bytes_.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  (void)bytes_.release();
  bytes_.reset(grown);
  capacity_ = capacity;
}

}  // namespace qualtren
