// Guessing what an unknown word names from the statement it stands in.
#include "trans/name_guess.h"

#include "base/ascii.h"
#include "trans/auto_table_name.h"
#include "trans/translate.h"

namespace qualtren {

namespace {

bool IsQuoteOrBracket(char c) {
  return c == '[' || c == ']' || c == '"' || c == '`';
}

// The table's own name in what the automatic table name gives.
std::string TableWord(std::string_view name) {
  size_t end = 0;
  while (end < name.size() &&
         (name[end] == '.' || name[end] == '[' || name[end] == ']' || !IsSeparator(name[end])))
    ++end;
  name = name.substr(0, end);
  if (const size_t dot = name.find_last_of('.'); dot != std::string_view::npos)
    name.remove_prefix(dot + 1);
  while (!name.empty() && IsQuoteOrBracket(name.front()))
    name.remove_prefix(1);
  while (!name.empty() && IsQuoteOrBracket(name.back()))
    name.remove_suffix(1);
  return std::string(name);
}

// The word that ends just before `end` (separators before `end` skipped),
// and where it starts.
std::string_view WordBefore(std::string_view text, size_t end, size_t& start, bool& dotBetween) {
  dotBetween = false;
  while (end > 0 && IsSeparator(text[end - 1])) {
    if (text[end - 1] == '.') dotBetween = true;
    --end;
  }
  start = end;
  while (start > 0 && !IsSeparator(text[start - 1]))
    --start;
  return text.substr(start, end - start);
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<uint8_t>(s.front()) <= 32)
    s.remove_prefix(1);
  while (!s.empty() && static_cast<uint8_t>(s.back()) <= 32)
    s.remove_suffix(1);
  return s;
}

std::string StatementTableAsWritten(const std::string& lowered, const std::string& statement) {
  std::string name = lowered;
  if (name.empty()) return {};
  // The scanner lowers A to Z; the same bytes stand at the same place of the
  // text as written, after the first "from " and the blanks behind it.
  if (const size_t at = PosNoCase("from ", statement); at > 0) {
    size_t start = at - 1 + 5;
    while (start < statement.size() && static_cast<uint8_t>(statement[start]) <= 32)
      ++start;
    if (start + name.size() <= statement.size()) name = statement.substr(start, name.size());
  }
  return TableWord(name);
}

std::pair<size_t, size_t> StatementAround(std::string_view text, size_t offset) {
  size_t start = 0;
  bool inQuotes = false;
  size_t lineStart = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool lineEnd = i == text.size() || text[i] == '\r' || text[i] == '\n';
    if (lineEnd) {
      const std::string_view line = TrimBlanks(text.substr(lineStart, i - lineStart));
      const bool batch = !inQuotes && (EqualsNoCase(line, "go") || line == "/");
      if (batch) {
        if (offset < lineStart) return {start, lineStart - start};
        start = i < text.size() ? i + 1 : i;
      }
      if (i == text.size()) break;
      lineStart = i + 1;
      continue;
    }
    if (text[i] == '\'') {
      inQuotes = !inQuotes;
    } else if (text[i] == ';' && !inQuotes) {
      if (offset < i) return {start, i - start};
      start = i + 1;
    }
  }
  return {start, text.size() - start};
}

TNameGuess GuessNameKind(std::string_view text, size_t offset) {
  const auto [start, length] = StatementAround(text, offset);
  const std::string_view statement = text.substr(start, length);
  const size_t at = offset - start;
  TNameGuess guess;
  // The keyword before the name, past the parts of a dotted name (a schema,
  // an alias): a full stop between two words makes the first a part.
  size_t pos = at;
  bool dot = false;
  std::string_view before = WordBefore(statement, pos, pos, dot);
  while (dot && !before.empty())
    before = WordBefore(statement, pos, pos, dot);
  for (const char* keyword : {"from", "join", "into", "update"})
    if (EqualsNoCase(before, keyword)) guess.Kind = TNameKind::Table;
  for (const char* keyword : {"exec", "execute"})
    if (EqualsNoCase(before, keyword)) guess.Kind = TNameKind::Procedure;
  if (guess.Kind == TNameKind::Column) {
    const std::string whole(statement);
    guess.Table = StatementTableAsWritten(GetAutoTableName(whole), whole);
  }
  return guess;
}

}  // namespace qualtren
