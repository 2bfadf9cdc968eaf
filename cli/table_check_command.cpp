// The "table check" subcommand: the findings of the check of the three
// translation tables told as lines of text or as JSON, each with its table
// file, record, the names involved and what it does to a translation.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>

#include "base/stream.h"
#include "base/utf.h"
#include "cli/commands.h"
#include "trans/sql_words.h"
#include "trans/table_check.h"

namespace qualtren {

namespace {

constexpr const char* kKindNames[kCheckKindCount] = {
    "empty-english-name",     "english-name-separator", "conflicting-duplicate",
    "unmatchable-local-name", "quoted-only-local-name", "local-name-keyword",
    "reserved-english-name",
    "shared-english-name",    "english-name-is-local",  "unknown-table",
    "repeated-row",
};

std::string Quoted(const std::string& ansi) {
  return "\"" + AnsiToUtf8(ansi) + "\"";
}

// The separator a name holds, as a reader would name it.
std::string SeparatorIn(const std::string& name) {
  for (char c : name) {
    if (!IsSeparator(c)) continue;
    switch (c) {
      case ' ':
        return "a blank";
      case '\t':
        return "a tab";
      case '\r':
      case '\n':
        return "a line break";
      case '.':
        return "a full stop";
      default:
        return std::string("the separator \"") + c + "\"";
    }
  }
  return "a separator";
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

  // What the finding is and what it does to a translation.
  std::string Message(const TCheckFinding& f) const {
    const TTransRow& r = f.Row.Row;
    const std::string local = Quoted(r.Local), english = Quoted(r.English);
    switch (f.Kind) {
      case TCheckKind::EmptyEnglish:
        return "the English name is empty: the word " + local + " vanishes from the translated SQL";
      case TCheckKind::EnglishSeparator:
        return "the English name " + english + " holds " + SeparatorIn(r.English) +
               ", where the translation cuts words: the SQL gets it as more than one word, and "
               "a second run cannot match it";
      case TCheckKind::ConflictingDuplicate:
        return "the local name " + local + " is given another English name by " + OtherRow(f) +
               ", which comes first and wins: this row is never used";
      case TCheckKind::UnmatchableLocal:
        return "the local name is empty: it can never match a word";
      case TCheckKind::QuotedOnlyLocal:
        return "the local name " + local + " holds " + SeparatorIn(r.Local) +
               ", where the translation cuts words: it matches only where the SQL writes it as "
               "a quoted name and is translated with --dialect";
      case TCheckKind::LocalIsKeyword:
        return "the local name " + local +
               " is an SQL keyword: wherever a statement uses that keyword, it becomes " + english +
               " too";
      case TCheckKind::ReservedEnglish:
        return "the English name " + english +
               " is a reserved word of SQL: the translated SQL does not parse where it stands "
               "unquoted";
      case TCheckKind::SharedEnglish: {
        const std::string what = f.Row.Table == TNameKind::Column
                                     ? "two columns of table " + Quoted(r.Scope)
                                 : f.Row.Table == TNameKind::Table ? std::string("two tables")
                                                                   : std::string("two procedures");
        return "the English name " + english + " is also that of " + OtherRow(f) + ": " + what +
               " get one name, which the translated SQL cannot tell apart";
      }
      case TCheckKind::EnglishIsLocal:
        return "the English name " + english + " is the local name of " + OtherRow(f) +
               ": a second run over the translated SQL translates it again, to " +
               Quoted(f.Other->Row.English);
      case TCheckKind::UnknownTable: {
        const bool one = f.Rows == 1;
        return "the table name " + Quoted(r.Scope) +
               (one ? std::string()
                    : ", which " + std::to_string(f.Rows) + " column rows name (this the first),") +
               " is in no row of " + File(TNameKind::Table) +
               ": the table's own name stays untranslated, or the name is misspelt and " +
               (one ? "the row is" : "the rows are") + " preferred for no table";
      }
      case TCheckKind::RepeatedRow:
        return "the same local and English names as " + OtherRow(f) +
               ", which comes first: harmless, the row can go";
    }
    return {};
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
                      {"kind", kKindNames[static_cast<size_t>(f.Kind)]}};
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
  const std::vector<TCheckFinding> findings =
      CheckTransRows(ReadTransRows(tables, options.Dir), {IsSqlKeyword, IsReservedSqlWord});
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

}  // namespace qualtren
