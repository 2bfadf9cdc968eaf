// Tests of "qualtren-cli table check": the sample tables come out clean, a
// set seeded with one case of each finding gives each once with its record,
// the exit statuses with and without --strict, and the JSON.
#include <cstdlib>
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

class TableCheckCli : public CliTest {
 protected:
  // The three tables of `sub` made from CSV text (the header line included).
  void Tables(const std::string& sub, const std::string& table, const std::string& proc,
              const std::string& column, const std::string& locale = "C") {
    Write(sub + "/table.csv", table);
    Write(sub + "/proc.csv", proc);
    Write(sub + "/column.csv", column);
    for (const auto& [csv, vtd] :
         {std::pair{"table", "Q47SifTable"}, std::pair{"proc", "Q47SifSQL_SP"},
          std::pair{"column", "Q47SifTableStr"}})
      ASSERT_EQ(Run("table import " + sub + "/" + csv + ".csv --out " + sub + "/" + vtd + ".vtd",
                    "", locale)
                    .Status,
                0);
  }
};

constexpr const char* kTableHeader = "TableName,TableNameAng\n";
constexpr const char* kProcHeader = "Naziv,ProcedureNameAng\n";
constexpr const char* kColumnHeader = "TableName,FieldName,FieldNameAng\n";

TEST_F(TableCheckCli, TheSamplesAreCleanAndASeededSetGivesEachFindingOnce) {
  // ctest names the source tree.
  const char* source = std::getenv("QUALTREN_SOURCE");
  const std::string examples = Quote(std::string(source ? source : ".") + "/examples");
  EXPECT_EQ(ExpectRun("table check --strict " + examples, 0, "").Out,
            "check: 0 errors, 0 warnings\n");

  Tables("t",
         std::string(kTableHeader) +
             "Kupac,Customer\nNarudzba,Order\nKupac,Customer\nkupac,Client\nKorisnik,Customer\n"
             "Stavka Racuna,InvoiceLine\n",
         std::string(kProcHeader) + "plan,Schedule\nspSum,Kupac\n",
         std::string(kColumnHeader) +
             "Kupac,Ime,Name\nKupac,Grad,\nKupac,Adresa,Street Address\nArtikl,Cijena,Price\n");
  const RunResult r = ExpectRun("table check t", 1, "");
  EXPECT_EQ(
      r.Out,
      "t/Q47SifTableStr.vtd record 2 (\"Kupac\", \"Grad\", \"\"): error: the English name is "
      "empty: the word \"Grad\" vanishes from the translated SQL\n"
      "t/Q47SifTableStr.vtd record 3 (\"Kupac\", \"Adresa\", \"Street Address\"): error: the "
      "English name \"Street Address\" holds a blank, where the translation cuts words: the SQL "
      "gets it as more than one word, and a second run cannot match it\n"
      "t/Q47SifTable.vtd record 4 (\"kupac\", \"Client\"): error: the local name \"kupac\" is "
      "given another English name by record 1 (\"Kupac\", \"Customer\"), which comes first and "
      "wins: this row is never used\n"
      "t/Q47SifTable.vtd record 6 (\"Stavka Racuna\", \"InvoiceLine\"): warning: the local "
      "name \"Stavka Racuna\" holds a blank, where the translation cuts words: it matches only "
      "where the SQL writes it as a quoted name and is translated with --dialect\n"
      "t/Q47SifSQL_SP.vtd record 1 (\"plan\", \"Schedule\"): warning: the local name \"plan\" is "
      "an SQL keyword: wherever a statement uses that keyword, it becomes \"Schedule\" too\n"
      "t/Q47SifTable.vtd record 2 (\"Narudzba\", \"Order\"): warning: the English name \"Order\" "
      "is a reserved word of SQL: the translated SQL does not parse where it stands unquoted\n"
      "t/Q47SifTable.vtd record 5 (\"Korisnik\", \"Customer\"): warning: the English name "
      "\"Customer\" is also that of record 1 (\"Kupac\", \"Customer\"): two tables get one "
      "name, which the translated SQL cannot tell apart\n"
      "t/Q47SifSQL_SP.vtd record 2 (\"spSum\", \"Kupac\"): warning: the English name \"Kupac\" "
      "is the local name of t/Q47SifTable.vtd record 1 (\"Kupac\", \"Customer\"): a second run "
      "over the translated SQL translates it again, to \"Customer\"\n"
      "t/Q47SifTableStr.vtd record 4 (\"Artikl\", \"Cijena\", \"Price\"): warning: the table "
      "name \"Artikl\" is in no row of t/Q47SifTable.vtd: the table's own name stays "
      "untranslated, or the name is misspelt and the row is preferred for no table\n"
      "t/Q47SifTable.vtd record 3 (\"Kupac\", \"Customer\"): warning: the same local and English "
      "names as record 1 (\"Kupac\", \"Customer\"), which comes first: harmless, the row can go\n"
      "check: 3 errors, 7 warnings\n");

  // Without a directory the check reads the current one, and names the
  // files as it finds them there.
  const RunResult here = Run("table check", "", "C", false, "t");
  EXPECT_EQ(here.Status, 1);
  EXPECT_TRUE(here.Out.starts_with("Q47SifTableStr.vtd record 2 (")) << here.Out;
}

