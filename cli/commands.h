// The subcommands of qualtren-cli as plain functions: each takes its parsed
// options and the process's streams and gives the exit status. Errors that
// end a command are raised as exceptions; the caller reports them.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/exception.h"
#include "base/text_encoding.h"
#include "table/virtual_table.h"
#include "trans/name_lookup.h"
#include "trans/trans_tables.h"
#include "trans/translate.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace qualtren {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a translation failed, or a file was left untouched
constexpr int kExitError = 2;   // bad usage, unreadable input, a table that failed to load
// The commands that only look (translate --diff, files --dry-run, report):
// 0 nothing to do, 1 something would change or is missing, 2 an error.
constexpr int kExitFound = 1;

// Prefix of every message the command line writes about an error.
inline constexpr const char* kMessagePrefix = "qualtren-cli: ";

struct CliIo {
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  bool ErrIsTerminal = false;  // progress lines are drawn only on a terminal
  bool OutIsTerminal = false;  // output then clears the progress line first
};

// A usage error found after the options were parsed (status 2).
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

/// The options that several subcommands share. Each is declared once, with
/// one help text, and given to the subcommands that take it (cli.cpp); those
/// that reach the engine become one options record (Translation).
struct TSharedOptions {
  std::string TablesDir;                         // --tables: the three table files
  bool Quiet = false;                            // --quiet: no progress line
  std::string Mask = "*.txt";                    // --mask: the files of a directory
  std::string Backup = "bak";                    // --backup: the ending of backups
  bool Recursive = false;                        // --recursive: every subdirectory too
  TEncodingRule Encoding = TEncodingRule::Auto;  // --encoding: of each input text
  int CodePage = 0;                              // --code-page; 0: the locale's
  bool Comment = false;                          // --comment, with --prefix and --suffix
  std::string Prefix;                            // in the terminal's UTF-8
  std::string Suffix;
  int Jobs = 1;                // --jobs: threads that translate at once
  TDialectOptions Dialect;     // --dialect, --keep-strings, --keep-comments
  std::string TableName;       // --table, in the terminal's UTF-8
  bool AutoTableName = false;  // on for translate, unless --no-auto-table

  /// The options record of the translations, built from these options once
  /// the code page is in force (the prefix, the suffix and the table name
  /// are written into each text in its own encoding).
  TTranslateOptions Translation() const;
};

struct TranslateOptions : TSharedOptions {
  TranslateOptions() { AutoTableName = true; }
  std::string File;   // empty or "-": standard input
  bool Diff = false;  // print the unified diff of the input and its translation instead
};
int RunTranslate(const TranslateOptions& options, CliIo& io);

struct FilesOptions : TSharedOptions {
  std::string Dir;
  bool Verbose = false;
  bool DryRun = false;            // write nothing; print the diff of every file that would change
  bool Restore = false;           // put every file back from its backup instead
  bool OverwriteBackups = false;  // go on when a backup would replace other bytes
};
int RunFiles(const FilesOptions& options, CliIo& io);

struct ReportOptions : TSharedOptions {
  std::vector<std::string> Paths;  // files, and directories searched with the mask
  std::string UnknownCsv;          // also write the unknown names as CSV for the column table
  bool Json = false;               // the report as JSON
};
int RunReport(const ReportOptions& options, CliIo& io);

/// The largest size a string field definition can carry in a table file.
inline constexpr int kMaxStringFieldSize = 65535;

int RunTableInfo(const std::string& file, CliIo& io);
int RunTableDump(const std::string& file, CliIo& io);
struct ImportOptions : TSharedOptions {
  std::string Csv;
  std::string Out;
  int Size = 0;  // 0: the longest value of each column
};
int RunTableImport(const ImportOptions& options, CliIo& io);
/// The core of "table import": the CSV text (UTF-8, its header naming the
/// fields) as string fields and records of `table`, which must have no
/// definitions yet; `size` 0 makes each field as long as its longest value.
/// Raises "line N: ..." for malformed CSV and values that do not fit.
void ImportCsv(std::string_view csv, int size, TVirtualTable& table);
int RunTableConvert(const std::string& in, const std::string& out, CliIo& io);

