// TVirtualTable: the in-memory table. It adds options, builds its field
// descriptors from its field definitions or field objects, and loads, saves,
// clears and copies its contents (binary and XML table files, other datasets).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "table/mem_dataset.h"

namespace qualtren {

enum TVirtualTableOption : uint8_t { voPersistentData = 1, voStored = 2 };
using TVirtualTableOptions = uint8_t;

class TVirtualTable;

// The record store of a virtual table: it builds its descriptors from the
// table's field definitions or field objects.
class TVirtualData : public TMemData {
 public:
  explicit TVirtualData(TVirtualTable& owner) : owner_(owner) {}

 protected:
  void InitFields() override;

 private:
  TVirtualTable& owner_;
};

class TVirtualTable : public TMemDataSet {
 public:
  explicit TVirtualTable(std::string name = {});
  ~TVirtualTable() override;
  std::string ClassName() const override { return "TVirtualTable"; }

  TVirtualTableOptions Options() const { return options_; }
  void SetOptions(TVirtualTableOptions options) { options_ = options; }

  // Table files and streams.
  void LoadTableFile(const std::string& fileName);
  void SaveTableFile(const std::string& fileName);
  void LoadTableStream(TStream& stream, bool loadDefs);
  void SaveTableStream(TStream& stream, bool storeFields);
  void ClearRecords();
  void ClearTable();
  // Copies another virtual table (through a stream) or any other dataset;
  // raises "Cannot assign a %s to a %s" for nullptr.
  void CopyTable(TDataSet* source);
  void CopyDataSet(TDataSet& source);

  // The stored Data property of a form description.
  void WriteData(TStream& stream);
  void ReadData(TStream& stream);
  // Marks the table as being read from a form description; Active set
  // meanwhile is applied by FinishLoading.
  void BeginLoading() { loading_ = true; }
  void SetStreamedActive(bool active) { streamedActive_ = active; }
  void FinishLoading();
  bool Loading() const { return loading_; }

  // The form that a loaded file had: the binary version, or -1 for XML.
  int LastLoadedVersion() const { return lastLoadedVersion_; }

  // Whether the definitions were made from persistent field objects.
  bool DefsFromFields() const { return defsFromFields_; }

 protected:
  void OpenStore() override;
  bool PersistentData() const override { return (options_ & voPersistentData) != 0; }

 private:
  friend class TVirtualData;
  friend class TBinaryTableReader;
  friend class TBinaryTableWriter;

  void DefChanged();
  void OpenForLoad();
  void CloseAfterLoad();

  TVirtualTableOptions options_ = voPersistentData | voStored;
  int restructureGuard_ = 0;
  int defGuard_ = 0;
  bool loading_ = false;
  bool streamedActive_ = false;
  TMemoryStream recordData_;
  int lastLoadedVersion_ = 0;
};

}  // namespace qualtren
