// CSV text as the tools read it (RFC 4180): rows of fields, each field
// either quoted or not, with the physical line on which it starts so that
// errors can name it, and the bytes it takes in the text so that a field can
// be rewritten in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

struct CsvField {
  std::string Text;     // the value, quotes removed and inner pairs made single
  bool Quoted = false;  // written between double quotes
  int Line = 0;         // physical line (from 1) on which the field starts
  size_t Begin = 0;     // the field's bytes in the text, quotes included
  size_t End = 0;
};

struct CsvRow {
  int Line = 0;  // physical line (from 1) on which the row starts
  std::vector<CsvField> Fields;
};

/// Reads CSV text: rows end at CR LF or LF (the last one may have no line
/// end), fields are separated by commas, a field that starts with a double
/// quote runs to the closing quote and may hold commas, quote pairs and line
/// breaks. A leading UTF-8 byte-order mark is skipped (the offsets still
/// count it); the empty text has no rows. Malformed text raises an
/// Exception whose message starts "line N: ".
std::vector<CsvRow> ParseCsv(std::string_view text);

/// Raises an Exception whose message is "line N: " and the message.
[[noreturn]] void CsvError(int line, const std::string& message);

}  // namespace qualtren
