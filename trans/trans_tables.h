// The three translation tables: their files, their filter options, the steps
// that empty one table and load it from its file, and the set of the three
// that the window, the command line, the benchmarks and the tests share.
#pragma once

#include <cstdint>
#include <string>

#include "table/virtual_table.h"

namespace qualtren {

/// Which translation table gives a name: table names, procedure names or
/// column names.
enum class TNameKind : uint8_t { Table, Procedure, Column };

/// The three translation tables the engine reads. They are expected to
/// filter case-insensitively and without partial compare, so that a word is
/// matched literally.
struct TransTables {
  TVirtualTable& Table;       // tbTable_Trans: TableName, TableNameAng
  TVirtualTable& StoredProc;  // tbSP_Trans: Naziv, ProcedureNameAng
  TVirtualTable& TableStr;    // tbTableStr_Trans: TableName, FieldName, FieldNameAng

  /// The table of that kind of name.
  TVirtualTable& Of(TNameKind kind) const {
    return kind == TNameKind::Table ? Table : kind == TNameKind::Procedure ? StoredProc : TableStr;
  }
};

/// Shows the table in stored order, filtered by `filter` (unfiltered when it
/// is empty), opens it if needed and tells whether any record passes; the
/// first passing record is then the current one.
bool OpenFiltered(TVirtualTable& table, const std::string& filter);

inline constexpr const char* kTableNamesFile = "Q47SifTable.vtd";
inline constexpr const char* kProcedureNamesFile = "Q47SifSQL_SP.vtd";
inline constexpr const char* kColumnNamesFile = "Q47SifTableStr.vtd";

// Words are looked up literally: letter case is ignored, but "%" and "_"
// inside a word are no wildcards.
inline constexpr TFilterOptions kTransTableFilterOptions = foCaseInsensitive | foNoPartialCompare;

// Closes the table, clears its filter and index order, empties it and loads
// the file; the table's filter options stay.
void LoadTransTable(TVirtualTable& table, const std::string& fileName);

/// The three translation tables, created empty with the filter options
/// above and named as the window names them.
class TTransTableSet {
 public:
  TTransTableSet();
  TTransTableSet(const TTransTableSet&) = delete;
  TTransTableSet& operator=(const TTransTableSet&) = delete;

  /// Loads the tables from "Q47SifTable.vtd", "Q47SifSQL_SP.vtd" and
  /// "Q47SifTableStr.vtd" in `dir` (the current directory when empty), in
  /// that order, each by LoadTransTable. The first failure is raised; the
  /// tables after it are not touched.
  void Load(const std::string& dir);
  /// The file whose load raised the last failure of Load (as Load named it,
  /// with `dir`), or empty.
  const std::string& FailedFile() const { return failedFile_; }

  TransTables Tables() { return {Table, StoredProc, TableStr}; }

  TVirtualTable Table{"tbTable_Trans"};
  TVirtualTable StoredProc{"tbSP_Trans"};
  TVirtualTable TableStr{"tbTableStr_Trans"};

 private:
  std::string failedFile_;
};

}  // namespace qualtren
