// The "table check" subcommand: the findings of the check of the three
// translation tables told as lines of text or as JSON, each with its table
// file, record, the names involved and what it does to a translation.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>

#include "base/exception.h"
#include "base/stream.h"
#include "base/utf.h"
#include "cli/commands.h"
#include "trans/table_check.h"

namespace qualtren {

namespace {

std::string Quoted(const std::string& ansi) {
  return "\"" + AnsiToUtf8(ansi) + "\"";
}

class TFindingText {
 public:
  explicit TFindingText(const std::string& dir) : dir_(dir) {}

  std::string File(TNameKind table) const {
    const char* name = TransTableLayout(table).File;
    return dir_.empty() ? std::string(name) : (std::filesystem::path(dir_) / name).string();
  }

  // The values of a row in the order of its table's fields.
  static std::string Values(const TCheckRow& r) {
    std::string out = "(";
    if (r.Table == TNameKind::Column) out += Quoted(r.Row.Scope) + ", ";
    return out + Quoted(r.Row.Local) + ", " + Quoted(r.Row.English) + ")";
  }

  // Another row, named by its record, and by its file when that differs.
  std::string OtherRow(const TCheckFinding& f) const {
    const TCheckRow& o = *f.Other;
    std::string out = o.Table == f.Row.Table ? std::string() : File(o.Table) + " ";
    return out + "record " + std::to_string(o.Row.Record) + " " + Values(o);
  }

  // What the finding is and what it does to a translation: the message of
  // its kind with the parts it names filled in.
  std::string Message(const TCheckFinding& f) const {
    const std::string_view message = CheckKindInfo(f.Kind).Message;
    std::string out;
    size_t at = 0;
    while (at < message.size()) {
      const size_t open = message.find('{', at);
      const size_t close = open == std::string_view::npos ? open : message.find('}', open);
      if (close == std::string_view::npos) {
        out += message.substr(at);
        break;
      }
      out += message.substr(at, open - at);
      out += Part(f, message.substr(open + 1, close - open - 1));
      at = close + 1;
    }
    return out;
  }

  // A part of a finding that a message names.
  std::string Part(const TCheckFinding& f, std::string_view name) const {
    const TTransRow& r = f.Row.Row;
    const bool one = f.Rows == 1;
    if (name == "local") return Quoted(r.Local);
    if (name == "english") return Quoted(r.English);
    if (name == "scope") return Quoted(r.Scope);
    if (name == "other") return OtherRow(f);
    if (name == "other-english") return Quoted(f.Other->Row.English);
    if (name == "local-separator") return SeparatorIn(r.Local);
    if (name == "english-separator") return SeparatorIn(r.English);
    if (name == "table-file") return File(TNameKind::Table);
    if (name == "rows-are") return one ? "the row is" : "the rows are";
    if (name == "rows-naming")
      return one ? std::string()
                 : ", which " + std::to_string(f.Rows) + " column rows name (this the first),";
    if (name == "two-names")
      return f.Row.Table == TNameKind::Column  ? "two columns of table " + Quoted(r.Scope)
             : f.Row.Table == TNameKind::Table ? std::string("two tables")
                                               : std::string("two procedures");
    throw Exception("table check: the message of a finding names an unknown part {" +
                    std::string(name) + "}");
  }

  std::string Line(const TCheckFinding& f) const {
    return File(f.Row.Table) + " record " + std::to_string(f.Row.Row.Record) + " " + Values(f.Row) +
           ": " + (IsCheckError(f.Kind) ? "error" : "warning") + ": " + Message(f) + "\n";
  }

  nlohmann::ordered_json Json(const TCheckFinding& f) const {
    using nlohmann::ordered_json;
    auto row = [this](const TCheckRow& r) {
      const TTransTableLayout& layout = TransTableLayout(r.Table);
      ordered_json fields = ordered_json::object();
      if (layout.ScopeField) fields[layout.ScopeField] = AnsiToUtf8(r.Row.Scope);
      fields[layout.LocalField] = AnsiToUtf8(r.Row.Local);
      fields[layout.EnglishField] = AnsiToUtf8(r.Row.English);
      return ordered_json{
          {"file", File(r.Table)}, {"record", r.Row.Record}, {"fields", std::move(fields)}};
    };
    ordered_json json{{"severity", IsCheckError(f.Kind) ? "error" : "warning"},
                      {"kind", CheckKindInfo(f.Kind).Name}};
    json.update(row(f.Row));
    if (f.Other) json["other"] = row(*f.Other);
    if (f.Kind == TCheckKind::UnknownTable) json["rows"] = f.Rows;
    json["message"] = Message(f);
    return json;
  }

 private:
  std::string dir_;
};

std::string Count(size_t n, const char* one) {
  return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
}

}  // namespace

int RunTableCheck(const TableCheckOptions& options, CliIo& io) {
  TTransTableSet tables;
  LoadTables(tables, options.Dir);
  const std::vector<TCheckFinding> findings = CheckTransRows(ReadTransRows(tables, options.Dir));
  size_t errors = 0;
  for (const TCheckFinding& f : findings)
    errors += IsCheckError(f.Kind) ? 1 : 0;
  const size_t warnings = findings.size() - errors;

  const TFindingText text(options.Dir);
  std::string out;
  if (options.Json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const TCheckFinding& f : findings)
      list.push_back(text.Json(f));
    nlohmann::ordered_json json{{"tables", options.Dir.empty() ? "." : options.Dir},
                                {"errors", errors},
                                {"warnings", warnings},
                                {"findings", std::move(list)}};
    out = json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  } else {
    for (const TCheckFinding& f : findings)
      out += text.Line(f);
    out += "check: " + Count(errors, "error") + ", " + Count(warnings, "warning") + "\n";
  }
  io.Out << out;
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  return errors != 0 || (options.Strict && warnings != 0) ? kExitFound : kExitOk;
}

const char* const kTableCheckHelp =
    "Errors:\n"
    "  an empty English name (its word vanishes from the SQL); an English name holding a "
    "separator; a local name given twice with different English names (the first row "
    "wins); an empty local name (it can never match)\n\n"
    "Warnings:\n"
    "  a local name holding a separator (it matches only as a quoted name, with "
    "--dialect); a local name that is an SQL keyword; an English name that T-SQL, PL/SQL, "
    "PostgreSQL "
    "or MySQL reserves; two local names of one table (or two tables, or two procedures) "
    "given one English name; an English name that is also a local name (a second run "
    "translates it again); a column row whose table name is in no row of the table names; "
    "a row given twice\n\n"
    "Records:\n"
    "  Local names are compared as the lookup compares them, letter case ignored under the "
    "code page; record N is the Nth row that \"table dump\" writes after its header\n\n"
    "Exit status:\n"
    "  0  no error (warnings allowed)\n"
    "  1  an error, or with --strict any finding\n"
    "  2  bad usage, or a table that failed to load or lacks a field";

}  // namespace qualtren
