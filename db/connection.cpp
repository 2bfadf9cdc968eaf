// Connection URLs, and connections through Qt SQL: QSQLITE, QPSQL, QMYSQL
// and QODBC behind the one plain interface of connection.h.
#include "db/connection.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <atomic>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace qualtren {

namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string U(const QString& s) {
  return s.toUtf8().toStdString();
}

[[noreturn]] void Refuse(const std::string& message) {
  throw EDbConnectError(message);
}

const char* const kPasswordAdvice =
    "give the password in QUALTREN_DB_PASSWORD, through the engine's own ways (PGPASSWORD, "
    "~/.pgpass, ~/.my.cnf, the DSN) or with --password-prompt";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// %XX sequences decoded; `what` names the part in an error.
std::string PercentDecoded(std::string_view s, const std::string& what) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    if (i + 2 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i + 1])) ||
        !std::isxdigit(static_cast<unsigned char>(s[i + 2])))
      Refuse("a broken %-escape in the " + what + " of the URL");
    out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
    i += 2;
  }
  return out;
}

// postgresql:// and mysql:// after the scheme: [USER@][HOST][:PORT]/DBNAME[?K=V&...].
void ParseServerUrl(std::string_view rest, TDbUrl& url) {
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) Refuse(url.Text + ": the URL names no database (/DBNAME)");
  std::string_view authority = rest.substr(0, slash);
  std::string_view path = rest.substr(slash + 1);
  std::string_view query;
  if (const size_t q = path.find('?'); q != std::string_view::npos) {
    query = path.substr(q + 1);
    path = path.substr(0, q);
  }
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    if (user.find(':') != std::string_view::npos)
      Refuse(std::string("the URL holds a password; ") + kPasswordAdvice);
    url.User = PercentDecoded(user, "user");
    authority = authority.substr(at + 1);
  }
  if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    const std::string port(authority.substr(colon + 1));
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535)
      Refuse(url.Text + ": the port \"" + port + "\" is no number from 1 to 65535");
    url.Port = std::stoi(port);
    authority = authority.substr(0, colon);
  }
  url.Host = PercentDecoded(authority, "host");
  url.Database = PercentDecoded(path, "database name");
  if (url.Database.empty()) Refuse(url.Text + ": the URL names no database (/DBNAME)");
  const std::string socketKey = url.Engine == TDbEngine::Postgres ? "host" : "socket";
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const size_t eq = pair.find('=');
    const std::string key = Lower(pair.substr(0, eq));
    if (key == "password" || key == "pwd" || key == "passwd")
      Refuse(std::string("the URL holds a password; ") + kPasswordAdvice);
    if (key != socketKey || eq == std::string_view::npos)
      Refuse(url.Text + ": the URL parameter \"" + std::string(pair.substr(0, eq)) +
             "\" is not known (only ?" + socketKey + "=)");
    const std::string value = PercentDecoded(pair.substr(eq + 1), socketKey);
    if (url.Engine == TDbEngine::Postgres)
      url.Host = value;  // ?host= wins over a host before the path
    else
      url.Socket = value;
  }
}

// Whether an ODBC connection string gives a password (PWD=, PASSWORD=).
bool OdbcHoldsPassword(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == ';'))
      ++i;
    const size_t eq = s.find('=', i);
    if (eq == std::string_view::npos) break;
    std::string key = Lower(s.substr(i, eq - i));
    while (!key.empty() && key.back() == ' ')
      key.pop_back();
    if (key == "pwd" || key == "password") return true;
    i = eq + 1;
    if (i < s.size() && s[i] == '{') {  // a braced value may hold ';'
      const size_t close = s.find('}', i);
      i = close == std::string_view::npos ? s.size() : close + 1;
    }
    const size_t semi = s.find(';', i);
    i = semi == std::string_view::npos ? s.size() : semi + 1;
  }
  return false;
}

