// The catalog of a live database: its user's tables, views, columns,
// routines and triggers, read in one query per kind, with what the rename
// script needs to re-create the bodies the engine does not follow. One
// reader per engine (catalog_sqlite.cpp, catalog_postgres.cpp,
// catalog_mysql.cpp, catalog_sqlserver.cpp). Names are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "db/connection.h"

namespace qualtren {

/// A base table or a view.
struct TDbTable {
  std::string Name;
  bool View = false;
  /// The text that creates the view, where the rename script may have to
  /// build it again (SQLite: the CREATE VIEW statement; MySQL: the SELECT).
  std::string Definition;
};

/// A column of a table or view.
struct TDbColumn {
  std::string Table;
  std::string Name;
};

/// A procedure or function.
struct TDbRoutine {
  std::string Name;
  bool Function = true;
  /// PostgreSQL: the argument types that tell overloads apart.
  std::string Signature;
  /// The text that creates it again (PostgreSQL: pg_get_functiondef; SQL
  /// Server: the module's text; MySQL: built from its parts below); empty
  /// when the engine follows renames inside it by itself.
  std::string Definition;
  /// PostgreSQL: the name as the definition writes it, schema in front.
  std::string PrintedName;
  /// MySQL: the parameter list, "RETURNS type" and the characteristics that
  /// stand between the name and the body.
  std::string Parameters, Returns, Characteristics;
};

/// A trigger (kept where the engine does not follow renames in its body).
struct TDbTrigger {
  std::string Name;
  std::string Table;
  std::string Timing;  ///< BEFORE, AFTER, INSTEAD OF
  std::string Event;   ///< INSERT, UPDATE, DELETE
  std::string Body;    ///< the statement it runs (MySQL), or its whole text (SQL Server)
};

/// What the catalog holds of one schema.
struct TDbCatalog {
  TDbFlavor Flavor = TDbFlavor::Sqlite;
  std::string Schema;  ///< PostgreSQL and SQL Server: the schema read; MySQL: the database
  bool MariaDb = false;
  std::vector<TDbTable> Tables;
  std::vector<TDbColumn> Columns;
  std::vector<TDbRoutine> Routines;
  std::vector<TDbTrigger> Triggers;
  /// Other names of the tables' namespace (PostgreSQL: indexes, sequences,
  /// types; SQLite: indexes, triggers), which a rename must not take.
  std::vector<std::string> OtherRelations;
};

/// Reads the user's objects of `schema` (empty: public for PostgreSQL, dbo
/// for SQL Server; MySQL reads the URL's database and SQLite main). Raises
/// EDbError.
TDbCatalog ReadCatalog(TDbConnection& db, const std::string& schema);

/// The queries a flavor's catalog is read with, in order, each taking the
/// schema as its one bound value where it has a "?".
std::vector<std::string> CatalogQueries(TDbFlavor flavor);

namespace catalog_detail {
/// The readers of the flavors: each fills `catalog`, whose Flavor is set and
/// whose Schema holds the schema read (PostgreSQL, SQL Server; the others
/// name it themselves), from the rows of `queries`, its flavor's queries.
using TQueries = std::vector<std::string>;
void ReadSqlite(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog);
void ReadPostgres(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog);
void ReadMySql(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog);
void ReadSqlServer(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog);
TQueries SqliteQueries();
TQueries PostgresQueries();
TQueries MySqlQueries();
TQueries SqlServerQueries();
/// The text of a value, empty for NULL.
inline std::string Text(const TDbValue& v) {
  return v ? *v : std::string();
}
}  // namespace catalog_detail

}  // namespace qualtren
