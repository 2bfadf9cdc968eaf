// The record store: record items allocated in blocks, the record layout and
// field value access (TData), the doubly linked chain of records with
// navigation, filter verdicts, record numbers, sorting and the equality index
// (TMemData).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/variant.h"
#include "table/equality_index.h"
#include "table/field_desc.h"
#include "table/filter.h"
#include "table/sort_columns.h"

namespace qualtren {

struct TBlockHeader;

// Header of a record item; the record bytes follow it directly.
struct TItemHeader {
  TBlockHeader* Block = nullptr;
  TItemHeader* Prev = nullptr;
  TItemHeader* Next = nullptr;
  TItemHeader* Rollback = nullptr;
  uint8_t Status = 0;
  uint8_t UpdateResult = 5;
  int32_t RecNo = 0;
  uint8_t Flag = 0;          // kItemFree or kItemUsed
  uint8_t FilterResult = 0;  // 0 not checked, 1 passes, 2 omitted
  uint8_t Reserved = 0;
  uint32_t FilterGen = 0;  // the filter generation FilterResult belongs to

  uint8_t* Record() { return reinterpret_cast<uint8_t*>(this) + kHeaderSize; }
  const uint8_t* Record() const { return reinterpret_cast<const uint8_t*>(this) + kHeaderSize; }
  static constexpr size_t kHeaderSize = 56;
  static constexpr uint8_t kItemFree = 0xF0;
  static constexpr uint8_t kItemUsed = 0x0F;
};
static_assert(sizeof(TItemHeader) <= TItemHeader::kHeaderSize);

// Hands out record items from blocks of a fixed number of items. Free items
// of all blocks sit on one free list; a block is released when its last used
// item is freed.
class TBlockManager {
 public:
  explicit TBlockManager(int itemsPerBlock = 10) : itemsPerBlock_(itemsPerBlock) {}
  ~TBlockManager();
  TBlockManager(const TBlockManager&) = delete;
  TBlockManager& operator=(const TBlockManager&) = delete;

  // Sets the record length; only while no item is in use.
  void SetRecordSize(size_t recordSize);
  TItemHeader* AllocItem();
  void FreeItem(TItemHeader* item);
  void FreeAll();
  size_t BlockCount() const { return blocks_.size(); }
  size_t UsedItems() const { return used_; }
  size_t ItemSize() const { return itemSize_; }

 private:
  void AddBlock();
  void ReleaseBlock(TBlockHeader* block);

  int itemsPerBlock_;
  size_t itemSize_ = TItemHeader::kHeaderSize;
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  TItemHeader* freeList_ = nullptr;
  size_t used_ = 0;
};

// Content of a blob or memo value, held outside the record as pieces.
class TBlob {
 public:
  size_t Size() const;
  std::string Read() const;
  void Write(std::string_view bytes);
  const std::vector<std::string>& Pieces() const { return pieces_; }

 private:
  static constexpr size_t kPieceSize = 64 * 1024;
  std::vector<std::string> pieces_;
};

// Values that records reference by a 4-byte handle (blobs, variants);
// handle 0 stands for none. Freed handles are reused, each only once.
template <typename T>
class THandleSlots {
 public:
  uint32_t Add(T value) {
    if (!free_.empty()) {
      uint32_t h = free_.back();
      free_.pop_back();
      slots_[h] = std::move(value);
      return h;
    }
    slots_.emplace_back(std::move(value));
    return static_cast<uint32_t>(slots_.size() - 1);
  }
  // nullptr for handle 0, an unknown or a freed handle.
  const T* Get(uint32_t h) const { return h < slots_.size() && slots_[h] ? &*slots_[h] : nullptr; }
  void Release(uint32_t h) {
    if (h == 0 || h >= slots_.size() || !slots_[h]) return;
    slots_[h].reset();
    free_.push_back(h);
  }
  void Clear() {
    slots_.resize(1);
    free_.clear();
  }

 private:
  std::vector<std::optional<T>> slots_ = std::vector<std::optional<T>>(1);
  std::vector<uint32_t> free_;
};

// Raises the store's error for a field type that a table cannot hold.
[[noreturn]] void UnsupportedFieldType();

// The abstract record store: descriptors, record layout, value access and
// the filter expression.
class TData {
 public:
  TData() = default;
  virtual ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  TFieldDescs& Fields() { return fields_; }
  const TFieldDescs& Fields() const { return fields_; }
  bool Active() const { return active_; }
  virtual void Open();
  virtual void Close();

