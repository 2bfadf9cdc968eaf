// The README's round from db harvest to db verify, its lines taken from the
// README itself, run on PostgreSQL, MariaDB and SQLite.
#include <gtest/gtest.h>

#include "cli/cli_fixture.h"
#include "db/connection.h"
#include "db_server.h"

namespace qualtren::clitest {
namespace {

using testsupport::TDbServers;

// The lines of the README between the db-round markers, without the fence.
std::string RoundLines() {
  const char* source = std::getenv("QUALTREN_SOURCE");
  const std::string readme =
      testsupport::ReadText(fs::path(source ? source : QUALTREN_SOURCE_DIR) / "README.md");
  const size_t begin = readme.find("<!-- db-round begin -->\n```sh\n");
  const size_t end = readme.find("```\n<!-- db-round end -->");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return {};
  const size_t from = begin + std::string("<!-- db-round begin -->\n```sh\n").size();
  return readme.substr(from, end - from);
}

class DbRoundCliTest : public CliTest {
 protected:
  // The walk-through's tables, made as its first step makes them.
  void MakeWalkTables() {
    Write("tables/table.csv", "TableName,TableNameAng\nKupac,Customer\nRacun,Invoice\n");
    Write("tables/proc.csv", "Naziv,ProcedureNameAng\nObracun,Settle\n");
    Write("tables/column.csv",
          "TableName,FieldName,FieldNameAng\nKupac,Ime,Name\nKupac,Grad,City\n"
          "Racun,Iznos,Amount\nRacun,Kupac,CustomerId\n");
    ASSERT_EQ(Run("table import tables/table.csv  --out tables/Q47SifTable.vtd").Status, 0);
    ASSERT_EQ(Run("table import tables/proc.csv   --out tables/Q47SifSQL_SP.vtd").Status, 0);
    ASSERT_EQ(Run("table import tables/column.csv --out tables/Q47SifTableStr.vtd").Status, 0);
  }
  // Runs the round on the database of `url`; its output.
  std::string RunRound(const std::string& url) {
    const std::string lines = RoundLines();
    EXPECT_NE(lines.find("db verify"), std::string::npos) << "no round in the README";
    Write("round.sh", lines);
    const int status = Shell("PATH=" + Quote(BinDir()) + ":\"$PATH\" DB=" + Quote(url) +
                             " LC_ALL=C bash -e -x round.sh >round.out 2>&1");
    const std::string out = Read("round.out");
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("verify: 3 statements, 0 failed, in 1 file\n"), std::string::npos) << out;
    EXPECT_NE(out.find("new/tables.csv: 3 tables and views found, 2 held by the tables "
                       "already, 1 written\n"),
              std::string::npos)
        << out;
    return out;
  }
  // The round on the database "round" of `server`, made with the schema and
  // the function obracun that `function` creates; afterwards `query` gives
  // `rows` there.
  void RoundOnServer(const testsupport::TServerBase* server, const std::string& function,
                     const std::string& query, const std::string& rows) {
    ASSERT_NE(server, nullptr);
    server->CreateDatabase("round");
    ASSERT_EQ(server->Sql("round", std::string(kSchema) + function), 0);
    MakeWalkTables();
    RunRound(server->Url("round"));
    EXPECT_EQ(server->Rows("round", query), rows);
  }

  static constexpr const char* kSchema =
      "CREATE TABLE kupac (id int PRIMARY KEY, ime varchar(40), grad varchar(40));"
      "CREATE TABLE racun (id int PRIMARY KEY, kupac int, iznos decimal(10, 2));"
      "CREATE VIEW pregled AS SELECT k.ime, r.iznos FROM kupac k JOIN racun r ON r.kupac = k.id;";
};

TEST_F(DbRoundCliTest, PostgreSQL) {
  RoundOnServer(TDbServers::Get().Postgres(),
                "CREATE FUNCTION obracun(p int) RETURNS numeric LANGUAGE sql "
                "AS 'SELECT sum(iznos) FROM racun WHERE kupac = p'",
                "SELECT settle(1) IS NULL, count(*) FROM overview", "t|0\n");
}

TEST_F(DbRoundCliTest, MariaDB) {
  RoundOnServer(TDbServers::Get().MariaDb(),
                "CREATE FUNCTION obracun(p int) RETURNS decimal(10, 2) READS SQL "
                "DATA RETURN (SELECT sum(iznos) FROM racun WHERE kupac = p)",
                "SELECT Settle(1) IS NULL, count(*) FROM Overview", "1\t0\n");
}

TEST_F(DbRoundCliTest, SQLite) {
  ASSERT_EQ(Shell("touch round.db"), 0);
  {
    TDbConnection db(ParseDbUrl("sqlite:" + Path("round.db").string()), "");
    for (std::string statement : {"CREATE TABLE kupac (id int PRIMARY KEY, ime text, grad text)",
                                  "CREATE TABLE racun (id int PRIMARY KEY, kupac int, iznos int)",
                                  "CREATE VIEW pregled AS SELECT k.ime, r.iznos FROM kupac k "
                                  "JOIN racun r ON r.kupac = k.id"})
      db.Exec(statement);
  }
  MakeWalkTables();
  RunRound("sqlite:" + Path("round.db").string());
}

}  // namespace
}  // namespace qualtren::clitest
