// Name lookup through filtered tries on the translation tables.
#include "trans/name_lookup.h"

namespace qualtren {

namespace {

// Doubles every single quote so that the text reads back unchanged from
// between single quotes in a filter.
std::string QuoteDoubled(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    result += c;
    if (c == '\'') result += '\'';
  }
  return result;
}

}  // namespace

bool OpenFiltered(TVirtualTable& table, const std::string& filter) {
  table.SetIndexFieldNames("");
  table.SetFilter(filter);
  table.SetFiltered(!filter.empty());
  table.Open();
  return !table.Eof();
}

std::string TranslateName(const TransTables& tables, const std::string& tableName,
                          const std::string& word, const std::string& nameContext) {
  if (word.empty()) return word;

  const std::string tableCondition =
      tableName.empty() ? std::string() : " and TableName = '" + QuoteDoubled(tableName) + "'";

  if (nameContext == "T") {
    if (OpenFiltered(tables.Table, "TableName = '" + word + "'"))
      return tables.Table.FieldByName("TableNameAng").AsString();
    if (OpenFiltered(tables.StoredProc, "Naziv = '" + word + "'"))
      return tables.StoredProc.FieldByName("ProcedureNameAng").AsString();
  }

  if (OpenFiltered(tables.TableStr, "FieldName = '" + word + "' " + tableCondition))
    return tables.TableStr.FieldByName("FieldNameAng").AsString();
  if (OpenFiltered(tables.TableStr, "FieldName = '" + word + "' "))
    return tables.TableStr.FieldByName("FieldNameAng").AsString();
  if (OpenFiltered(tables.Table, "TableName = '" + word + "' "))
    return tables.Table.FieldByName("TableNameAng").AsString();
  if (OpenFiltered(tables.StoredProc, "Naziv = '" + word + "'"))
    return tables.StoredProc.FieldByName("ProcedureNameAng").AsString();

  return word;
}

}  // namespace qualtren
