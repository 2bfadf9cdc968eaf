// TVirtualTable, the in-memory table, and TVirtualData, its record store. The
// table adds options, decides whether its field definitions or its field
// objects describe it, keeps its records across changed definitions, and
// loads, saves, clears and copies its contents (table_file.cpp and
// table_copy.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/stream.h"
#include "table/mem_dataset.h"

namespace qualtren {

enum TVirtualTableOption : uint8_t { voPersistentData = 1, voStored = 2 };
using TVirtualTableOptions = uint8_t;

class TVirtualTable;

/// The record store of a virtual table: it builds its descriptors from the
/// table's field definitions or its field objects, as the table decides.
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

  /// Table files and streams: loading accepts the binary and the XML form,
  /// saving writes the binary form.
  void LoadTableFile(const std::string& fileName);
  void SaveTableFile(const std::string& fileName);
  void LoadTableStream(TStream& stream, bool loadDefs);
  void SaveTableStream(TStream& stream, bool storeFields);
  /// Told on the loading thread, while a binary file of text values goes
  /// straight into the store, each time another run of records is in: how
  /// many of the file's records are in, each complete and linked to the one
  /// before, and how many the file holds. Another thread may read those
  /// records meanwhile, from the store's first item, when it learns the
  /// count through a release store made in this handler; the last record
  /// counted may not yet be linked to the next. Other loads tell nothing.
  std::function<void(size_t loaded, size_t expected)> OnRecordsLoaded;
  void ClearRecords();
  void ClearTable();
  /// Copies another virtual table (through a stream) or any other dataset;
  /// raises "Cannot assign a %s to a %s" for nullptr.
  void CopyTable(TDataSet* source);
  void CopyDataSet(TDataSet& source);

  /// The stored Data property of a form description.
  void WriteData(TStream& stream);
  void ReadData(TStream& stream);
  /// Marks the table as being read from a form description; Active set
  /// meanwhile is applied by FinishLoading.
  void BeginLoading() { loading_ = true; }
  void SetStreamedActive(bool active) { streamedActive_ = active; }
  void FinishLoading();
  bool Loading() const { return loading_; }

  /// The form that a loaded file had: the binary version, or -1 for XML.
  int LastLoadedVersion() const { return lastLoadedVersion_; }

  /// Whether the definitions were made from persistent field objects.
  bool DefsFromFields() const { return defsFromFields_; }
  /// Whether the field definitions describe the table (else its data field
  /// objects do): with default field objects, or when there are at least as
  /// many definitions as data field objects and the definitions were not
  /// made from the field objects.
  bool DefinitionsDescribeTable() const;

 protected:
  void OpenStore() override;
  bool PersistentData() const override { return (options_ & voPersistentData) != 0; }

 private:
  // How the table reacts to changed field definitions, from none at all to
  // keeping its records across the change.
  enum class TDefReaction : uint8_t { Ignore, Normalise, Restructure };
  // Holds the reaction to at most `reaction` for the life of a scope: while a
  // load or save runs the table does not restructure itself, while
  // definitions are read or rebuilt it does not react at all.
  class TDefChangeHold {
   public:
    TDefChangeHold(TVirtualTable& table, TDefReaction reaction);
    ~TDefChangeHold();
    TDefChangeHold(const TDefChangeHold&) = delete;
    TDefChangeHold& operator=(const TDefChangeHold&) = delete;

   private:
    TVirtualTable& table_;
    TDefReaction saved_;
  };

  // Loads an image; `bounded` bounds the memory of its records by its size
  // (outside input), else the records take what they need (an image of a
  // table of the program's own).
  void LoadImage(TStream& stream, bool loadDefs, bool bounded);
  void DefChanged();
  void RebuildDefinitions();

  TVirtualTableOptions options_ = voPersistentData | voStored;
  TDefReaction defReaction_ = TDefReaction::Restructure;
  bool loading_ = false;
  bool streamedActive_ = false;
  TMemoryStream recordData_;
  int lastLoadedVersion_ = 0;
};

}  // namespace qualtren
