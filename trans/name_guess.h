// What a name that no table knows is likely to be, read from the statement
// it stands in: the keyword before it and the statement's one table.
#pragma once

#include <string>
#include <string_view>

#include "trans/trans_tables.h"

namespace qualtren {

/// The table's own name in what the automatic table name gives (`lowered`,
/// taken from `statement`): the bytes at the same place of the statement as
/// written, after its first "from " and the blanks behind it; then the text
/// up to the first separator other than the full stop and the brackets, of a
/// dotted name the last part, without brackets or quotes. Empty when
/// `lowered` is.
std::string StatementTableAsWritten(const std::string& lowered, const std::string& statement);

/// The statement of `text` that holds the byte at `offset`: a statement ends
/// at a semicolon outside single quotes and at a line that holds only "go"
/// or "/". Gives its first byte and its length.
std::pair<size_t, size_t> StatementAround(std::string_view text, size_t offset);

/// `s` without the blanks and control bytes (byte values up to 32) at its
/// two ends.
std::string_view TrimBlanks(std::string_view s);

/// What the word at `offset` of `text` is likely to name.
struct TNameGuess {
  /// A table after FROM, JOIN, INTO and UPDATE; a procedure after EXEC and
  /// EXECUTE; else a column. The words of a dotted name before it (a schema,
  /// a table's alias) are passed over.
  TNameKind Kind = TNameKind::Column;
  /// For a column: the statement's table as the automatic table name finds
  /// it, as written (StatementTableAsWritten); empty when it names none.
  std::string Table;
};
TNameGuess GuessNameKind(std::string_view text, size_t offset);

}  // namespace qualtren
