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
  CommitsItself,       ///< on MySQL and MariaDB (and Oracle), a statement that commits by
                       ///< itself (DDL)
};

/// One statement of a script.
struct TSqlStatement {
  /// The statement without its terminator, blanks around it trimmed. It
  /// starts at its first byte of code (comments before it are not part of
  /// it; a MySQL /*! ... */ comment is code) and is a stretch of the script
  /// as it stands, line breaks included.
  std::string Text;
  size_t Line = 0;  ///< the line of its first byte of code, from 1
  TStatementRole Role = TStatementRole::Run;
};

/// Cuts a script into statements under `dialect`: at a ";" outside strings,
/// comments and quoted names; at a line holding only "GO" in tsql and only
/// "/" in oracle; a PostgreSQL dollar-quoted body is kept whole; a MySQL
/// "DELIMITER x" line changes the separator as the mysql client does and is
/// no statement. Statements that hold only blanks and comments are dropped.
/// Time and memory linear in the script.
///
/// Lines end at CR, LF or CR LF. Where a client reads a body as one unit,
/// so does the cutter: in tsql a CREATE or ALTER of a procedure, function,
/// trigger or view runs to the next GO line; in oracle a PL/SQL unit
/// (CREATE PROCEDURE, FUNCTION, PACKAGE, TRIGGER, TYPE, ...) or block
/// (DECLARE, BEGIN) runs to the next "/" line, its final "END;" kept; in
/// ansi and postgres a CREATE TRIGGER, PROCEDURE or FUNCTION ends only at a
/// ";" outside its BEGIN ... END (SQLite triggers, BEGIN ATOMIC bodies). In
/// postgres, as in psql, a ";" inside parentheses ends nothing.
///
/// ClientCommand statements: in postgres and mysql a line whose first byte
/// (after blanks) is a backslash, whole (it ends the statement before it);
/// COPY ... FROM stdin and COPY ... TO stdout, the data lines after the
/// former up to a line holding only "\." belonging to it but not to its
/// Text; in tsql a line starting with ":" (sqlcmd) and in oracle a SQL*Plus
/// command line (SET ..., PROMPT, SPOOL, @file, EXEC, ...) before a
/// statement. TransactionControl also takes SAVEPOINT, RELEASE, ROLLBACK TO
/// and XA (they would disturb the runner's own savepoints); CommitsItself
/// applies to mysql and to oracle, where DDL commits too.
///
/// SQLite has no dialect of its own here: cut its scripts as ansi ("x"
/// names, nested /* */ comments, BEGIN ... END trigger bodies kept whole);
/// a [x] or `x` name holding a ";" or a quote is then read as code.
///
/// Raises Exception for a line of 4 GiB or more (see TSqlLexer::Lex).
std::vector<TSqlStatement> CutStatements(std::string_view script, TDialect dialect);

}  // namespace qualtren
