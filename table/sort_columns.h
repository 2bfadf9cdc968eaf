// The index order of a table: parsing an IndexFieldNames text into sort
// columns, comparing two field values the way the sort orders them, and the
// sort of the record items by the columns.
#pragma once

#include <string_view>
#include <vector>

#include "dataset/variant.h"
#include "table/block_manager.h"
#include "table/field_desc.h"
#include "table/record_data.h"

namespace qualtren {

struct TSortColumn {
  const TFieldDesc* Field = nullptr;
  bool Descending = false;
  bool CaseInsensitive = false;
};
using TSortColumns = std::vector<TSortColumn>;

// Columns separated by ";" or ","; each a word, a quoted string or a
// bracketed name, then at most one of DESC/ASC and one of CIS/CS in any order
// and case. An empty or blank text gives no columns. Raises
// "Invalid IndexFieldNames format!" or "Field %s not found".
TSortColumns ParseIndexFieldNames(std::string_view text, const TFieldDescs& fields);

// Orders two values of one column: nulls first (two nulls are equal), texts
// by the locale's collation (ignoring case when asked), numbers numerically
// (NaN after every number), booleans false first. Values of different kinds
// order as texts, numbers, booleans. Always a consistent order.
int CompareSortValues(const Variant& a, const Variant& b, bool caseInsensitive);

/// Sorts record items by the columns (the first column that differs decides;
/// a descending column reverses its result). Not stable.
void SortByColumns(std::vector<TItemHeader*>& items, const TSortColumns& columns,
                   const TData& data);

}  // namespace qualtren
