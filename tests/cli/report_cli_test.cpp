// Tests of "qualtren-cli report": the counts per kind, the unknown names
// with their first place and tables, the JSON form, and the CSV of unknown
// names that "table import" takes back for the column table.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using ReportCli = CliTest;

TEST_F(ReportCli, CountsNamesAndFindsTheUnknownOnesWithTheirTables) {
  MakeTables("t");
  // Every kind of name, unknown names inside and outside quotes (a string
  // may run over a line break), keywords, numbers, short words, statements
  // with and without one table, and files that the report does not read: a
  // backup, a link, a file the mask leaves out.
  Write(
      "r/a.sql",
      "select Iznos, Popust, 'Rabat' from Racun;\r\n"
      "select Ime, Adresa, ADRESA, Adresa2, 42, 1e5, ab, SUM(Iznos) from Kupac "
      "where Grad = 'x y\r\nTelefon' ;\r\n"
      "exec Obracun popust\r\n"
      "  GO\r\n"
      "select k.Ime, Popust, sqlExp(Vrijednost) from Kupac k join Racun r on r.Kupac = k.Ime\r\n");
  Write("r/sub/b.sql", "select Adresa from dbo.[Kupac];\nselect Telefon\nfrom Kupac\nwhere x = 1");
  Write("r/a.sqlbak", "select Backup");
  Write("r/sub/c.txt", "select Other");
  fs::create_symlink("../a.sql", Path("r/sub/link.sql"));
  const std::string before = Read("r/a.sql");

  RunResult r = Run("report --tables t --mask '*.sql*' --recursive r --unknown-csv unknown.csv");
  EXPECT_EQ(r.Status, 1) << r.Err;
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out,
            "files: 2\n"
            "table names replaced: 6 (2 distinct)\n"
            "column names replaced: 7 (4 distinct)\n"
            "procedure names replaced: 1 (1 distinct)\n"
            "unknown names: 9 (5 distinct)\n"
            "  3  Popust  r/a.sql:1\n"
            "  3  Adresa  r/a.sql:2\n"
            "  1  Adresa2  r/a.sql:2\n"
            "  1  Vrijednost  r/a.sql:6\n"
            "  1  Telefon  r/sub/b.sql:2\n");
  EXPECT_EQ(Read("r/a.sql"), before);
  // One row per table a name stood in; a name only met where no statement
  // names one table gets a row without a table.
  EXPECT_EQ(Read("unknown.csv"),
            "TableName,FieldName,FieldNameAng\r\n"
            "\"Racun\",\"Popust\",\r\n"
            "\"Kupac\",\"Adresa\",\r\n"
            "\"Kupac\",\"Adresa2\",\r\n"
            ",\"Vrijednost\",\r\n"
            "\"Kupac\",\"Telefon\",\r\n");
}

TEST_F(ReportCli, JsonHoldsTheSameReportWithTheTablesOfEachName) {
  MakeTables("t");
  Write("r/sub/b.sql", "select Adresa from dbo.[Kupac];\nselect Telefon\nfrom Kupac\nwhere x = 1");
  // Files named on the command line are read whatever the mask; JSON holds
  // the same report, with the tables of each name.
  const RunResult r = Run("report --tables t --json r/sub/b.sql");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, R"({
  "files": 1,
  "replaced": {
    "table": {
      "count": 2,
      "distinct": 1
    },
    "column": {
      "count": 0,
      "distinct": 0
    },
    "procedure": {
      "count": 0,
      "distinct": 0
    }
  },
  "unknown": {
    "count": 2,
    "distinct": 2,
    "names": [
      {
        "word": "Adresa",
        "count": 1,
        "file": "r/sub/b.sql",
        "line": 1,
        "tables": [
          "Kupac"
        ]
      },
      {
        "word": "Telefon",
        "count": 1,
        "file": "r/sub/b.sql",
        "line": 2,
        "tables": [
          "Kupac"
        ]
      }
    ]
  },
  "notCounted": []
}
)");
}

TEST_F(ReportCli, NothingUnknownIsStatusZeroAndAnUnreadableFileTwo) {
  MakeTables("t");
  // Nothing unknown: status 0. A file that cannot be read whole is named and
  // left out, and makes the status 2.
  Write("k/a.txt", "select Ime from Kupac");
  const RunResult r = Run("report --tables t k");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out.substr(r.Out.find("unknown")), "unknown names: 0 (0 distinct)\n");
  Write("k/b.txt", std::string("select Popust\0", 14));
  ExpectRun("report --tables t k missing.sql", 2, "qualtren-cli: not found: missing.sql\n");
  ExpectRun("report --tables t k --unknown-csv nowhere/u.csv", 2,
            "qualtren-cli: not counted: k/b.txt: the file holds a NUL byte\n"
            "qualtren-cli: Cannot create file nowhere/u.csv (No such file or directory)\n");
  EXPECT_EQ(r.Out.substr(0, 9), "files: 1\n");
}

TEST_F(ReportCli, LettersComeFromTheCodePage) {
  MakeTables("t");
  // Under code page 1250 0x8A is the letter Š and 0xA7 the sign §.
  Write("c.sql",
        "select \x8A\x8A\x8A, \xA7\xA7\xA7, \xE8"
        "ab from Racun");
  RunResult r = Run("report --tables t c.sql", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 1);
  // The names are printed in UTF-8, whatever the file's encoding.
  EXPECT_NE(r.Out.find("  1  \xC5\xA0\xC5\xA0\xC5\xA0  c.sql:1\n  1  \xC4\x8D"
                       "ab  c.sql:1\n"),
            std::string::npos)
      << r.Out;
  EXPECT_EQ(r.Out.find("\xA7"), std::string::npos);
  r = Run("report --tables t c.sql --json --unknown-csv u.csv", "", "hr_HR.UTF-8");
  EXPECT_NE(r.Out.find("\"word\": \"\xC5\xA0\xC5\xA0\xC5\xA0\""), std::string::npos) << r.Out;
  EXPECT_EQ(Read("u.csv"),
            "TableName,FieldName,FieldNameAng\r\n\"Racun\",\"\xC5\xA0\xC5\xA0\xC5\xA0\",\r\n"
            "\"Racun\",\"\xC4\x8D"
            "ab\",\r\n");
}

TEST_F(ReportCli, UnknownNamesFilledInAndImportedAreTranslated) {
  MakeTables("t");
  const std::string sql = "select Popust, Iznos from Racun where Popust > 0\r\n";
  Write("q.sql", sql);
  ASSERT_EQ(Run("report --tables t q.sql --unknown-csv u.csv").Status, 1);
  std::string csv = Read("u.csv");
  ASSERT_EQ(csv, "TableName,FieldName,FieldNameAng\r\n\"Racun\",\"Popust\",\r\n");
  // The team fills in the English name and imports the rows with the others.
  csv.replace(csv.size() - 2, 0, "Discount");
  Write("all.csv", Run("table dump t/Q47SifTableStr.vtd").Out + csv.substr(csv.find("\r\n") + 2));
  RunResult r = Run("table import all.csv --out t/Q47SifTableStr.vtd");
  ASSERT_EQ(r.Status, 0) << r.Err;

  r = Run("translate --tables t q.sql");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "select Discount, Amount from Invoice where Discount > 0\r\n");
  r = Run("report --tables t q.sql");
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("column names replaced: 3 (2 distinct)\n"), std::string::npos);
  EXPECT_NE(r.Out.find("unknown names: 0 (0 distinct)\n"), std::string::npos);
}

}  // namespace
}  // namespace qualtren::clitest
