// A stand-in statement cutter: a script cut at each ";" outside '...'
// strings and -- comments, the role told by the first words.
#include "trans/statement_cutter.h"

#include <cctype>

namespace qualtren {

namespace {

std::string FirstWords(std::string_view text, size_t count) {
  std::string out;
  size_t i = 0;
  for (size_t w = 0; w < count; ++w) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
      ++i;
    if (w > 0) out += ' ';
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
  }
  return out;
}

TStatementRole RoleOf(std::string_view text, TDialect dialect) {
  if (!text.empty() && text[0] == '\\') return TStatementRole::ClientCommand;
  const std::string two = FirstWords(text, 2);
  const std::string one = two.substr(0, two.find(' '));
  if (one == "BEGIN" || one == "COMMIT" || one == "ROLLBACK" || one == "START" ||
      two == "SET TRANSACTION")
    return TStatementRole::TransactionControl;
  if (one == "VACUUM" || two == "CREATE DATABASE" || two == "DROP DATABASE" ||
      two == "ALTER SYSTEM")
    return TStatementRole::OutsideTransaction;
  if (dialect == TDialect::MySql &&
      (one == "CREATE" || one == "ALTER" || one == "DROP" || one == "RENAME" || one == "TRUNCATE"))
    return TStatementRole::CommitsItself;
  return TStatementRole::Run;
}

}  // namespace

std::vector<TSqlStatement> CutStatements(std::string_view script, TDialect dialect) {
  std::vector<TSqlStatement> out;
  size_t line = 1, start = 0, startLine = 1;
  bool inString = false, inComment = false, hasCode = false;
  auto emit = [&](size_t end) {
    if (hasCode) {
      std::string_view text = script.substr(start, end - start);
      size_t lead = 0;
      while (lead < text.size() && std::isspace(static_cast<unsigned char>(text[lead]))) {
        if (text[lead] == '\n') ++startLine;
        ++lead;
      }
      text.remove_prefix(lead);
      while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
      out.push_back({std::string(text), startLine, RoleOf(text, dialect)});
    }
    start = end + 1;
    startLine = line;
    hasCode = false;
  };
  for (size_t i = 0; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '\n') {
      ++line;
      inComment = false;
      if (!hasCode) {
        start = i + 1;
        startLine = line;
      }
      continue;
    }
    if (inComment) continue;
    if (inString) {
      if (c == '\'') inString = false;
      continue;
    }
    if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      inComment = true;
      continue;
    }
    if (c == ';') {
      emit(i);
      continue;
    }
    if (!std::isspace(static_cast<unsigned char>(c))) hasCode = true;
    if (c == '\'') inString = true;
  }
  emit(script.size());
  return out;
}

}  // namespace qualtren