TEST_F(TableCheckCli, WarningsFailOnlyAStrictCheckAndJsonNamesBothRows) {
  Tables("w", std::string(kTableHeader) + "Kupac,Customer\nKupac,Customer\n", kProcHeader,
         kColumnHeader);
  EXPECT_TRUE(ExpectRun("table check w", 0, "").Out.starts_with("w/Q47SifTable.vtd record 2 "));
  ExpectRun("table check w --strict", 1, "");

  Tables("j", std::string(kTableHeader) + "Kupac,Customer\n", kProcHeader,
         std::string(kColumnHeader) + "Kupac,Ime,Name\nKUPAC,IME,FirstName\n");
  const RunResult r = ExpectRun("table check j --json", 1, "");
  EXPECT_EQ(r.Out, R"({
  "tables": "j",
  "errors": 1,
  "warnings": 0,
  "findings": [
    {
      "severity": "error",
      "kind": "conflicting-duplicate",
      "file": "j/Q47SifTableStr.vtd",
      "record": 2,
      "fields": {
        "TableName": "KUPAC",
        "FieldName": "IME",
        "FieldNameAng": "FirstName"
      },
      "other": {
        "file": "j/Q47SifTableStr.vtd",
        "record": 1,
        "fields": {
          "TableName": "Kupac",
          "FieldName": "Ime",
          "FieldNameAng": "Name"
        }
      },
      "message": "the local name \"IME\" is given another English name by record 1 (\"Kupac\", \"Ime\", \"Name\"), which comes first and wins: this row is never used"
    }
  ]
}
)");
}

TEST_F(TableCheckCli, NamesFoldInTheCodePageAndUnreadableTablesAreNamed) {
  // "Šifra" and "ŠIFRA" are one name under code page 1250, and come out in UTF-8.
  Tables("h", std::string(kTableHeader) + "\xC5\xA0ifra,Code\n\xC5\xA0IFRA,Key2\n", kProcHeader,
         kColumnHeader, "hr_HR.UTF-8");
  EXPECT_TRUE(
      ExpectRun("table check h --code-page 1250", 1, "")
          .Out.starts_with("h/Q47SifTable.vtd record 2 (\"\xC5\xA0IFRA\", \"Key2\"): error"));
  ExpectRun("table check nowhere", 2,
            "qualtren-cli: Cannot open file nowhere/Q47SifTable.vtd (No such file or directory)\n");
  Tables("m", kTableHeader, kProcHeader, "TableName,FieldName,English\nKupac,Ime,Name\n");
  ExpectRun("table check m", 2, "qualtren-cli: m/Q47SifTableStr.vtd: no field FieldNameAng\n");
}

}  // namespace
}  // namespace qualtren::clitest
