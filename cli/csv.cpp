// Reading and writing CSV rows.
#include "cli/csv.h"

#include "base/codepage.h"
#include "base/exception.h"
#include "base/utf.h"

namespace qualtren {

void CsvError(int line, const std::string& message) {
  throw Exception("line " + std::to_string(line) + ": " + message);
}

void CheckCsvRowWidth(const CsvRow& row, size_t headerWidth) {
  if (row.Fields.size() != headerWidth)
    CsvError(row.Line, "the row has " + std::to_string(row.Fields.size()) +
                           (row.Fields.size() == 1 ? " field" : " fields") +
                           " where the header has " + std::to_string(headerWidth));
}

std::vector<CsvRow> ParseCsv(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<CsvRow> rows;
  const size_t n = text.size();
  size_t i = 0;
  int line = 1;
  while (i < n) {
    CsvRow row;
    row.Line = line;
    bool rowDone = false;
    while (!rowDone) {
      CsvField field;
      field.Line = line;
      if (i < n && text[i] == '"') {
        field.Quoted = true;
        ++i;
        for (;;) {
          if (i >= n) CsvError(field.Line, "a quoted field is not closed");
          char c = text[i++];
          if (c == '"') {
            if (i < n && text[i] == '"') {
              field.Text += '"';
              ++i;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          field.Text += c;
        }
        if (i < n && text[i] != ',' && text[i] != '\n' &&
            !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n'))
          CsvError(line, "text after the closing double quote of a field");
      } else {
        while (i < n && text[i] != ',' && text[i] != '\n') {
          if (text[i] == '\r') {
            if (i + 1 < n && text[i + 1] == '\n') break;
            CsvError(line, "a carriage return without a line feed outside quotes");
          }
          if (text[i] == '"') CsvError(line, "a double quote inside a field that is not quoted");
          field.Text += text[i++];
        }
      }
      row.Fields.push_back(std::move(field));
      if (i >= n) {
        rowDone = true;
      } else if (text[i] == ',') {
        ++i;
      } else {
        i += text[i] == '\r' ? 2 : 1;
        ++line;
        rowDone = true;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
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
