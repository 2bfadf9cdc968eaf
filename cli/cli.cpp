// The command line of qualtren-cli: its subcommands and options, parsed with
// CLI11, and the one place where errors become messages and exit statuses.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"

#ifndef QUALTREN_VERSION
#define QUALTREN_VERSION "unknown"
#endif

namespace qualtren {

namespace {

void AddCommentOptions(CLI::App& app, bool& comment, std::string& prefix, std::string& suffix) {
  app.add_flag("--comment", comment,
               "Write each changed line, untranslated, between the prefix and the suffix "
               "before it");
  app.add_option("--prefix", prefix,
                 "Text before a comment line (write --prefix=-- for a "
                 "value that starts with -)");
  app.add_option("--suffix", suffix, "Text after a comment line");
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

}  // namespace

int RunCli(int argc, const char* const* argv, CliIo& io) {
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

  TranslateOptions translate;
  bool noAutoTable = false;
  CLI::App* translateCmd = app.add_subcommand(
      "translate", "Translate FILE (or standard input) and write the result to standard output");
  translateCmd->footer(
      "Exit status:\n"
      "  0  translated (with --diff: nothing would change)\n"
      "  1  the translation failed: the input comes back with CR LF line breaks (with --diff: "
      "something would change)\n"
      "  2  bad usage, unreadable input, input holding a NUL byte, or a table that failed to "
      "load (with --diff: also a failed translation)");
  translateCmd->add_option("FILE", translate.File,
                           "The text to translate; standard input when absent or -");
  translateCmd->add_option("--tables", translate.TablesDir,
                           "Directory of the three table files (default: the current one)");
  translateCmd->add_option("--table", translate.TableName,
                           "Table whose column names are preferred");
  translateCmd->add_flag("--no-auto-table", noAutoTable,
                         "Do not work out the table name from the text");
  AddCommentOptions(*translateCmd, translate.Comment, translate.Prefix, translate.Suffix);
  translateCmd->add_flag("--diff", translate.Diff,
                         "Print a unified diff of the input and its translation instead (lines "
                         "compared without their line breaks; both texts are held in memory)");
  translateCmd->add_flag("--quiet", translate.Quiet,
                         "No progress line on a terminal (shown for inputs over 1 MiB)");

  FilesOptions files;
  CLI::App* filesCmd = app.add_subcommand(
      "files", "Translate in place every file of DIR whose name matches the mask");
  filesCmd->footer(
      "Exit status:\n"
      "  0  every file translated (--dry-run: nothing would change; --restore: every file "
      "restored)\n"
      "  1  a file left untouched or failed (--dry-run: something would change; --restore: a "
      "file without a backup, or failed)\n"
      "  2  bad usage (a directory that does not exist is one) or a table that failed to load "
      "(--dry-run: also a file that would be left untouched or that failed)");
  filesCmd->add_option("DIR", files.Dir, "The directory")->required();
  filesCmd->add_option("--mask", files.Mask, "File name mask with * and ?")->capture_default_str();
  filesCmd
      ->add_option("--backup", files.Backup,
                   "Ending of the backup copy made of each file (\"\" for none); backups "
                   "and the temporary files of an interrupted run are never taken as input")
      ->capture_default_str();
  filesCmd->add_flag("--recursive", files.Recursive,
                     "Also the files of every subdirectory (symbolic links are not followed)");
  CLI::Option* dryRun = filesCmd->add_flag(
      "--dry-run", files.DryRun,
      "Change nothing; print a unified diff of every file that would change (lines compared "
      "without their line breaks; each file is held in memory while it is compared)");
  filesCmd
      ->add_flag("--restore", files.Restore,
                 "Put every file back from its backup and remove the backup; files without a "
                 "backup are left alone")
      ->excludes(dryRun);
  filesCmd->add_flag("--quiet", files.Quiet, "No progress line on a terminal");
  AddCommentOptions(*filesCmd, files.Comment, files.Prefix, files.Suffix);
  filesCmd->add_option("--tables", files.TablesDir,
                       "Directory of the three table files (default: the current one)");
  filesCmd->add_flag("--verbose", files.Verbose, "Name every file translated");
  files.Jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  filesCmd
      ->add_option("--jobs", files.Jobs,
                   "Files translated at once (default: the number of processors); the "
                   "messages and the outcome are those of --jobs 1")
      ->check(CLI::Range(1, 256));

  ReportOptions report;
  CLI::App* reportCmd = app.add_subcommand(
      "report",
      "Report, changing no file, the names replaced per kind and the words that look like "
      "names but that no table knows, most frequent first, with their count and first place");
  reportCmd->footer(
      "A word looks like a name:\n"
      "  when it has 3 characters or more, holds a letter, is no SQL keyword and no number, "
      "and does not stand between single quotes\n\n"
      "Exit status:\n"
      "  0  no unknown names\n"
      "  1  unknown names found\n"
      "  2  bad usage, a table that failed to load, or a file that could not be read or "
      "translated (named; the report covers the others)");
  reportCmd->add_option("PATH", report.Paths, "Files, and directories searched with the mask")
      ->required();
  reportCmd->add_option("--tables", report.TablesDir,
                        "Directory of the three table files (default: the current one)");
  reportCmd->add_option("--mask", report.Mask, "File name mask with * and ? for directories")
      ->capture_default_str();
  reportCmd->add_option("--backup", report.Backup, "Ending of backups, which are never read")
      ->capture_default_str();
  reportCmd->add_flag("--recursive", report.Recursive,
                      "Also the files of every subdirectory (symbolic links are not followed)");
  reportCmd->add_option("--unknown-csv", report.UnknownCsv,
                        "Also write the unknown names to this CSV file, for \"table import\" "
                        "as the column table: TableName,FieldName,FieldNameAng with the "
                        "English name to fill in");
  reportCmd->add_flag("--json", report.Json, "Print the report as JSON");
  reportCmd->add_flag("--quiet", report.Quiet, "No progress line on a terminal");

  CLI::App* tableCmd = app.add_subcommand("table", "Inspect, dump, build and convert table files");
  tableCmd->require_subcommand(1);
  tableCmd->footer(
      "Exit status:\n"
      "  0  success\n"
      "  2  bad usage or any failure (a file that cannot be read, loaded or written, a CSV "
      "error); a failed import or convert leaves an existing output file whole");

  std::string infoFile;
  CLI::App* infoCmd =
      tableCmd->add_subcommand("info", "Print the form, field definitions and record count");
  infoCmd->add_option("FILE", infoFile, "Table file (binary or XML)")->required();

  std::string dumpFile;
  CLI::App* dumpCmd = tableCmd->add_subcommand("dump", "Write the records as CSV");
  dumpCmd->add_option("FILE", dumpFile, "Table file (binary or XML)")->required();

  ImportOptions import;
  CLI::App* importCmd =
      tableCmd->add_subcommand("import", "Make a table file of string fields from a CSV file");
  importCmd->add_option("CSV", import.Csv, "UTF-8 CSV file whose header names the fields")
      ->required();
  importCmd->add_option("--out", import.Out, "Table file to write")->required();
  importCmd->add_option("--size", import.Size, "Size of every field (default: the longest value)")
      ->check(CLI::Range(1, 65535));

  std::string convertIn, convertOut;
  CLI::App* convertCmd =
      tableCmd->add_subcommand("convert", "Save a table file (binary or XML) as a binary one");
  convertCmd->add_option("IN", convertIn, "Table file to read")->required();
  convertCmd->add_option("OUT", convertOut, "Binary table file to write")->required();

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

  try {
    if (translateCmd->parsed()) {
      translate.AutoTableName = !noAutoTable;
      return RunTranslate(translate, io);
    }
    if (filesCmd->parsed()) return RunFiles(files, io);
    if (reportCmd->parsed()) return RunReport(report, io);
    if (infoCmd->parsed()) return RunTableInfo(infoFile, io);
    if (dumpCmd->parsed()) return RunTableDump(dumpFile, io);
    if (importCmd->parsed()) return RunTableImport(import, io);
    if (convertCmd->parsed()) return RunTableConvert(convertIn, convertOut, io);
  } catch (const std::exception& e) {
    io.Err << kMessagePrefix << MessageWithReason(e) << '\n';
    return kExitError;
  }
  io.Err << kMessagePrefix << "no command given\n";
  return kExitError;
}

void LoadTables(TTransTableSet& tables, const std::string& dir) {
  try {
    tables.Load(dir);
  } catch (const std::exception& e) {
    const std::string& file = tables.FailedFile();
    const std::string message = MessageWithReason(e);
    if (file.empty() || message.find(file) != std::string::npos) throw;
    throw Exception(file + ": " + message);
  }
}

}  // namespace qualtren
