// Fixed-width values in their native byte form (little-endian, as the
// machine holds them), the form that fields exchange with their dataset.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

namespace qualtren {

// The value at the start of the bytes; missing bytes read as zero.
template <typename T>
T FromNativeBytes(const std::string& bytes) {
  T v{};
  std::memcpy(&v, bytes.data(), std::min(sizeof(T), bytes.size()));
  return v;
}

template <typename T>
std::string ToNativeBytes(T v) {
  std::string bytes(sizeof(T), '\0');
  std::memcpy(bytes.data(), &v, sizeof(T));
  return bytes;
}

}  // namespace qualtren
