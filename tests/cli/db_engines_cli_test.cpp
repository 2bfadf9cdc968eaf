// The db commands on MariaDB (views, routines and triggers re-created, a
// run cut short finished by the next --apply), on SQLite (a renamed view
// re-created, double-quoted strings off in verify) and through ODBC against
// PostgreSQL (the same harvest as the native driver's).
#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "db/connection.h"
#include "db_server.h"

namespace qualtren::clitest {
namespace {

using testsupport::TDbServers;

class DbEnginesCliTest : public CliTest {
 protected:
  void MakeTables() {
    ImportTables("t", "TableName,TableNameAng\nkupac,Customer\nracun,Invoice\npregled,Overview\n",
                 "Naziv,ProcedureNameAng\nobracun,Settle\nzatvori,CloseZero\n",
                 "TableName,FieldName,FieldNameAng\nkupac,ime,Name\nkupac,grad,City\n"
                 "racun,kupac,CustomerId\nracun,iznos,Amount\npregled,ime,Name\n"
                 "pregled,iznos,Amount\nimena,ime,Name\n");
  }
};

constexpr const char* kMariaShop = R"sql(
CREATE TABLE kupac (id int PRIMARY KEY, ime varchar(50), grad varchar(50));
CREATE TABLE racun (id int PRIMARY KEY, kupac int, iznos decimal(10,2));
CREATE VIEW pregled AS SELECT k.ime, r.iznos FROM kupac k JOIN racun r ON r.kupac = k.id;
CREATE FUNCTION obracun(p_kupac int) RETURNS decimal(10,2) READS SQL DATA
  RETURN (SELECT sum(iznos) FROM racun WHERE kupac = p_kupac);
CREATE PROCEDURE zatvori() MODIFIES SQL DATA DELETE FROM racun WHERE iznos = 0;
CREATE TRIGGER t1 BEFORE INSERT ON racun FOR EACH ROW SET NEW.iznos = coalesce(NEW.iznos, 0);
INSERT INTO kupac VALUES (1, 'Ana', 'Zagreb');
INSERT INTO racun VALUES (1, 1, 10), (2, 1, 5);
)sql";

TEST_F(DbEnginesCliTest, MariaDbRenameIsFinishedByTheNextApply) {
  const testsupport::TMariaDbServer* my = TDbServers::Get().MariaDb();
  ASSERT_NE(my, nullptr);
  my->CreateDatabase("shop");
  ASSERT_EQ(my->Sql("shop", kMariaShop), 0);
  MakeTables();
  const std::string url = Quote(my->Url("shop"));
  RunResult r = Run("db rename --db " + url + " --tables t -o rename.sql");
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string script = Read("rename.sql");
  EXPECT_NE(script.find("-- MySQL and MariaDB commit each statement by itself"), std::string::npos);
  EXPECT_EQ(script.find("BEGIN;"), std::string::npos);
  // A run cut short after it created Settle and before it dropped obracun.
  const size_t cut = script.find("DROP FUNCTION `obracun`;");
  ASSERT_NE(cut, std::string::npos) << script;
  Write("part.sql", script.substr(0, cut));
  ASSERT_EQ(Shell("mariadb --no-defaults -S " + Quote(my->Socket()) + " -u root shop <part.sql"),
            0);
  r = Run("db rename --db " + url + " --tables t --apply");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("an earlier run that did not finish"), std::string::npos) << r.Out;
  EXPECT_EQ(my->Rows("shop",
                     "SELECT ROUTINE_NAME FROM information_schema.ROUTINES WHERE "
                     "ROUTINE_SCHEMA = 'shop' ORDER BY 1"),
            "CloseZero\nSettle\n");
  EXPECT_EQ(my->Rows("shop",
                     "SELECT Settle(1); "
                     "INSERT INTO Invoice VALUES (3, 1, NULL); CALL CloseZero(); "
                     "SELECT count(*) FROM Invoice; SELECT * FROM Overview ORDER BY 2"),
            "15.00\n2\nAna\t5.00\nAna\t10.00\n");
  r = Run("db rename --db " + url + " --tables t --apply");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "db rename: nothing to rename; the database has its English names\n");

  // verify: DDL commits by itself on MariaDB, so it is not run.
  Write("check.sql",
        "SELECT Name FROM Customer;\nCREATE TABLE x (y int);\nSELECT ime FROM kupac;\n");
  r = Run("db verify --db " + url + " check.sql");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out,
            "check.sql:2: not run (commits by itself)\n"
            "check.sql:3: Table 'shop.kupac' doesn't exist\n"
            "verify: 2 statements, 1 failed, in 1 file, 1 not run\n");
}

