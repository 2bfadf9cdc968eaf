// Which words of SQL text can be names: the SQL keywords of the common
// dialects, numbers, and the rule that tells a name from everything else.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// Whether the word is an SQL keyword, letter case of A to Z ignored: the
/// reserved words of standard SQL and the common keywords, types and
/// built-in functions of T-SQL, PL/SQL, PostgreSQL and MySQL.
bool IsSqlKeyword(std::string_view word);

/// Whether the word is a keyword of that list that T-SQL, PL/SQL, PostgreSQL
/// or MySQL reserves (order, user, table, date, level...): a name spelt so
/// must be quoted there, and bare it makes a statement that does not parse.
bool IsReservedSqlWord(std::string_view word);

/// Whether the word is a number: it starts with a digit, or with "-" and a
/// digit (1, 1e5, 1e-5, 0x1F).
bool IsNumberWord(std::string_view word);

/// Whether the word (UTF-8) holds a letter: A to Z, a to z, or a letter of
/// the scripts that the code pages hold.
bool HoldsLetter(std::string_view utf8Word);

/// Whether a word (UTF-8) looks like a name: at least 3 characters, a letter
/// among them, no SQL keyword and no number. (Whether it stands between
/// single quotes is for the caller to tell.)
bool LooksLikeName(std::string_view utf8Word);

/// The word (UTF-8) with the simple upper case of every letter, so that two
/// names that differ only in letter case fold alike.
std::string FoldName(std::string_view utf8Word);

}  // namespace qualtren