// The [client] section's value of `key` in ~/.my.cnf, as the mysql client
// reads it (the Qt driver reads no option file itself); empty when none.
std::string MyCnfValue(const std::string& key) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return {};
  std::ifstream in(std::filesystem::path(home) / ".my.cnf");
  std::string line, value;
  bool client = false;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
      line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#' || line[start] == ';') continue;
    line.erase(0, start);
    if (line[0] == '[') {
      client = line == "[client]";
      continue;
    }
    const size_t eq = line.find('=');
    if (!client || eq == std::string::npos) continue;
    std::string name = line.substr(0, eq);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
      name.pop_back();
    if (name != key) continue;
    value = line.substr(line.find_first_not_of(" \t", eq + 1) == std::string::npos
                            ? line.size()
                            : line.find_first_not_of(" \t", eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Makes the process's Qt application object when there is none.
void EnsureQtApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "qualtren-cli";
  static char* argv[] = {name, nullptr};
  // Qt sets the C library's locale from the environment; the rest of the
  // program reads numbers and text under the locale it had.
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  static QCoreApplication app(argc, argv);
  std::setlocale(LC_ALL, locale.c_str());
}

std::string FirstLine(std::string text) {
  const size_t nl = text.find('\n');
  if (nl != std::string::npos) text.resize(nl);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
    text.pop_back();
  return text;
}

std::string ErrorText(const QSqlError& e) {
  std::string db = FirstLine(U(e.databaseText()));
  if (!db.empty()) return db;
  return FirstLine(U(e.text()));
}

// Raises EDbError, naming the URL, `what` and the database's reason, where a
// transaction step was not `done`.
void CheckStep(bool done, const TDbUrl& url, const QSqlDatabase& db, const char* what) {
  if (!done) throw EDbError(url.Text + ": " + what + ": " + ErrorText(db.lastError()));
}

// What an engine is reached through: the Qt SQL driver, the Debian package
// that installs it, and the flavor (none for ODBC, where --dialect tells).
struct TEngineInfo {
  TDbEngine Engine;
  const char* Driver;
  const char* Package;
  std::optional<TDbFlavor> Flavor;
};

constexpr TEngineInfo kEngines[] = {
    {TDbEngine::Sqlite, "QSQLITE", "libqt6sql6-sqlite", TDbFlavor::Sqlite},
    {TDbEngine::Postgres, "QPSQL", "libqt6sql6-psql", TDbFlavor::Postgres},
    {TDbEngine::MySql, "QMYSQL", "libqt6sql6-mysql", TDbFlavor::MySql},
    {TDbEngine::Odbc, "QODBC", "libqt6sql6-odbc", std::nullopt},
};

const TEngineInfo& EngineInfo(TDbEngine engine) {
  for (const TEngineInfo& e : kEngines)
    if (e.Engine == engine) return e;
  return kEngines[std::size(kEngines) - 1];
}

// The flavor each dialect names for an ODBC database, and the dialect of
// each flavor; SQLite's SQL is ANSI's.
struct TFlavorDialect {
  TDbFlavor Flavor;
  TDialect Dialect;
};

constexpr TFlavorDialect kFlavorDialects[] = {
    {TDbFlavor::SqlServer, TDialect::TSql},
    {TDbFlavor::Postgres, TDialect::Postgres},
    {TDbFlavor::MySql, TDialect::MySql},
};

}  // namespace

TDbUrl ParseDbUrl(std::string_view text) {
  TDbUrl url;
  url.Text = std::string(text);
  auto startsWith = [&](std::string_view p) { return text.substr(0, p.size()) == p; };
  if (startsWith("sqlite:")) {
    url.Engine = TDbEngine::Sqlite;
    url.Path = std::string(text.substr(7));
    if (url.Path.empty()) Refuse("the URL sqlite: names no file");
  } else if (startsWith("postgresql://") || startsWith("postgres://")) {
    url.Engine = TDbEngine::Postgres;
    ParseServerUrl(text.substr(text.find("//") + 2), url);
  } else if (startsWith("mysql://") || startsWith("mariadb://")) {
    url.Engine = TDbEngine::MySql;
    ParseServerUrl(text.substr(text.find("//") + 2), url);
  } else if (startsWith("odbc:")) {
    url.Engine = TDbEngine::Odbc;
    url.Odbc = std::string(text.substr(5));
    if (OdbcHoldsPassword(url.Odbc))
      Refuse(std::string("the ODBC connection string holds a password; ") + kPasswordAdvice);
    if (url.Odbc.empty()) Refuse("the URL odbc: names no DSN or driver");
  } else {
    // The text may be a mistyped URL with a password in it: not repeated.
    Refuse(
        "the database URL is none of sqlite:PATH, postgresql://[USER@][HOST][:PORT]/DBNAME, "
        "mysql://[USER@][HOST][:PORT]/DBNAME, odbc:CONNECTION-STRING");
  }
  return url;
}

TDbFlavor FlavorOf(const TDbUrl& url, TDialect dialect) {
  if (const std::optional<TDbFlavor> flavor = EngineInfo(url.Engine).Flavor) return *flavor;
  for (const TFlavorDialect& f : kFlavorDialects)
    if (f.Dialect == dialect) return f.Flavor;
  Refuse(url.Text + ": an ODBC database needs --dialect tsql, postgres or mysql (its SQL)");
}

TDialect DialectOf(TDbFlavor flavor) {
  for (const TFlavorDialect& f : kFlavorDialects)
    if (f.Flavor == flavor) return f.Dialect;
  return TDialect::Ansi;
}

struct TDbConnection::TImpl {
  QString Name;
  QSqlDatabase Db;
  ~TImpl() {
    if (Db.isOpen()) Db.close();
    Db = QSqlDatabase();
    QSqlDatabase::removeDatabase(Name);
  }
};

