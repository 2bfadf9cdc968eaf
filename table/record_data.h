// TData, the abstract record store: the field descriptors, the layout of a
// record, the value codec between records and the dataset's native forms
// (blob and variant values held beside the record in slots), and the filter
// text, mode and expression that records are tested against.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/dataset.h"
#include "dataset/variant.h"
#include "table/field_desc.h"
#include "table/filter.h"

namespace qualtren {

/// Content of a blob or memo value, held outside the record as pieces.
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

/// Values that records reference by a 4-byte handle (blobs, variants);
/// handle 0 stands for none. Freed handles are reused, each only once.
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
  /// nullptr for handle 0, an unknown or a freed handle.
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

class TData {
 public:
  TData() = default;
  virtual ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  TFieldDescs& Fields() { return fields_; }
  const TFieldDescs& Fields() const { return fields_; }
  bool Active() const { return active_; }
  /// Builds the descriptors, lays out the record and parses the stored
  /// filter text; on failure the store stays closed.
  virtual void Open();
  virtual void Close();

  /// The largest record, calculated fields included, that a store holds.
  static constexpr size_t kMaxRecordSize = 16 * 1024 * 1024;
  size_t RecordSize() const { return recordSize_; }
  /// A record followed by the area of the calculated fields.
  size_t CalcBufferSize() const { return calcBufferSize_; }
  bool HasCalcFields() const { return calcBufferSize_ > recordSize_; }
  /// Copies a record into a calculation buffer and computes its calculated fields.
  std::vector<uint8_t> CalculatedCopy(const uint8_t* rec) const;
  /// Computes the calculated fields of a buffer (installed by the dataset).
  void SetCalcHook(std::function<void(uint8_t*)> hook) { calcHook_ = std::move(hook); }
  size_t DataSize() const { return dataSize_; }
  /// Changes each time the store opens, that is whenever the layout of its
  /// records may change.
  uint64_t LayoutStamp() const { return layoutStamp_; }

  /// Field values of a record in native form (see dataset/field.h).
  bool GetNull(int fieldNo, const uint8_t* rec) const;
  void SetNull(int fieldNo, uint8_t* rec, bool isNull) const;
  bool GetField(int fieldNo, const uint8_t* rec, std::string* native) const;
  /// The bytes of an 8-bit string field (string, fixed char, GUID) as the
  /// record holds them, up to the zero byte; false for a null value.
  bool GetFieldText(int fieldNo, const uint8_t* rec, std::string_view& text) const;
  void PutField(int fieldNo, uint8_t* rec, const std::string* native);
  /// PutField of a value given as bytes, without their copy into a string
  /// for a text field.
  void PutFieldText(int fieldNo, uint8_t* rec, std::string_view text);
  Variant GetFieldVariant(int fieldNo, const uint8_t* rec) const;
  /// ftVariant fields hold their value in a holder referenced from the record.
  Variant GetVariantValue(int fieldNo, const uint8_t* rec) const;
  void PutVariantValue(int fieldNo, uint8_t* rec, const Variant& value);
  /// Blob and memo fields hold a reference to a TBlob.
  const TBlob* GetBlob(int fieldNo, const uint8_t* rec) const;

  /// Prepares an empty record (every field null, no references).
  void InitRecord(uint8_t* rec) const;
  /// Marks every data field of an all-zero record null, which makes it
  /// what InitRecord makes.
  void MarkAllNull(uint8_t* rec) const;
  /// Empties one data field of a record as InitRecord leaves it; a
  /// reference it holds is dropped, not released.
  void ResetField(int fieldNo, uint8_t* rec) const;
  /// Releases the blob or variant reference that one field of a record holds.
  void FreeFieldReferences(int fieldNo, uint8_t* rec);
  /// Releases the blob and variant references of a record.
  void FreeRecordReferences(uint8_t* rec);
  /// Releases the references that rec holds and original does not.
  void FreeChangedReferences(uint8_t* rec, const uint8_t* original);

  /// Sets the filter text: parsed at once while the store is open (a text
  /// that fails to parse is not kept), else when the store opens.
  void SetFilterText(const std::string& text);
  const std::string& FilterText() const { return filterText_; }
  /// The filter mode: foCaseInsensitive and foNoPartialCompare.
  void SetFilterOptions(TFilterOptions options) { filterOptions_ = options; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  bool HasFilter() const { return expression_ != nullptr || static_cast<bool>(filterHook_); }
  /// Asks the dataset about a record first (OnFilterRecord); nullptr removes it.
  void SetFilterHook(std::function<bool(const uint8_t*)> hook) { filterHook_ = std::move(hook); }
  /// Whether a record passes the hook and the expression.
  bool FilterRecord(const uint8_t* rec) const;
  const TFilterExpression* Expression() const { return expression_.get(); }

 protected:
  /// Builds the descriptors (the subclass knows where they come from).
  virtual void InitFields() = 0;
  virtual void ParseFilter();
  bool CaseInsensitive() const { return (filterOptions_ & foCaseInsensitive) != 0; }
  bool NoPartialCompare() const { return (filterOptions_ & foNoPartialCompare) != 0; }
  bool HasFilterHook() const { return static_cast<bool>(filterHook_); }

  TFieldDescs fields_;
  bool active_ = false;
  std::unique_ptr<TFilterExpression> expression_;

 private:
  void InitRecordLayout();

  uint64_t layoutStamp_ = 0;
  size_t dataSize_ = 0;
  size_t recordSize_ = 0;
  size_t calcBufferSize_ = 0;
  std::function<void(uint8_t*)> calcHook_;
  std::string filterText_;
  std::string previousFilterText_;                      // kept while a new text is parsed
  std::unique_ptr<TFilterExpression> spareExpression_;  // reused by the next parse
  TFilterOptions filterOptions_ = 0;
  std::function<bool(const uint8_t*)> filterHook_;
  THandleSlots<TBlob> blobs_;
  THandleSlots<Variant> variants_;
};

}  // namespace qualtren
