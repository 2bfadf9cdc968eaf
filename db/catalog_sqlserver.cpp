// The catalog of a SQL Server schema (through ODBC) from the sys views:
// tables and views, other objects of the schema, columns, and the modules
// (procedures, functions, triggers) with their text, one query each.
#include "db/catalog.h"

namespace qualtren::catalog_detail {

TQueries SqlServerQueries() {
  return {
      "SELECT o.name, o.type FROM sys.objects o JOIN sys.schemas s ON s.schema_id = o.schema_id "
      "WHERE s.name = ? AND o.is_ms_shipped = 0 AND o.parent_object_id = 0 ORDER BY o.object_id",
      "SELECT o.name, c.name FROM sys.columns c JOIN sys.objects o ON o.object_id = c.object_id "
      "JOIN sys.schemas s ON s.schema_id = o.schema_id "
      "WHERE s.name = ? AND o.type IN ('U', 'V') AND o.is_ms_shipped = 0 "
      "ORDER BY o.object_id, c.column_id",
      "SELECT o.name, o.type, m.definition, p.name FROM sys.sql_modules m "
      "JOIN sys.objects o ON o.object_id = m.object_id "
      "JOIN sys.schemas s ON s.schema_id = o.schema_id "
      "LEFT JOIN sys.objects p ON p.object_id = o.parent_object_id "
      "WHERE s.name = ? AND o.is_ms_shipped = 0 ORDER BY o.object_id",
  };
}

void ReadSqlServer(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog) {
  const std::string& schema = catalog.Schema;
  for (const TDbRow& row : db.Query(queries[0], {schema})) {
    std::string type = Text(row[1]);
    while (!type.empty() && type.back() == ' ')
      type.pop_back();
    if (type == "U" || type == "V")
      catalog.Tables.push_back({Text(row[0]), type == "V", {}});
    else if (type != "P" && type != "FN" && type != "IF" && type != "TF")
      catalog.OtherRelations.push_back(Text(row[0]));
  }
  for (const TDbRow& row : db.Query(queries[1], {schema}))
    catalog.Columns.push_back({Text(row[0]), Text(row[1])});
  for (const TDbRow& row : db.Query(queries[2], {schema})) {
    std::string type = Text(row[1]);
    while (!type.empty() && type.back() == ' ')
      type.pop_back();
    if (type == "V") {
      for (TDbTable& t : catalog.Tables)
        if (t.Name == Text(row[0])) t.Definition = Text(row[2]);
    } else if (type == "TR") {
      catalog.Triggers.push_back({Text(row[0]), Text(row[3]), {}, {}, Text(row[2])});
    } else {
      TDbRoutine r;
      r.Name = Text(row[0]);
      r.Function = type != "P";
      r.Definition = Text(row[2]);
      catalog.Routines.push_back(std::move(r));
    }
  }
}

}  // namespace qualtren::catalog_detail
