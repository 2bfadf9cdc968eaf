// An open-addressing hash table of byte-string keys, each with a value: the
// slots hold each key's hash beside its entry, so that a probe that misses
// reads no entry, and an entry holds its value beside its key (a short key
// in the entry itself, a longer one in one string of all such keys), so
// that a probe that finds its key reads one place more. Entries are
// numbered from 0 in the order they were added and keep their numbers until
// Clear.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/hash.h"

namespace qualtren {

template <class TValue>
class TOpenHashTable {
 public:
  /// The number Find gives for a key the table lacks.
  static constexpr uint32_t kMissing = UINT32_MAX;
  /// What an entry takes beside its key's bytes (for callers that bound
  /// what they hold).
  static constexpr size_t EntryBytes() { return sizeof(TItem) + 2 * sizeof(TSlot); }

  /// The hash of a key, as the table computes it.
  static uint32_t Hash(std::string_view key) { return static_cast<uint32_t>(HashBytes(key)); }

  /// Makes room for `entries` entries whose keys take `keyBytes` bytes in
  /// all, so that adding them moves nothing.
  void Reserve(size_t entries, size_t keyBytes = 0) {
    items_.reserve(entries);
    keys_.reserve(keyBytes);
    size_t size = slots_.empty() ? kFirstSlots : slots_.size();
    while (size < 2 * entries)
      size *= 2;
    if (size != slots_.size()) Rehash(size);
  }

  /// The number of the key's entry, or kMissing.
  uint32_t Find(std::string_view key) const { return Find(key, Hash(key)); }
  /// The same for a key whose Hash is `hash`.
  uint32_t Find(std::string_view key, uint32_t hash) const {
    if (slots_.empty()) return kMissing;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const TSlot slot = slots_[i];
      if (slot.Entry == 0) return kMissing;
      if (slot.Hash != hash) continue;
      const TItem& item = items_[slot.Entry - 1];
      if (item.KeyLength == key.size() && SameBytes(KeyBytes(item), key.data(), key.size()))
        return slot.Entry - 1;
    }
  }

  /// The number of the key's entry, added with a value-initialised value
  /// when the table lacks the key; `added` tells which.
  uint32_t FindOrAdd(std::string_view key, bool& added) {
    const uint32_t hash = Hash(key);
    if (const uint32_t found = Find(key, hash); found != kMissing) {
      added = false;
      return found;
    }
    added = true;
    if (2 * (items_.size() + 1) > slots_.size())
      Rehash(slots_.empty() ? kFirstSlots : 2 * slots_.size());
    TItem& item = items_.emplace_back();
    item.KeyLength = static_cast<uint32_t>(key.size());
    if (key.size() <= kInlineKey) {
      std::memcpy(item.Key.Inline, key.data(), key.size());
    } else {
      item.Key.Offset = static_cast<uint32_t>(keys_.size());
      keys_.append(key);
    }
    const uint32_t entry = static_cast<uint32_t>(items_.size());
    Place(slots_, TSlot{hash, entry});
    return entry - 1;
  }

  TValue& Value(uint32_t entry) { return items_[entry].Value; }
  const TValue& Value(uint32_t entry) const { return items_[entry].Value; }
  std::string_view Key(uint32_t entry) const {
    const TItem& item = items_[entry];
    return std::string_view(KeyBytes(item), item.KeyLength);
  }
  size_t Size() const { return items_.size(); }

  /// Forgets every entry; the slots stay as many as at first.
  void Clear() {
    slots_.assign(kFirstSlots, TSlot());
    items_.clear();
    keys_.clear();
  }

 private:
  static constexpr size_t kFirstSlots = 1024;  // a power of two
  struct TSlot {
    uint32_t Hash = 0;
    uint32_t Entry = 0;  // 1 + the number of the entry; 0 for a free slot
  };
  // Keys of up to this many bytes are held in their entry.
  static constexpr size_t kInlineKey = 20;
  struct TItem {
    TValue Value{};
    uint32_t KeyLength = 0;
    union {
      char Inline[kInlineKey];
      uint32_t Offset;  // in keys_, for a longer key
    } Key{};
  };
  const char* KeyBytes(const TItem& item) const {
    return item.KeyLength <= kInlineKey ? item.Key.Inline : keys_.data() + item.Key.Offset;
  }

  static void Place(std::vector<TSlot>& into, TSlot slot) {
    const size_t mask = into.size() - 1;
    size_t i = slot.Hash & mask;
    while (into[i].Entry != 0)
      i = (i + 1) & mask;
    into[i] = slot;
  }

  // Spreads the slots over `size` slots (a power of two). (No name here is
  // "slots": Qt defines it as a word of its own.)
  void Rehash(size_t size) {
    std::vector<TSlot> grown(size);
    for (const TSlot& s : slots_)
      if (s.Entry != 0) Place(grown, s);
    slots_.swap(grown);
  }

  std::vector<TSlot> slots_;  // a power of two, at most half of them used
  std::vector<TItem> items_;
  std::string keys_;  // the keys too long for their entry, one after another
};

}  // namespace qualtren
