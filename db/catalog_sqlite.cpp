// The catalog of a SQLite database: the tables, views, indexes and triggers
// of main from sqlite_master, and every column of its tables and views
// through pragma_table_info, in one query.
#include "db/catalog.h"

namespace qualtren::catalog_detail {

TQueries SqliteQueries() {
  return {
      "SELECT type, name, tbl_name, sql FROM main.sqlite_master "
      "WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid",
      "SELECT m.name, p.name FROM main.sqlite_master AS m, pragma_table_info(m.name) AS p "
      "WHERE m.type IN ('table', 'view') AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
      "ORDER BY m.rowid, p.cid",
  };
}

void ReadSqlite(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog) {
  catalog.Schema = "main";
  for (const TDbRow& row : db.Query(queries[0])) {
    const std::string type = Text(row[0]);
    if (type == "table" || type == "view")
      catalog.Tables.push_back({Text(row[1]), type == "view", Text(row[3])});
    else
      catalog.OtherRelations.push_back(Text(row[1]));
  }
  for (const TDbRow& row : db.Query(queries[1]))
    catalog.Columns.push_back({Text(row[0]), Text(row[1])});
}

}  // namespace qualtren::catalog_detail
