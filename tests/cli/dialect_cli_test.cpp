// The command line with --dialect: the README's four lines under postgres,
// mysql and tsql with kept strings, report's count of the names replaced
// inside literals, and the options that need a dialect.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using DialectCli = CliTest;

const char kLines[] =
    "select \"Ime\", \"Grad\" from \"Kupac\" where \"Aktivan\" = 1;\n"
    "select `Ime` from `Kupac`;\n"
    "select Ime from Kupac where Napomena = 'Kupac placa Iznos u Valuta';\n"
    "update Racun set Napomena = N'Placen' where Placen = 0;\n";

TEST_F(DialectCli, QuotedNamesAndKeptStringsAsTheReadmeShowsThem) {
  ImportTables(
      "t", "TableName,TableNameAng\nKupac,Customer\nRacun,Invoice\n",
      "Naziv,ProcedureNameAng\nObracun,Settle\n",
      "TableName,FieldName,FieldNameAng\nKupac,Ime,Name\nKupac,Grad,City\n"
      "Kupac,Aktivan,Active\nRacun,Iznos,Amount\nRacun,Kupac,CustomerId\n"
      "Racun,Napomena,Note\nRacun,Placen,Paid\nRacun,Valuta,Currency\nKupac,placa,Salary\n");
  Write("q.sql", kLines);
  EXPECT_EQ(ExpectRun("translate --tables t --dialect postgres q.sql", 0, "").Out,
            "select \"Name\", \"City\" from \"Customer\" where \"Active\" = 1;\r\n"
            "select `Ime` from `Kupac`;\r\n"
            "select Name from Customer where Note = 'CustomerId Salary Amount u Currency';\r\n"
            "update Invoice set Note = N'Paid' where Paid = 0;\r\n");
  EXPECT_EQ(ExpectRun("translate --tables t --dialect mysql q.sql", 0, "").Out,
            "select \"Name\", \"City\" from \"Customer\" where \"Active\" = 1;\r\n"
            "select `Name` from `Customer`;\r\n"
            "select Name from Customer where Note = 'CustomerId Salary Amount u Currency';\r\n"
            "update Invoice set Note = N'Paid' where Paid = 0;\r\n");
  EXPECT_EQ(ExpectRun("translate --tables t --dialect tsql --keep-strings q.sql", 0, "").Out,
            "select \"Name\", \"City\" from \"Customer\" where \"Active\" = 1;\r\n"
            "select `Ime` from `Kupac`;\r\n"
            "select Name from Customer where Note = 'Kupac placa Iznos u Valuta';\r\n"
            "update Invoice set Note = N'Placen' where Paid = 0;\r\n");

  // The names replaced inside literals, counted apart with their places.
  const RunResult r = ExpectRun("report q.sql --tables t --dialect tsql", 1, "");
  EXPECT_NE(r.Out.find("names replaced inside string literals: 5 (5 distinct)\n"
                       "  Kupac  q.sql:3\n  placa  q.sql:3\n  Iznos  q.sql:3\n"
                       "  Valuta  q.sql:3\n  Placen  q.sql:4\n"
                       "names replaced inside comments: 0 (0 distinct)\n"),
            std::string::npos)
      << r.Out;
  EXPECT_NE(ExpectRun("report q.sql --tables t --dialect tsql --json", 1, "")
                .Out.find("\"replacedInside\": {\n    \"strings\": {\n      \"count\": 5,"),
            std::string::npos);
  ExpectRun("translate --tables t --keep-comments q.sql", 2,
            "qualtren-cli: --keep-comments requires --dialect\n");
  ExpectRun("files . --tables t --dialect cobol", 2,
            "qualtren-cli: --dialect: cobol not in {ansi,tsql,postgres,oracle,mysql}\n");
}

}  // namespace
}  // namespace qualtren::clitest
