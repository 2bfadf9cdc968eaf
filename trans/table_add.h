// The rules of adding rows to a translation table, over plain rows: a row
// the table holds already is skipped, a row that would give a local name an
// empty English name, one holding a separator, or another English name than
// the table or an earlier row gives it is refused (unless asked for), each
// refusal with its row and its reason. The command line's "table add" and
// the tables window's save both decide by them.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "trans/table_check.h"
#include "trans/trans_layout.h"

namespace qualtren {

/// What the rules are asked to allow, and how they name things.
struct TTableAddRules {
  /// The table's kind: which names make a row's key.
  TNameKind Kind = TNameKind::Table;
  /// The table as a refusal names it ("Q47SifTableStr.vtd").
  std::string TableName;
  /// The English name's field as the table spells it.
  std::string EnglishField;
  bool AllowEmpty = false;      // an empty English name is added too
  bool Replace = false;         // another English name replaces the one held
  bool RefuseSeparator = true;  // an English name holding a separator is refused
};

/// A row refused: its index among the rows to add, and why (a sentence
/// without the row's own place, which the caller puts in front).
struct TTableAddRefusal {
  size_t Row = 0;
  std::string Reason;
};

/// What becomes of the rows to add.
struct TTableAddDecision {
  std::vector<TTableAddRefusal> Refusals;
  std::vector<size_t> Added;     // rows new to the table, in order
  std::vector<size_t> Replaced;  // rows whose English name replaces the held one
  /// Record of the table (from 1) -> the row whose English name it takes:
  /// every record of a replaced local name.
  std::map<int, size_t> ReplaceAt;
  size_t Skipped = 0;  // rows the table or an earlier row holds already
};

/// Decides on `rows` (their Record unused) against the rows the table
/// holds, `held` (in stored order, Record from 1), by `rules`. A null name
/// is the empty text. `placeOf` names a row to add in a refusal that points
/// at an earlier one ("names.csv: line 3"). Nothing is decided for good
/// while any row is refused: the caller adds nothing then.
TTableAddDecision DecideTableAdd(const std::vector<TTransRow>& held,
                                 const std::vector<TTransRow>& rows, const TTableAddRules& rules,
                                 const std::function<std::string(size_t)>& placeOf);

}  // namespace qualtren
