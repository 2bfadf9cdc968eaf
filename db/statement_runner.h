// The statement runner of a check: statements run one at a time inside one
// transaction that is always rolled back, each under a savepoint of its own
// so that a statement the database refuses hides nothing after it.
#pragma once

#include <string>

#include "db/connection.h"
#include "trans/statement_cutter.h"

namespace qualtren {

/// Runs statements and changes nothing: the transaction it opens is rolled
/// back when it is finished or destroyed, and a process killed in between
/// leaves it to the server (or SQLite's journal) to roll back.
class TStatementRunner {
 public:
  /// Opens the transaction. Raises EDbError.
  explicit TStatementRunner(TDbConnection& db);
  ~TStatementRunner();
  TStatementRunner(const TStatementRunner&) = delete;
  TStatementRunner& operator=(const TStatementRunner&) = delete;

  /// Runs one statement under a savepoint; false and the database's message
  /// when the database refused it (the savepoint then undoes its part).
  bool Run(const std::string& sql, std::string& message);

  /// Rolls the transaction back.
  void Finish();

 private:
  TDbConnection& db_;
  bool open_ = false;
  std::string savepoint_, rollbackTo_, release_;
};

/// Why a statement of `role` is not run inside the transaction ("transaction
/// control", ...); empty for TStatementRole::Run.
const char* NotRunReason(TStatementRole role);

}  // namespace qualtren
