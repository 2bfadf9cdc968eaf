// The three translation tables' files, their filter options, and the steps
// that empty one table and load it from its file, shared by the window and
// the command line.
#pragma once

#include <string>

#include "table/virtual_table.h"

namespace qualtren {

inline constexpr const char* kTableNamesFile = "Q47SifTable.vtd";
inline constexpr const char* kProcedureNamesFile = "Q47SifSQL_SP.vtd";
inline constexpr const char* kColumnNamesFile = "Q47SifTableStr.vtd";

// Words are looked up literally: letter case is ignored, but "%" and "_"
// inside a word are no wildcards.
inline constexpr TFilterOptions kTransTableFilterOptions = foCaseInsensitive | foNoPartialCompare;

// Closes the table, clears its filter and index order, empties it and loads
// the file; the table's filter options stay.
void LoadTransTable(TVirtualTable& table, const std::string& fileName);

}  // namespace qualtren