TEST_F(DbEnginesCliTest, PasswordsComeFromTheEnvironmentOrTheEnginesOwnFile) {
  const testsupport::TMariaDbServer* my = TDbServers::Get().MariaDb();
  ASSERT_NE(my, nullptr);
  ASSERT_EQ(my->Sql("",
                    "CREATE DATABASE pw; CREATE USER 'ana'@'localhost' IDENTIFIED BY "
                    "'Tajna-99'; GRANT ALL ON pw.* TO 'ana'@'localhost'"),
            0);
  const std::string url = "mysql://ana@/pw?socket=" + my->Socket();
  Write("check.sql", "SELECT 1;\n");
  Write("home/.keep", "");
  auto verify = [&](const std::string& env) {
    return Execute("cd " + Quote(dir_.string()) + " && HOME=" + Quote(Path("home").string()) + " " +
                   env + " LC_ALL=C " + Quote(cli_) + " db verify --db " + Quote(url) +
                   " check.sql >.stdout 2>.stderr </dev/null");
  };
  RunResult r = verify("");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("cannot connect to " + url + ": Access denied for user 'ana'"),
            std::string::npos)
      << r.Err;
  r = verify("QUALTREN_DB_PASSWORD=wrong-pw");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.find("wrong-pw"), std::string::npos) << r.Err;
  EXPECT_EQ(verify("QUALTREN_DB_PASSWORD=Tajna-99").Status, 0);
  // --password-prompt reads the terminal with its echo off: the terminal
  // shows the prompt, never the password.
  const RunResult prompted = Execute(
      "cd " + Quote(dir_.string()) + " && (sleep 1; printf 'Tajna-99\\n') | script -q -e -c " +
      Quote("HOME=" + Quote(Path("home").string()) + " LC_ALL=C " + Quote(cli_) +
            " db verify --password-prompt --db " + Quote(url) + " check.sql") +
      " /dev/null >.stdout 2>.stderr");
  EXPECT_EQ(prompted.Status, 0) << prompted.Out;
  EXPECT_NE(prompted.Out.find("Password: "), std::string::npos) << prompted.Out;
  EXPECT_NE(prompted.Out.find("verify: 1 statement, 0 failed"), std::string::npos) << prompted.Out;
  EXPECT_EQ(prompted.Out.find("Tajna"), std::string::npos) << prompted.Out;
  Write("home/.my.cnf", "[mysql]\npassword=nope\n[client]\npassword = \"Tajna-99\"\n");
  r = verify("");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "verify: 1 statement, 0 failed, in 1 file\n");
}

TEST_F(DbEnginesCliTest, SqliteRecreatesARenamedViewAndVerifiesWithoutQuotedStrings) {
  ASSERT_EQ(Shell("touch shop.db"), 0);
  {
    TDbConnection db(ParseDbUrl("sqlite:" + Path("shop.db").string()), "");
    db.Exec("CREATE TABLE kupac (id int, ime text, grad text)");
    db.Exec("CREATE TABLE racun (kupac int, iznos int)");
    db.Exec(
        "CREATE VIEW pregled (ime, iznos) AS SELECT k.ime, r.iznos FROM kupac k "
        "JOIN racun r ON r.kupac = k.id");
    // SQLite follows a column rename into a view, but not into the name it
    // gives its own column.
    db.Exec("CREATE VIEW imena AS SELECT ime AS ime FROM kupac");
    db.Exec("INSERT INTO kupac VALUES (1, 'Ana', 'Zagreb')");
  }
  MakeTables();
  RunResult r = Run("db harvest --db sqlite:shop.db --out h");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Read("h/procedures.csv"), "\"Naziv\",\"ProcedureNameAng\"\r\n");
  r = Run("db rename --db sqlite:shop.db --tables t --apply");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "db rename: renamed 2 tables, 1 view, 4 columns; re-created 2 views\n");
  Write("check.sql",
        "SELECT Name, Amount FROM Overview;\nSELECT \"Grad\" FROM Customer;\n"
        "SELECT Name FROM imena;\n"
        "INSERT INTO Customer VALUES (2, 'B', 'C');\n");
  r = Run("db verify --db sqlite:shop.db check.sql");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out,
            "check.sql:2: no such column: Grad\n"
            "verify: 4 statements, 1 failed, in 1 file\n");
  r = Run("db verify --db sqlite:missing.db check.sql");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: sqlite:missing.db: no such file\n");
}

