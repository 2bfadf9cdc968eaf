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

class TPostgresServer {
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
    dir_ = MakeServerDir("qualtren-pg");
    if (dir_.empty()) {
      error_ = "no temporary directory";
      return;
    }
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
    if (!dir_.empty()) {
      std::error_code ec;
      dbfs::remove_all(dir_, ec);
    }
  }

  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }
  /// The socket directory.
  const std::string& Dir() const { return dir_; }
  /// The URL of a database of this server.
  std::string Url(const std::string& database) const {
    return "postgresql://postgres@/" + database + "?host=" + dir_;
  }
  /// Runs SQL with psql on a database; the exit status.
  int Psql(const std::string& database, const std::string& sql) const {
    return RunShell("LC_ALL=C psql -X -q -v ON_ERROR_STOP=1 -h " + ShellQuote(dir_) +
                    " -U postgres -d " + ShellQuote(database) + " -c " + ShellQuote(sql) +
                    " >/dev/null");
  }
  /// The rows a query gives, each value separated by "|", each row ending
  /// in a line break.
  std::string Rows(const std::string& database, const std::string& sql) const {
    return ShellOutput("LC_ALL=C psql -X -q -A -t -h " + ShellQuote(dir_) + " -U postgres -d " +
                       ShellQuote(database) + " -c " + ShellQuote(sql) + " 2>&1");
  }
  /// A new, empty database.
  void CreateDatabase(const std::string& name) const {
    ASSERT_EQ(Psql("postgres", "CREATE DATABASE \"" + name + "\""), 0) << name;
  }

 private:
  std::string bin_, dir_, as_, error_;
  bool started_ = false;
};

class TMariaDbServer {
 public:
  TMariaDbServer() {
    dir_ = MakeServerDir("qualtren-my");
    if (dir_.empty()) {
      error_ = "no temporary directory";
      return;
    }
    const std::string data = dir_ + "/data";
    const std::string user = ::geteuid() == 0 ? " --user=root" : "";
    if (RunShell("mariadb-install-db --no-defaults --datadir=" + ShellQuote(data) + user +
                 " --auth-root-authentication-method=normal --skip-test-db >" +
                 ShellQuote(dir_ + "/install.log") + " 2>&1") != 0) {
      error_ = "mariadb-install-db failed: " + ReadText(dir_ + "/install.log");
      return;
    }
    socket_ = dir_ + "/mysqld.sock";
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string a1 = "--datadir=" + data, a2 = "--socket=" + socket_,
                        a3 = "--pid-file=" + dir_ + "/mysqld.pid",
                        a4 = "--log-error=" + dir_ + "/error.log";
      if (::geteuid() == 0)
        ::execlp("mariadbd", "mariadbd", "--no-defaults", a1.c_str(), a2.c_str(), a3.c_str(),
                 a4.c_str(), "--skip-networking", "--innodb-buffer-pool-size=32M",
                 "--open-files-limit=1024", "--user=root", static_cast<char*>(nullptr));
      else
        ::execlp("mariadbd", "mariadbd", "--no-defaults", a1.c_str(), a2.c_str(), a3.c_str(),
                 a4.c_str(), "--skip-networking", "--innodb-buffer-pool-size=32M",
                 "--open-files-limit=1024", static_cast<char*>(nullptr));
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
    if (!dir_.empty()) {
      std::error_code ec;
      dbfs::remove_all(dir_, ec);
    }
  }

  bool Started() const { return started_; }
  const std::string& Error() const { return error_; }
  const std::string& Socket() const { return socket_; }
  std::string Url(const std::string& database) const {
    return "mysql://root@/" + database + "?socket=" + socket_;
  }
  /// Runs SQL with the mariadb client on a database ("" for none).
  int Sql(const std::string& database, const std::string& sql) const {
    return RunShell("mariadb --no-defaults -S " + ShellQuote(socket_) + " -u root " +
                    (database.empty() ? "" : ShellQuote(database)) + " -e " + ShellQuote(sql) +
                    " >/dev/null");
  }
  std::string Rows(const std::string& database, const std::string& sql) const {
    return ShellOutput("mariadb --no-defaults -N -B -S " + ShellQuote(socket_) + " -u root " +
                       ShellQuote(database) + " -e " + ShellQuote(sql) + " 2>&1");
  }
  void CreateDatabase(const std::string& name) const {
    ASSERT_EQ(Sql("", "CREATE DATABASE `" + name + "` CHARACTER SET utf8mb4"), 0) << name;
  }

 private:
  std::string dir_, socket_, error_;
  pid_t pid_ = -1;
  bool started_ = false;
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
  const TPostgresServer* Postgres() {
    if (!postgres_) postgres_ = std::make_unique<TPostgresServer>();
    EXPECT_TRUE(postgres_->Started()) << postgres_->Error();
    return postgres_->Started() ? postgres_.get() : nullptr;
  }
  const TMariaDbServer* MariaDb() {
    if (!mariadb_) mariadb_ = std::make_unique<TMariaDbServer>();
    EXPECT_TRUE(mariadb_->Started()) << mariadb_->Error();
    return mariadb_->Started() ? mariadb_.get() : nullptr;
  }
  void TearDown() override {
    postgres_.reset();
    mariadb_.reset();
  }

 private:
  std::unique_ptr<TPostgresServer> postgres_;
  std::unique_ptr<TMariaDbServer> mariadb_;
};

}  // namespace qualtren::testsupport
