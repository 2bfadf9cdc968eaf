// Loading the translation tables from their files, and showing one filtered.
#include "trans/trans_tables.h"

#include <filesystem>

namespace qualtren {

bool OpenFiltered(TVirtualTable& table, const std::string& filter) {
  table.SetIndexFieldNames("");
  table.SetFilter(filter);
  table.SetFiltered(!filter.empty());
  table.Open();
  return !table.Eof();
}

void LoadTransTable(TVirtualTable& table, const std::string& fileName) {
  table.Close();
  table.SetFilter("");
  table.SetFiltered(false);
  table.SetIndexFieldNames("");
  table.ClearTable();
  table.LoadTableFile(fileName);
}

TTransTableSet::TTransTableSet() {
  for (TVirtualTable* t : {&Table, &StoredProc, &TableStr})
    t->SetFilterOptions(kTransTableFilterOptions);
}

void TTransTableSet::Load(const std::string& dir) {
  auto path = [&dir](const char* name) {
    return dir.empty() ? std::string(name) : (std::filesystem::path(dir) / name).string();
  };
  failedFile_.clear();
  for (auto [table, file] :
       {std::pair{&Table, kTableNamesFile}, std::pair{&StoredProc, kProcedureNamesFile},
        std::pair{&TableStr, kColumnNamesFile}}) {
    const std::string name = path(file);
    try {
      LoadTransTable(*table, name);
    } catch (...) {
      failedFile_ = name;
      throw;
    }
  }
}

}  // namespace qualtren
