// Reading and writing CSV rows.
#include "cli/csv.h"

#include "base/codepage.h"
#include "base/exception.h"
#include "base/utf.h"

namespace qualtren {

void CheckCsvRowWidth(const CsvRow& row, size_t headerWidth) {
  if (row.Fields.size() != headerWidth)
    CsvError(row.Line, "the row has " + std::to_string(row.Fields.size()) +
                           (row.Fields.size() == 1 ? " field" : " fields") +
                           " where the header has " + std::to_string(headerWidth));
}

std::string CsvFieldToAnsi(const CsvField& field, const std::string& what) {
  if (!IsValidUtf8(field.Text)) CsvError(field.Line, what + " is not valid UTF-8");
  bool lossless = true;
  std::string ansi = Utf8ToAnsi(field.Text, &lossless);
  if (!lossless)
    CsvError(field.Line, what + " holds a character that code page " +
                             std::to_string(ActiveCodePage()) + " cannot hold");
  if (ansi.find('\0') != std::string::npos)
    CsvError(field.Line, what + " holds a NUL character, which a string field cannot hold");
  return ansi;
}

std::string CsvLine(const std::vector<std::optional<std::string>>& values) {
  std::string out;
  for (size_t f = 0; f < values.size(); ++f) {
    if (f > 0) out += ',';
    if (!values[f]) continue;
    out += '"';
    for (char c : *values[f]) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += "\r\n";
  return out;
}

}  // namespace qualtren
