// The report subcommand: files translated without being changed, and what
// the translation met in them printed as text or JSON, the unknown names
// also written as CSV for the column table.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <ostream>

#include "base/stream.h"
#include "cli/commands.h"
#include "cli/csv.h"
#include "cli/name_report.h"
#include "cli/progress.h"
#include "trans/file_list.h"
#include "trans/stream_translate.h"
#include "trans/trans_tables.h"

namespace qualtren {

namespace {

// A file that the report could not count, and why.
struct TNotCounted {
  std::string File;
  std::string Reason;
};

struct TKindLabel {
  TWordResult::Outcome Kind;
  const char* Name;
};
constexpr TKindLabel kKinds[] = {{TWordResult::Outcome::Table, "table"},
                                 {TWordResult::Outcome::Column, "column"},
                                 {TWordResult::Outcome::Procedure, "procedure"}};

std::string CountText(const TNameCount& c) {
  return std::to_string(c.Count) + " (" + std::to_string(c.Distinct) + " distinct)";
}

// The places inside literals and comments, with a dialect's lexer.
struct TInsideLabel {
  TLexKind Where;
  const char* Text;
  const char* Json;
};
constexpr TInsideLabel kInside[] = {{TLexKind::String, "inside string literals", "strings"},
                                    {TLexKind::Comment, "inside comments", "comments"}};

std::string TextReport(const TNameReport& report, bool dialect) {
  std::string out = "files: " + std::to_string(report.Files()) + "\n";
  for (const TKindLabel& k : kKinds)
    out += std::string(k.Name) + " names replaced: " + CountText(report.Replaced(k.Kind)) + "\n";
  // Names replaced inside literals and comments, apart, with where they
  // stand: the data a script compares and writes may have changed.
  for (const TInsideLabel& i : kInside) {
    if (!dialect) break;
    out += std::string("names replaced ") + i.Text + ": " +
           CountText(report.ReplacedInside(i.Where)) + "\n";
    for (const TNamePlace& p : report.PlacesInside(i.Where))
      out += "  " + p.Word + "  " + p.File + ":" + std::to_string(p.Line) + "\n";
  }
  out += "unknown names: " + CountText(report.UnknownCount()) + "\n";
  const std::vector<TUnknownName> unknown = report.Unknown();
  const size_t width = unknown.empty() ? 0 : std::to_string(unknown.front().Count).size();
  for (const TUnknownName& u : unknown) {
    const std::string count = std::to_string(u.Count);
    out += "  " + std::string(width - count.size(), ' ') + count + "  " + u.Word + "  " + u.File +
           ":" + std::to_string(u.Line) + "\n";
  }
  return out;
}

std::string JsonReport(const TNameReport& report, const std::vector<TNotCounted>& notCounted,
                       bool dialect) {
  using nlohmann::ordered_json;
  auto counts = [](const TNameCount& c) {
    return ordered_json{{"count", c.Count}, {"distinct", c.Distinct}};
  };
  ordered_json json;
  json["files"] = report.Files();
  ordered_json replaced = ordered_json::object();
  for (const TKindLabel& k : kKinds)
    replaced[k.Name] = counts(report.Replaced(k.Kind));
  json["replaced"] = std::move(replaced);
  if (dialect) {
    ordered_json inside = ordered_json::object();
    for (const TInsideLabel& i : kInside) {
      ordered_json where = counts(report.ReplacedInside(i.Where));
      ordered_json places = ordered_json::array();
      for (const TNamePlace& p : report.PlacesInside(i.Where))
        places.push_back(ordered_json{{"word", p.Word}, {"file", p.File}, {"line", p.Line}});
      where["first"] = std::move(places);
      inside[i.Json] = std::move(where);
    }
    json["replacedInside"] = std::move(inside);
  }
  ordered_json unknown = counts(report.UnknownCount());
  ordered_json names = ordered_json::array();
  for (const TUnknownName& u : report.Unknown()) {
    ordered_json tables = ordered_json::array();
    for (const std::string& t : u.Tables)
      tables.push_back(t);
    names.push_back(ordered_json{{"word", u.Word},
                                 {"count", u.Count},
                                 {"file", u.File},
                                 {"line", u.Line},
                                 {"tables", std::move(tables)}});
  }
  unknown["names"] = std::move(names);
  json["unknown"] = std::move(unknown);
  ordered_json skipped = ordered_json::array();
  for (const TNotCounted& n : notCounted)
    skipped.push_back(ordered_json{{"file", n.File}, {"reason", n.Reason}});
  json["notCounted"] = std::move(skipped);
  // File names are bytes as the system gives them; any that are no UTF-8
  // are shown with replacement characters.
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

// The unknown names as rows of the column table: one row per table that a
// name was met in, or one without a table, the English name left empty.
void WriteUnknownCsv(const TNameReport& report, const std::string& fileName) {
  std::string csv = "TableName,FieldName,FieldNameAng\r\n";
  for (const TUnknownName& u : report.Unknown()) {
    if (u.Tables.empty()) csv += CsvLine({std::nullopt, u.Word, std::nullopt});
    for (const std::string& table : u.Tables)
      csv += CsvLine({table, u.Word, std::nullopt});
  }
  ReplaceFileContents(fileName, csv);
}

}  // namespace

int RunReport(const ReportOptions& options, CliIo& io) {
  for (const std::string& path : options.Paths) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw EUsageError("not found: " + path);
  }
  TTransTableSet tables;
  LoadTables(tables, options.TablesDir);

