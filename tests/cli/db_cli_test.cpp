// db harvest, db rename and db verify on a real PostgreSQL server: a schema
// with a view, routines, mixed case and Croatian letters harvested, renamed
// and read back, its bodies called, scripts verified; hostile names carried
// through with nothing injected; refusals that leave the database whole.
#include <gtest/gtest.h>

#include "cli/db_cli_fixture.h"

namespace qualtren::clitest {
namespace {

constexpr const char* kShop = R"sql(
CREATE EXTENSION citext;
CREATE TABLE kupac (id int PRIMARY KEY, ime text, grad text);
CREATE TABLE racun (id int PRIMARY KEY, kupac int REFERENCES kupac(id), iznos numeric);
CREATE TABLE "Stavka_računa" ("Račun" int, "Količina" int);
CREATE VIEW pregled AS SELECT k.ime, r.iznos FROM kupac k JOIN racun r ON r.kupac = k.id;
CREATE FUNCTION obracun(p_kupac int) RETURNS numeric LANGUAGE plpgsql
  AS $$ BEGIN RETURN (SELECT sum(iznos) FROM racun WHERE kupac = p_kupac); END $$;
CREATE FUNCTION "Broj_stavki"() RETURNS bigint LANGUAGE sql
  AS $$ SELECT sum("Količina") FROM "Stavka_računa" $$;
CREATE PROCEDURE zatvori() LANGUAGE plpgsql AS $$ BEGIN DELETE FROM racun WHERE iznos = 0; END $$;
INSERT INTO kupac VALUES (1, 'Ana', 'Zagreb');
INSERT INTO racun VALUES (1, 1, 10), (2, 1, 5), (3, 1, 0);
INSERT INTO "Stavka_računa" VALUES (1, 2), (2, 3);
)sql";

class DbPostgresCliTest : public PostgresDbTest<CliTest> {
 protected:
  DbPostgresCliTest() : PostgresDbTest("shop") {}
  // The translation tables of the shop, with its English names, in `sub`.
  void MakeShopTables(const std::string& sub) {
    Write(sub + "/tables.csv",
          "TableName,TableNameAng\nkupac,Customer\nracun,Invoice\nStavka_računa,InvoiceLine\n"
          "pregled,Overview\n");
    Write(sub + "/columns.csv",
          "TableName,FieldName,FieldNameAng\nkupac,ime,Name\nkupac,grad,City\n"
          "racun,kupac,CustomerId\nracun,iznos,Amount\nStavka_računa,Račun,InvoiceId\n"
          "Stavka_računa,Količina,Quantity\npregled,ime,Name\npregled,iznos,Amount\n");
    Write(sub + "/procedures.csv",
          "Naziv,ProcedureNameAng\nobracun,Settle\nBroj_stavki,LineCount\nzatvori,CloseZero\n");
    const std::string d = sub + "/";
    for (auto [csv, table] : {std::pair{"tables.csv", "Q47SifTable.vtd"},
                              std::pair{"columns.csv", "Q47SifTableStr.vtd"},
                              std::pair{"procedures.csv", "Q47SifSQL_SP.vtd"}})
      ASSERT_EQ(Run("table import " + d + csv + " --out " + d + table, "", "hr_HR.UTF-8").Status,
                0);
  }
  std::string Catalog() const {
    return Rows(
        "SELECT c.relname || ':' || string_agg(a.attname, ',' ORDER BY a.attnum) FROM pg_class c "
        "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 "
        "WHERE c.relnamespace = 'public'::regnamespace AND c.relkind IN ('r', 'v') "
        "GROUP BY c.relname ORDER BY 1");
  }
};

TEST_F(DbPostgresCliTest, HarvestWritesTheUsersNamesOnly) {
  Sql(kShop);
  // The tables hold one name already; it is not written again.
  Write("t/tables.csv", "TableName,TableNameAng\nKUPAC,Customer\n");
  ASSERT_EQ(Run("table import t/tables.csv --out t/Q47SifTable.vtd").Status, 0);
  RunResult r = Run("db harvest --db " + Url() + " --tables t --out new", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "new/tables.csv: 4 tables and views found, 1 held by the tables already, 3 written\n"
            "new/columns.csv: 10 columns found, 0 held by the tables already, 10 written\n"
            "new/procedures.csv: 3 procedures and functions found, 0 held by the tables "
            "already, 3 written\n");
  EXPECT_EQ(Read("new/tables.csv"),
            "\"TableName\",\"TableNameAng\"\r\n\"racun\",\r\n\"Stavka_računa\",\r\n"
            "\"pregled\",\r\n");
  EXPECT_EQ(Read("new/procedures.csv"),
            "\"Naziv\",\"ProcedureNameAng\"\r\n\"obracun\",\r\n\"Broj_stavki\",\r\n"
            "\"zatvori\",\r\n");
  const std::string columns = Read("new/columns.csv");
  EXPECT_NE(columns.find("\"Stavka_računa\",\"Količina\",\r\n"), std::string::npos) << columns;
  EXPECT_NE(columns.find("\"pregled\",\"iznos\",\r\n"), std::string::npos) << columns;
  // citext, an extension, put its types and functions into public.
  EXPECT_EQ(columns.find("citext"), std::string::npos);

  // Under code page 1252 the Croatian names cannot be held: named, counted.
  r = Run("db harvest --db " + Url() + " --out new1252", "", "en_US.UTF-8");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("\"Stavka_računa\": code page 1252 cannot hold this name"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(Read("new1252/tables.csv").find("Stavka"), std::string::npos);
}

TEST_F(DbPostgresCliTest, RenameAppliesRecreatesBodiesAndFindsNothingTheSecondTime) {
  Sql(kShop);
  MakeShopTables("t");
  const std::string before = Catalog();
  RunResult r = Run("db rename --db " + Url() + " --tables t -o rename.sql", "", "hr_HR.UTF-8");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Catalog(), before) << "writing the script changed the database";
  const std::string script = Read("rename.sql");
  EXPECT_NE(script.find("BEGIN;\n"), std::string::npos);
  EXPECT_NE(script.find("ALTER TABLE \"public\".\"Stavka_računa\" RENAME TO \"InvoiceLine\";"),
            std::string::npos)
      << script;
  EXPECT_EQ(script.substr(script.size() - 8), "COMMIT;\n");

  r = Run("db rename --db " + Url() + " --tables t --apply", "", "hr_HR.UTF-8");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "db rename: renamed 3 tables, 1 view, 8 columns, 1 procedure, 2 functions; "
            "re-created 1 procedure, 2 functions\n");
  EXPECT_EQ(Catalog(),
            "InvoiceLine:InvoiceId,Quantity\ncustomer:id,name,city\n"
            "invoice:id,customerid,amount\noverview:name,amount\n");
  // The bodies run against the new names.
  EXPECT_EQ(Rows("SELECT settle(1), \"LineCount\"()"), "15|5\n");
  Sql("CALL closezero()");
  EXPECT_EQ(Rows("SELECT count(*) FROM invoice"), "2\n");

