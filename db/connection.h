// A connection to a live database: the URL that names it, the password that
// never travels in it, and the few calls the catalog, the rename script and
// the statement runner make (queries with bound values, statements,
// transactions). Qt SQL stays inside; texts are UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exception.h"
#include "trans/sql_lexer.h"

namespace qualtren {

/// A connection that cannot be named or made: a URL that is malformed or
/// holds a password, a driver that is missing, a server that refuses. The
/// message never holds a password.
class EDbConnectError : public Exception {
 public:
  using Exception::Exception;
};

/// A statement or query that the database refused; the message is the URL's
/// engine's own reason, with what was being done in front.
class EDbError : public Exception {
 public:
  using Exception::Exception;
};

/// How a URL reaches its database.
enum class TDbEngine : uint8_t { Sqlite, Postgres, MySql, Odbc };

/// Whose catalog and SQL a database has: the engine, or for ODBC the
/// dialect the user names.
enum class TDbFlavor : uint8_t { Sqlite, Postgres, MySql, SqlServer };

/// A parsed connection URL. It never holds a password.
struct TDbUrl {
  TDbEngine Engine = TDbEngine::Sqlite;
  std::string Text;      ///< the URL as given
  std::string Path;      ///< sqlite: the file
  std::string User;      ///< postgresql, mysql: empty for the engine's default
  std::string Host;      ///< a host name, or (postgresql ?host=) a socket directory
  int Port = 0;          ///< 0: the engine's default
  std::string Database;  ///< postgresql, mysql
  std::string Socket;    ///< mysql ?socket=
  std::string Odbc;      ///< odbc: the connection string (a DSN or a driver string)
};

/// Reads `sqlite:PATH`, `postgresql://[USER@][HOST][:PORT]/DBNAME[?host=DIR]`
/// (also `postgres://`), `mysql://[USER@][HOST][:PORT]/DBNAME[?socket=PATH]`
/// (also `mariadb://`) and `odbc:CONNECTION-STRING`. Raises EDbConnectError
/// for any other form and for a URL or connection string that holds a
/// password (the message does not repeat the URL then).
TDbUrl ParseDbUrl(std::string_view url);

/// The flavor of a URL's database: its engine's, or for ODBC the one that
/// `dialect` names (tsql, postgres, mysql); raises EDbConnectError for ODBC
/// without one of these.
TDbFlavor FlavorOf(const TDbUrl& url, TDialect dialect);

/// The dialect whose lexer reads the SQL of a flavor.
TDialect DialectOf(TDbFlavor flavor);

/// A value of a row: none for SQL NULL; UTF-8 text otherwise.
using TDbValue = std::optional<std::string>;
using TDbRow = std::vector<TDbValue>;

/// One open connection. Not copyable; closed when destroyed.
class TDbConnection {
 public:
  /// Connects; `password` (empty: none given, the engine's own ways apply)
  /// is handed to the driver only. Raises EDbConnectError naming the URL and
  /// the driver's reason. Makes the process's Qt application object first
  /// when there is none (Qt SQL loads its drivers through it).
  TDbConnection(const TDbUrl& url, const std::string& password, TDialect dialect = TDialect::None);
  ~TDbConnection();
  TDbConnection(const TDbConnection&) = delete;
  TDbConnection& operator=(const TDbConnection&) = delete;

  const TDbUrl& Url() const { return url_; }
  TDbFlavor Flavor() const { return flavor_; }
  /// Whether DDL takes part in transactions (PostgreSQL, SQLite, SQL Server).
  bool TransactionalDdl() const { return flavor_ != TDbFlavor::MySql; }

  /// Runs a query, `params` bound to its "?" placeholders in order; every
  /// row with its values as text. Raises EDbError.
  std::vector<TDbRow> Query(std::string_view sql, const std::vector<std::string>& params = {});
  /// Runs one statement. Raises EDbError with the database's message.
  void Exec(std::string_view sql);
  /// Runs one statement; false and the database's message (its first line)
  /// when the database refused it.
  bool TryExec(std::string_view sql, std::string& message);

  void Begin();
  void Commit();
  void Rollback();

 private:
  struct TImpl;
  TDbUrl url_;
  TDbFlavor flavor_;
  std::unique_ptr<TImpl> impl_;
};

/// The name as `flavor` quotes it: "x" (PostgreSQL, SQLite), `x` (MySQL),
/// [x] (SQL Server), the closing quote inside doubled.
std::string QuoteName(TDbFlavor flavor, std::string_view name);

/// The text as an SQL string literal ('...' with quotes doubled; N'...' for
/// SQL Server; backslashes doubled for MySQL).
std::string QuoteString(TDbFlavor flavor, std::string_view text);

}  // namespace qualtren
