// Writing the three translation tables as the tables window holds them: each
// loaded table with its rows deleted, changed and added, every file written
// beside its old one and renamed over it only once all three are written,
// each old file kept as a backup first.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "trans/trans_layout.h"

namespace qualtren {

class TVirtualTable;

/// What one table is to become: its rows in order, and for each the record
/// of the loaded table it comes from (from 1), or 0 for a new row.
struct TTableOutcome {
  std::vector<TTransRow> Rows;
  std::vector<int> From;
};

/// The name a table file's backup gets: the file's name + ".bak".
std::string TableBackupName(const std::string& file);

/// Writes the three tables of `dir` (the current directory when empty): the
/// loaded table of each kind (by TNameKind) gives the fields and every value
/// of the rows it keeps, `outcome` the names and the order. A table without
/// fields (its file did not load) is made with string fields of its layout.
/// String fields grow to fit their longest value. Raises, naming the file,
/// when anything cannot be written; the files are then as they were.
void WriteTransTables(const std::array<TVirtualTable*, 3>& loaded,
                      const std::array<TTableOutcome, 3>& outcome, const std::string& dir);

}  // namespace qualtren
