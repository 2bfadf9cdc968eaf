// CSV as the command line reads and writes it: the text parsed as
// base/csv.h reads it, a row's width checked, a field taken into the code
// page, and rows written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/csv.h"

namespace qualtren {

/// Raises a CsvError unless the row has as many fields as the header.
void CheckCsvRowWidth(const CsvRow& row, size_t headerWidth);

/// A field's text (UTF-8) in the ANSI code page, for a string field; `what`
/// names it in the error raised ("line N: WHAT is not valid UTF-8", "...
/// holds a character that code page N cannot hold", "... holds a NUL
/// character, which a string field cannot hold").
std::string CsvFieldToAnsi(const CsvField& field, const std::string& what);

// One CSV row ending in CR LF: every value between double quotes with inner
// quotes doubled, a missing value (null) as an empty field without quotes.
std::string CsvLine(const std::vector<std::optional<std::string>>& values);

}  // namespace qualtren
