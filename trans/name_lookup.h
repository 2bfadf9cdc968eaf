// Name lookup: the English name of one word of SQL text, found through
// filtered tries on the three translation tables.
#pragma once

#include <string>

#include "table/virtual_table.h"

namespace qualtren {

// The three translation tables the engine reads. They are expected to
// filter case-insensitively and without partial compare, so that a word is
// matched literally.
struct TransTables {
  TVirtualTable& Table;       // tbTable_Trans: TableName, TableNameAng
  TVirtualTable& StoredProc;  // tbSP_Trans: Naziv, ProcedureNameAng
  TVirtualTable& TableStr;    // tbTableStr_Trans: TableName, FieldName, FieldNameAng
};

// Shows the table in stored order, filtered by `filter` (unfiltered when it
// is empty), opens it if needed and tells whether any record passes; the
// first passing record is then the current one.
bool OpenFiltered(TVirtualTable& table, const std::string& filter);

// The English name of `word`, or the word itself when no table holds it.
// `nameContext` "T" tries table and procedure names first, any other value
// column names first; `tableName` (may be empty) prefers the columns of that
// table. Errors of the tables are passed on.
std::string TranslateName(const TransTables& tables, const std::string& tableName,
                          const std::string& word, const std::string& nameContext);

}  // namespace qualtren
