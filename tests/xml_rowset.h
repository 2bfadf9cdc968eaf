// XML table documents of many string columns and rows of one shape, for
// the tests and benchmarks of how the XML reader copes with wide or
// numerous rows.
#pragma once

#include <string>

namespace qualtren::testing {

/// An XML table of `columns` string columns named c0, c1, ... of `size`
/// characters and `rows` rows, each carrying only the attributes `row`
/// (for instance "c1='a'"; empty for rows of nulls).
inline std::string XmlRowset(int columns, int size, int rows, const std::string& row = "") {
  std::string out =
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010' "
      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>";
  for (int c = 0; c < columns; ++c)
    out += "<s:AttributeType name='c" + std::to_string(c) +
           "'><s:datatype dt:type='string' rs:dbtype='str' dt:maxlength='" + std::to_string(size) +
           "'/></s:AttributeType>";
  out += "</s:ElementType></s:Schema><rs:data>";
  const std::string element = row.empty() ? "<z:row/>" : "<z:row " + row + "/>";
  for (int r = 0; r < rows; ++r)
    out += element;
  return out + "</rs:data></xml>";
}

}  // namespace qualtren::testing