// qualtren-cli hands a db command to the program that runs it; copied
// without that program, it names where it looked, and runs the rest alone.
TEST_F(DbEnginesCliTest, WithoutItsDbProgramTheCommandLineNamesIt) {
  ASSERT_EQ(Shell("mkdir -p alone/bin && cp " + Quote(cli_) + " alone/bin/ && touch shop.db"), 0);
  EXPECT_EQ(Shell("alone/bin/qualtren-cli db harvest --db sqlite:shop.db >out 2>err"), 2);
  const std::string err = Read("err");
  EXPECT_EQ(err, "qualtren-cli: the program that runs the db commands is missing: " +
                     (fs::canonical(Path("alone")) / "libexec/qualtren/qualtren-cli-db").string() +
                     "\n");
  MakeTables();
  Write("q.sql", "select Ime from Kupac\n");
  EXPECT_EQ(Shell("alone/bin/qualtren-cli translate --tables t q.sql >out"), 0);
  EXPECT_EQ(Read("out"), "select Name from Customer\r\n");
}

TEST_F(DbEnginesCliTest, OdbcReadsWhatTheNativeDriverReads) {
  const testsupport::TPostgresServer* pg = TDbServers::Get().Postgres();
  ASSERT_NE(pg, nullptr);
  pg->CreateDatabase("odbcshop");
  ASSERT_EQ(pg->Sql("odbcshop",
                    "CREATE TABLE kupac (id int, ime text); CREATE VIEW pregled AS SELECT ime "
                    "FROM kupac; CREATE FUNCTION obracun() RETURNS int LANGUAGE sql AS "
                    "'SELECT 1'"),
            0);
  const std::string odbc = "odbc:Driver={PostgreSQL Unicode};Server=" + pg->Dir() +
                           ";Port=5432;Database=odbcshop;Uid=postgres";
  RunResult native = Run("db harvest --db " + Quote(pg->Url("odbcshop")) + " --out native");
  ASSERT_EQ(native.Status, 0) << native.Err;
  RunResult r = Run("db harvest --db " + Quote(odbc) + " --dialect postgres --out odbc");
  ASSERT_EQ(r.Status, 0) << r.Err;
  for (const char* f : {"tables.csv", "columns.csv", "procedures.csv"})
    EXPECT_EQ(Read(std::string("odbc/") + f), Read(std::string("native/") + f)) << f;
  EXPECT_EQ(Read("odbc/tables.csv"),
            "\"TableName\",\"TableNameAng\"\r\n\"kupac\",\r\n\"pregled\",\r\n");
  Write("check.sql", "SELECT ime FROM pregled;\nSELECT nema FROM kupac;\n");
  r = Run("db verify --db " + Quote(odbc) + " --dialect postgres check.sql");
  EXPECT_EQ(r.Status, 1) << r.Err;
  EXPECT_NE(r.Out.find("check.sql:2: ERROR: column \"nema\" does not exist"), std::string::npos)
      << r.Out;
  // The rename runs through ODBC in one transaction as it does natively.
  MakeTables();
  r = Run("db rename --db " + Quote(odbc) + " --dialect postgres --tables t --apply");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "db rename: renamed 1 table, 1 view, 2 columns, 1 function; re-created nothing\n");
  EXPECT_EQ(pg->Rows("odbcshop", "SELECT settle(), count(*) FROM overview"), "1|0\n");
  r = Run("db harvest --db " + Quote(odbc));
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("needs --dialect"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace qualtren::clitest
