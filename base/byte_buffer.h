// A growable run of bytes for readers that hold lines of any length: it
// grows by realloc and never clears what it has not been told to hold.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>

namespace qualtren {

/// Bytes from malloc that grow by realloc: in place, or remapped by the
/// system once they are large, never copied beside themselves, and never
/// cleared. A buffer that grows to a long line's length therefore touches
/// only the pages that bytes are read into, once.
class TByteBuffer {
 public:
  /// An empty buffer with room for `capacity` bytes.
  explicit TByteBuffer(size_t capacity = 0);

  char* Data() { return bytes_.get(); }
  const char* Data() const { return bytes_.get(); }
  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }
  bool Empty() const { return size_ == 0; }
  std::string_view View() const { return {bytes_.get(), size_}; }

  /// Holds `size` bytes: those it held are kept; new ones are unset, to be
  /// written over. Room grows to at least twice what it was.
  void Resize(size_t size) {
    if (size > capacity_) Grow(size);
    size_ = size;
  }
  /// Room for at least `capacity` bytes, the bytes held kept.
  void Reserve(size_t capacity) {
    if (capacity > capacity_) Grow(capacity);
  }
  /// Holds a copy of `bytes`, which must not lie inside this buffer.
  void Assign(std::string_view bytes);
  void Swap(TByteBuffer& other) noexcept {
    bytes_.swap(other.bytes_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  // Room for at least `wanted` bytes and at least twice the room before.
  void Grow(size_t wanted);

  std::unique_ptr<char, void (*)(void*)> bytes_{nullptr, std::free};
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace qualtren
