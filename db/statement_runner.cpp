// Statements run under savepoints inside a transaction that is rolled back.
#include "db/statement_runner.h"

namespace qualtren {

TStatementRunner::TStatementRunner(TDbConnection& db) : db_(db) {
  if (db.Flavor() == TDbFlavor::SqlServer) {
    savepoint_ = "SAVE TRANSACTION qualtren_verify";
    rollbackTo_ = "ROLLBACK TRANSACTION qualtren_verify";
  } else {
    savepoint_ = "SAVEPOINT qualtren_verify";
    rollbackTo_ = "ROLLBACK TO SAVEPOINT qualtren_verify";
    release_ = "RELEASE SAVEPOINT qualtren_verify";
  }
  db_.Begin();
  open_ = true;
}

TStatementRunner::~TStatementRunner() {
  try {
    Finish();
  } catch (const std::exception&) {
    // The server rolls back what a lost connection held.
  }
}

bool TStatementRunner::Run(const std::string& sql, std::string& message) {
  db_.Exec(savepoint_);
  if (db_.TryExec(sql, message)) {
    if (!release_.empty()) db_.Exec(release_);
    return true;
  }
  db_.Exec(rollbackTo_);
  if (!release_.empty()) db_.Exec(release_);
  return false;
}

void TStatementRunner::Finish() {
  if (!open_) return;
  open_ = false;
  db_.Rollback();
}

const char* NotRunReason(TStatementRole role) {
  switch (role) {
    case TStatementRole::Run:
      return "";
    case TStatementRole::TransactionControl:
      return "transaction control";
    case TStatementRole::OutsideTransaction:
      return "not allowed inside a transaction";
    case TStatementRole::ClientCommand:
      return "a client's own command";
    case TStatementRole::CommitsItself:
      return "commits by itself";
  }
  return "";
}

}  // namespace qualtren
