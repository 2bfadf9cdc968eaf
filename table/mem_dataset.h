// TMemDataSet: a dataset over a record store. It binds field objects to
// field descriptors, moves between the store's records and the dataset's
// current record and edit buffer, and hands the filter properties and the
// index order to the store.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset.h"
#include "table/mem_data.h"

namespace qualtren {

class TMemDataSet : public TDataSet {
 public:
  explicit TMemDataSet(std::string name, std::unique_ptr<TMemData> data);
  ~TMemDataSet() override;
  std::string ClassName() const override { return "TMemDataSet"; }

  TMemData& Data() { return *data_; }
  const TMemData& Data() const { return *data_; }

  void SetFilter(const std::string& text) override;
  void SetFilterOptions(TFilterOptions options) override;
  void SetFiltered(bool on) override;
  void SetOnFilterRecord(FilterRecordEvent handler) override;

  /// Shows an error raised inside the OnFilterRecord handler (the
  /// application's exception display); without one the error is dropped.
  /// Either way the record keeps the Accept value that the handler had set.
  using ErrorHandler = std::function<void(const std::exception&)>;
  void SetFilterErrorHandler(ErrorHandler handler) { filterErrorHandler_ = std::move(handler); }

  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& text);

  bool GetFieldData(const TField& field, std::string* out) override;
  void SetFieldData(TField& field, const std::string* value) override;
  Variant GetFieldVariant(const TField& field) override;
  void SetFieldVariant(TField& field, const Variant& value) override;
  // The blob behind a blob or memo field of the current record (nullptr for null).
  const TBlob* GetBlob(const TField& field);

  // The store item of the current record (nullptr when there is none).
  TItemHeader* CurrentItem() const { return activeItem_; }

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override;
  void InternalLast() override;
  bool InternalGetRecord(GetMode mode) override;
  void InternalInsert(bool append) override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  int GetRecordCount() override;
  int GetRecNo() override;
  void InternalSetRecNo(int recNo) override;
  TBookmark InternalGetBookmark() override;
  bool InternalGotoBookmark(intptr_t bookmark) override;
  bool IsCursorOpen() const override { return data_->Active(); }

  // Whether closing keeps the store open with its records.
  virtual bool PersistentData() const { return false; }
  // Builds the definitions and field objects around an open store.
  virtual void OpenStore();
  void BindFields();
  // Brings an open dataset to browse mode, the store on its current record.
  void BrowseAtCurrent();
  // Sets the filter text and options in one routine: nothing happens when
  // both are unchanged; a text that fails to parse changes neither.
  void ChangeFilter(const std::string& text, TFilterOptions options);
  // Runs the filter change on an open dataset: filter updated, re-read, first record.
  void ApplyFilterChange();
  void SyncStoreToCurrent();
  // Forgets the edit buffer, kept or not.
  void DropEditBuffer();
  void InstallFilterHook();
  // Hands the filter text to the store (trimmed; empty when not filtered).
  void HandFilterToStore(const std::string& text, bool filtered);

  std::unique_ptr<TMemData> data_;
  TItemHeader* activeItem_ = nullptr;
  std::vector<uint8_t> editBuffer_;
  // The edit buffer of an insert is an empty record. It is kept from one
  // insert to the next and only the fields written into it are emptied
  // again, so that an insert costs what is written, not the whole record (a
  // row that is dropped at once costs next to nothing).
  bool bufferEmpty_ = false;               // an empty record but for the fields written
  uint64_t bufferLayout_ = 0;              // the store's layout the buffer was made for
  std::vector<int> written_;               // field numbers written since it was empty
  const uint8_t* filterRecord_ = nullptr;  // record under test in the filter state
  uint8_t* calcRecord_ = nullptr;          // buffer whose calculated fields are computed
  bool appendMode_ = false;
  std::string indexFieldNames_;
  // Whether FieldDefs were made from the persistent field objects.
  bool defsFromFields_ = false;

 private:
  ErrorHandler filterErrorHandler_;

  const uint8_t* ActiveRecord() const;
  // Computes the calculated fields of a buffer through OnCalcFields.
  void RunCalcFields(uint8_t* buffer);
  // A calculated field read outside the calculation and filter states is
  // computed on a copy of the record.
  bool IsCalculatedOutsideBuffer(const TField& field) const;
  uint8_t* WritableRecord();
};

}  // namespace qualtren
