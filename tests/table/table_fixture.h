// Helpers shared by the table tests: building tables in memory.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "base/format.h"
#include "table/virtual_table.h"

namespace qualtren::testing {

// Sets the number and date formats for the life of the object (point decimal
// and ISO dates by default) and puts the former ones back, so that a test
// that writes values as text does not depend on the user's locale.
class PinnedFormatSettings {
 public:
  explicit PinnedFormatSettings(const TFormatSettings& settings = {}) : saved_(FormatSettings()) {
    SetFormatSettings(settings);
  }
  ~PinnedFormatSettings() { SetFormatSettings(saved_); }
  PinnedFormatSettings(const PinnedFormatSettings&) = delete;
  PinnedFormatSettings& operator=(const PinnedFormatSettings&) = delete;

 private:
  TFormatSettings saved_;
};

// One field definition: its name, type, size (0 for a type without one)
// and precision (0 leaves the definition's own).
struct FieldSpec {
  const char* Name;
  TFieldType Type;
  int Size = 0;
  int Precision = 0;
};

// Adds the definitions in order.
inline void AddFields(TFieldDefs& defs, std::initializer_list<FieldSpec> fields) {
  for (const FieldSpec& f : fields) {
    TFieldDef& def = defs.Add(f.Name, f.Type, f.Size);
    if (f.Precision != 0) def.Precision = f.Precision;
  }
}

// Appends one record whose fields get the given texts in field order
// (nullptr leaves a field null).
inline void AddRow(TVirtualTable& t, std::initializer_list<const char*> values) {
  t.Append();
  size_t i = 0;
  for (const char* v : values) {
    if (v) t.Field(i).SetAsString(v);
    ++i;
  }
  t.Post();
}

// Gives `t` one text field of `size` characters, opens it and appends a
// record for each of `rows` (nullptr leaves the field null).
inline void OpenTextTable(TVirtualTable& t, const std::string& field, int size,
                          std::initializer_list<const char*> rows) {
  t.FieldDefs().Add(field, ftString, size);
  t.Open();
  for (const char* row : rows)
    AddRow(t, {row});
}

// The values of one field over all records that pass the filter, in order.
inline std::vector<std::string> Column(TVirtualTable& t, const std::string& field) {
  std::vector<std::string> out;
  for (t.First(); !t.Eof(); t.Next())
    out.push_back(t.FieldByName(field).AsString());
  return out;
}

}  // namespace qualtren::testing
