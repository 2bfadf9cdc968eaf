// The db commands of qualtren-cli, which loads no Qt library: each hands the
// command line whole to qualtren-cli-db, the same commands built with the
// runs of the db commands and Qt's SQL. That program replaces this process,
// so the command's exit status, signals and standard streams are its own.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/exception.h"
#include "cli/db_commands.h"

namespace qualtren {
namespace {

// qualtren-cli-db where it is installed, seen from this program's folder,
// else beside this program (as in the build tree).
std::filesystem::path DbProgram() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw Exception("cannot find the folder of this program: " + error.message());
  const std::filesystem::path installed =
      (self.parent_path() / QUALTREN_DB_PROGRAM).lexically_normal();
  for (const std::filesystem::path& program : {installed, self.parent_path() / "qualtren-cli-db"})
    if (::access(program.c_str(), X_OK) == 0) return program;
  throw Exception("the program that runs the db commands is missing: " + installed.string());
}

[[noreturn]] void RunDbProgram(CliIo& io) {
  const std::filesystem::path program = DbProgram();
  std::vector<char*> arguments;
  for (const std::string& argument : CliArguments())
    arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  io.Out.flush();
  io.Err.flush();
  ::execv(program.c_str(), arguments.data());
  throw Exception(program.string() + ": " + std::strerror(errno));
}

}  // namespace

int RunDbHarvest(const DbOptions&, CliIo& io) {
  RunDbProgram(io);
}
int RunDbRename(const DbOptions&, CliIo& io) {
  RunDbProgram(io);
}
int RunDbVerify(const DbOptions&, CliIo& io) {
  RunDbProgram(io);
}

}  // namespace qualtren
