// The three translation tables read as a set, for the mistakes in them that
// translate silently: names that never match, empty English names, one local
// name given two English names, English names that break the SQL or that a
// second run translates again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trans/trans_layout.h"

namespace qualtren {

/// What a check finds, the errors first and each severity's most harmful
/// kind first.
enum class TCheckKind : uint8_t {
  // Errors: the translation goes wrong where the row matches, or never matches.
  EmptyEnglish,          // the word vanishes from the SQL
  EnglishSeparator,      // the English name holds a separator: two words, or none
  ConflictingDuplicate,  // the local name again, with another English name: never used
  UnmatchableLocal,      // the local name is empty: never matches
  // Warnings: the translation may break or surprise.
  QuotedOnlyLocal,  // the local name holds a separator: matches only quoted, with a dialect
  LocalIsKeyword,   // every such keyword of every statement is replaced
  ReservedEnglish,  // the translated SQL may no longer parse
  SharedEnglish,    // two local names become one: an ambiguous name
  EnglishIsLocal,   // a second run translates the English name again
  UnknownTable,     // column rows of a table name that the table table lacks
  RepeatedRow,      // the local name again with the same English name
};
inline constexpr size_t kCheckKindCount = 11;

/// What a kind of finding is, as a row of the table of kinds: whether it is
/// an error (else a warning), its name in JSON, and its message. The message
/// may name, between braces, the parts of a finding that a report fills in:
/// {local}, {english} and {scope} (the row's names, quoted), {other} (the
/// other row, named by its record), {other-english} (its English name,
/// quoted), {local-separator} and {english-separator} (the separator a name
/// holds, as a reader names it), {two-names} (what two rows of one table
/// name), {rows-naming} and {rows-are} (how many column rows name an unknown
/// table) and {table-file} (the file of table names).
struct TCheckKindInfo {
  TCheckKind Kind;
  bool Error;
  const char* Name;
  const char* Message;
};

/// The row of a kind in the table of kinds.
const TCheckKindInfo& CheckKindInfo(TCheckKind kind);

/// Whether a kind is an error (else a warning).
bool IsCheckError(TCheckKind kind);

/// A row as a finding names it: its table and the row.
struct TCheckRow {
  TNameKind Table = TNameKind::Table;
  TTransRow Row;
};

/// One finding: the row it is about and, where one is involved, the other
/// row (the row that wins over a conflicting one, the first of a repeated
/// or shared name, the row whose local name the English name is).
struct TCheckFinding {
  TCheckKind Kind = TCheckKind::EmptyEnglish;
  TCheckRow Row;
  std::optional<TCheckRow> Other;
  int Rows = 0;  // UnknownTable: how many column rows name that table
};

/// Checks the rows of the three tables as a set and gives the findings in
/// order: errors before warnings, by kind (in the order of TCheckKind), by
/// table (table names, procedures, columns) and by record. Local names are
/// compared as the lookup compares them, in the code page's upper case; a
/// column's local name is its table name and its own. A row whose local
/// name is empty gets that finding alone, and a later row of a local name
/// seen before gets only its duplicate finding, since its English name is
/// never used. Keywords are those of the keyword list (trans/sql_words).
/// Linear in the rows.
std::vector<TCheckFinding> CheckTransRows(const TTransRows& rows);

/// The separator a name holds, as a reader names it ("a blank", "a full
/// stop", "the separator \";\""); "a separator" when it holds none.
std::string SeparatorIn(std::string_view name);

}  // namespace qualtren
