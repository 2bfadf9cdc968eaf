// An index of names for looking many of them up among many, the way
// AnsiCompareText compares them, without comparing each with every name.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qualtren {

/// Positions of names in their order, found ignoring letter case as
/// AnsiCompareText compares under the active code page; of several equal
/// names the first in order is found. The index keeps views of the names:
/// it serves while they stay as they were when it was built (a loop over
/// the fields of a table that does not change meanwhile).
class TNameIndex {
 public:
  /// Indexes name(0), ..., name(count - 1).
  TNameIndex(size_t count, const std::function<std::string_view(size_t)>& name);

  /// The position of the first name equal to `name`; -1 when there is none.
  int Find(std::string_view name) const;

 private:
  std::vector<std::string_view> names_;
  // The first and the last position of each key, and after each position
  // the next one of the same key (-1 at the end).
  std::unordered_map<std::string, std::pair<int, int>> chains_;
  std::vector<int> next_;
};

}  // namespace qualtren