  r = Run("db rename --db " + Url() + " --tables t --apply", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "db rename: nothing to rename; the database has its English names\n");
}

// A function whose parameter takes a translated name cannot be changed by
// CREATE OR REPLACE: it is dropped and created anew under its new name.
TEST_F(DbPostgresCliTest, ARoutineWhoseHeaderChangesIsDroppedAndCreated) {
  Sql(kShop);
  Sql("CREATE FUNCTION \"Po_gradu\"(grad text) RETURNS bigint LANGUAGE sql "
      "AS $$ SELECT count(*) FROM kupac k WHERE k.grad = \"Po_gradu\".grad $$");
  MakeShopTables("t");
  Write("t/more.csv", "Naziv,ProcedureNameAng\nPo_gradu,ByCity\n");
  ASSERT_EQ(Run("table add t/Q47SifSQL_SP.vtd t/more.csv").Status, 0);
  RunResult r = Run("db rename --db " + Url() + " --tables t", "", "hr_HR.UTF-8");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("BEGIN;\nDROP FUNCTION \"public\".\"Po_gradu\"(grad text);\n"),
            std::string::npos)
      << r.Out;
  EXPECT_EQ(r.Out.find("ALTER FUNCTION \"public\".\"Po_gradu\""), std::string::npos) << r.Out;
  r = Run("db rename --db " + Url() + " --tables t --apply", "", "hr_HR.UTF-8");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Rows("SELECT \"ByCity\"('Zagreb'), \"ByCity\"(city => 'Split')"), "1|0\n");
  EXPECT_EQ(Rows("SELECT count(*) FROM pg_proc WHERE proname = 'Po_gradu'"), "0\n");
}

TEST_F(DbPostgresCliTest, VerifyReportsEachRefusedStatementAndChangesNothing) {
  Sql(kShop);
  Write("sql/good.sql",
        "select ime, grad from kupac;\n"
        "insert into kupac values (2, 'Ivo', 'Split');\n"
        "update racun set iznos = 1 where kupac = 2;\n");
  Write("sql/sub/broken.sql",
        "select Name from kupac;\n"
        "\n"
        "select \"Kupac\"\n  from kupac;\n"
        "delete from kupac where id = 2;\n"
        "COMMIT;\n");
  Write("sql/notes.txt", "select nothing from nowhere;\n");
  RunResult r = Run("db verify --db " + Url() + " sql/good.sql");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "verify: 3 statements, 0 failed, in 1 file\n");

  r = Run("db verify --db " + Url() + " --recursive sql");
  EXPECT_EQ(r.Status, 1) << r.Err;
  EXPECT_EQ(r.Out,
            "sql/sub/broken.sql:1: ERROR:  column \"name\" does not exist\n"
            "sql/sub/broken.sql:3: ERROR:  column \"Kupac\" does not exist\n"
            "sql/sub/broken.sql:6: not run (transaction control)\n"
            "verify: 6 statements, 2 failed, in 2 files, 1 not run\n");
  EXPECT_EQ(Rows("SELECT count(*) FROM kupac"), "1\n");

  r = Run("db verify --db " + Url() + " sql/missing.sql");
  EXPECT_EQ(r.Status, 2);
}

