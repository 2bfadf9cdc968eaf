// The global operator new of the programs that count allocations, counting
// on request. Replacing it affects the whole program, so outside a measurement it only
// forwards to malloc.
#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tCounting = false;
thread_local qualtren::testing::TAllocations tAllocated;
}  // namespace

// GCC takes free() after an inlined operator new for a mismatch; here both
// are malloc and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(size_t size) {
  if (tCounting) {
    ++tAllocated.Count;
    tAllocated.Bytes += size;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace qualtren::testing {

TAllocations AllocationsBy(const std::function<void()>& f) {
  tAllocated = TAllocations();
  tCounting = true;
  try {
    f();
  } catch (...) {
    tCounting = false;
    throw;
  }
  tCounting = false;
  return tAllocated;
}

}  // namespace qualtren::testing
