// A simple in-memory client dataset: field objects (default ones made from
// the definitions, or persistent ones added before opening), records held as
// native values, and a position that bookmarks return to. It stands in for
// the database runtime's client datasets as a source that tables copy from.
#pragma once

#include <vector>

#include "dataset/dataset.h"

namespace qualtren {

class TClientDataSet : public TDataSet {
 public:
  explicit TClientDataSet(std::string name = {}) : TDataSet(std::move(name)) {}
  std::string ClassName() const override { return "TClientDataSet"; }

  bool GetFieldData(const TField& field, std::string* out) override;
  void SetFieldData(TField& field, const std::string* value) override;
  Variant GetFieldVariant(const TField& field) override;
  void SetFieldVariant(TField& field, const Variant& value) override;

  // Removes every record (the records are kept while the dataset is closed).
  void EmptyDataSet();

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalFirst() override { pos_ = -1; }
  void InternalLast() override { pos_ = static_cast<int>(records_.size()); }
  bool InternalGetRecord(GetMode mode) override;
  void InternalInsert(bool append) override;
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  int GetRecordCount() override { return static_cast<int>(records_.size()); }
  int GetRecNo() override { return current_ + 1; }
  void InternalSetRecNo(int recNo) override;
  TBookmark InternalGetBookmark() override;
  bool InternalGotoBookmark(intptr_t bookmark) override;
  bool IsCursorOpen() const override { return true; }

 private:
  struct Cell {
    bool present = false;
    std::string bytes;
    Variant variant;
  };
  using Record = std::vector<Cell>;

  Cell* CellOf(const TField& field);

  std::vector<Record> records_;
  int pos_ = -1;      // cursor: -1 before the first record, size() after the last
  int current_ = -1;  // the dataset's current record
  Record editBuffer_;
  bool appending_ = false;
  int insertAt_ = 0;
};

}  // namespace qualtren
