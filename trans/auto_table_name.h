// The automatic table name: the first word after the first "from " of a
// one-table statement, and the A-to-Z-only case-blind search it uses.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

// The 1-based position of the first occurrence of `sub` in `text`, both
// compared with the letters A to Z lowered and nothing else changed; 0 when
// it does not occur. No character is a wildcard.
size_t PosNoCase(const std::string& sub, const std::string& text);

// True when `sub` occurs in `text` by PosNoCase.
bool ContainsNoCase(const std::string& sub, const std::string& text);

/// Works out the automatic table name from a text fed piece by piece. The
/// name depends only on the text up to the first "from " and the 2048
/// characters after it, so a reader can stop feeding once it is decided.
class TAutoTableNameScanner {
 public:
  static constexpr size_t kWindowSize = 2048;

  /// Feeds the next piece of the text (as the translation passes it: each
  /// line followed by CR LF).
  void Feed(std::string_view piece);
  /// Whether text still to come can no longer change the name.
  bool Decided() const { return found_ && window_.size() >= kWindowSize; }
  /// The name of the text fed so far, taken as the whole text.
  std::string Name() const;

 private:
  bool found_ = false;
  size_t matched_ = 0;  // characters of "from " matched so far
  std::string window_;  // the lowered characters after the first "from "
};

// The table name worked out from the whole text (lowered A to Z), or the
// empty text when the text has no "from " or holds a further "from " or a
// "join " within the 2048 characters after it. Never raises.
std::string GetAutoTableName(const std::string& text);

}  // namespace qualtren
