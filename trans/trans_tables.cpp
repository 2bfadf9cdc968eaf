// Loading one translation table from its file.
#include "trans/trans_tables.h"

namespace qualtren {

void LoadTransTable(TVirtualTable& table, const std::string& fileName) {
  table.Close();
  table.SetFilter("");
  table.SetFiltered(false);
  table.SetIndexFieldNames("");
  table.ClearTable();
  table.LoadTableFile(fileName);
}

}  // namespace qualtren
