// The options and runs of the "db" subcommands (db_commands.cpp declares
// them; db_harvest.cpp, db_rename.cpp, db_verify.cpp run them).
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

namespace qualtren {

class TDbConnection;
struct TDbUrl;

struct DbOptions : TSharedOptions {
  std::string Url;                 // --db
  bool PasswordPrompt = false;     // --password-prompt
  std::string Schema;              // --schema
  std::string Out;                 // harvest --out: a directory
  bool Apply = false;              // rename --apply
  std::string OutputFile;          // rename -o
  std::vector<std::string> Paths;  // verify: files and directories
};

int RunDbHarvest(const DbOptions& options, CliIo& io);
int RunDbRename(const DbOptions& options, CliIo& io);
int RunDbVerify(const DbOptions& options, CliIo& io);

/// The password of a connection: QUALTREN_DB_PASSWORD, else with
/// --password-prompt what the terminal gives (read without echo), else none.
std::string DbPassword(const DbOptions& options);

/// The connection the options name.
std::unique_ptr<TDbConnection> OpenDb(const DbOptions& options);

}  // namespace qualtren
