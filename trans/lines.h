// Splitting a text into lines and joining lines into a text, with the line
// break rules that the translation, the window and the command line share.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qualtren {

/// The first CR, LF or NUL byte in [p, end), or `end`. Reads eight bytes at
/// a time where it can: the bytes of a long line cost little more than a
/// copy of them.
inline const char* FindLineEnd(const char* p, const char* end) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    // The high bit of each byte that is zero (lower ones exactly; a byte
    // above a zero byte may be marked falsely, and never counts).
    const auto zeros = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    for (; end - p >= 8; p += 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      if (const uint64_t hit = zeros(w) | zeros(w ^ (kOnes * '\r')) | zeros(w ^ (kOnes * '\n')))
        return p + std::countr_zero(hit) / 8;
    }
  }
  while (p < end && *p != '\r' && *p != '\n' && *p != '\0')
    ++p;
  return p;
}

/// Calls `onLine` with each line of the text, without its line break. A line
/// ends at CR, at LF or at the pair CR LF (one break; LF CR is two). A break
/// at the very end starts no further line, a NUL byte ends the text, and the
/// empty text has no lines. A callback that returns bool stops the walk by
/// returning false.
template <typename OnLine>
void ForEachLine(std::string_view text, OnLine&& onLine) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end && *p != '\0') {
    const char* start = p;
    p = FindLineEnd(p, end);
    const std::string_view line(start, static_cast<size_t>(p - start));
    if constexpr (std::is_same_v<decltype(onLine(line)), bool>) {
      if (!onLine(line)) return;
    } else {
      onLine(line);
    }
    if (p < end && *p == '\r') {
      ++p;
      if (p < end && *p == '\n') ++p;
    } else if (p < end && *p == '\n') {
      ++p;
    }
  }
}

/// The lines of the text as ForEachLine cuts them.
std::vector<std::string> SplitLines(std::string_view text);

/// Joins the lines with CR LF after every line, the last included; no lines
/// give the empty text.
std::string JoinLines(const std::vector<std::string>& lines);

/// The text with its lines as ForEachLine cuts them, each followed by CR LF:
/// JoinLines(SplitLines(text)) without the list in between.
std::string NormalizeLineBreaks(std::string_view text);

}  // namespace qualtren
