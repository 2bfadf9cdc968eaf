// The binary table image: TBinaryTableWriter writes a table in it (always
// version 3), TBinaryTableReader reads versions 0 to 3 (and any higher as 3).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"
#include "dataset/field_type.h"
#include "table/table_image.h"

namespace qualtren {

class TField;

class TVirtualTable;

/// Writes the definitions, the persistent field objects (when asked) and
/// every record that passes the table's filter, in the table's order.
class TBinaryTableWriter {
 public:
  explicit TBinaryTableWriter(TVirtualTable& table) : table_(table) {}

  /// Writes the image at the stream's current position. The table is left
  /// open or closed as it was, on the same record, with its field objects.
  void Write(TStream& stream, bool storeFields);

 private:
  void WriteHeader(TStream& stream, bool storeFields);
  void WriteRecords(TStream& stream);

  TVirtualTable& table_;
};

/// Reads a binary image from offset 0 of a stream.
class TBinaryTableReader : public TTableImageReader {
 public:
  explicit TBinaryTableReader(TStream& stream);

  int Version() const override { return version_; }
  void ReadDefinitions(TFieldDefs& defs) override;
  void ReadFieldObjects(TVirtualTable& table) override;
  bool HasRecords() const override { return recordCount_ > 0; }
  /// Reads the values of each record against the file's definitions in file
  /// order and hands each to the table's field object of the same name.
  void ReadRecords(TVirtualTable& table) override;

 private:
  // ReadRecords for an image in memory whose values all go to text fields
  // (or nowhere), straight into the table's record store.
  void ReadTextRecords(TVirtualTable& table, TMemoryStream& memory,
                       const std::vector<TField*>& targets);

  TStream& stream_;
  uint16_t version_ = 0;
  // The names of the file's definitions, in file order: the values of a
  // record follow them, whatever definitions the table ends up with.
  std::vector<std::string> fieldNames_;
  int32_t recordCount_ = 0;
};

}  // namespace qualtren
