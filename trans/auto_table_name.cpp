// The automatic table name of a one-table statement.
#include "trans/auto_table_name.h"

#include <exception>

#include "base/ascii.h"

namespace qualtren {

namespace {

constexpr std::string_view kFrom = "from ";

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

void TAutoTableNameScanner::Feed(std::string_view piece) {
  size_t i = 0;
  // "from " has no prefix that is also its suffix, so a mismatch starts the
  // search afresh at the mismatching character.
  while (!found_ && i < piece.size()) {
    const char c = LowerAscii(piece[i++]);
    if (c == kFrom[matched_])
      ++matched_;
    else
      matched_ = c == kFrom[0] ? 1 : 0;
    found_ = matched_ == kFrom.size();
  }
  if (!found_ || window_.size() >= kWindowSize) return;
  const std::string_view rest = piece.substr(i, kWindowSize - window_.size());
  for (char c : rest)
    window_ += LowerAscii(c);
}

std::string TAutoTableNameScanner::Name() const {
  if (!found_) return {};
  // The window without leading and trailing blanks and control codes.
  size_t first = 0;
  while (first < window_.size() && IsBlankOrControl(window_[first]))
    ++first;
  size_t last = window_.size();
  while (last > first && IsBlankOrControl(window_[last - 1]))
    --last;
  const std::string window = window_.substr(first, last - first) + ' ';

  // A second "from " or a "join " means more than one table.
  if (ContainsNoCase("from ", window) || ContainsNoCase("join ", window)) return {};

  // The appended blank makes sure the run ends.
  return window.substr(0, window.find_first_of(", "));
}

std::string GetAutoTableName(const std::string& text) {
  try {
    TAutoTableNameScanner scanner;
    scanner.Feed(text);
    return scanner.Name();
  } catch (const std::exception&) {
    // Only memory can run out here; the name is then empty.
    return {};
  }
}

}  // namespace qualtren
