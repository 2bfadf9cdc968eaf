// The reading interface of a table image: the steps in which a loader reads
// a table from a stream, the same for the binary form and the XML form, and
// the choice between them by the first bytes of the stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "dataset/field_defs.h"

namespace qualtren {

class TMemData;
class TVirtualTable;

/// What the records of a table image of `imageBytes` bytes may take in
/// memory when the image is outside input. Loading such an image allocates
/// at most 64 bytes per byte of it and 64 MiB besides; the records get half
/// of that, and the other half is left to the image itself, the
/// definitions, field objects and their names, blobs, the edit buffer and
/// the copies made on the way.
uint64_t RecordMemoryBound(uint64_t imageBytes);

/// Reads one table image in the order of loading: the definitions, then the
/// field objects, then (into the open table) the records.
class TTableImageReader {
 public:
  virtual ~TTableImageReader() = default;

  /// Bounds what the records may take by the size of the image: a table
  /// whose records would need more is refused before they are allocated.
  /// Without it (an image the program made of its own table) the records
  /// take what they need.
  void BoundRecordMemory(uint64_t imageBytes) {
    bounded_ = true;
    imageBytes_ = imageBytes;
  }

  /// The form of the image: its binary version, or -1 for XML.
  virtual int Version() const = 0;
  /// Adds the image's field definitions to `defs`.
  virtual void ReadDefinitions(TFieldDefs& defs) = 0;
  /// Attaches the persistent field objects that the image lists.
  virtual void ReadFieldObjects(TVirtualTable& table) = 0;
  /// Whether there are records to read, for which the table is opened.
  virtual bool HasRecords() const = 0;
  /// Appends the image's records to the open table.
  virtual void ReadRecords(TVirtualTable& table) = 0;

 protected:
  /// Before the records are allocated: raises "Table too large: ..." (with
  /// the record size and count, the bytes they need and the bound) when
  /// holding `records` records in the store would take more than the bound.
  void CheckRecordMemory(const TMemData& store, uint64_t records) const;

 private:
  bool bounded_ = false;
  uint64_t imageBytes_ = 0;
};

/// Tells the form of the image in the stream (the XML form starts, after an
/// optional UTF-8 byte-order mark, with "<xml" or "<?xml" in any letter
/// case) and makes its reader, which reads from offset 0. A stream shorter
/// than 5 bytes raises "Stream read error". A non-empty tableName prefixes
/// the XML form's "Data type is not supported".
std::unique_ptr<TTableImageReader> OpenTableImage(TStream& stream, const std::string& tableName);

}  // namespace qualtren
