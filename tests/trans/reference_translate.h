// The translation as it was before words were remembered and texts streamed:
// every word looked up afresh by filtered tries, the whole text split into a
// list of lines. Kept here only as the reference that the differential test
// holds the engine against.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "trans/lines.h"
#include "trans/name_lookup.h"

namespace qualtren::reference {

inline std::string QuoteDoubled(const std::string& text) {
  std::string result;
  for (char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result;
}

inline bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

inline bool IsSeparator(char c) {
  return std::string_view("\t\n\r '()*+,./:;<=>@[]").find(c) != std::string_view::npos;
}

inline std::string TranslateName(const TransTables& tables, const std::string& tableName,
                                 const std::string& word, const std::string& nameContext) {
  if (word.empty()) return word;
  const std::string tableCondition =
      tableName.empty() ? std::string() : " and TableName = '" + QuoteDoubled(tableName) + "'";
  if (nameContext == "T") {
    if (OpenFiltered(tables.Table, "TableName = '" + word + "'"))
      return tables.Table.FieldByName("TableNameAng").AsString();
    if (OpenFiltered(tables.StoredProc, "Naziv = '" + word + "'"))
      return tables.StoredProc.FieldByName("ProcedureNameAng").AsString();
  }
  if (OpenFiltered(tables.TableStr, "FieldName = '" + word + "' " + tableCondition))
    return tables.TableStr.FieldByName("FieldNameAng").AsString();
  if (OpenFiltered(tables.TableStr, "FieldName = '" + word + "' "))
    return tables.TableStr.FieldByName("FieldNameAng").AsString();
  if (OpenFiltered(tables.Table, "TableName = '" + word + "' "))
    return tables.Table.FieldByName("TableNameAng").AsString();
  if (OpenFiltered(tables.StoredProc, "Naziv = '" + word + "'"))
    return tables.StoredProc.FieldByName("ProcedureNameAng").AsString();
  return word;
}

inline std::string GetAutoTableName(const std::string& text) {
  auto lower = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  const std::string lowered = lower(text);
  const size_t pos = lowered.find("from ");
  if (pos == std::string::npos) return {};
  std::string window = lowered.substr(pos + 5, 2048);
  size_t first = 0, last = window.size();
  while (first < last && static_cast<unsigned char>(window[first]) <= 32)
    ++first;
  while (last > first && static_cast<unsigned char>(window[last - 1]) <= 32)
    --last;
  window = window.substr(first, last - first) + ' ';
  if (window.find("from ") != std::string::npos || window.find("join ") != std::string::npos)
    return {};
  return window.substr(0, window.find_first_of(", "));
}

inline void SwitchContext(const std::string& word, std::string& context) {
  if (EqualsNoCase(word, "from") || EqualsNoCase(word, "join"))
    context = "T";
  else if (EqualsNoCase(word, "select") || EqualsNoCase(word, "where") ||
           EqualsNoCase(word, "on") || EqualsNoCase(word, "order") || EqualsNoCase(word, "group"))
    context = "F";
}

inline std::string TranslateText(const TransTables& tables, std::string tableName,
                                 bool autoTableName, const std::string& text, bool addComment,
                                 const std::string& prefix, const std::string& suffix,
                                 std::string* errorMessage) {
  errorMessage->clear();
  const std::vector<std::string> inputLines = SplitLines(text);
  try {
    std::vector<std::string> outputLines;
    std::string context = "F";
    if (autoTableName) tableName = GetAutoTableName(JoinLines(inputLines));
    for (const std::string& line : inputLines) {
      std::string word, out;
      for (char c : line) {
        if (!IsSeparator(c)) {
          word += c;
          continue;
        }
        if (c == '(' && EqualsNoCase(word, "sqlExp")) {
          out += word;
          word.clear();
        }
        if (!word.empty()) {
          out += reference::TranslateName(tables, tableName, word, context);
          SwitchContext(word, context);
          word.clear();
        }
        out += c;
      }
      if (!word.empty()) out += reference::TranslateName(tables, tableName, word, context);
      if (addComment && !EqualsNoCase(out, line)) outputLines.push_back(prefix + line + suffix);
      outputLines.push_back(std::move(out));
    }
    return JoinLines(outputLines);
  } catch (const std::exception& e) {
    *errorMessage = *e.what() ? e.what() : "Translation failed";
  }
  return JoinLines(inputLines);
}

}  // namespace qualtren::reference
