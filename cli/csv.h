// CSV text as the command line reads and writes it (RFC 4180): rows of
// fields, each field either quoted or not, with the physical line on which it
// starts so that errors can name it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

struct CsvField {
  std::string Text;     // the value, quotes removed and inner pairs made single
  bool Quoted = false;  // written between double quotes
  int Line = 0;         // physical line (from 1) on which the field starts
};

struct CsvRow {
  int Line = 0;  // physical line (from 1) on which the row starts
  std::vector<CsvField> Fields;
};

// Reads CSV text: rows end at CR LF or LF (the last one may have no line
// end), fields are separated by commas, a field that starts with a double
// quote runs to the closing quote and may hold commas, quote pairs and line
// breaks. A leading UTF-8 byte-order mark is skipped; the empty text has no
// rows. Malformed text raises an Exception whose message starts "line N: ".
std::vector<CsvRow> ParseCsv(std::string_view text);

/// Raises an Exception whose message is "line N: " and the message.
[[noreturn]] void CsvError(int line, const std::string& message);

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
