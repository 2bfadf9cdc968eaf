// "db harvest": the names of a database's catalog that the translation
// tables do not hold yet, written as the CSV files "table add" takes, with
// the English names left empty.
#include <filesystem>
#include <ostream>
#include <set>
#include <unordered_set>

#include "base/codepage.h"
#include "base/utf.h"
#include "cli/csv.h"
#include "cli/db_commands.h"
#include "db/catalog.h"
#include "trans/file_list.h"
#include "trans/trans_layout.h"

namespace qualtren {

namespace {

// The tables of `dir` that exist there, loaded; the others stay empty.
TTransRows HeldRows(const std::string& dir) {
  TTransTableSet set;
  TVirtualTable* byKind[] = {&set.Table, &set.StoredProc, &set.TableStr};
  for (TNameKind kind : {TNameKind::Table, TNameKind::Procedure, TNameKind::Column}) {
    const std::string file =
        (std::filesystem::path(dir.empty() ? "." : dir) / TransTableLayout(kind).File).string();
    if (!std::filesystem::exists(file)) continue;
    try {
      LoadTransTable(*byKind[static_cast<size_t>(kind)], file);
    } catch (const std::exception& e) {
      const std::string message = MessageWithReason(e);
      if (message.find(file) != std::string::npos) throw;
      throw Exception(file + ": " + message);
    }
  }
  return ReadTransRows(set, dir);
}

// One of the three CSV files: its rows, and what was found and held.
struct TOutput {
  TNameKind Kind;
  const char* File;
  const char* What;  // "tables and views"
  std::string Text;
  std::unordered_set<std::string> Held, Seen;
  size_t Found = 0, HeldCount = 0, Written = 0;
};

}  // namespace

int RunDbHarvest(const DbOptions& options, CliIo& io) {
  std::unique_ptr<TDbConnection> db = OpenDb(options);
  const TDbCatalog catalog = ReadCatalog(*db, options.Schema);
  db.reset();
  const TTransRows rows = HeldRows(options.TablesDir);

  TOutput outputs[] = {
      {TNameKind::Table, "tables.csv", "tables and views", {}, {}, {}},
      {TNameKind::Column, "columns.csv", "columns", {}, {}, {}},
      {TNameKind::Procedure, "procedures.csv", "procedures and functions", {}, {}, {}}};
  for (TOutput& out : outputs) {
    const TTransTableLayout& layout = TransTableLayout(out.Kind);
    std::vector<std::optional<std::string>> header;
    if (layout.ScopeField) header.emplace_back(layout.ScopeField);
    header.emplace_back(layout.LocalField);
    header.emplace_back(layout.EnglishField);
    out.Text = CsvLine(header);
    for (const TTransRow& row : rows[static_cast<size_t>(out.Kind)])
      out.Held.insert(TransNameKey(row.Scope, row.Local));
  }
  size_t unholdable = 0;
  auto note = [&](TOutput& out, const std::string& scope, const std::string& name) {
    std::string ansiScope, ansi;
    if (!Utf8ToAnsiExact(scope, ansiScope) || !Utf8ToAnsiExact(name, ansi)) {
      ++unholdable;
      io.Err << kMessagePrefix << "db harvest: " << (scope.empty() ? "" : "\"" + scope + "\".")
             << "\"" << name << "\": code page " << ActiveCodePage()
             << " cannot hold this name; not written\n";
      return;
    }
    const std::string key = TransNameKey(ansiScope, ansi);
    if (!out.Seen.insert(key).second) return;  // an overload, or a name again in other case
    ++out.Found;
    if (out.Held.count(key) != 0) {
      ++out.HeldCount;
      return;
    }
    ++out.Written;
    std::vector<std::optional<std::string>> values;
    if (out.Kind == TNameKind::Column) values.emplace_back(scope);
    values.emplace_back(name);
    values.emplace_back(std::nullopt);
    out.Text += CsvLine(values);
  };
  for (const TDbTable& t : catalog.Tables)
    note(outputs[0], {}, t.Name);
  for (const TDbColumn& c : catalog.Columns)
    note(outputs[1], c.Table, c.Name);
  for (const TDbRoutine& r : catalog.Routines)
    note(outputs[2], {}, r.Name);

  if (!options.Out.empty()) std::filesystem::create_directories(options.Out);
  for (const TOutput& out : outputs) {
    const std::string file =
        options.Out.empty() ? out.File : (std::filesystem::path(options.Out) / out.File).string();
    ReplaceFileContents(file, out.Text);
    io.Out << file << ": " << out.Found << " " << out.What << " found, " << out.HeldCount
           << " held by the tables already, " << out.Written << " written\n";
  }
  if (unholdable > 0)
    io.Out << unholdable << (unholdable == 1 ? " name" : " names") << " that code page "
           << ActiveCodePage() << " cannot hold, not written\n";
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return unholdable > 0 ? kExitFailed : kExitOk;
}

}  // namespace qualtren