TEST_F(DbPostgresCliTest, HostileNamesAreQuotedAndNothingIsInjected) {
  Sql("CREATE TABLE canary (x int);"
      "CREATE TABLE \"a\"\"b\" (\"x y\" int, \"p;q\" int, \"c--d\" int, \"Ж\" int)");
  RunResult r = Run("db harvest --db " + Url() + " --out h", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("\"a\"b\".\"Ж\": code page 1250 cannot hold this name"), std::string::npos)
      << r.Err;
  EXPECT_EQ(Read("h/columns.csv"),
            "\"TableName\",\"FieldName\",\"FieldNameAng\"\r\n\"canary\",\"x\",\r\n"
            "\"a\"\"b\",\"x y\",\r\n\"a\"\"b\",\"p;q\",\r\n\"a\"\"b\",\"c--d\",\r\n");

  Write("t/tables.csv", "TableName,TableNameAng\n\"a\"\"b\",\"Q\"\"x; DROP TABLE canary; --\"\n");
  Write("t/columns.csv",
        "TableName,FieldName,FieldNameAng\n\"a\"\"b\",x y,\"\"\"); DROP TABLE canary; --\"\n"
        "\"a\"\"b\",p;q,Semi;colon\n\"a\"\"b\",c--d,Dash--dash\n");
  Write("t/procedures.csv", "Naziv,ProcedureNameAng\nx,y\n");
  for (auto [csv, table] :
       {std::pair{"tables.csv", "Q47SifTable.vtd"}, std::pair{"columns.csv", "Q47SifTableStr.vtd"},
        std::pair{"procedures.csv", "Q47SifSQL_SP.vtd"}})
    ASSERT_EQ(Run(std::string("table import t/") + csv + " --out t/" + table).Status, 0);
  r = Run("db rename --db " + Url() + " --tables t --apply");
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Catalog(),
            "canary:x\n"
            "q\"x; drop table canary; --:\"); drop table canary; --,semi;colon,dash--dash,Ж\n");
}

TEST_F(DbPostgresCliTest, RefusalsNameBothNamesAndChangeNothing) {
  Sql("CREATE TABLE kupac (ime text, grad text); CREATE TABLE klijent (id int);"
      "CREATE SEQUENCE customer_seq");
  const std::string before = Catalog();
  Write("t/procedures.csv", "Naziv,ProcedureNameAng\nx,y\n");
  ASSERT_EQ(Run("table import t/procedures.csv --out t/Q47SifSQL_SP.vtd").Status, 0);
  auto refused = [&](const std::string& tables, const std::string& columns,
                     const std::string& expected) {
    Write("t/tables.csv", "TableName,TableNameAng\n" + tables);
    Write("t/columns.csv", "TableName,FieldName,FieldNameAng\n" + columns);
    ASSERT_EQ(Run("table import t/tables.csv --out t/Q47SifTable.vtd").Status, 0);
    ASSERT_EQ(Run("table import t/columns.csv --out t/Q47SifTableStr.vtd").Status, 0);
    const RunResult r = Run("db rename --db " + Url() + " --tables t --apply");
    EXPECT_EQ(r.Status, 2) << tables << columns;
    EXPECT_NE(r.Err.find(expected), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(Catalog(), before);
  };
  refused("kupac,Customer_seq\n", "kupac,ime,Name\n",
          "table \"kupac\" would be renamed to \"customer_seq\", a name the database holds "
          "already: \"customer_seq\" (an index, sequence, type or trigger)");
  refused("kupac,Customer\nklijent,CUSTOMER\n", "",
          "table \"kupac\" and table \"klijent\" are both sent to \"customer\"");
  refused("kupac,Customer\n", "kupac,ime,Name\nkupac,grad,NAME\n",
          "column \"kupac.ime\" and column \"kupac.grad\" are both sent to \"name\"");
  refused("kupac," + std::string(64, 'c') + "\n", "",
          "the English name \"" + std::string(64, 'c') +
              "\" is 64 bytes long; the database takes at most 63");
}

TEST_F(DbPostgresCliTest, PasswordsNeverTravelInTheUrl) {
  const RunResult r =
      Run("db harvest --db 'postgresql://postgres:s3cr3t@/x?host=" + pg_->Dir() + "'");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.find("s3cr3t"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("QUALTREN_DB_PASSWORD"), std::string::npos) << r.Err;
  // A failed connection names the URL and the driver's reason.
  const RunResult missing = Run("db verify --db " + Quote(pg_->Url("nosuchdb")) + " .");
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("cannot connect to " + pg_->Url("nosuchdb") + ": "), std::string::npos)
      << missing.Err;
  EXPECT_NE(missing.Err.find("nosuchdb\" does not exist"), std::string::npos) << missing.Err;
}

}  // namespace
}  // namespace qualtren::clitest
