// The statement cutter's reading of a statement's first words: its role in
// a run that is rolled back, and how its body ends, in each dialect.
#include "trans/statement_words.h"

#include <initializer_list>

#include "base/ascii.h"

namespace qualtren {

namespace {

bool OneOf(std::string_view word, std::initializer_list<std::string_view> words) {
  for (std::string_view w : words)
    if (word == w) return true;
  return false;
}

// Whether `word` stands among the words [from, to) of the statement.
bool Among(const TStatementWords& w, size_t from, size_t to, std::string_view word) {
  for (size_t i = from; i < to && i < TStatementWords::kKept; ++i)
    if (w.At(i) == word) return true;
  return false;
}

// The index of the first word at or after `at` that is none of `skipped`.
size_t Skip(const TStatementWords& w, size_t at, std::initializer_list<std::string_view> skipped) {
  while (at < TStatementWords::kKept && OneOf(w.At(at), skipped))
    ++at;
  return at;
}

bool IsTransactionControl(const TStatementWords& w, TDialect dialect) {
  const std::string_view w0 = w.At(0), w1 = w.At(1);
  if (OneOf(w0, {"COMMIT", "ROLLBACK", "SAVEPOINT", "RELEASE", "XA"})) return true;
  if ((w0 == "START" || w0 == "SET") && w1 == "TRANSACTION") return true;
  if (w0 == "BEGIN") {
    switch (dialect) {
      case TDialect::TSql:  // BEGIN alone opens a block
        return OneOf(w1, {"TRAN", "TRANSACTION", "DISTRIBUTED"});
      case TDialect::Oracle:  // a PL/SQL block
        return false;
      case TDialect::MySql:  // MariaDB's BEGIN NOT ATOMIC is a compound statement
        return w1 != "NOT";
      default:
        return true;
    }
  }
  const bool endsLikePostgres = dialect == TDialect::Postgres || dialect == TDialect::Ansi;
  if (endsLikePostgres && (w0 == "END" || w0 == "ABORT")) return true;
  if (dialect == TDialect::TSql && w0 == "SAVE") return OneOf(w1, {"TRAN", "TRANSACTION"});
  if (dialect == TDialect::Postgres && w0 == "PREPARE") return w1 == "TRANSACTION";
  // SET autocommit = 1 commits what is open.
  if (dialect == TDialect::MySql && w0 == "SET") return Among(w, 1, 3, "AUTOCOMMIT");
  return false;
}

bool IsOutsideTransaction(const TStatementWords& w, TDialect dialect) {
  const std::string_view w0 = w.At(0), w1 = w.At(1);
  if (OneOf(w0, {"VACUUM", "ATTACH", "DETACH"})) return true;
  if (w0 == "ALTER" && w1 == "SYSTEM") return true;
  if (w0 == "CREATE" || w0 == "DROP") {
    if (OneOf(w1, {"DATABASE", "TABLESPACE", "SUBSCRIPTION"})) return true;
    // CREATE [UNIQUE] INDEX CONCURRENTLY, DROP INDEX CONCURRENTLY
    if (Among(w, 1, 3, "INDEX") && Among(w, 2, 4, "CONCURRENTLY")) return true;
  }
  if (w0 == "REINDEX")
    return Among(w, 1, 6, "CONCURRENTLY") || Among(w, 1, 6, "DATABASE") || Among(w, 1, 6, "SYSTEM");
  if (dialect == TDialect::TSql)
    return (w0 == "ALTER" && w1 == "DATABASE") || OneOf(w0, {"BACKUP", "RESTORE"});
  return false;
}

bool CommitsItself(const TStatementWords& w, TDialect dialect) {
  const std::string_view w0 = w.At(0);
  if (dialect == TDialect::MySql) {
    // A temporary table comes and goes without a commit.
    if ((w0 == "CREATE" || w0 == "DROP") && Among(w, 1, 4, "TEMPORARY")) return false;
    if (w0 == "LOAD") return w.At(1) == "INDEX";
    return OneOf(w0, {"CREATE", "ALTER", "DROP", "RENAME", "TRUNCATE", "GRANT", "REVOKE", "LOCK",
                      "UNLOCK", "ANALYZE", "OPTIMIZE", "REPAIR", "CHECK", "FLUSH", "RESET", "CACHE",
                      "INSTALL", "UNINSTALL"});
  }
  if (dialect == TDialect::Oracle)
    return OneOf(
        w0, {"CREATE", "ALTER", "DROP", "RENAME", "TRUNCATE", "GRANT", "REVOKE", "COMMENT", "AUDIT",
             "NOAUDIT", "PURGE", "FLASHBACK", "ANALYZE", "ASSOCIATE", "DISASSOCIATE"});
  return false;
}

}  // namespace

void TStatementWords::Add(std::string_view word) {
  // Past the first words, only a COPY (for its FROM stdin) and a CREATE
  // (for the BEGIN and END of its body) read on.
  if (count_ >= kKept && !readsOn_) {
    ++count_;
    return;
  }
  std::string raised(word.substr(0, kLength));
  for (char& c : raised)
    c = UpperAscii(c);
  if (count_ == 0) readsOn_ = raised == "COPY" || raised == "CREATE";
  if (count_ < kKept) words_[count_] = raised;
  ++count_;
  if (words_[0] == "COPY") {
    if (last_ == "FROM" && raised == "STDIN") copyIn_ = true;
    if (last_ == "TO" && raised == "STDOUT") copyOut_ = true;
  }
  CountBlocks(raised);
  last_ = std::move(raised);
}

void TStatementWords::CountBlocks(std::string_view word) {
  if (pendingEnd_) {
    pendingEnd_ = false;
    // END IF, END LOOP, ... close what was never counted; END CASE closes a
    // CASE; END with a label or alone closes a BEGIN or a CASE.
    if (OneOf(word, {"IF", "LOOP", "WHILE", "REPEAT", "FOR"})) return;
    if (depth_ > 0) --depth_;
    if (word == "CASE") return;
  }
  if (word == "BEGIN" || word == "CASE")
    ++depth_;
  else if (word == "END")
    pendingEnd_ = true;
}

bool TStatementWords::InsideBlock() const {
  return depth_ > (pendingEnd_ ? 1u : 0u);
}

void TStatementWords::Separator() {
  if (!pendingEnd_) return;
  pendingEnd_ = false;
  if (depth_ > 0) --depth_;
}

std::string_view TStatementWords::At(size_t i) const {
  return i < kKept && i < count_ ? std::string_view(words_[i]) : std::string_view();
}

TBodyEnd BodyEnd(const TStatementWords& w, TDialect dialect) {
  const std::string_view w0 = w.At(0);
  switch (dialect) {
    case TDialect::TSql: {
      if (w0 != "CREATE" && w0 != "ALTER") return TBodyEnd::Separator;
      const size_t at = w.At(1) == "OR" ? 3 : 1;  // CREATE OR ALTER
      return OneOf(w.At(at), {"PROC", "PROCEDURE", "FUNCTION", "TRIGGER", "VIEW"})
                 ? TBodyEnd::Go
                 : TBodyEnd::Separator;
    }
    case TDialect::Oracle: {
      if (w0 == "DECLARE" || w0 == "BEGIN") return TBodyEnd::Slash;
      if (w0 != "CREATE") return TBodyEnd::Separator;
      const size_t at = Skip(w, 1, {"OR", "REPLACE", "EDITIONABLE", "NONEDITIONABLE"});
      return OneOf(w.At(at),
                   {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE", "LIBRARY", "JAVA"})
                 ? TBodyEnd::Slash
                 : TBodyEnd::Separator;
    }
    case TDialect::Ansi:
    case TDialect::Postgres: {
      if (w0 != "CREATE") return TBodyEnd::Separator;
      const size_t at = Skip(w, 1, {"OR", "REPLACE", "TEMP", "TEMPORARY"});
      return OneOf(w.At(at), {"TRIGGER", "PROCEDURE", "FUNCTION"}) ? TBodyEnd::Block
                                                                   : TBodyEnd::Separator;
    }
    default:
      return TBodyEnd::Separator;
  }
}

TStatementRole RoleOf(const TStatementWords& w, TDialect dialect) {
  if (IsTransactionControl(w, dialect)) return TStatementRole::TransactionControl;
  if (w.At(0) == "COPY" && (w.CopyFromStdin() || w.CopyToStdout()))
    return TStatementRole::ClientCommand;
  if (IsOutsideTransaction(w, dialect)) return TStatementRole::OutsideTransaction;
  if (CommitsItself(w, dialect)) return TStatementRole::CommitsItself;
  return TStatementRole::Run;
}

}  // namespace qualtren
