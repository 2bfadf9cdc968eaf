// Runs the built qualtren-cli as a user would, through the shell, in a
// temporary directory, with the standard input, output and error in files.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "temp_dir.h"

namespace qualtren::clitest {

namespace fs = std::filesystem;

struct RunResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// The directory of the built programs: QUALTREN_BIN, as ctest sets it, or
// the directory of this test program, which is built next to them.
inline std::string BinDir() {
  if (const char* bin = std::getenv("QUALTREN_BIN"); bin && *bin) return bin;
  return fs::read_symlink("/proc/self/exe").parent_path().string();
}

// The text between single quotes, safe as one shell word.
inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp_.Path().empty());
    cli_ = BinDir() + "/qualtren-cli";
    ASSERT_TRUE(fs::exists(cli_)) << cli_ << " is not built";
  }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  void Write(const std::string& name, const std::string& bytes) const {
    fs::path p = Path(name);
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(f.good()) << p;
  }

  std::string Read(const std::string& name) const {
    std::ifstream f(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }

  // Runs "qualtren-cli args" in the subdirectory `cwd` of the temporary
  // directory, with the code page chosen by `locale` through LC_ALL. With
  // `pipe`, the input reaches the program through a pipe; otherwise the
  // standard input is the file.
  RunResult Run(const std::string& args, const std::string& input = "",
                const std::string& locale = "C", bool pipe = false,
                const std::string& cwd = "") const {
    const fs::path in = Path(".stdin"), out = Path(".stdout"), err = Path(".stderr");
    {
      std::ofstream f(in, std::ios::binary | std::ios::trunc);
      f.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    const std::string program = "LC_ALL=" + Quote(locale) + " " + Quote(cli_) + " " + args;
    std::string command = "cd " + Quote((dir_ / cwd).string()) + " && " +
                          (pipe ? "cat " + Quote(in.string()) + " | " + program
                                : program + " <" + Quote(in.string())) +
                          " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    return Execute(command);
  }

  // Runs "qualtren-cli args" as Run does, but with its standard error on a
  // pseudo-terminal (through script); Err is what that terminal received.
  RunResult RunOnTerminal(const std::string& args) const {
    const fs::path out = Path(".stdout"), err = Path(".stderr");
    const std::string inner = "cd " + Quote(dir_.string()) + " && LC_ALL=C " + Quote(cli_) + " " +
                              args + " >" + Quote(out.string()) + " </dev/null";
    return Execute("script -q -e -c " + Quote(inner) + " /dev/null >" + Quote(err.string()) +
                   " 2>&1 </dev/null");
  }

  // Runs a shell command in the temporary directory; its exit status.
  int Shell(const std::string& command) const {
    const int raw = std::system(("cd " + Quote(dir_.string()) + " && " + command).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  // Runs "qualtren-cli args" on `input`, checks its exit status and its
  // standard error, and gives what it did.
  RunResult ExpectRun(const std::string& args, int status, const std::string& err,
                      const std::string& input = "") const {
    RunResult r = Run(args, input);
    EXPECT_EQ(r.Status, status) << args;
    EXPECT_EQ(r.Err, err) << args;
    return r;
  }

  // The three translation tables in the subdirectory `sub`: their CSV files
  // written there and turned into table files by "table import", with
  // `options` (each followed by a blank) before the CSV file's name.
  void ImportTables(const std::string& sub, const std::string& tableCsv, const std::string& procCsv,
                    const std::string& columnCsv, const std::string& options = "") {
    Write(sub + "/table.csv", tableCsv);
    Write(sub + "/proc.csv", procCsv);
    Write(sub + "/column.csv", columnCsv);
    const std::string d = Quote(sub) + "/";
    const std::pair<const char*, const char*> files[] = {
        {"table", "Q47SifTable"}, {"proc", "Q47SifSQL_SP"}, {"column", "Q47SifTableStr"}};
    for (const auto& [csv, file] : files)
      ASSERT_EQ(Run("table import " + options + d + csv + ".csv --out " + d + file + ".vtd").Status,
                0)
          << csv;
  }

  // The example tables, made from CSV in the subdirectory `sub`. The column
  // table holds Grad for both tables, so that the preferred table decides
  // its translation.
  void MakeTables(const std::string& sub, bool withFieldNameAng = true) {
    ImportTables(sub, "TableName,TableNameAng\nKupac,Customer\nRacun,Invoice\n",
                 "Naziv,ProcedureNameAng\nObracun,Settle\n",
                 withFieldNameAng ? "TableName,FieldName,FieldNameAng\n"
                                    "Kupac,Ime,Name\nKupac,Grad,City\nRacun,Iznos,Amount\n"
                                    "Racun,Kupac,CustomerId\nRacun,Grad,PlaceOfIssue\n"
                                  : "TableName,FieldName\nKupac,Ime\nKupac,Grad\n");
  }

  // Runs a shell command that writes .stdout and .stderr; its status and both.
  RunResult Execute(const std::string& command) const {
    RunResult r;
    const int raw = std::system(command.c_str());
    r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.Out = Read(".stdout");
    r.Err = Read(".stderr");
    return r;
  }

  qualtren::testsupport::TTempDir temp_{"qualtren-cli-test"};
  fs::path dir_ = temp_.Path();
  std::string cli_;
};

}  // namespace qualtren::clitest
