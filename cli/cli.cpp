// The command line of qualtren-cli: its subcommands and options, parsed with
// CLI11, and the one place where errors become messages and exit statuses.
// The options that several subcommands share are declared once, in
// DeclareShared; each subcommand is declared by a function of its own.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "base/codepage.h"
#include "cli/argument_text.h"
#include "cli/commands.h"
#include "trans/name_dictionary.h"

#ifndef QUALTREN_VERSION
#define QUALTREN_VERSION "unknown"
#endif

namespace qualtren {

std::vector<std::string> DialectChoices() {
  std::vector<std::string> names;
  // Every dialect after None, in the order of the enumeration.
  for (unsigned i = 1; !DialectName(static_cast<TDialect>(i)).empty(); ++i)
    names.emplace_back(DialectName(static_cast<TDialect>(i)));
  return names;
}

namespace {

// The shared options, each a bit; a subcommand names those it takes.
enum TShared : unsigned {
  kTables = 1u << 0,    // --tables
  kQuiet = 1u << 1,     // --quiet
  kTree = 1u << 2,      // --mask, --backup, --recursive
  kEncoding = 1u << 3,  // --encoding
  kCodePage = 1u << 4,  // --code-page
  kComment = 1u << 5,   // --comment, --prefix, --suffix
  kJobs = 1u << 6,      // --jobs
  kDialect = 1u << 7,   // --dialect, --keep-strings, --keep-comments
};

// The names an option takes, each enumeration's own list.
std::vector<std::string> EncodingChoices() {
  std::vector<std::string> names;
  for (const TEncodingRule rule : kEncodingRules)
    names.emplace_back(EncodingRuleName(rule));
  return names;
}

void DeclareShared(CLI::App& cmd, TSharedOptions& o, unsigned which) {
  if (which & kTables)
    cmd.add_option("--tables", o.TablesDir,
                   "Directory of the three table files (default: the current one)");
  if (which & kTree) {
    cmd.add_option("--mask", o.Mask, "File name mask with * and ?, for the files of a directory")
        ->capture_default_str();
    cmd.add_option("--backup", o.Backup,
                   "Ending of the backup copy of each file (\"\" for none); backups and the "
                   "temporary files of an interrupted run are never taken as input")
        ->capture_default_str();
    cmd.add_flag("--recursive", o.Recursive,
                 "Also the files of every subdirectory (symbolic links are not followed)");
  }
  if (which & kComment) {
    cmd.add_flag("--comment", o.Comment,
                 "Write each changed line, untranslated, between the prefix and the suffix "
                 "before it");
    cmd.add_option("--prefix", o.Prefix,
                   "Text before a comment line (write --prefix=-- for a value that starts "
                   "with -)");
    cmd.add_option("--suffix", o.Suffix, "Text after a comment line");
  }
  if (which & kEncoding) {
    cmd.add_option_function<std::string>(
           "--encoding",
           [&o](const std::string& name) { o.Encoding = *EncodingRuleFromName(name); },
           "Encoding of each input text: auto (a byte-order mark decides; without one, text "
           "that reads as UTF-8 and holds a byte of 0x80 or above is UTF-8, anything else "
           "ANSI), ansi, utf-8, utf-16le or utf-16be. The output is written in the input's "
           "encoding, with a byte-order mark when it had one")
        ->check(CLI::IsMember(EncodingChoices(), CLI::ignore_case))
        ->type_name("NAME")
        ->default_str(std::string(EncodingRuleName(TEncodingRule::Auto)));
  }
  if (which & kCodePage) DeclareCodePage(cmd, o.CodePage, "the tables and of ANSI text");
  if (which & kJobs) {
    o.Jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    cmd.add_option("--jobs", o.Jobs,
                   "Threads that translate at once (default: the number of processors); the "
                   "output, the messages and the outcome are those of --jobs 1")
        ->check(CLI::Range(1, 256));
  }
  if (which & kDialect) {
    CLI::Option* dialect =
        cmd.add_option_function<std::string>(
               "--dialect",
               [&o](const std::string& name) { o.Dialect.Dialect = *DialectFromName(name); },
               "Read the SQL as this dialect writes it: names in double quotes (ansi, postgres, "
               "oracle; tsql also [x]; mysql `x`) are looked up without their quotes, and "
               "string literals and comments are told from code (default: none, words and "
               "separators only)")
            ->check(CLI::IsMember(DialectChoices()))
            ->type_name("NAME");
    cmd.add_flag("--keep-strings", o.Dialect.KeepStrings,
                 "Keep string literals byte for byte: their words are neither looked up nor "
                 "tested as keywords (needs --dialect)")
        ->needs(dialect);
    cmd.add_flag("--keep-comments", o.Dialect.KeepComments,
                 "Keep comments byte for byte likewise (needs --dialect)")
        ->needs(dialect);
  }
  if (which & kQuiet) cmd.add_flag("--quiet", o.Quiet, "No progress line on a terminal");
}

/// A declared subcommand: its parser, the options it shares, and the run.
struct TCommand {
  CLI::App* App = nullptr;
  const TSharedOptions* Shared = nullptr;
  std::function<int(CliIo&)> Run;
};

// Declares the subcommand `name` of `parent` whose options are an
// `Options`: `own` declares its own options, the shared ones that `shared`
// names follow (--help lists them in this order), and `run` runs it. Without
// a footer of its own, a subcommand shows its parent's.
template <typename Options>
TCommand DeclareCommand(CLI::App& parent, const char* name, const char* description,
                        const char* footer, unsigned shared, int (*run)(const Options&, CliIo&),
                        const std::function<void(CLI::App&, Options&)>& own) {
  auto o = std::make_shared<Options>();
  CLI::App* cmd = parent.add_subcommand(name, description);
  if (footer != nullptr) cmd->footer(footer);  // else the parent's stands
  own(*cmd, *o);
  DeclareShared(*cmd, *o, shared);
  return {cmd, o.get(), [o, run](CliIo& io) { return run(*o, io); }};
}

TCommand DeclareTranslate(CLI::App& app) {
  return DeclareCommand<TranslateOptions>(
      app, "translate",
      "Translate FILE (or standard input) and write the result to standard output", kTranslateHelp,
      kTables | kComment | kEncoding | kCodePage | kQuiet | kJobs | kDialect, RunTranslate,
      [](CLI::App& cmd, TranslateOptions& o) {
        cmd.add_option("FILE", o.File, "The text to translate; standard input when absent or -");
        cmd.add_option("--table", o.TableName, "Table whose column names are preferred");
        cmd.add_flag_callback(
            "--no-auto-table", [&o] { o.AutoTableName = false; },
            "Do not work out the table name from the text");
        cmd.add_flag(
            "--diff", o.Diff,
            "Print a unified diff of the input and its translation instead (lines compared "
            "without their line breaks; both texts are held in memory)");
      });
}

TCommand DeclareFiles(CLI::App& app) {
  return DeclareCommand<FilesOptions>(
      app, "files", "Translate in place every file of DIR whose name matches the mask", kFilesHelp,
      kTables | kTree | kComment | kEncoding | kCodePage | kQuiet | kJobs | kDialect, RunFiles,
      [](CLI::App& cmd, FilesOptions& o) {
        cmd.add_option("DIR", o.Dir, "The directory")->required();
        CLI::Option* dryRun = cmd.add_flag(
            "--dry-run", o.DryRun,
            "Change nothing; print a unified diff of every file that would change (lines compared "
            "without their line breaks; each file is held in memory while it is compared)");
        cmd.add_flag("--restore", o.Restore,
                     "Put every file back from its backup and remove the backup; files without a "
                     "backup are left alone")
            ->excludes(dryRun);
        cmd.add_flag(
            "--overwrite-backups", o.OverwriteBackups,
            "Go on when a backup this run would write exists already and holds other bytes "
            "than its file (without it the run refuses to start)");
        cmd.add_flag("--verbose", o.Verbose, "Name every file translated");
      });
}

TCommand DeclareReport(CLI::App& app) {
  return DeclareCommand<ReportOptions>(
      app, "report",
      "Report, changing no file, the names replaced per kind and the words that look like "
      "names but that no table knows, most frequent first, with their count and first place",
      kReportHelp, kTables | kTree | kEncoding | kCodePage | kQuiet | kDialect, RunReport,
      [](CLI::App& cmd, ReportOptions& o) {
        cmd.add_option("PATH", o.Paths, "Files, and directories searched with the mask")
            ->required();
        cmd.add_option("--unknown-csv", o.UnknownCsv,
                       "Also write the unknown names to this CSV file, for \"table import\" as the "
                       "column table: TableName,FieldName,FieldNameAng with the English name to "
                       "fill in");
        cmd.add_flag("--json", o.Json, "Print the report as JSON");
      });
}

TCommand DeclareTableImport(CLI::App& table) {
  return DeclareCommand<ImportOptions>(
      table, "import", "Make a table file of string fields from a CSV file", nullptr, kCodePage,
      RunTableImport, [](CLI::App& cmd, ImportOptions& o) {
        cmd.add_option("CSV", o.Csv, "UTF-8 CSV file whose header names the fields")->required();
        cmd.add_option("--out", o.Out, "Table file to write")->required();
        cmd.add_option("--size", o.Size, "Size of every field (default: the longest value)")
            ->check(CLI::Range(1, 65535));
      });
}

TCommand DeclareTableCheck(CLI::App& table) {
  return DeclareCommand<TableCheckOptions>(
      table, "check",
      "Check the three tables of DIR as a set for the mistakes that translate silently, and "
      "report each with its table file, record, names and effect, errors first",
      kTableCheckHelp, kCodePage, RunTableCheck, [](CLI::App& cmd, TableCheckOptions& o) {
        cmd.add_option("DIR", o.Dir,
                       "Directory of the three table files (default: the "
                       "current one)");
        cmd.add_flag("--strict", o.Strict, "Warnings fail the check too (exit status 1)");
        cmd.add_flag("--json", o.Json, "Print the findings as JSON");
      });
}

TCommand DeclareTableAdd(CLI::App& table) {
  return DeclareCommand<TableAddOptions>(
      table, "add",
      "Add the rows of CSV files to a translation table file, all of them or none; a row "
      "equal to one the table holds is skipped",
      kTableAddHelp, kCodePage, RunTableAdd, [](CLI::App& cmd, TableAddOptions& o) {
        cmd.add_option("TABLEFILE", o.TableFile, "Binary translation table file to add to")
            ->required();
        cmd.add_option("CSV", o.Csv,
                       "UTF-8 CSV files whose header names fields of the table, as for import")
            ->required();
        cmd.add_flag("--replace", o.Replace,
                     "A row whose local name the table holds with another English name replaces "
                     "that English name (else the row is refused)");
        cmd.add_flag("--allow-empty", o.AllowEmpty,
                     "Add rows with an empty English name too, which delete their word from the "
                     "SQL (else they are refused)");
      });
}

// The table subcommands that name one table file and a code page.
TCommand DeclareTableFile(CLI::App& table, const char* name, const char* description,
                          int (*run)(const std::string&, CliIo&)) {
  auto o = std::make_shared<std::pair<TSharedOptions, std::string>>();
  CLI::App* cmd = table.add_subcommand(name, description);
  cmd->add_option("FILE", o->second, "Table file (binary or XML)")->required();
  DeclareShared(*cmd, o->first, kCodePage);
  return {cmd, &o->first, [o, run](CliIo& io) { return run(o->second, io); }};
}

TCommand DeclareTableConvert(CLI::App& table) {
  auto o = std::make_shared<std::pair<std::string, std::string>>();
  CLI::App* cmd =
      table.add_subcommand("convert", "Save a table file (binary or XML) as a binary one");
  cmd->add_option("IN", o->first, "Table file to read")->required();
  cmd->add_option("OUT", o->second, "Binary table file to write")->required();
  return {cmd, nullptr, [o](CliIo& io) { return RunTableConvert(o->first, o->second, io); }};
}

TCommand DeclareTableSuggest(CLI::App& table) {
  return DeclareCommand<TableSuggestOptions>(
      table, "suggest",
      "Propose the empty English names of CSV files (as db harvest, report --unknown-csv or "
      "table add take them) from the words the tables and glossaries already know",
      kTableSuggestHelp, kTables | kCodePage, RunTableSuggest,
      [](CLI::App& cmd, TableSuggestOptions& o) {
        cmd.add_option("CSV", o.Csv,
                       "UTF-8 CSV files whose header names the local and English fields of a "
                       "translation table (TableName,TableNameAng; Naziv,ProcedureNameAng; "
                       "TableName,FieldName,FieldNameAng)")
            ->required();
        cmd.add_option("--glossary", o.Glossaries,
                       "UTF-8 CSV file whose header names the columns Word and English (a "
                       "field may hold several words separated by blanks; other columns, such "
                       "as those of a words.csv filled in, are not read, nor a row whose "
                       "English is empty); may be given more than once, a later file wins over "
                       "an earlier one, any file over the tables")
            ->type_name("FILE");
        cmd.add_option("--style", o.Style,
                       "Style of the proposed names: pascal (InvoiceItemID), camel "
                       "(invoiceItemID), snake (invoice_item_id) or upper-snake "
                       "(INVOICE_ITEM_ID) (default: the style most English names of the same "
                       "table use, pascal when none)")
            ->check(CLI::IsMember({"pascal", "camel", "snake", "upper-snake"}))
            ->type_name("STYLE");
        cmd.add_flag("--fold-diacritics", o.FoldDiacritics,
                     "A word without diacritics also matches a glossary word with them: c "
                     "matches c-caron and c-acute, s s-caron, z z-caron, d and dj d-stroke "
                     "(Meda and Medja both match Meda written with d-stroke)");
      });
}

std::vector<TCommand> DeclareTable(CLI::App& app) {
  CLI::App* table = app.add_subcommand(
      "table", "Inspect, dump, build, check, add to, suggest names for and convert table files");
  table->require_subcommand(1);
  table->footer(
      "Exit status:\n"
      "  0  success (check: no error, and with --strict no warning)\n"
      "  1  check: errors found, or with --strict warnings; suggest: names left empty\n"
      "  2  bad usage or any failure (a file that cannot be read, loaded or written, a CSV "
      "error, a row that add refuses); a failed import, add or convert leaves an existing "
      "output file whole");
  // In the order --help lists them.
  return {DeclareTableFile(*table, "info", "Print the form, field definitions and record count",
                           RunTableInfo),
          DeclareTableFile(*table, "dump", "Write the records as CSV (UTF-8)", RunTableDump),
          DeclareTableImport(*table),
          DeclareTableCheck(*table),
          DeclareTableAdd(*table),
          DeclareTableSuggest(*table),
          DeclareTableConvert(*table)};
}

// CLI11 reads "--name=" as the option without a value and then takes the
// next argument, even another option, as its value. "--backup=" means the
// empty text, so such an argument is handed over as "--name" and "".
std::vector<std::string> SplitEmptyValues(int argc, const char* const* argv) {
  std::vector<std::string> args;
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--") optionsEnded = true;
    if (!optionsEnded && i > 0 && arg.size() > 3 && arg.compare(0, 2, "--") == 0 &&
        arg.find('=') == arg.size() - 1) {
      args.push_back(arg.substr(0, arg.size() - 1));
      args.emplace_back();
    } else {
      args.push_back(std::move(arg));
    }
  }
  return args;
}

// The code page a command runs under, put back when it ends (the command
// line may run in a process that goes on, as the benchmarks do).
class TCodePageScope {
 public:
  explicit TCodePageScope(int codePage) : previous_(ActiveCodePage()) {
    if (codePage != 0) SetActiveCodePage(codePage);
  }
  ~TCodePageScope() { SetActiveCodePage(previous_); }
  TCodePageScope(const TCodePageScope&) = delete;
  TCodePageScope& operator=(const TCodePageScope&) = delete;

