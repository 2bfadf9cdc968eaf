// The statement cutter: a SQL script cut into the statements a database
// runs one at a time, by the dialect's lexer, each with the line it starts
// on and what it is to a run that must never commit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trans/sql_lexer.h"

namespace qualtren {

/// What a statement is to a run inside a transaction that is rolled back.
enum class TStatementRole : uint8_t {
  Run,                 ///< runs inside the transaction
  TransactionControl,  ///< BEGIN, COMMIT, ROLLBACK, START TRANSACTION, SET TRANSACTION, ...
  OutsideTransaction,  ///< refused inside a transaction: VACUUM, CREATE INDEX CONCURRENTLY,
                       ///< CREATE or DROP DATABASE, ALTER SYSTEM
  ClientCommand,       ///< a client's own command: a psql backslash line, COPY ... FROM stdin
                       ///< with its data
  CommitsItself,       ///< on MySQL and MariaDB, a statement that commits by itself (DDL)
};

/// One statement of a script.
struct TSqlStatement {
  std::string Text;  ///< the statement without its terminator, blanks around it trimmed
  size_t Line = 0;   ///< the line it starts on, from 1
  TStatementRole Role = TStatementRole::Run;
};

/// Cuts a script into statements under `dialect`: at a ";" outside strings,
/// comments and quoted names; at a line holding only "GO" in tsql and only
/// "/" in oracle; a PostgreSQL dollar-quoted body is kept whole; a MySQL
/// "DELIMITER x" line changes the separator as the mysql client does and is
/// no statement. Statements that hold only blanks and comments are dropped.
/// Time and memory linear in the script.
std::vector<TSqlStatement> CutStatements(std::string_view script, TDialect dialect);

}  // namespace qualtren