  // The largest record, calculated fields included, that a store holds.
  static constexpr size_t kMaxRecordSize = 16 * 1024 * 1024;
  size_t RecordSize() const { return recordSize_; }
  // A record followed by the area of the calculated fields.
  size_t CalcBufferSize() const { return calcBufferSize_; }
  bool HasCalcFields() const { return calcBufferSize_ > recordSize_; }
  // Copies a record into a calculation buffer and computes its calculated fields.
  std::vector<uint8_t> CalculatedCopy(const uint8_t* rec) const;
  // Computes the calculated fields of a buffer (installed by the dataset).
  void SetCalcHook(std::function<void(uint8_t*)> hook) { calcHook_ = std::move(hook); }
  size_t DataSize() const { return dataSize_; }

  // Field values of a record in native form (see dataset/field.h).
  bool GetNull(int fieldNo, const uint8_t* rec) const;
  void SetNull(int fieldNo, uint8_t* rec, bool isNull) const;
  bool GetField(int fieldNo, const uint8_t* rec, std::string* native) const;
  /// The bytes of an 8-bit string field (string, fixed char, GUID) as the
  /// record holds them, up to the zero byte; false for a null value.
  bool GetFieldText(int fieldNo, const uint8_t* rec, std::string_view& text) const;
  void PutField(int fieldNo, uint8_t* rec, const std::string* native);
  Variant GetFieldVariant(int fieldNo, const uint8_t* rec) const;
  // ftVariant fields hold their value in a holder referenced from the record.
  Variant GetVariantValue(int fieldNo, const uint8_t* rec) const;
  void PutVariantValue(int fieldNo, uint8_t* rec, const Variant& value);
  // Blob and memo fields hold a reference to a TBlob.
  const TBlob* GetBlob(int fieldNo, const uint8_t* rec) const;

  // Prepares an empty record (every field null, no references).
  void InitRecord(uint8_t* rec) const;
  // Releases the blob and variant references of a record.
  void FreeRecordReferences(uint8_t* rec);
  // Releases the references that rec holds and original does not.
  void FreeChangedReferences(uint8_t* rec, const uint8_t* original);

  // Filter state.
  void SetFilterText(const std::string& text);
  const std::string& FilterText() const { return filterText_; }
  bool HasFilter() const { return expression_ != nullptr || static_cast<bool>(filterHook_); }
  bool FilterCaseInsensitive = false;
  bool FilterNoPartialCompare = false;
  void SetFilterHook(std::function<bool(const uint8_t*)> hook) { filterHook_ = std::move(hook); }
  // Whether a record passes the hook and the expression.
  bool FilterRecord(const uint8_t* rec) const;
  const TFilterExpression* Expression() const { return expression_.get(); }

 protected:
  // Builds the descriptors (the subclass knows where they come from).
  virtual void InitFields() = 0;
  void InitRecordLayout();
  virtual void ParseFilter();

  TFieldDescs fields_;
  bool active_ = false;
  size_t dataSize_ = 0;
  size_t recordSize_ = 0;
  size_t calcBufferSize_ = 0;
  std::function<void(uint8_t*)> calcHook_;
  std::string filterText_;
  std::string previousFilterText_;  // kept while a new text is parsed
  std::unique_ptr<TFilterExpression> expression_;
  std::unique_ptr<TFilterExpression> spareExpression_;  // reused by the next parse
  std::function<bool(const uint8_t*)> filterHook_;

 private:
  THandleSlots<TBlob> blobs_;
  THandleSlots<Variant> variants_;
};

// The record store over a chain of record items.
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

  void Rewind();
  void WindToEnd();
  // Moves past omitted records; nullptr (and the end or beginning flag) when none is left.
  TItemHeader* NextRecord();
  TItemHeader* PriorRecord();

  TItemHeader* AppendRecord(const uint8_t* rec);
  // Before the current item, or at the end when there is none.
  TItemHeader* InsertRecord(const uint8_t* rec);
  void UpdateRecord(TItemHeader* item, const uint8_t* rec);
  void RemoveRecord(TItemHeader* item);
  void ClearRecords();
  size_t ItemCount() const { return itemCount_; }

  bool IsOmitted(TItemHeader* item);
  // Forgets every verdict, renumbers, sets the end flag when none passes.
  void FilterUpdated();
  int RecordCount();
  int RecNoOf(TItemHeader* item);
  TItemHeader* ItemAtRecNo(int recNo);

  // Index order.
  void SetIndexFieldNames(const std::string& text);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  const TSortColumns& SortColumns() const { return sortColumns_; }
  void SortItems();

  // The equality index may be switched off so that tests can compare it
  // with a full scan.
  bool UseEqualityIndex = true;

  TBlockManager& Blocks() { return blocks_; }

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
  const TEqualityIndex& IndexFor(int fieldNo, bool folded);
  TItemHeader* NewItem(const uint8_t* rec);

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
  std::vector<TItemHeader*> passing_;  // record number - 1 -> item, while numbers are valid
  std::vector<TEqualityIndex> indexes_;
  TSortColumns sortColumns_;
  std::string indexFieldNames_;
};

}  // namespace qualtren
