// The locale's string collation, used to sort records by text.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// Compares two texts of the active code page for sorting: <0, 0, >0.
/// Letters compare by their base letter first, so that accents and then
/// case decide only between otherwise equal texts; only equal texts compare
/// equal.
int AnsiCompareStr(std::string_view a, std::string_view b);
/// The same, but texts that differ only in letter case are equal.
int AnsiCompareText(std::string_view a, std::string_view b);
/// The key of a text under AnsiCompareText: two texts of the active code
/// page have the same key exactly when AnsiCompareText finds them equal.
std::string AnsiTextKey(std::string_view text);

}  // namespace qualtren
