// The catalog of a MySQL or MariaDB database (the URL's) from
// information_schema: tables and views, view texts, columns, routines with
// their parameters, and triggers, one query each.
#include <map>

#include "db/catalog.h"

namespace qualtren::catalog_detail {

TQueries MySqlQueries() {
  return {
      "SELECT VERSION(), DATABASE()",
      "SELECT TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES "
      "WHERE TABLE_SCHEMA = DATABASE() ORDER BY TABLE_NAME",
      "SELECT TABLE_NAME, VIEW_DEFINITION FROM information_schema.VIEWS "
      "WHERE TABLE_SCHEMA = DATABASE()",
      "SELECT TABLE_NAME, COLUMN_NAME FROM information_schema.COLUMNS "
      "WHERE TABLE_SCHEMA = DATABASE() ORDER BY TABLE_NAME, ORDINAL_POSITION",
      "SELECT SPECIFIC_NAME, ROUTINE_NAME, ROUTINE_TYPE, DTD_IDENTIFIER, ROUTINE_DEFINITION, "
      "IS_DETERMINISTIC, SQL_DATA_ACCESS, SECURITY_TYPE, ROUTINE_COMMENT "
      "FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = DATABASE() ORDER BY ROUTINE_NAME",
      "SELECT SPECIFIC_NAME, PARAMETER_MODE, PARAMETER_NAME, DTD_IDENTIFIER "
      "FROM information_schema.PARAMETERS WHERE SPECIFIC_SCHEMA = DATABASE() "
      "AND ORDINAL_POSITION > 0 ORDER BY SPECIFIC_NAME, ORDINAL_POSITION",
      "SELECT TRIGGER_NAME, EVENT_OBJECT_TABLE, ACTION_TIMING, EVENT_MANIPULATION, "
      "ACTION_STATEMENT FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = DATABASE() "
      "ORDER BY EVENT_OBJECT_TABLE, ACTION_ORDER",
  };
}

void ReadMySql(TDbConnection& db, const TQueries& queries, TDbCatalog& catalog) {
  for (const TDbRow& row : db.Query(queries[0])) {
    catalog.MariaDb = Text(row[0]).find("MariaDB") != std::string::npos;
    catalog.Schema = Text(row[1]);
  }
  std::map<std::string, std::string> viewText;
  for (const TDbRow& row : db.Query(queries[2]))
    viewText[Text(row[0])] = Text(row[1]);
  for (const TDbRow& row : db.Query(queries[1])) {
    const bool view = Text(row[1]) == "VIEW";
    catalog.Tables.push_back({Text(row[0]), view, view ? viewText[Text(row[0])] : std::string()});
  }
  for (const TDbRow& row : db.Query(queries[3]))
    catalog.Columns.push_back({Text(row[0]), Text(row[1])});
  std::map<std::string, std::string> parameters;  // by specific name
  for (const TDbRow& row : db.Query(queries[5])) {
    std::string& list = parameters[Text(row[0])];
    if (!list.empty()) list += ", ";
    const std::string mode = Text(row[1]);
    if (!mode.empty()) list += mode + " ";
    list += QuoteName(TDbFlavor::MySql, Text(row[2])) + " " + Text(row[3]);
  }
  for (const TDbRow& row : db.Query(queries[4])) {
    TDbRoutine r;
    r.Name = Text(row[1]);
    r.Function = Text(row[2]) == "FUNCTION";
    r.Parameters = parameters[Text(row[0])];
    if (r.Function) r.Returns = "RETURNS " + Text(row[3]);
    std::string& c = r.Characteristics;
    if (Text(row[5]) == "YES") c += "DETERMINISTIC ";
    c += Text(row[6]) + " SQL SECURITY " + Text(row[7]);
    if (!Text(row[8]).empty()) c += " COMMENT " + QuoteString(TDbFlavor::MySql, Text(row[8]));
    r.Definition = Text(row[4]);
    catalog.Routines.push_back(std::move(r));
  }
  for (const TDbRow& row : db.Query(queries[6]))
    catalog.Triggers.push_back(
        {Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3]), Text(row[4])});
}

}  // namespace qualtren::catalog_detail
