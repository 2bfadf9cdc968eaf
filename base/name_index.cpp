// The name index: positions grouped by the key of their name.
#include "base/name_index.h"

#include "base/collation.h"

namespace qualtren {

TNameIndex::TNameIndex(size_t count, const std::function<std::string_view(size_t)>& name)
    : next_(count, -1) {
  names_.reserve(count);
  chains_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    names_.push_back(name(i));
    const int at = static_cast<int>(i);
    auto [it, added] = chains_.try_emplace(AnsiTextKey(names_[i]), at, at);
    if (!added) {
      next_[static_cast<size_t>(it->second.second)] = at;
      it->second.second = at;
    }
  }
}

int TNameIndex::Find(std::string_view name) const {
  auto it = chains_.find(AnsiTextKey(name));
  if (it == chains_.end()) return -1;
  // Names of one key are equal; the comparison guards the rule all the same.
  for (int p = it->second.first; p >= 0; p = next_[static_cast<size_t>(p)])
    if (names_[static_cast<size_t>(p)] == name ||
        AnsiCompareText(names_[static_cast<size_t>(p)], name) == 0)
      return p;
  return -1;
}

}  // namespace qualtren