TDbConnection::TDbConnection(const TDbUrl& url, const std::string& password, TDialect dialect)
    : url_(url), flavor_(FlavorOf(url, dialect)) {
  EnsureQtApplication();
  static std::atomic<int> serial{0};
  const char* driver = EngineInfo(url.Engine).Driver;
  const char* package = EngineInfo(url.Engine).Package;
  if (!QSqlDatabase::isDriverAvailable(driver))
    Refuse(url.Text + ": the Qt SQL driver " + driver + " is not installed (Debian package " +
           package + ")");
  impl_ = std::make_unique<TImpl>();
  impl_->Name = QString("qualtren-db-%1").arg(serial++);
  QSqlDatabase& db = impl_->Db = QSqlDatabase::addDatabase(driver, impl_->Name);
  switch (url.Engine) {
    case TDbEngine::Sqlite:
      if (!std::filesystem::is_regular_file(url.Path)) Refuse(url.Text + ": no such file");
      db.setDatabaseName(Q(url.Path));
      break;
    case TDbEngine::Postgres:
    case TDbEngine::MySql:
      if (!url.Host.empty()) db.setHostName(Q(url.Host));
      if (url.Port != 0) db.setPort(url.Port);
      db.setDatabaseName(Q(url.Database));
      if (!url.User.empty()) db.setUserName(Q(url.User));
      if (url.Engine == TDbEngine::Postgres)
        db.setConnectOptions("connect_timeout=10");
      else if (!url.Socket.empty())
        db.setConnectOptions("UNIX_SOCKET=" + Q(url.Socket));
      break;
    case TDbEngine::Odbc:
      db.setDatabaseName(Q(url.Odbc));
      break;
  }
  if (!password.empty())
    db.setPassword(Q(password));
  else if (url.Engine == TDbEngine::MySql)
    db.setPassword(Q(MyCnfValue("password")));
  if (!db.open()) {
    const std::string reason = ErrorText(db.lastError());
    Refuse("cannot connect to " + url.Text + ": " + (reason.empty() ? "no reason given" : reason));
  }
  db.setPassword(QString());
  if (url.Engine == TDbEngine::Sqlite) {
    // A double-quoted word is a name, never a string: an untranslated quoted
    // name is an error rather than a string that happens to run.
    const QVariant handle = db.driver()->handle();
    if (auto* sqlite = *static_cast<sqlite3* const*>(handle.data()))
      sqlite3_db_config(sqlite, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  } else if (flavor_ == TDbFlavor::Postgres) {
    Exec("SET client_min_messages = warning");
  }
}

TDbConnection::~TDbConnection() = default;

std::vector<TDbRow> TDbConnection::Query(std::string_view sql,
                                         const std::vector<std::string>& params) {
  QSqlQuery q(impl_->Db);
  q.setForwardOnly(true);
  bool ok;
  if (params.empty()) {
    ok = q.exec(Q(sql));
  } else {
    ok = q.prepare(Q(sql));
    for (const std::string& p : params)
      q.addBindValue(Q(p));
    ok = ok && q.exec();
  }
  if (!ok) throw EDbError(url_.Text + ": " + ErrorText(q.lastError()));
  std::vector<TDbRow> rows;
  const int columns = q.record().count();
  while (q.next()) {
    TDbRow row;
    row.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      const QVariant v = q.value(c);
      if (v.isNull())
        row.emplace_back();
      else
        row.emplace_back(U(v.toString()));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

bool TDbConnection::TryExec(std::string_view sql, std::string& message) {
  QSqlQuery q(impl_->Db);
  q.setForwardOnly(true);
  if (q.exec(Q(sql))) return true;
  message = ErrorText(q.lastError());
  if (message.empty()) message = "refused, with no reason given";
  return false;
}

void TDbConnection::Exec(std::string_view sql) {
  std::string message;
  if (!TryExec(sql, message)) throw EDbError(url_.Text + ": " + message);
}

void TDbConnection::Begin() {
  CheckStep(impl_->Db.transaction(), url_, impl_->Db, "cannot start a transaction");
}

void TDbConnection::Commit() {
  CheckStep(impl_->Db.commit(), url_, impl_->Db, "the commit failed");
}

void TDbConnection::Rollback() {
  CheckStep(impl_->Db.rollback(), url_, impl_->Db, "the rollback failed");
}

std::string QuoteName(TDbFlavor flavor, std::string_view name) {
  const char open = flavor == TDbFlavor::MySql ? '`' : flavor == TDbFlavor::SqlServer ? '[' : '"';
  const char close = open == '[' ? ']' : open;
  std::string out(1, open);
  for (char c : name) {
    out += c;
    if (c == close) out += c;
  }
  return out + close;
}

std::string QuoteString(TDbFlavor flavor, std::string_view text) {
  std::string out = flavor == TDbFlavor::SqlServer ? "N'" : "'";
  for (char c : text) {
    out += c;
    if (c == '\'' || (c == '\\' && flavor == TDbFlavor::MySql)) out += c;
  }
  return out + "'";
}

}  // namespace qualtren
