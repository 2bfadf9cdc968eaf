// TMemData, the record store over a doubly linked chain of record items:
// appending, inserting, updating and removing records, navigation past
// records the filter omits, the filter verdict cached in each item, record
// numbers and the record count, the equality indexes that answer filters of
// equalities, and the index order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "table/block_manager.h"
#include "table/equality_index.h"
#include "table/record_data.h"
#include "table/sort_columns.h"

namespace qualtren {

class TMemData : public TData {
 public:
  TMemData();
  ~TMemData() override;

  void Open() override;
  void Close() override;

  TItemHeader* FirstItem() const { return first_; }
  TItemHeader* LastItem() const { return last_; }
  TItemHeader* Current() const { return current_; }
  void SetCurrent(TItemHeader* item) { current_ = item; }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool HasRecords() const { return first_ != nullptr; }

  /// Before the first record / after the last one.
  void Rewind();
  void WindToEnd();
  /// Moves past omitted records; nullptr (and the end or beginning flag)
  /// when none is left.
  TItemHeader* NextRecord();
  TItemHeader* PriorRecord();

  TItemHeader* AppendRecord(const uint8_t* rec);
  /// Appends a record with every field null and gives its item, whose
  /// record the caller then fills in place (a load that builds records
  /// field by field, without a record buffer to copy).
  TItemHeader* AppendNullRecord();
  /// Before the current item, or at the end when there is none.
  TItemHeader* InsertRecord(const uint8_t* rec);
  void UpdateRecord(TItemHeader* item, const uint8_t* rec);
  void RemoveRecord(TItemHeader* item);
  void ClearRecords();
  size_t ItemCount() const { return itemCount_; }

  bool IsOmitted(TItemHeader* item);
  /// Forgets every verdict, renumbers, sets the end flag when none passes.
  void FilterUpdated();
  int RecordCount();
  int RecNoOf(TItemHeader* item);
  TItemHeader* ItemAtRecNo(int recNo);

  /// The index order: parsed and applied at once while the store is open,
  /// else when it opens.
  void SetIndexFieldNames(const std::string& text);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  const TSortColumns& SortColumns() const { return sortColumns_; }
  /// Sorts the chain by the sort columns and renumbers.
  void SortItems();

  /// Whether filters of equalities are answered from the equality index
  /// (the default) or by testing every record, as tests compare them.
  void SetUseEqualityIndex(bool use) { useIndex_ = use; }

  TBlockManager& Blocks() { return blocks_; }
  const TBlockManager& Blocks() const { return blocks_; }

 protected:
  void ParseFilter() override;

 private:
  // One step forward or backward past omitted records.
  TItemHeader* Step(bool forward);
  void Renumber();
  void EnsureNumbers();
  void ForgetVerdicts();
  bool TryIndexedFilter();
  void LeaveIndexMode();
  void RecordsChanged();
  void ResetChain();
  const TEqualityIndex& IndexFor(int fieldNo, bool folded);
  TItemHeader* NewItem(const uint8_t* rec);
  // Links a new item in after the last one.
  TItemHeader* Link(TItemHeader* item);

  TBlockManager blocks_;
  TItemHeader* first_ = nullptr;
  TItemHeader* last_ = nullptr;
  TItemHeader* current_ = nullptr;
  bool bof_ = true;
  bool eof_ = true;
  size_t itemCount_ = 0;
  int recordCount_ = 0;
  uint32_t generation_ = 1;
  bool numbersValid_ = false;
  bool indexMode_ = false;
  bool useIndex_ = true;
  std::vector<TItemHeader*> passing_;  // record number - 1 -> item, while numbers are valid
  std::vector<TEqualityIndex> indexes_;
  TSortColumns sortColumns_;
  std::string indexFieldNames_;
};

}  // namespace qualtren
