// The catalog reader of each flavor, chosen by the connection, in one table
// with the flavor's queries and the schema it reads by default.
#include "db/catalog.h"

namespace qualtren {

namespace {

using namespace catalog_detail;

struct TCatalogReader {
  TDbFlavor Flavor;
  TQueries (*Queries)();
  void (*Read)(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog);
  /// The schema read when none is given; nullptr where the reader names the
  /// one it reads (SQLite: main; MySQL: the URL's database).
  const char* DefaultSchema;
};

constexpr TCatalogReader kReaders[] = {
    {TDbFlavor::Sqlite, SqliteQueries, ReadSqlite, nullptr},
    {TDbFlavor::Postgres, PostgresQueries, ReadPostgres, "public"},
    {TDbFlavor::MySql, MySqlQueries, ReadMySql, nullptr},
    {TDbFlavor::SqlServer, SqlServerQueries, ReadSqlServer, "dbo"},
};

const TCatalogReader* ReaderOf(TDbFlavor flavor) {
  for (const TCatalogReader& reader : kReaders)
    if (reader.Flavor == flavor) return &reader;
  return nullptr;
}

}  // namespace

TDbCatalog ReadCatalog(TDbConnection& db, const std::string& schema) {
  TDbCatalog catalog;
  catalog.Flavor = db.Flavor();
  const TCatalogReader* reader = ReaderOf(catalog.Flavor);
  if (reader == nullptr) return catalog;
  if (reader->DefaultSchema != nullptr)
    catalog.Schema = schema.empty() ? reader->DefaultSchema : schema;
  reader->Read(db, reader->Queries(), catalog);
  return catalog;
}

std::vector<std::string> CatalogQueries(TDbFlavor flavor) {
  const TCatalogReader* reader = ReaderOf(flavor);
  return reader != nullptr ? reader->Queries() : std::vector<std::string>();
}

}  // namespace qualtren
