// The connection of a "db" subcommand: the URL parsed, the password taken
// from the environment or read from the terminal without echo.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "cli/db_commands.h"
#include "db/connection.h"

namespace qualtren {

namespace {

// A line read from the controlling terminal with echo off, the terminal's
// settings put back whatever happens.
std::string ReadPasswordFromTerminal() {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) throw EUsageError("--password-prompt: no terminal to read the password from");
  struct TFd {
    int Fd;
    ~TFd() { ::close(Fd); }
  } closer{fd};
  termios saved{};
  const bool isTerminal = ::tcgetattr(fd, &saved) == 0;
  if (!isTerminal) throw EUsageError("--password-prompt: no terminal to read the password from");
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  ::tcsetattr(fd, TCSAFLUSH, &quiet);
  struct TRestore {
    int Fd;
    termios Saved;
    ~TRestore() {
      ::tcsetattr(Fd, TCSAFLUSH, &Saved);
      (void)!::write(Fd, "\n", 1);
    }
  } restore{fd, saved};
  static const char prompt[] = "Password: ";
  (void)!::write(fd, prompt, sizeof prompt - 1);
  std::string password;
  char c;
  while (::read(fd, &c, 1) == 1 && c != '\n' && c != '\r')
    password += c;
  return password;
}

}  // namespace

std::string DbPassword(const DbOptions& options) {
  if (const char* env = std::getenv("QUALTREN_DB_PASSWORD"); env != nullptr && *env != '\0')
    return env;
  if (options.PasswordPrompt) return ReadPasswordFromTerminal();
  return {};
}

std::unique_ptr<TDbConnection> OpenDb(const DbOptions& options) {
  const TDbUrl url = ParseDbUrl(options.Url);
  return std::make_unique<TDbConnection>(url, DbPassword(options), options.Dialect.Dialect);
}

}  // namespace qualtren
