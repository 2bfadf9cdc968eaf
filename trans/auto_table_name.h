// The automatic table name: the first word after the first "from " of a
// one-table statement, and the A-to-Z-only case-blind search it uses.
#pragma once

#include <string>

namespace qualtren {

// The 1-based position of the first occurrence of `sub` in `text`, both
// compared with the letters A to Z lowered and nothing else changed; 0 when
// it does not occur. No character is a wildcard.
size_t PosNoCase(const std::string& sub, const std::string& text);

// True when `sub` occurs in `text` by PosNoCase.
bool ContainsNoCase(const std::string& sub, const std::string& text);

// The table name worked out from the whole text (lowered A to Z), or the
// empty text when the text has no "from " or holds a further "from " or a
// "join " within the 2048 characters after it. Never raises.
std::string GetAutoTableName(const std::string& text);

}  // namespace qualtren
