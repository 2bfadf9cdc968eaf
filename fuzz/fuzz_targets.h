// The fuzz targets: one entry per reader or parser of outside input. Each
// takes arbitrary bytes; errors that the input may rightly cause are caught,
// anything else (a crash, a sanitizer report, another exception) is a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qualtren::fuzz {

using Target = int (*)(const uint8_t* data, size_t size);

// A binary table image (or anything else) through LoadTableStream.
int TableBinary(const uint8_t* data, size_t size);
// An XML table document through LoadTableStream.
int TableXml(const uint8_t* data, size_t size);
// A filter text parsed against fixed fields and evaluated on fixed records.
int Filter(const uint8_t* data, size_t size);
// An IndexFieldNames text parsed against fixed fields and sorted by.
int IndexFieldNames(const uint8_t* data, size_t size);

struct NamedTarget {
  std::string_view name;  // also the name of its corpus directory
  Target run;
};
inline constexpr NamedTarget kTargets[] = {
    {"table_binary", TableBinary},
    {"table_xml", TableXml},
    {"filter", Filter},
    {"index_field_names", IndexFieldNames},
};

}  // namespace qualtren::fuzz
