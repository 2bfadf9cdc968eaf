// The automatic table name of a one-table statement.
#include "trans/auto_table_name.h"

#include <exception>

namespace qualtren {

namespace {

constexpr size_t kWindowSize = 2048;

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(const std::string& text) {
  std::string lowered = text;
  for (char& c : lowered)
    c = LowerAscii(c);
  return lowered;
}

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

size_t PosNoCase(const std::string& sub, const std::string& text) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  const size_t found = LowerAscii(text).find(LowerAscii(sub));
  return found == std::string::npos ? 0 : found + 1;
}

bool ContainsNoCase(const std::string& sub, const std::string& text) {
  return PosNoCase(sub, text) > 0;
}

std::string GetAutoTableName(const std::string& text) {
  std::string name;
  try {
    const std::string lowered = LowerAscii(text);
    const size_t pos = PosNoCase("from ", lowered);
    if (pos == 0) return name;

    // The characters after the found "from ", at most a window's worth,
    // without leading and trailing blanks and control codes.
    std::string window = lowered.substr(pos - 1 + 5, kWindowSize);
    size_t first = 0;
    while (first < window.size() && IsBlankOrControl(window[first]))
      ++first;
    size_t last = window.size();
    while (last > first && IsBlankOrControl(window[last - 1]))
      --last;
    window = window.substr(first, last - first) + ' ';

    // A second "from " or a "join " means more than one table.
    if (ContainsNoCase("from ", window) || ContainsNoCase("join ", window)) return name;

    // The appended blank makes sure the run ends.
    const size_t end = window.find_first_of(", ");
    name = window.substr(0, end);
  } catch (const std::exception&) {
    // A failure leaves the name as far as it was built.
  }
  return name;
}

}  // namespace qualtren