struct TableCheckOptions : TSharedOptions {
  std::string Dir;      // the three tables; empty: the current directory
  bool Strict = false;  // warnings fail the check too
  bool Json = false;    // the findings as JSON
};
/// "table check": the findings of CheckTransRows on the tables of the
/// directory, as text or JSON; 1 when errors (or, strict, warnings) were found.
int RunTableCheck(const TableCheckOptions& options, CliIo& io);

struct TableAddOptions : TSharedOptions {
  std::string TableFile;
  std::vector<std::string> Csv;  // UTF-8 CSV files whose header names fields of the table
  bool Replace = false;          // a row may give a local name of the table another English name
  bool AllowEmpty = false;       // a row may have an empty English name
};
/// "table add": the rows of the CSV files added to a translation table file,
/// all of them or, when any is refused, none.
int RunTableAdd(const TableAddOptions& options, CliIo& io);

struct TableSuggestOptions : TSharedOptions {
  std::vector<std::string> Csv;         // UTF-8 CSV files in the forms "table add" takes
  std::vector<std::string> Glossaries;  // --glossary: UTF-8 CSV files Word,English, in order
  std::string Style;                    // --style; empty: the style of the tables
  bool FoldDiacritics = false;          // --fold-diacritics
};
/// "table suggest": the empty English names of the CSV files proposed from
/// the words the tables and glossaries know, the files written back, and
/// review.csv and words.csv beside the first; 1 when names are left empty.
int RunTableSuggest(const TableSuggestOptions& options, CliIo& io);
/// The closing part of the help of "translate": the exit status.
extern const char* const kTranslateHelp;
/// The closing part of the help of "files": the exit status.
extern const char* const kFilesHelp;
/// The closing part of the help of "report": what looks like a name, the encoding of the names, and
/// the exit status.
extern const char* const kReportHelp;
/// The closing part of the help of "table check": the errors and warnings, how records are counted,
/// and the exit status.
extern const char* const kTableCheckHelp;
/// The closing part of the help of "table add": the refusals and the exit status.
extern const char* const kTableAddHelp;
/// The closing part of the help of "table suggest": how names are cut,
/// looked up and composed, the files written, and the exit status.
extern const char* const kTableSuggestHelp;

/// Loads the translation tables from `dir` as TTransTableSet::Load does; a
/// failure is raised with the file that failed named in front of the
/// message, unless the message names it already
/// ("tables/Q47SifTableStr.vtd: Stream read error"). With `dictionary`,
/// the tables' name dictionary is built meanwhile and given there (nullptr
/// when the tables allow none).
void LoadTables(TTransTableSet& tables, const std::string& dir,
                std::shared_ptr<const TNameDictionary>* dictionary = nullptr);

/// A "db" subcommand (db_commands.cpp): its parser, its options and its run.
struct TDbCommand {
  CLI::App* App = nullptr;
  const TSharedOptions* Shared = nullptr;
  std::function<int(CliIo&)> Run;
};
/// Declares "db harvest", "db rename" and "db verify" on `app`.
std::vector<TDbCommand> DeclareDb(CLI::App& app);
/// The names --dialect takes: every dialect but None, as DialectName gives them.
std::vector<std::string> DialectChoices();
/// Declares --code-page on `cmd`, into `codePage`, its help naming `what`
/// the code page is of ("the tables"), the code pages taken, and the
/// default (db_commands.cpp).
CLI::Option* DeclareCodePage(CLI::App& cmd, int& codePage, const std::string& what);

// Parses the command line and runs the chosen subcommand; every error ends
// up as one message on io.Err and the matching status.
int RunCli(int argc, const char* const* argv, CliIo& io);
/// The arguments of the RunCli under way, the program's name first, as it
/// was given them: for a command that hands the command line on whole.
const std::vector<std::string>& CliArguments();

}  // namespace qualtren
