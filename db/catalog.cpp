// The catalog reader of each flavor, chosen by the connection.
#include "db/catalog.h"

namespace qualtren {

TDbCatalog ReadCatalog(TDbConnection& db, const std::string& schema) {
  switch (db.Flavor()) {
    case TDbFlavor::Sqlite:
      return catalog_detail::ReadSqlite(db);
    case TDbFlavor::Postgres:
      return catalog_detail::ReadPostgres(db, schema.empty() ? "public" : schema);
    case TDbFlavor::MySql:
      return catalog_detail::ReadMySql(db);
    case TDbFlavor::SqlServer:
      return catalog_detail::ReadSqlServer(db, schema.empty() ? "dbo" : schema);
  }
  return {};
}

std::vector<std::string> CatalogQueries(TDbFlavor flavor) {
  switch (flavor) {
    case TDbFlavor::Sqlite:
      return catalog_detail::SqliteQueries();
    case TDbFlavor::Postgres:
      return catalog_detail::PostgresQueries();
    case TDbFlavor::MySql:
      return catalog_detail::MySqlQueries();
    case TDbFlavor::SqlServer:
      return catalog_detail::SqlServerQueries();
  }
  return {};
}

}  // namespace qualtren