  std::vector<TNotCounted> notCounted;
  std::vector<std::string> fileNames;
  for (const std::string& path : options.Paths) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
      fileNames.push_back(path);
      continue;
    }
    TInputFiles list = ListInputFiles(path, options.Mask, options.Backup, options.Recursive);
    fileNames.insert(fileNames.end(), list.Files.begin(), list.Files.end());
    for (const std::string& dir : list.Unreadable)
      notCounted.push_back({dir.substr(0, dir.size() - 1), "the directory cannot be read"});
  }
  for (const TNotCounted& n : notCounted)
    io.Err << kMessagePrefix << "not counted: " << n.File << ": " << n.Reason << '\n';

  TStreamTranslator translator(tables.Tables(), options.Translation());
  TNameReport report;
  TDiscardStream discard;
  TProgress progress(io.Err, io.ErrIsTerminal && !options.Quiet);
  for (size_t i = 0; i < fileNames.size(); ++i) {
    const std::string& name = fileNames[i];
    progress.Files(i, fileNames.size(), name);
    std::string reason;
    TLineObserver& observer = report.BeginFile(name);
    try {
      TFileStream in(name, FileMode::OpenRead);
      // As a file-list run translates: no table name, none worked out.
      const TStreamOutcome outcome = translator.Translate(in, discard, &observer);
      if (outcome.status == TStreamOutcome::Status::HoldsNul)
        reason = "the file holds a NUL byte";
      else if (outcome.status == TStreamOutcome::Status::BadEncoding)
        reason = outcome.Error;
      else if (outcome.status == TStreamOutcome::Status::Failed)
        reason = "the translation failed: " + outcome.Error;
    } catch (const std::exception& e) {
      reason = MessageWithReason(e);
    }
    report.EndFile(reason.empty());
    if (!reason.empty()) {
      progress.Clear();
      io.Err << kMessagePrefix << "not counted: " << name << ": " << reason << '\n';
      notCounted.push_back({name, std::move(reason)});
    }
  }
  progress.Clear();

  const bool dialect = options.Dialect.Dialect != TDialect::None;
  io.Out << (options.Json ? JsonReport(report, notCounted, dialect) : TextReport(report, dialect));
  io.Out.flush();
  if (!io.Out) throw EWriteError();
  if (!options.UnknownCsv.empty()) WriteUnknownCsv(report, options.UnknownCsv);
  if (!notCounted.empty()) return kExitError;
  return report.UnknownCount().Count != 0 ? kExitFound : kExitOk;
}

const char* const kReportHelp =
    "A word looks like a name:\n"
    "  when it has 3 characters or more, holds a letter, is no SQL keyword and no number, "
    "and does not stand between single quotes\n\n"
    "Names are printed, and written to CSV and JSON, in UTF-8 whatever the encoding of the "
    "file they stand in.\n\n"
    "Exit status:\n"
    "  0  no unknown names\n"
    "  1  unknown names found\n"
    "  2  bad usage, a table that failed to load, or a file that could not be read or "
    "translated (named; the report covers the others)";

}  // namespace qualtren
