// The layout of the three translation tables, written once: which file and
// fields hold each kind of name, how a local name is folded and keyed as the
// lookup compares it, and the rows of the loaded tables read by that layout.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "trans/trans_tables.h"

namespace qualtren {

/// How one of the three translation tables holds its names.
struct TTransTableLayout {
  TNameKind Kind;
  const char* File;          // "Q47SifTable.vtd", ...
  const char* ScopeField;    // the column table's TableName; nullptr for the other two
  const char* LocalField;    // TableName, Naziv, FieldName
  const char* EnglishField;  // TableNameAng, ProcedureNameAng, FieldNameAng
};

/// The layout of the table of that kind.
const TTransTableLayout& TransTableLayout(TNameKind kind);
/// The layout of the translation table whose English field is among the
/// field names (letter case ignored); nullptr when none is.
const TTransTableLayout* LayoutOfFields(const std::vector<std::string>& fieldNames);

/// One row of a translation table, as the lookup reads it (a null field as
/// the empty text). The texts are in the code page of the tables.
struct TTransRow {
  int Record = 0;       // from 1, in stored order
  std::string Scope;    // the column table's TableName; empty for the other two
  std::string Local;    // the local name
  std::string English;  // the English name
};

/// The rows of the three tables, by TNameKind.
using TTransRows = std::array<std::vector<TTransRow>, 3>;

/// Reads the rows of the three loaded tables in stored order; a table that
/// lacks a field of its layout raises "FILE: no field NAME" with the file as
/// TTransTableSet::Load named it under `dir`.
TTransRows ReadTransRows(TTransTableSet& tables, const std::string& dir);

/// The local name folded as the lookup compares it: the code page's upper
/// case of every byte.
std::string FoldTransName(std::string_view name);

/// The key of a local name as the lookup tells names apart: the column
/// table's table name (`scope`, empty for the other two tables) and the name,
/// both folded. No two different pairs give the same key.
std::string TransNameKey(std::string_view scope, std::string_view local);

}  // namespace qualtren
