// Counting what operator new hands out while a piece of a test runs, for the
// tests of how much memory hostile table files may cost.
#pragma once

#include <cstddef>
#include <functional>

namespace qualtren::testing {

/// Runs f and returns the bytes that operator new handed out meanwhile on
/// this thread (all of them, whether freed again or not).
size_t BytesAllocatedBy(const std::function<void()>& f);

}  // namespace qualtren::testing
