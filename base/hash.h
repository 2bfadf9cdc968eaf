// A fast hash of short byte strings (words, names), eight bytes at a time,
// and a fast test of two such strings for equality.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace qualtren {

/// A 64-bit hash of the bytes; the same bytes always give the same hash.
inline uint64_t HashBytes(std::string_view bytes) {
  const char* p = bytes.data();
  size_t n = bytes.size();
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    p += 8;
    n -= 8;
  }
  // The last one to seven bytes without a loop: two overlapping words of
  // four, or three single bytes.
  if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + n - 4, 4);
    h = (h ^ ((static_cast<uint64_t>(a) << 32) | b)) * 0x94D049BB133111EBull;
  } else if (n > 0) {
    const uint64_t v = (static_cast<uint64_t>(static_cast<uint8_t>(p[0])) << 16) |
                       (static_cast<uint64_t>(static_cast<uint8_t>(p[n >> 1])) << 8) |
                       static_cast<uint8_t>(p[n - 1]);
    h = (h ^ v) * 0x94D049BB133111EBull;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  return h ^ (h >> 32);
}

namespace detail {
// Whether the first and the last word of two texts of `n` bytes (at least
// a word, at most two) are equal.
template <class TWord>
inline bool SameEnds(const char* a, const char* b, size_t n) {
  TWord a1, b1, a2, b2;
  std::memcpy(&a1, a, sizeof a1);
  std::memcpy(&b1, b, sizeof b1);
  std::memcpy(&a2, a + n - sizeof a2, sizeof a2);
  std::memcpy(&b2, b + n - sizeof b2, sizeof b2);
  return ((a1 ^ b1) | (a2 ^ b2)) == 0;
}
}  // namespace detail

/// Whether the `n` bytes at `a` and at `b` are equal: texts of 4 to 16
/// bytes are compared by their first and last words, without a call.
inline bool SameBytes(const char* a, const char* b, size_t n) {
  if (n >= 8 && n <= 16) return detail::SameEnds<uint64_t>(a, b, n);
  if (n >= 4 && n < 8) return detail::SameEnds<uint32_t>(a, b, n);
  return std::memcmp(a, b, n) == 0;
}

}  // namespace qualtren
