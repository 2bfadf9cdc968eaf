// The translation driver.
#include "trans/translate.h"

#include <exception>
#include <vector>

#include "trans/auto_table_name.h"
#include "trans/lines.h"

namespace qualtren {

namespace {

// The name context after `word`: "T" after from and join, "F" after select,
// where, on, order and group, else unchanged.
void SwitchContext(const std::string& word, std::string& context) {
  if (EqualsNoCase(word, "from") || EqualsNoCase(word, "join")) {
    context = "T";
  } else if (EqualsNoCase(word, "select") || EqualsNoCase(word, "where") ||
             EqualsNoCase(word, "on") || EqualsNoCase(word, "order") ||
             EqualsNoCase(word, "group")) {
    context = "F";
  }
}

std::vector<std::string> TranslateLines(const TransTables& tables, std::string tableName,
                                        bool autoTableName,
                                        const std::vector<std::string>& inputLines, bool addComment,
                                        const std::string& prefix, const std::string& suffix) {
  std::vector<std::string> outputLines;
  std::string context = "F";
  if (autoTableName) tableName = GetAutoTableName(JoinLines(inputLines));

  for (const std::string& line : inputLines) {
    std::string word;
    std::string out;
    for (char c : line) {
      if (!IsSeparator(c)) {
        word += c;
        continue;
      }
      // A function call written sqlExp( keeps its name untranslated.
      if (c == '(' && EqualsNoCase(word, "sqlExp")) {
        out += word;
        word.clear();
      }
      if (!word.empty()) {
        out += TranslateName(tables, tableName, word, context);
        SwitchContext(word, context);
        word.clear();
      }
      out += c;
    }
    // The last word of a line is translated but does not switch the context.
    if (!word.empty()) out += TranslateName(tables, tableName, word, context);

    if (addComment && !EqualsNoCase(out, line)) outputLines.push_back(prefix + line + suffix);
    outputLines.push_back(std::move(out));
  }
  return outputLines;
}

}  // namespace

bool IsSeparator(char c) {
  switch (c) {
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '.':
    case '/':
    case ':':
    case ';':
    case '<':
    case '=':
    case '>':
    case '@':
    case '[':
    case ']':
      return true;
    default:
      return false;
  }
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string TranslateText(const TransTables& tables, const std::string& tableName,
                          bool autoTableName, const std::string& text, bool addComment,
                          const std::string& prefix, const std::string& suffix,
                          std::string* errorMessage) {
  if (errorMessage) errorMessage->clear();
  const std::vector<std::string> inputLines = SplitLines(text);
  try {
    return JoinLines(
        TranslateLines(tables, tableName, autoTableName, inputLines, addComment, prefix, suffix));
  } catch (const std::exception& e) {
    // The caller gets its own text back, with its line breaks made CR LF,
    // and learns why.
    if (errorMessage) *errorMessage = *e.what() ? e.what() : "Translation failed";
  } catch (...) {
    if (errorMessage) *errorMessage = "Translation failed";
  }
  return JoinLines(inputLines);
}

}  // namespace qualtren
