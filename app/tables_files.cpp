// Writing the three translation tables as the tables window holds them, all
// three written before any is renamed into place, each old file kept as a
// backup.
#include "app/tables_files.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/exception.h"
#include "base/stream.h"
#include "dataset/field.h"
#include "table/virtual_table.h"

namespace qualtren {

namespace {

// The longest a string field of a table file can be.
constexpr int kLongestStringField = 65535;
// The size of a string field made for a table that had none.
constexpr int kNewStringField = 40;

std::string InDir(const std::string& dir, const char* file) {
  return dir.empty() ? std::string(file) : (std::filesystem::path(dir) / file).string();
}

// Makes the string fields of the layout as long as their longest value
// needs; the table keeps its records across the change.
void Widen(TVirtualTable& table, const TTransTableLayout& layout,
           const std::vector<TTransRow>& rows, const std::string& file) {
  const char* names[3] = {layout.ScopeField, layout.LocalField, layout.EnglishField};
  bool changed = false;
  for (size_t v = 0; v < 3; ++v) {
    if (names[v] == nullptr) continue;
    size_t longest = 0;
    for (const TTransRow& row : rows)
      longest = std::max(longest, (v == 0 ? row.Scope : v == 1 ? row.Local : row.English).size());
    TFieldDef* def = table.FieldDefs().Find(names[v]);
    if (def == nullptr) throw Exception(file + ": no field " + names[v]);
    if (def->DataType != ftString || longest <= static_cast<size_t>(def->Size)) continue;
    if (longest > static_cast<size_t>(kLongestStringField))
      throw Exception(file + ": a value of field " + names[v] + " is " + std::to_string(longest) +
                      " bytes long, longer than a string field can hold, " +
                      std::to_string(kLongestStringField));
    def->Size = static_cast<int>(longest);
    changed = true;
  }
  if (changed) table.FieldDefs().Changed();
}

void SetNames(TVirtualTable& table, const TTransTableLayout& layout, const TTransRow& row) {
  const char* names[3] = {layout.ScopeField, layout.LocalField, layout.EnglishField};
  const std::string* values[3] = {&row.Scope, &row.Local, &row.English};
  for (size_t v = 0; v < 3; ++v) {
    if (names[v] == nullptr) continue;
    TField& field = table.FieldByName(names[v]);
    if (field.IsNull() && values[v]->empty()) continue;
    if (field.IsNull() || field.AsString() != *values[v]) field.SetAsString(*values[v]);
  }
}

// The table as it is to be written: a copy of the loaded one (or a new one
// of the layout's fields), its rows deleted, changed and added.
void BuildTable(TVirtualTable& source, const TTransTableLayout& layout, const TTableOutcome& out,
                TVirtualTable& target, const std::string& file) {
  if (source.FieldDefs().Count() > 0) {
    source.SetFiltered(false);
    source.SetIndexFieldNames("");
    source.Open();
    TMemoryStream image;
    source.SaveTableStream(image, true);
    image.SetPosition(0);
    target.LoadTableStream(image, true);
  } else {
    for (const char* name : {layout.ScopeField, layout.LocalField, layout.EnglishField})
      if (name) target.FieldDefs().Add(name, ftString, kNewStringField);
  }
  Widen(target, layout, out.Rows, file);
  target.Open();

  size_t next = 0;  // the next row of the outcome
  int record = 0;
  target.First();
  while (!target.Eof()) {
    ++record;
    if (next < out.Rows.size() && out.From[next] == record) {
      target.Edit();
      SetNames(target, layout, out.Rows[next]);
      target.Post();
      target.Next();
      ++next;
    } else {
      target.Delete();
    }
  }
  for (; next < out.Rows.size(); ++next) {
    if (out.From[next] != 0)
      throw Exception(file + ": the rows to write are not in the order of the table");
    target.Append();
    SetNames(target, layout, out.Rows[next]);
    target.Post();
  }
}

}  // namespace

std::string TableBackupName(const std::string& file) {
  return file + ".bak";
}

void WriteTransTables(const std::array<TVirtualTable*, 3>& loaded,
                      const std::array<TTableOutcome, 3>& outcome, const std::string& dir) {
  // Every new file is written in full before any old one is touched.
  std::array<std::unique_ptr<TAtomicFileWriter>, 3> writers;
  std::array<std::string, 3> files;
  for (size_t k = 0; k < 3; ++k) {
    const TTransTableLayout& layout = TransTableLayout(static_cast<TNameKind>(k));
    files[k] = InDir(dir, layout.File);
    try {
      TVirtualTable table;
      BuildTable(*loaded[k], layout, outcome[k], table, files[k]);
      TMemoryStream image;
      table.SaveTableStream(image, true);
      writers[k] = std::make_unique<TAtomicFileWriter>(files[k]);
      writers[k]->Stream().WriteBytes(image.Bytes());
    } catch (const std::exception& e) {
      const std::string message = e.what();
      if (message.find(files[k]) != std::string::npos) throw;
      throw Exception(files[k] + ": " + message);
    }
  }
  // Each file that is there is kept as its backup, then replaced.
  for (size_t k = 0; k < 3; ++k) {
    std::error_code error;
    if (!std::filesystem::exists(files[k], error)) continue;
    const std::string backup = TableBackupName(files[k]);
    TAtomicFileWriter copy(backup, true);
    copy.TakeAttributesOf(files[k]);
    copy.Stream().WriteBytes(ReadWholeFile(files[k]));
    copy.Commit();
  }
  for (size_t k = 0; k < 3; ++k)
    writers[k]->Commit();
}

}  // namespace qualtren
