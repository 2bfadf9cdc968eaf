// A fast hash of short byte strings (words, names), eight bytes at a time.
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

}  // namespace qualtren
