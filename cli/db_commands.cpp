// The "db" subcommands of qualtren-cli: harvest, rename and verify, declared
// from one table with their options and help, and the password that reaches
// a connection from the environment or the terminal, never from an
// argument. Also --code-page, declared here for every subcommand.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "cli/db_commands.h"

namespace qualtren {

namespace {

constexpr const char* kConnectionHelp =
    "Connections (--db):\n"
    "  sqlite:PATH                                        a SQLite file\n"
    "  postgresql://[USER@][HOST][:PORT]/DBNAME[?host=DIR] PostgreSQL (also postgres://); "
    "?host= names a Unix-socket directory and wins over HOST\n"
    "  mysql://[USER@][HOST][:PORT]/DBNAME[?socket=PATH]   MySQL or MariaDB (also "
    "mariadb://)\n"
    "  odbc:CONNECTION-STRING                             a DSN or a driver string (SQL Server "
    "and others), with --dialect naming its SQL\n\n"
    "Passwords:\n"
    "  A URL or connection string that holds a password is refused. The password comes from "
    "QUALTREN_DB_PASSWORD, from the engine's own ways (PGPASSWORD, ~/.pgpass, ~/.my.cnf, the "
    "DSN), or from --password-prompt; no message shows it.\n\n";

void DeclareConnection(CLI::App& cmd, DbOptions& o) {
  cmd.add_option("--db", o.Url, "The database, as a URL (see Connections)")
      ->required()
      ->type_name("URL");
  cmd.add_flag("--password-prompt", o.PasswordPrompt,
               "Read the password from the terminal, without echo");
  cmd.add_option_function<std::string>(
         "--dialect", [&o](const std::string& name) { o.Dialect.Dialect = *DialectFromName(name); },
         "The SQL of the database: tsql, postgres or mysql for an ODBC connection (default: "
         "the engine's own)")
      ->check(CLI::IsMember(DialectChoices()))
      ->type_name("NAME");
}

void DeclareTablesAndCodePage(CLI::App& cmd, DbOptions& o, const char* help) {
  cmd.add_option("--tables", o.TablesDir, help)->type_name("DIR");
  DeclareCodePage(cmd, o.CodePage, "the tables");
}

void DeclareHarvest(CLI::App& h, DbOptions& o) {
  h.add_option("--schema", o.Schema,
               "The schema read (PostgreSQL: public; SQL Server: dbo; MySQL: the URL's "
               "database; SQLite: main)");
  DeclareTablesAndCodePage(h, o,
                           "Directory of the table files whose rows are not written again "
                           "(default: the current one; none when it holds no table file)");
  h.add_option("--out", o.Out,
               "Directory the files tables.csv, columns.csv and procedures.csv are written to "
               "(default: the current one)")
      ->type_name("DIR");
}

constexpr const char* kHarvestFooter =
    "Output:\n"
    "  tables.csv (TableName,TableNameAng: every base table and view), columns.csv "
    "(TableName,FieldName,FieldNameAng: every column with its table), procedures.csv "
    "(Naziv,ProcedureNameAng: every procedure and function), UTF-8, each holding the "
    "names the tables do not hold yet. Fill in every English name, or remove its row, "
    "before \"table add\". Only the user's objects are read, never the engine's own "
    "schemas.\n\n"
    "Exit status:\n"
    "  0  every name written or held already\n"
    "  1  names that the tables' code page cannot hold (each named on standard error, "
    "not written)\n"
    "  2  bad usage, a connection refused, a table that failed to load, or a file not "
    "written";

void DeclareRename(CLI::App& r, DbOptions& o) {
  r.add_option("--schema", o.Schema, "The schema renamed (as for harvest)");
  DeclareTablesAndCodePage(r, o, "Directory of the three table files (default: the current one)");
  r.add_flag("--apply", o.Apply,
             "Run the script on the database, statement by statement, the commit last where "
             "the engine has transactional DDL (PostgreSQL, SQLite); on MySQL and MariaDB "
             "each statement commits, and a run cut short is finished by the next --apply");
  r.add_option("-o", o.OutputFile, "Write the script to FILE instead of standard output")
      ->type_name("FILE");
}

constexpr const char* kRenameFooter =
    "Renames:\n"
    "  Every name is quoted as the database quotes names, a quote inside doubled. "
    "PostgreSQL follows a rename in views and triggers; functions and procedures are "
    "re-created from their translated text. MySQL and MariaDB follow none: views, "
    "procedures, functions and triggers are re-created. SQLite follows renames in "
    "views and triggers; a view renamed or whose text translates to another is "
    "re-created. A PostgreSQL name in lower case "
    "(written without quotes) is renamed to the lower case of its English name.\n\n"
    "Refusals (before anything is written or run):\n"
    "  a rename onto a name the database holds in the same namespace, two names of one "
    "kind sent to one English name, an English name longer than the engine takes "
    "(PostgreSQL: 63 bytes), a stored body that does not translate\n\n"
    "Exit status:\n"
    "  0  the script written, or applied (also when there is nothing to rename)\n"
    "  2  bad usage, a refusal, a connection refused, a table that failed to load, or a "
    "statement the database refused (with transactional DDL nothing was changed)";

void DeclareVerify(CLI::App& v, DbOptions& o) {
  o.Mask = "*.sql";
  v.add_option("PATH", o.Paths, "Files, and directories searched with the mask")->required();
  v.add_option("--mask", o.Mask, "File name mask with * and ?, for the files of a directory")
      ->capture_default_str();
  v.add_flag("--recursive", o.Recursive, "Also the files of every subdirectory");
}

constexpr const char* kVerifyFooter =
    "Output:\n"
    "  FILE:LINE: the database's message, for every statement refused (LINE: its first "
    "line), then \"verify: N statements, K failed, in F files\", and \", M not run\" "
    "when statements were not run: transaction control, statements the engine refuses "
    "inside a transaction, a client's own commands, and on MySQL and MariaDB every "
    "statement that commits by itself. Nothing is ever committed; on SQLite a "
    "double-quoted text is a name, never a string.\n\n"
    "Exit status:\n"
    "  0  no statement failed\n"
    "  1  a statement failed\n"
    "  2  bad usage, a connection refused, or a file that could not be read";

// A db subcommand: its name and description, what declares its own options
// (after the connection's), its footer (after the connection help), and
// its run.
struct TDbSubcommand {
  const char* Name;
  const char* Description;
  void (*DeclareOwn)(CLI::App& cmd, DbOptions& o);
  const char* Footer;
  int (*Run)(const DbOptions& options, CliIo& io);
};

const TDbSubcommand kDbSubcommands[] = {
    {"harvest",
     "Write the names of the database's tables, views, columns and routines that the tables "
     "do not hold yet as CSV files for \"table add\", English names empty",
     DeclareHarvest, kHarvestFooter, RunDbHarvest},
    {"rename",
     "Write the script that renames the database's tables, views, columns, procedures and "
     "functions to the English names of the tables and re-creates the stored bodies the "
     "engine does not follow; with --apply, run it",
     DeclareRename, kRenameFooter, RunDbRename},
    {"verify",
     "Run the statements of SQL files on the database inside a transaction that is always "
     "rolled back, and report every statement the database refuses",
     DeclareVerify, kVerifyFooter, RunDbVerify},
};

}  // namespace

CLI::Option* DeclareCodePage(CLI::App& cmd, int& codePage, const std::string& what) {
  std::vector<int> pages(SupportedCodePages().begin(), SupportedCodePages().end());
  return cmd
      .add_option("--code-page", codePage,
                  "Code page of " + what +
                      ": 874 or 1250 to 1258 (default: the one the locale variables select)")
      ->check(CLI::IsMember(pages))
      ->type_name("N");
}

std::vector<TDbCommand> DeclareDb(CLI::App& app) {
  CLI::App* db = app.add_subcommand(
      "db",
      "Read a live database's names into the tables, rename the database, and check the "
      "translated scripts against it");
  db->require_subcommand(1);
  std::vector<TDbCommand> commands;
  for (const TDbSubcommand& sub : kDbSubcommands) {
    auto options = std::make_shared<DbOptions>();
    CLI::App* cmd = db->add_subcommand(sub.Name, sub.Description);
    DeclareConnection(*cmd, *options);
    sub.DeclareOwn(*cmd, *options);
    cmd->footer(std::string(kConnectionHelp) + sub.Footer);
    commands.push_back(
        {cmd, options.get(), [options, run = sub.Run](CliIo& io) { return run(*options, io); }});
  }
  return commands;
}

}  // namespace qualtren
