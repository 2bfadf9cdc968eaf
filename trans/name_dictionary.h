// The name dictionary: every local name of the three translation tables,
// folded as their case-insensitive filters fold, with the English name that
// each try of the lookup finds for it. It is built once from tables that do
// not change meanwhile and then only read, so that the lookup of a word
// costs one probe of a table that holds the tables' names (not the text's
// words), and several threads may read it at once.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/open_hash_table.h"
#include "trans/trans_tables.h"

namespace qualtren {

class TMemData;
struct TItemHeader;

class TNameDictionary {
 public:
  /// What the tries of the lookup give for one local name: each a value id,
  /// or kNone when the try finds no record.
  struct TEntry {
    int32_t Table = kNone;      // the table names' table, by its local name
    int32_t Procedure = kNone;  // the procedure names' table, by its local name
    int32_t AnyColumn = kNone;  // the column names' table, by its local name
    bool HasColumns = false;    // some column record of a named table has this name
  };
  static constexpr int32_t kNone = -1;

  /// Builds the dictionary of the tables as they stand, or gives nullptr
  /// when the tables are in a state that their filters would answer in
  /// some other way than by equality of folded 8-bit text: a table that
  /// cannot be opened or lacks a field that a try reads, a field that is no
  /// 8-bit text, filter options other than case-insensitive without partial
  /// compare, a record filter handler or calculated fields. The lookup then
  /// takes the filters, which give every answer and every error themselves.
  /// The tables are left open, unfiltered and in stored order.
  static std::shared_ptr<const TNameDictionary> Build(const TransTables& tables);

  /// Loads the three tables of `dir` as TTransTableSet::Load does and
  /// builds their dictionary meanwhile on another thread, reading the
  /// column records as their load brings them in. Gives what Build gives
  /// of the loaded tables; a failed load raises what Load raises.
  static std::shared_ptr<const TNameDictionary> LoadAndBuild(TTransTableSet& set,
                                                             const std::string& dir);

  /// The code page whose case folding the dictionary holds.
  int CodePage() const { return codePage_; }
  /// The number of records the dictionary was built from.
  size_t Records() const { return records_; }

  /// Whether a table may hold the word (8-bit text of the code page), by
  /// its length and first byte alone: most words that no table holds
  /// (aliases, numbers, keywords) are turned away here, before they are
  /// folded and looked up.
  bool MayHold(std::string_view word) const {
    return word.size() >= shortest_ && word.size() <= longest_ &&
           (word.empty() || starts_[static_cast<uint8_t>(word[0])]);
  }
  /// The entry of a word (8-bit text of the code page), or nullptr when no
  /// table holds it. `folded` is a buffer for a long word's folded form.
  const TEntry* Find(std::string_view word, std::string& folded) const;
  /// The id of a table name among the table names of the column records
  /// (folded), or kNone when no column record names that table.
  int32_t TableId(std::string_view tableName) const;
  /// The column records of the table `tableId`, in stored order: for each,
  /// its local name's entry and its English name as the table holds it (the
  /// first record of an entry is the one a try finds).
  void ForEachColumnOf(int32_t tableId,
                       const std::function<void(const TEntry&, std::string_view)>& onColumn) const;
  /// An English name as the table holds it, or in UTF-8.
  std::string_view Value(int32_t id, bool utf8) const;

 private:
  struct TSource;
  // A column record of a named table: its name's entry and its record.
  struct TColumn {
    uint32_t Entry;
    const TItemHeader* Item;
  };

  // The column records met so far, while they are being added.
  struct TColumnGrouping {
    std::vector<uint32_t> Ids;  // each kept column record's table id
    bool Grouped = true;        // each table's records stand together
    std::string LastTable;
    uint32_t LastId = TOpenHashTable<char>::kMissing;
  };
  class TLoadFeed;

  // Made only by Begin: only the dictionary can make the key that the
  // constructor make_shared calls takes.
  class TKey {
    friend class TNameDictionary;
    TKey() = default;
  };

 public:
  explicit TNameDictionary(TKey) {}

 private:
  // A dictionary of the table and procedure names, with room for the
  // column records to come.
  static std::shared_ptr<TNameDictionary> Begin(const TSource& names, const TSource& procedures,
                                                size_t columnRecords);
  // Adds the column records, one by one in stored order, then groups them.
  void AddColumn(const TSource& columns, const TItemHeader* item);
  void EndColumns(const TSource& columns);
  const TEntry* FindFolded(std::string_view folded) const;
  // The filter of the folded names: which bits of which of its words a
  // name of that hash sets (a word is picked by the hash's bits above
  // those of the names' table's slots).
  size_t FilterWord(uint32_t hash) const {
    return static_cast<size_t>((uint64_t{hash} * 0x9E3779B97F4A7C15ull) >> 32) &
           (filter_.size() - 1);
  }
  static uint64_t FilterBits(uint32_t hash) {
    const uint64_t mixed = uint64_t{hash} * 0xD6E8FEB86659FD93ull;
    return (uint64_t{1} << (mixed >> 58)) | (uint64_t{1} << ((mixed >> 52) & 63)) |
           (uint64_t{1} << ((mixed >> 46) & 63));
  }
  void BuildFilter();
  // The entry of the record's local name, added when new, with `answer`
  // set to its English name when unset; kMissing for a null name.
  uint32_t AddRecord(const TSource& source, const TItemHeader* item, int32_t TEntry::*answer);
  int32_t AddValue(std::string_view english);
  // Folds a text with the code page's upper-case mapping into `out`.
  void Fold(std::string_view text, std::string& out) const;

  int codePage_ = 0;
  const uint8_t* upper_ = nullptr;
  size_t records_ = 0;
  std::string folded_;  // the name being added, folded
  TOpenHashTable<TEntry> names_;
  // The English names, each its value id's place in valueText_: the length
  // (4 bytes) and the bytes of the code-page form, then the length and the
  // bytes of the UTF-8 form, or kSameInUtf8 when it is the same.
  std::string valueText_;
  static constexpr uint32_t kSameInUtf8 = UINT32_MAX;
  bool tooLarge_ = false;  // the English names take more than a value id can reach
  void AppendLength(uint32_t length) {
    char bytes[4];
    std::memcpy(bytes, &length, 4);
    valueText_.append(bytes, 4);
  }
  void AppendValueText(std::string_view text) {
    AppendLength(static_cast<uint32_t>(text.size()));
    valueText_.append(text);
  }
  static uint32_t LengthAt(const char* p) {
    uint32_t length;
    std::memcpy(&length, p, 4);
    return length;
  }
  // The folded table names of the column records, numbered by their ids.
  TOpenHashTable<char> tableIds_;
  // The column records grouped by table id, each group in stored order:
  // records of table t are columns_[columnStart_[t], columnStart_[t + 1]).
  std::vector<TColumn> columns_;
  std::vector<uint32_t> columnStart_;
  TColumnGrouping grouping_;
  std::vector<uint64_t> filter_;
  // The lengths of the shortest and the longest name, and the bytes that a
  // name may start with (before folding).
  size_t shortest_ = SIZE_MAX;
  size_t longest_ = 0;
  std::array<bool, 256> starts_{};
  const TMemData* columnData_ = nullptr;
  int columnEnglish_ = 0;
};

}  // namespace qualtren
