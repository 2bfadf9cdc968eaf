// The equality index of the record store: the records of one string field
// grouped by value, so that a filter of equalities finds its candidates
// without a pass over the table.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qualtren {

struct TItemHeader;
class TData;

/// The records of one 8-bit string field by value, each group in the order
/// of the record chain. A folded index compares values by the ANSI
/// upper-case mapping of the code page that was active when it was built;
/// it serves case-insensitive filters while that code page stays active.
class TEqualityIndex {
 public:
  /// Builds the index of field `fieldNo` over the chain that starts at `first`.
  TEqualityIndex(const TData& data, int fieldNo, bool folded, TItemHeader* first);

  int FieldNo() const { return fieldNo_; }
  bool Folded() const { return folded_; }
  int CodePage() const { return codePage_; }

  /// The records whose value equals `value` (folded as the index is), in
  /// chain order; nullptr when there are none. `value` is read as it is:
  /// no folded copy of it is made.
  const std::vector<TItemHeader*>* Find(std::string_view value) const;

 private:
  // A value as a filter gives it, folded only while it is hashed and compared.
  struct Query {
    std::string_view Raw;
  };
  struct Hash {
    using is_transparent = void;
    const uint8_t* fold;
    size_t operator()(const std::string& key) const;
    size_t operator()(Query q) const;
  };
  struct Equal {
    using is_transparent = void;
    const uint8_t* fold;
    bool operator()(const std::string& a, const std::string& b) const { return a == b; }
    bool operator()(Query q, const std::string& key) const;
    bool operator()(const std::string& key, Query q) const { return (*this)(q, key); }
  };

  int fieldNo_;
  bool folded_;
  int codePage_;
  const uint8_t* fold_;  // the upper-case mapping, or the identity
  std::unordered_map<std::string, std::vector<TItemHeader*>, Hash, Equal> buckets_;
};

}  // namespace qualtren
