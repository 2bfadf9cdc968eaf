// The reading interface of a table image: the steps in which a loader reads
// a table from a stream, the same for the binary form and the XML form, and
// the choice between them by the first bytes of the stream.
#pragma once

#include <memory>
#include <string>

#include "base/stream.h"
#include "dataset/field_defs.h"

namespace qualtren {

class TVirtualTable;

/// Reads one table image in the order of loading: the definitions, then the
/// field objects, then (into the open table) the records.
class TTableImageReader {
 public:
  virtual ~TTableImageReader() = default;

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
};

/// Tells the form of the image in the stream (the XML form starts, after an
/// optional UTF-8 byte-order mark, with "<xml" or "<?xml" in any letter
/// case) and makes its reader, which reads from offset 0. A stream shorter
/// than 5 bytes raises "Stream read error". A non-empty tableName prefixes
/// the XML form's "Data type is not supported".
std::unique_ptr<TTableImageReader> OpenTableImage(TStream& stream, const std::string& tableName);

}  // namespace qualtren
