// Real database servers for the tests, each started once per test program
// on first use, in a temporary directory, on a Unix socket only, and
// stopped when the program ends: PostgreSQL (initdb and pg_ctl; as root the
// server runs as the user postgres) and MariaDB (mariadb-install-db and
// mariadbd with --skip-networking). A server that does not start fails the
// test that asked for it.
#pragma once

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qualtren::testsupport {

namespace dbfs = std::filesystem;

inline std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline int RunShell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

/// What a shell command writes to its standard output.
inline std::string ShellOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      out.append(buffer, n);
    ::pclose(pipe);
  }
  return out;
}

inline std::string ReadText(const dbfs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

/// A server's temporary directory, made readable to the user the server
/// runs as.
inline std::string MakeServerDir(const std::string& stem) {
  std::string pattern = (dbfs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  ::chmod(pattern.c_str(), 0755);
  return pattern;
}

/// What every server keeps: its temporary directory, removed when the
/// server is gone (a subclass stops the server first), whether it started
/// or why not; and SQL run through the engine's command-line client.
class TServerBase {
 public:
  TServerBase(const TServerBase&) = delete;
  TServerBase& operator=(const TServerBase&) = delete;

  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }
  /// Runs SQL with the client on a database; the exit status.
  int Sql(const std::string& database, const std::string& sql) const {
    return RunShell(ClientCommand(database, sql, false) + " >/dev/null");
  }
  /// The rows a query gives, one line each, with the client's separator
  /// between the values ("|" for psql, a tab for mariadb).
  std::string Rows(const std::string& database, const std::string& sql) const {
    return ShellOutput(ClientCommand(database, sql, true) + " 2>&1");
  }
  /// The URL of a database of this server.
  std::string Url(const std::string& database) const { return urlHead_ + database + urlTail_; }
  /// A new, empty database.
  void CreateDatabase(const std::string& name) const {
    ASSERT_EQ(Sql("", CreateDatabaseSql(name)), 0) << name;
  }
  /// A new, empty database named `stem` and a number no other one took;
  /// its name.
  std::string NewDatabase(const std::string& stem) const {
    static int serial = 0;
    const std::string name = stem + std::to_string(++serial);
    CreateDatabase(name);
    return name;
  }

 protected:
  TServerBase() = default;
  ~TServerBase() {
    if (!dir_.empty()) {
      std::error_code ec;
      dbfs::remove_all(dir_, ec);
    }
  }
  // The client's command line that runs `sql` on `database` ("": the
  // administration database, or none), stopping at the first error; with `rows`, printing the
  // rows bare.
  virtual std::string ClientCommand(const std::string& database, const std::string& sql,
                                    bool rows) const = 0;
  // The statement that makes the database `name`, empty, in UTF-8.
  virtual std::string CreateDatabaseSql(const std::string& name) const = 0;
  // Makes the temporary directory; false, with the error said, when it
  // cannot be made.
  bool MakeDir(const std::string& stem) {
    dir_ = MakeServerDir(stem);
    if (dir_.empty()) error_ = "no temporary directory";
    return !dir_.empty();
  }

  std::string dir_, error_;
  // A database's URL: the head, its name, the tail.
  std::string urlHead_, urlTail_;
  bool started_ = false;
};

class TPostgresServer final : public TServerBase {
 public:
  TPostgresServer() {
    std::string bin;
    for (const auto& e : dbfs::directory_iterator("/usr/lib/postgresql"))
      if (dbfs::exists(e.path() / "bin" / "pg_ctl") && e.path().string() > bin)
        bin = (e.path() / "bin").string();
    if (bin.empty()) {
      error_ = "no PostgreSQL under /usr/lib/postgresql (scripts/install-deps installs it)";
      return;
    }
    bin_ = bin;
    if (!MakeDir("qualtren-pg")) return;
    urlHead_ = "postgresql://postgres@/";
    urlTail_ = "?host=" + dir_;
    // As root the server runs as postgres, which owns the directory.
    if (::geteuid() == 0) {
      if (::getpwnam("postgres") == nullptr) {
        error_ = "running as root, but there is no user postgres to run the server as";
        return;
      }
      as_ = "cd / && runuser -u postgres -- ";
      RunShell("chown postgres " + ShellQuote(dir_));
    }
    const std::string data = dir_ + "/data";
    const std::string log = dir_ + "/log";
    if (RunShell(as_ + ShellQuote(bin_ + "/initdb") + " -D " + ShellQuote(data) +
                 " -A trust -U postgres -E UTF8 --locale=C >" + ShellQuote(dir_ + "/initdb.log") +
                 " 2>&1") != 0) {
      error_ = "initdb failed: " + ReadText(dir_ + "/initdb.log");
      return;
    }
    const std::string options = "-k " + dir_ + " -c listen_addresses= -c fsync=off";
    if (RunShell(as_ + ShellQuote(bin_ + "/pg_ctl") + " -D " + ShellQuote(data) + " -l " +
                 ShellQuote(log) + " -w -t 60 -o " + ShellQuote(options) + " start >/dev/null") !=
        0) {
      error_ = "the PostgreSQL server did not start: " + ReadText(log);
      return;
    }
    started_ = true;
  }
  ~TPostgresServer() {
    if (started_)
      RunShell(as_ + ShellQuote(bin_ + "/pg_ctl") + " -D " + ShellQuote(dir_ + "/data") +
               " -m immediate -w stop >/dev/null 2>&1");
  }

  /// The socket directory.
  const std::string& Dir() const { return dir_; }

 private:
  std::string ClientCommand(const std::string& database, const std::string& sql,
                            bool rows) const override {
    const std::string options = rows ? " -A -t" : " -v ON_ERROR_STOP=1";
    return "LC_ALL=C psql -X -q" + options + " -h " + ShellQuote(dir_) + " -U postgres -d " +
           ShellQuote(database.empty() ? "postgres" : database) + " -c " + ShellQuote(sql);
  }
  std::string CreateDatabaseSql(const std::string& name) const override {
    return "CREATE DATABASE \"" + name + "\"";
  }

  std::string bin_, as_;
};

class TMariaDbServer final : public TServerBase {
 public:
  TMariaDbServer() {
    if (!MakeDir("qualtren-my")) return;
    const std::string data = dir_ + "/data";
    const std::string user = ::geteuid() == 0 ? " --user=root" : "";
    if (RunShell("mariadb-install-db --no-defaults --datadir=" + ShellQuote(data) + user +
                 " --auth-root-authentication-method=normal --skip-test-db >" +
                 ShellQuote(dir_ + "/install.log") + " 2>&1") != 0) {
      error_ = "mariadb-install-db failed: " + ReadText(dir_ + "/install.log");
      return;
    }
    socket_ = dir_ + "/mysqld.sock";
    urlHead_ = "mysql://root@/";
    urlTail_ = "?socket=" + socket_;
    // The server's arguments, as root with the user it runs as.
    std::vector<std::string> args = {"mariadbd",
                                     "--no-defaults",
                                     "--datadir=" + data,
                                     "--socket=" + socket_,
                                     "--pid-file=" + dir_ + "/mysqld.pid",
                                     "--log-error=" + dir_ + "/error.log",
                                     "--skip-networking",
                                     "--innodb-buffer-pool-size=32M",
                                     "--open-files-limit=1024"};
    if (::geteuid() == 0) args.push_back("--user=root");
    std::vector<char*> argv;
    for (std::string& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execvp("mariadbd", argv.data());
      ::_exit(127);
    }
    for (int i = 0; i < 600; ++i) {
      if (RunShell("mariadb --no-defaults -S " + ShellQuote(socket_) +
                   " -u root -e 'select 1' >/dev/null 2>&1") == 0) {
        started_ = true;
        return;
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error_ = "the MariaDB server did not start: " + ReadText(dir_ + "/error.log");
  }
  ~TMariaDbServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }

  const std::string& Socket() const { return socket_; }

 private:
  std::string ClientCommand(const std::string& database, const std::string& sql,
                            bool rows) const override {
    std::string command = "mariadb --no-defaults";
    if (rows) command += " -N -B";
    command += " -S " + ShellQuote(socket_) + " -u root ";
    if (!database.empty()) command += ShellQuote(database);
    return command + " -e " + ShellQuote(sql);
  }
  std::string CreateDatabaseSql(const std::string& name) const override {
    return "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4";
  }

  std::string socket_;
  pid_t pid_ = -1;
};

/// The servers of this test program, started on first use and stopped when
/// the program's tests are over.
class TDbServers : public ::testing::Environment {
 public:
  static TDbServers& Get() {
    static TDbServers* servers = [] {
      auto* s = new TDbServers;  // owned by GoogleTest once added
      ::testing::AddGlobalTestEnvironment(s);
      return s;
    }();
    return *servers;
  }
  /// The PostgreSQL server; fails the calling test when it did not start.
  const TPostgresServer* Postgres() { return StartedOnce(postgres_); }
  /// The MariaDB server, likewise.
  const TMariaDbServer* MariaDb() { return StartedOnce(mariadb_); }
  void TearDown() override {
    postgres_.reset();
    mariadb_.reset();
  }

 private:
  template <class TServer>
  static const TServer* StartedOnce(std::unique_ptr<TServer>& server) {
    if (!server) server = std::make_unique<TServer>();
    EXPECT_TRUE(server->Started()) << server->Error();
    return server->Started() ? server.get() : nullptr;
  }

  std::unique_ptr<TPostgresServer> postgres_;
  std::unique_ptr<TMariaDbServer> mariadb_;
};

}  // namespace qualtren::testsupport
