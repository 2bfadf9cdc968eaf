// Reading CSV text into rows of fields.
#include "base/csv.h"

#include "base/exception.h"

namespace qualtren {

void CsvError(int line, const std::string& message) {
  throw Exception("line " + std::to_string(line) + ": " + message);
}

std::vector<CsvRow> ParseCsv(std::string_view text) {
  std::vector<CsvRow> rows;
  const size_t n = text.size();
  size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  int line = 1;
  while (i < n) {
    CsvRow row;
    row.Line = line;
    bool rowDone = false;
    while (!rowDone) {
      CsvField field;
      field.Line = line;
      field.Begin = i;
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
      field.End = i;
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

}  // namespace qualtren
