// "db rename": the script that renames a database to the English names of
// the translation tables, written out or, with --apply, run.
#include <fstream>
#include <ostream>

#include "cli/db_commands.h"
#include "db/catalog.h"
#include "db/rename_script.h"
#include "trans/file_list.h"

namespace qualtren {

namespace {

// "2 tables, 1 view, 5 columns" for the kinds that have a count.
std::string Counts(const std::array<size_t, kDbObjectKinds>& counts) {
  std::string out;
  for (size_t k = 0; k < kDbObjectKinds; ++k) {
    if (counts[k] == 0) continue;
    if (!out.empty()) out += ", ";
    out += std::to_string(counts[k]) + " " +
           DbObjectKindName(static_cast<TDbObjectKind>(k), counts[k] != 1);
  }
  return out.empty() ? "nothing" : out;
}

}  // namespace

int RunDbRename(const DbOptions& options, CliIo& io) {
  TTransTableSet tables;
  LoadTables(tables, options.TablesDir);
  const TTransRows rows = ReadTransRows(tables, options.TablesDir);
  std::unique_ptr<TDbConnection> db = OpenDb(options);
  const TDbCatalog catalog = ReadCatalog(*db, options.Schema);
  TRenameScript script;
  try {
    script = BuildRenameScript(catalog, rows, tables.Tables());
  } catch (const ERenameRefused& e) {
    for (const std::string& reason : e.Reasons())
      io.Err << kMessagePrefix << "db rename: " << reason << '\n';
    io.Err << kMessagePrefix << "db rename: refused; nothing was written or run\n";
    return kExitError;
  }
  const std::string text = RenameScriptText(script);
  if (!options.OutputFile.empty())
    ReplaceFileContents(options.OutputFile, text);
  else if (!options.Apply)
    io.Out << text;
  if (script.NotInCatalog > 0)
    io.Err << kMessagePrefix << "db rename: " << script.NotInCatalog
           << (script.NotInCatalog == 1 ? " name" : " names")
           << " of the tables not in the database, not renamed\n";
  if (options.Apply) {
    if (script.Statements.empty()) {
      io.Out << "db rename: nothing to rename; the database has its English names\n";
    } else {
      if (!db->TransactionalDdl() && script.AlreadyEnglish > 0)
        io.Out << "db rename: " << script.AlreadyEnglish
               << " names carry their English names already (an earlier run that did not "
                  "finish?); finishing what is left\n";
      ApplyRenameScript(*db, script);
      io.Out << "db rename: renamed " << Counts(script.Renamed) << "; re-created "
             << Counts(script.Recreated) << "\n";
    }
  }
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return kExitOk;
}

}  // namespace qualtren
