// The rename script: every table, view, column, procedure and function of
// the catalog that the translation tables send to another name, renamed in
// the database's dialect with every name quoted, then the stored bodies the
// engine does not follow re-created from their text translated by the
// engine. Refusals are found before anything is written or run.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/exception.h"
#include "db/catalog.h"
#include "db/connection.h"
#include "trans/name_lookup.h"
#include "trans/trans_layout.h"

namespace qualtren {

/// The kinds of objects a rename touches.
enum class TDbObjectKind : uint8_t { Table, View, Column, Procedure, Function, Trigger };
inline constexpr size_t kDbObjectKinds = 6;

/// The name of a kind ("table", "view", ...); plural with `many`.
const char* DbObjectKindName(TDbObjectKind kind, bool many = false);

/// One statement of the script.
struct TRenameStatement {
  std::string Sql;  ///< without its terminator
  TDbObjectKind Kind = TDbObjectKind::Table;
  bool Recreate = false;  ///< re-creates a body (else renames or drops)
  bool Body = false;      ///< holds a body with ";" inside (MySQL's text needs DELIMITER)
};

/// The script of one database.
struct TRenameScript {
  TDbFlavor Flavor = TDbFlavor::Sqlite;
  bool MariaDb = false;
  std::vector<TRenameStatement> Statements;
  std::array<size_t, kDbObjectKinds> Renamed{};    ///< by TDbObjectKind
  std::array<size_t, kDbObjectKinds> Recreated{};  ///< by TDbObjectKind
  /// Local names the tables translate that the catalog does not hold.
  size_t NotInCatalog = 0;
  /// Tables, views and routines that carry an English name of the tables
  /// already (renamed by an earlier run, or named so from the start).
  size_t AlreadyEnglish = 0;
};

/// A rename refused before anything was written: one reason per line, each
/// naming both names.
class ERenameRefused : public Exception {
 public:
  explicit ERenameRefused(std::vector<std::string> reasons);
  const std::vector<std::string>& Reasons() const { return reasons_; }

 private:
  std::vector<std::string> reasons_;
};

/// The longest name the flavor takes: bytes for PostgreSQL (63), characters
/// for MySQL (64) and SQL Server (128); 0 for no limit (SQLite).
size_t MaxNameLength(TDbFlavor flavor, bool& inBytes);

/// Builds the script for `catalog` from the rows of the three tables (in
/// the tables' code page) and the tables themselves (for translating
/// bodies). Raises ERenameRefused for a rename onto a name the catalog holds
/// in the same namespace, two local names of one kind sent to one English
/// name, an English name longer than the engine allows, or a body that does
/// not translate.
TRenameScript BuildRenameScript(const TDbCatalog& catalog, const TTransRows& rows,
                                const TransTables& tables);

/// The script as text for its dialect: one transaction where the engine
/// has transactional DDL; for MySQL a header saying that each statement
/// commits. Empty statements list: a comment that there is nothing to do.
std::string RenameScriptText(const TRenameScript& script);

/// Runs the script statement by statement, inside one transaction committed
/// last where the engine has transactional DDL. Raises EDbError naming the
/// statement that failed (and rolls back what the transaction holds).
void ApplyRenameScript(TDbConnection& db, const TRenameScript& script);

namespace rename_detail {

/// What the translation tables make of a catalog's names (UTF-8 in and out).
struct TTargets;

/// Translates a stored body (UTF-8) under `dialect`, keeping its own line
/// breaks; raises ERenameRefused naming `what` when the translation fails.
std::string TranslateBody(const TransTables& tables, TDialect dialect, const std::string& text,
                          const std::string& what);

}  // namespace rename_detail

}  // namespace qualtren
