// Counting what operator new hands out while a piece of a test or a
// benchmark runs: how much memory hostile table files may cost, how many
// allocations a lookup makes.
#pragma once

#include <cstddef>
#include <functional>

namespace qualtren::testing {

/// What operator new handed out: how many blocks, how many bytes in all
/// (whether freed again or not).
struct TAllocations {
  size_t Count = 0;
  size_t Bytes = 0;
};

/// Runs f and returns what operator new handed out meanwhile on this thread.
TAllocations AllocationsBy(const std::function<void()>& f);

/// Runs f and returns the bytes that operator new handed out meanwhile on
/// this thread.
inline size_t BytesAllocatedBy(const std::function<void()>& f) {
  return AllocationsBy(f).Bytes;
}

}  // namespace qualtren::testing
