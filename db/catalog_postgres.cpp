// The catalog of a PostgreSQL schema from pg_catalog: relations, other
// types, columns and routines, one query each, without the objects that an
// extension owns. The text of a routine is kept where PostgreSQL does not
// follow a rename inside it (every language but C and internal, unless the
// body is SQL-standard, which PostgreSQL parses and follows).
#include "db/catalog.h"

namespace qualtren::catalog_detail {

namespace {

// Whether the object of `oid` in `catalog` belongs to an extension.
std::string NotOfExtension(const std::string& catalog, const std::string& oid) {
  return "NOT EXISTS (SELECT 1 FROM pg_catalog.pg_depend d WHERE d.classid = '" + catalog +
         "'::regclass AND d.objid = " + oid + " AND d.deptype = 'e')";
}

}  // namespace

TQueries PostgresQueries() {
  return {
      "SELECT c.relname, c.relkind FROM pg_catalog.pg_class c "
      "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = ? AND " +
          NotOfExtension("pg_catalog.pg_class", "c.oid") + " ORDER BY c.oid",
      "SELECT t.typname FROM pg_catalog.pg_type t "
      "JOIN pg_catalog.pg_namespace n ON n.oid = t.typnamespace "
      "WHERE n.nspname = ? AND t.typrelid = 0 AND " +
          NotOfExtension("pg_catalog.pg_type", "t.oid") + " ORDER BY t.oid",
      "SELECT c.relname, a.attname FROM pg_catalog.pg_attribute a "
      "JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
      "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "WHERE n.nspname = ? AND c.relkind IN ('r', 'p', 'f', 'v', 'm') AND a.attnum > 0 "
      "AND NOT a.attisdropped AND " +
          NotOfExtension("pg_catalog.pg_class", "c.oid") + " ORDER BY c.oid, a.attnum",
      "SELECT p.proname, p.prokind, pg_catalog.pg_get_function_identity_arguments(p.oid), "
      "CASE WHEN l.lanname NOT IN ('c', 'internal') AND p.prosqlbody IS NULL "
      "THEN pg_catalog.pg_get_functiondef(p.oid) END, "
      "pg_catalog.quote_ident(n.nspname) || '.' || pg_catalog.quote_ident(p.proname) "
      "FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
      "JOIN pg_catalog.pg_language l ON l.oid = p.prolang "
      "WHERE n.nspname = ? AND p.prokind IN ('f', 'p') AND " +
          NotOfExtension("pg_catalog.pg_proc", "p.oid") + " ORDER BY p.oid",
  };
}

void ReadPostgres(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog) {
  const std::string& schema = catalog.Schema;
  for (const TDbRow& row : db.Query(queries[0], {schema})) {
    const std::string kind = Text(row[1]);
    if (kind == "r" || kind == "p" || kind == "f" || kind == "v" || kind == "m")
      catalog.Tables.push_back({Text(row[0]), kind == "v" || kind == "m", {}});
    else
      catalog.OtherRelations.push_back(Text(row[0]));
  }
  for (const TDbRow& row : db.Query(queries[1], {schema}))
    catalog.OtherRelations.push_back(Text(row[0]));
  for (const TDbRow& row : db.Query(queries[2], {schema}))
    catalog.Columns.push_back({Text(row[0]), Text(row[1])});
  for (const TDbRow& row : db.Query(queries[3], {schema})) {
    TDbRoutine r;
    r.Name = Text(row[0]);
    r.Function = Text(row[1]) == "f";
    r.Signature = Text(row[2]);
    r.Definition = Text(row[3]);
    r.PrintedName = Text(row[4]);
    catalog.Routines.push_back(std::move(r));
  }
}

}  // namespace qualtren::catalog_detail
