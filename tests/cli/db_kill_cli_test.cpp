// A db rename --apply or a db verify killed in the middle of its work
// leaves the database as it was: PostgreSQL, where a lock held by another
// session stops the run halfway, and SQLite, where a reader stops its
// commit.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "cli/db_cli_fixture.h"
#include "db/connection.h"

namespace qualtren::clitest {
namespace {

class DbKillCliTest : public CliTest {
 protected:
  // Waits, a bounded while, until `ready` holds; fails the test otherwise.
  static bool WaitFor(const std::function<bool()>& ready, const char* what) {
    for (int i = 0; i < 600; ++i) {
      if (ready()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "waited in vain: " << what;
    return false;
  }
  // Starts qualtren-cli in the background; its process id.
  std::string Start(const std::string& args) const {
    EXPECT_EQ(Shell("sh -c " + Quote("LC_ALL=C " + Quote(cli_) + " " + args +
                                     " >bg.out 2>bg.err </dev/null & echo $! >bg.pid")),
              0);
    std::string pid = Read("bg.pid");
    while (!pid.empty() && pid.back() == '\n')
      pid.pop_back();
    return pid;
  }
  void MakeTables() {
    ImportTables("t", "TableName,TableNameAng\nkupac,Customer\nracun,Invoice\n",
                 "Naziv,ProcedureNameAng\nobracun,Settle\n",
                 "TableName,FieldName,FieldNameAng\nkupac,ime,Name\nracun,iznos,Amount\n");
  }
};

class DbKillPostgresTest : public PostgresDbTest<DbKillCliTest> {
 protected:
  DbKillPostgresTest() : PostgresDbTest("kill") {}
  void SetUp() override {
    PostgresDbTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(pg_->Sql(db_,
                       "CREATE TABLE kupac (id int, ime text); CREATE TABLE racun (iznos int);"
                       "INSERT INTO kupac VALUES (1, 'Ana')"),
              0);
    MakeTables();
  }
  std::string Catalog() const {
    return Rows(
        "SELECT c.relname || '.' || a.attname FROM pg_class c JOIN pg_attribute a "
        "ON a.attrelid = c.oid AND a.attnum > 0 WHERE c.relkind = 'r' AND "
        "c.relnamespace = 'public'::regnamespace ORDER BY 1");
  }
  // Another session takes the lock on racun and keeps it.
  void LockRacun() {
    ASSERT_EQ(Shell("LC_ALL=C PGAPPNAME=locker psql -X -q -h " + Quote(pg_->Dir()) +
                    " -U postgres -d " + db_ +
                    " -c BEGIN -c 'LOCK TABLE racun IN ACCESS EXCLUSIVE MODE' "
                    "-c 'SELECT pg_sleep(120)' >/dev/null 2>&1 &"),
              0);
    WaitFor(
        [&] {
          return Rows(
                     "SELECT count(*) FROM pg_locks WHERE granted AND "
                     "relation = 'racun'::regclass AND mode = 'AccessExclusiveLock'") == "1\n";
        },
        "the lock of the other session");
  }
  // Kills the run once it waits for the lock, then ends the other session
  // and waits until the server has let go of both.
  void KillWhenBlocked(const std::string& pid) {
    WaitFor([&] { return Rows("SELECT count(*) FROM pg_locks WHERE NOT granted") != "0\n"; },
            "the run waiting for the lock");
    ASSERT_EQ(Shell("kill -9 " + pid), 0);
    Rows(
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = "
        "'locker'");
    WaitFor(
        [&] {
          return Rows(
                     "SELECT count(*) FROM pg_stat_activity WHERE datname = "
                     "current_database() AND pid <> pg_backend_pid()") == "0\n";
        },
        "the sessions to end");
  }
};

TEST_F(DbKillPostgresTest, KilledApplyLeavesTheDatabaseAsItWas) {
  const std::string before = Catalog();
  ASSERT_EQ(before, "kupac.id\nkupac.ime\nracun.iznos\n");
  LockRacun();
  const std::string pid = Start("db rename --db " + Quote(pg_->Url(db_)) + " --tables t --apply");
  KillWhenBlocked(pid);
  EXPECT_EQ(Read("bg.out"), "");
  EXPECT_EQ(Catalog(), before);
  // Run again to its end, it renames everything.
  const RunResult r = Run("db rename --db " + Quote(pg_->Url(db_)) + " --tables t --apply");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Catalog(), "customer.id\ncustomer.name\ninvoice.amount\n");
}

TEST_F(DbKillPostgresTest, KilledVerifyLeavesTheDatabaseAsItWas) {
  Write("check.sql",
        "INSERT INTO kupac VALUES (9, 'X');\nALTER TABLE kupac ADD COLUMN x int;\n"
        "SELECT * FROM racun;\n");
  LockRacun();
  const std::string pid = Start("db verify --db " + Quote(pg_->Url(db_)) + " check.sql");
  KillWhenBlocked(pid);
  EXPECT_EQ(Rows("SELECT count(*) FROM kupac"), "1\n");
  EXPECT_EQ(Catalog(), "kupac.id\nkupac.ime\nracun.iznos\n");
}

TEST_F(DbKillCliTest, KilledApplyOnSqliteLeavesTheDatabaseAsItWas) {
  MakeTables();
  const std::string file = Path("shop.db").string();
  ASSERT_EQ(Shell("touch shop.db"), 0);
  const TDbUrl url = ParseDbUrl("sqlite:" + file);
  auto schema = [&] {
    TDbConnection db(url, "");
    std::string out;
    for (const TDbRow& row : db.Query("SELECT sql FROM sqlite_master ORDER BY name"))
      out += *row[0] + "\n";
    return out;
  };
  {
    TDbConnection db(url, "");
    db.Exec("CREATE TABLE kupac (id int, ime text)");
    db.Exec("CREATE TABLE racun (iznos int)");
    db.Exec("CREATE VIEW pregled AS SELECT ime FROM kupac");
  }
  const std::string before = schema();
  {
    // A reader holds its lock: the run can write its journal but not commit.
    TDbConnection reader(url, "");
    reader.Begin();
    reader.Query("SELECT count(*) FROM kupac");
    const std::string pid = Start("db rename --db sqlite:shop.db --tables t --apply");
    WaitFor([&] { return fs::exists(Path("shop.db-journal")); }, "the run's journal");
    ASSERT_EQ(Shell("kill -9 " + pid), 0);
    reader.Rollback();
  }
  EXPECT_EQ(Read("bg.out"), "");
  EXPECT_EQ(schema(), before);
  const RunResult r = Run("db rename --db sqlite:shop.db --tables t --apply");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(schema(),
            "CREATE TABLE \"Customer\" (id int, \"Name\" text)\n"
            "CREATE TABLE \"Invoice\" (\"Amount\" int)\n"
            "CREATE VIEW \"pregled\" AS SELECT Name FROM Customer\n");
}

}  // namespace
}  // namespace qualtren::clitest
