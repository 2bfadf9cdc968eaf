// Reading a table from its XML form: the schema section gives the field
// definitions (and aliases for renamed columns), the row elements give the
// records.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dataset/dataset.h"
#include "dataset/field_defs.h"
#include "table/table_image.h"
#include "table/xml_reader.h"

namespace qualtren {

// A column carried in the rows under one name (Right, the "name" attribute)
// and defined under another (Left, the "rs:name" attribute).
struct TXmlAlias {
  std::string Left;
  std::string Right;
};

// Reads the schema up to the end tag S:SCHEMA (or the end of the document),
// adding one definition per S:ATTRIBUTETYPE. A non-empty tableName prefixes
// "Data type is not supported" ("%s: %s").
void ReadXmlSchema(XmlTextReader& reader, TFieldDefs& defs, std::vector<TXmlAlias>& aliases,
                   const std::string& tableName);

// Reads the Z:ROW elements up to the end of the document and appends one
// record to the open dataset for each; a row that cannot be stored is
// cancelled and dropped without a message. `beforeRow`, when given, runs
// before each row is appended and may stop the reading by raising.
void ReadXmlRows(XmlTextReader& reader, TDataSet& table, const std::vector<TXmlAlias>& aliases,
                 const std::function<void()>& beforeRow = {});

/// The XML form behind the reading interface of a table image: the schema
/// gives the definitions, the rows the records; it lists no field objects.
class TXmlTableReader : public TTableImageReader {
 public:
  TXmlTableReader(TStream& stream, std::string tableName)
      : reader_(stream), tableName_(std::move(tableName)) {}

  int Version() const override { return -1; }
  void ReadDefinitions(TFieldDefs& defs) override {
    ReadXmlSchema(reader_, defs, aliases_, tableName_);
  }
  void ReadFieldObjects(TVirtualTable&) override {}
  bool HasRecords() const override { return true; }
  void ReadRecords(TVirtualTable& table) override;

 private:
  XmlTextReader reader_;
  std::string tableName_;
  std::vector<TXmlAlias> aliases_;
};

// Attribute value conversions, exposed for the tests.
// A number (non-zero is true) or True / False in any letter case; otherwise
// "'%s' is not a valid boolean value".
bool XmlStrToBool(const std::string& text);
// "yyyy-mm-dd" with an optional "Thh:nn:ss..." part, read by position.
TDateTime XmlStrToDateTime(const std::string& text);
// "hh:nn:ss..." read by position.
TDateTime XmlStrToTime(const std::string& text);
// Hexadecimal digits, two per byte, with tabs and line breaks between them.
std::string XmlHexToBytes(const std::string& text);
// The size written in dt:maxlength: a decimal number rounded half to even,
// reduced to its low 31 bits.
int XmlMaxLength(const std::string& text);

}  // namespace qualtren
