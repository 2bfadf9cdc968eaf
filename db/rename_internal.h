// What the two halves of the rename script share: the target name of every
// object of the catalog, and the builders of the bodies re-created
// (rename_bodies.cpp).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "db/rename_script.h"

namespace qualtren::rename_detail {

/// The name every object ends with: its target where it is renamed, else
/// its own name. Indexes follow the catalog's vectors.
struct TPlan {
  std::vector<std::string> TableTarget;           ///< empty: not renamed
  std::vector<std::string> ColumnTarget;          ///< empty: not renamed
  std::vector<std::string> RoutineTarget;         ///< empty: not renamed
  std::map<std::string, std::string> FinalTable;  ///< table name -> its name after the run
  /// MySQL: routines created under their new name by an earlier run that
  /// stopped before dropping the old one; only the drop is left.
  std::vector<bool> HalfDone;
};

/// The statements that re-create bodies: `first` run before every rename,
/// `last` after them. Counts go into the script. Tells, by routine, which
/// ones it drops and creates under their new name (no rename needed).
std::vector<bool> AddBodies(const TDbCatalog& catalog, const TPlan& plan, const TransTables& tables,
                            TRenameScript& script, std::vector<TRenameStatement>& first,
                            std::vector<TRenameStatement>& last);

/// Schema-qualified and quoted, where the flavor has schemas.
std::string Qualified(const TDbCatalog& catalog, const std::string& name);

}  // namespace qualtren::rename_detail
