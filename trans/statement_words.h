// What the statement cutter knows of a statement's words: its first words,
// from which its role and the way its body ends are read, and what a COPY
// says of standard input and output. Used by the cutter only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "trans/sql_lexer.h"
#include "trans/statement_cutter.h"

namespace qualtren {

/// The words of one statement as the cutter meets them in its code: runs of
/// letters, digits, "_" and "$", with A to Z raised; only the first few are
/// kept.
class TStatementWords {
 public:
  static constexpr size_t kKept = 6;     ///< how many first words are kept
  static constexpr size_t kLength = 24;  ///< a kept word's longest part

  /// Takes the next word of the statement (not empty).
  void Add(std::string_view word);
  /// How many words were added.
  size_t Count() const { return count_; }
  /// Whether further words still tell anything (else Add only counts them).
  bool WantsWords() const { return count_ < kKept || readsOn_; }
  /// The word at `i` (raised, cut to kLength), or the empty text past the
  /// kept ones.
  std::string_view At(size_t i) const;
  /// Whether the statement is a COPY that reads standard input (the data
  /// lines follow it) or writes standard output.
  bool CopyFromStdin() const { return copyIn_; }
  bool CopyToStdout() const { return copyOut_; }
  /// Whether a separator here stands inside a compound body: more BEGIN
  /// and CASE than END so far (END IF, END LOOP, END WHILE, END REPEAT and
  /// END FOR not counted).
  bool InsideBlock() const;
  /// Takes a separator that stands inside a compound body: an END before
  /// it closes what it closes.
  void Separator();

 private:
  void CountBlocks(std::string_view word);

  std::array<std::string, kKept> words_;
  size_t count_ = 0;
  std::string last_;  // the word before, raised, cut to kLength
  bool copyIn_ = false;
  bool copyOut_ = false;
  bool readsOn_ = false;     // words past the first ones are read
  uint32_t depth_ = 0;       // open BEGIN and CASE
  bool pendingEnd_ = false;  // an END whose next word decides what it closes
};

/// How a statement's own body ends, apart from the separator.
enum class TBodyEnd : uint8_t {
  Separator,  ///< at the next separator
  Go,         ///< at a "GO" line only (a T-SQL procedure, function, trigger or view)
  Slash,      ///< at a "/" line only (an Oracle PL/SQL unit or block)
  Block,      ///< at a separator outside BEGIN ... END and CASE ... END (a trigger or
              ///< routine with a compound body in standard SQL, SQLite and PostgreSQL)
};

/// How the body of the statement that starts with `words` ends in `dialect`.
TBodyEnd BodyEnd(const TStatementWords& words, TDialect dialect);

/// What the statement that starts with `words` is to a run inside a
/// transaction, in `dialect`.
TStatementRole RoleOf(const TStatementWords& words, TDialect dialect);

}  // namespace qualtren
