// Building and probing the equality index.
#include "table/equality_index.h"

#include <array>

#include "base/codepage.h"
#include "table/block_manager.h"
#include "table/record_data.h"

namespace qualtren {

namespace {

constexpr std::array<uint8_t, 256> kIdentity = [] {
  std::array<uint8_t, 256> t{};
  for (size_t i = 0; i < t.size(); ++i)
    t[i] = static_cast<uint8_t>(i);
  return t;
}();

// FNV-1a over the bytes as the mapping gives them.
size_t HashMapped(std::string_view bytes, const uint8_t* map) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (char c : bytes) {
    h ^= map[static_cast<uint8_t>(c)];
    h *= 0x100000001B3ull;
  }
  return static_cast<size_t>(h ^ (h >> 29));
}

}  // namespace

size_t TEqualityIndex::Hash::operator()(const std::string& key) const {
  return HashMapped(key, kIdentity.data());
}

size_t TEqualityIndex::Hash::operator()(Query q) const {
  return HashMapped(q.Raw, fold);
}

bool TEqualityIndex::Equal::operator()(Query q, const std::string& key) const {
  if (q.Raw.size() != key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i)
    if (fold[static_cast<uint8_t>(q.Raw[i])] != static_cast<uint8_t>(key[i])) return false;
  return true;
}

TEqualityIndex::TEqualityIndex(const TData& data, int fieldNo, bool folded, TItemHeader* first)
    : fieldNo_(fieldNo),
      folded_(folded),
      codePage_(folded ? ActiveCodePage() : 0),
      fold_(folded ? AnsiUpperTable() : kIdentity.data()),
      buckets_(16, Hash{fold_}, Equal{fold_}) {
  std::string key;
  for (TItemHeader* i = first; i; i = i->Next) {
    std::string_view value;
    if (!data.GetFieldText(fieldNo, i->Record(), value)) continue;
    key.resize(value.size());
    for (size_t k = 0; k < value.size(); ++k)
      key[k] = static_cast<char>(fold_[static_cast<uint8_t>(value[k])]);
    buckets_[key].push_back(i);
  }
}

const std::vector<TItemHeader*>* TEqualityIndex::Find(std::string_view value) const {
  const auto it = buckets_.find(Query{value});
  return it == buckets_.end() ? nullptr : &it->second;
}

}  // namespace qualtren
