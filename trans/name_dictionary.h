// The name dictionary: every local name of the three translation tables,
// folded as their case-insensitive filters fold, with the English name that
// each try of the lookup finds for it. It is built once from tables that do
// not change meanwhile and then only read, so that the lookup of a word
// costs one probe of a table that holds the tables' names (not the text's
// words), and several threads may read it at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "trans/name_lookup.h"

namespace qualtren {

class TMemData;
struct TItemHeader;

class TNameDictionary {
 public:
  /// What the tries of the lookup give for one local name: each a value id,
  /// or kNone when the try finds no record.
  struct TEntry {
    uint32_t Hash = 0;
    uint32_t KeyOffset = 0;
    uint32_t KeyLength = 0;
    int32_t Table = kNone;      // tbTable_Trans, by TableName
    int32_t Procedure = kNone;  // tbSP_Trans, by Naziv
    int32_t AnyColumn = kNone;  // tbTableStr_Trans, by FieldName
    bool HasColumns = false;    // some column record has this FieldName
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

  /// The code page whose case folding the dictionary holds.
  int CodePage() const { return codePage_; }
  /// The number of records the dictionary was built from.
  size_t Records() const { return records_; }

  /// The entry of a word (8-bit text of the code page), or nullptr when no
  /// table holds it. `folded` is a buffer for a long word's folded form.
  const TEntry* Find(std::string_view word, std::string& folded) const;
  /// The id of a table name among the TableName values of the column
  /// records (folded), or kNone when no column record names that table.
  int32_t TableId(std::string_view tableName) const;
  /// The column records of the table `tableId`, in stored order: for each,
  /// its FieldName's entry and its English name as the table holds it (the
  /// first record of an entry is the one a try finds).
  void ForEachColumnOf(int32_t tableId,
                       const std::function<void(const TEntry&, std::string_view)>& onColumn) const;
  /// An English name as the table holds it, or in UTF-8.
  std::string_view Value(int32_t id, bool utf8) const;

 private:
  TNameDictionary() = default;

  uint32_t HashKey(std::string_view folded) const;
  const TEntry* FindFolded(std::string_view folded) const;
  TEntry& Add(std::string_view folded);
  int32_t AddValue(std::string_view english);
  // Folds a text with the code page's upper-case mapping into `out`.
  void Fold(std::string_view text, std::string& out) const;

  int codePage_ = 0;
  const uint8_t* upper_ = nullptr;
  size_t records_ = 0;
  // The open-addressing index: each slot the hash of its key beside 1 + the
  // entry (0 for a free slot), so that a probe that misses reads no entry.
  struct TSlot {
    uint32_t Hash = 0;
    uint32_t Entry = 0;
  };
  std::vector<TSlot> slots_;  // a power of two, at most half of them used
  std::vector<TEntry> entries_;
  std::string keys_;
  // Values: offset and length of the code-page form, then of the UTF-8 form.
  std::vector<uint32_t> values_;
  std::string valueText_;
  std::unordered_map<std::string, int32_t> tableIds_;
  // The column records grouped by table id, each group in stored order:
  // records of table t are columns_[columnStart_[t], columnStart_[t + 1]).
  struct TColumn {
    uint32_t Entry;
    const TItemHeader* Item;
  };
  std::vector<TColumn> columns_;
  std::vector<uint32_t> columnStart_;
  const TMemData* columnData_ = nullptr;
  int columnEnglish_ = 0;
};

}  // namespace qualtren