 private:
  int previous_;
};

// The arguments of the RunCli under way.
std::vector<std::string> cliArguments;

}  // namespace

const std::vector<std::string>& CliArguments() {
  return cliArguments;
}

int RunCli(int argc, const char* const* argv, CliIo& io) {
  cliArguments.assign(argv, argv + argc);
  CLI::App app{
      "Translates the local-language names in SQL text to English through three "
      "translation tables, and builds and inspects table files.",
      "qualtren-cli"};
  app.set_version_flag("--version", std::string("qualtren-cli ") + QUALTREN_VERSION,
                       "Print the version and exit");
  app.require_subcommand(1);
  app.footer(
      "Exit status:\n"
      "  0  success\n"
      "  1  a translation or a file failed; for translate --diff, files --dry-run and report: "
      "something would change, or names are missing\n"
      "  2  bad usage or an error (the --help of each command says which)");

  std::vector<TCommand> commands = {DeclareTranslate(app), DeclareFiles(app), DeclareReport(app)};
  for (TCommand& c : DeclareTable(app))
    commands.push_back(std::move(c));
  for (TDbCommand& c : DeclareDb(app))
    commands.push_back({c.App, c.Shared, std::move(c.Run)});

  try {
    const std::vector<std::string> args = SplitEmptyValues(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& arg : args)
      pointers.push_back(arg.c_str());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(e, io.Out, io.Err);
      io.Out.flush();
      return kExitOk;
    }
    io.Err << kMessagePrefix << e.what() << '\n';
    return kExitError;
  }

  for (const TCommand& command : commands) {
    if (!command.App->parsed()) continue;
    try {
      TCodePageScope codePage(command.Shared != nullptr ? command.Shared->CodePage : 0);
      return command.Run(io);
    } catch (const std::exception& e) {
      io.Err << kMessagePrefix << MessageWithReason(e) << '\n';
      return kExitError;
    }
  }
  io.Err << kMessagePrefix << "no command given\n";
  return kExitError;
}

TTranslateOptions TSharedOptions::Translation() const {
  TTranslateOptions options;
  options.Comment = Comment;
  options.Prefix = ArgumentText(Prefix);
  options.Suffix = ArgumentText(Suffix);
  options.Encoding = Encoding;
  options.Dialect = Dialect;
  options.Jobs = static_cast<size_t>(Jobs);
  options.TableName = ArgumentText(TableName);
  options.AutoTableName = AutoTableName;
  return options;
}

void LoadTables(TTransTableSet& tables, const std::string& dir,
                std::shared_ptr<const TNameDictionary>* dictionary) {
  try {
    if (dictionary)
      *dictionary = TNameDictionary::LoadAndBuild(tables, dir);
    else
      tables.Load(dir);
  } catch (const std::exception& e) {
    const std::string& file = tables.FailedFile();
    const std::string message = MessageWithReason(e);
    if (file.empty() || message.find(file) != std::string::npos) throw;
    throw Exception(file + ": " + message);
  }
}

}  // namespace qualtren
