// Tests of "qualtren-cli translate" and of the parts of the command line that
// every subcommand shares: options, exit statuses and error messages.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using TranslateCli = CliTest;

TEST_F(TranslateCli, TranslatesThroughPipeAndFromFileWithEveryOption) {
  MakeTables("t");
  const std::string sql = "select Grad from Racun";

  // Through a pipe, the automatic table name on by default: Racun's Grad.
  RunResult r = Run("translate --tables t", sql, "C", true);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "select PlaceOfIssue from Invoice\r\n");
  EXPECT_EQ(r.Err, "");

  // Without it the first Grad of the table wins, unless --table names one;
  // with it the worked-out name replaces --table.
  EXPECT_EQ(Run("translate --tables t --no-auto-table", sql, "C", true).Out,
            "select City from Invoice\r\n");
  EXPECT_EQ(Run("translate --tables t --no-auto-table --table Racun", sql).Out,
            "select PlaceOfIssue from Invoice\r\n");
  EXPECT_EQ(Run("translate --tables t --table Kupac", sql).Out,
            "select PlaceOfIssue from Invoice\r\n");
  EXPECT_EQ(Run("translate --tables=t --table=Kupac --no-auto-table", sql).Out,
            "select City from Invoice\r\n");

  // Comment lines with a prefix that starts with "-" and blanks kept.
  r = Run(
      "translate --tables t --table Racun --no-auto-table --comment '--prefix=-- ' '--suffix= !'",
      sql + "\n\nexec Obracun 5\nx = 1", "C", true);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "-- select Grad from Racun !\r\nselect PlaceOfIssue from Invoice\r\n\r\n"
            "-- exec Obracun 5 !\r\nexec Settle 5\r\nx = 1\r\n");
  // Prefix and suffix without the comment option change nothing.
  EXPECT_EQ(Run("translate --tables t --prefix=-- --suffix=x", "exec Obracun").Out,
            "exec Settle\r\n");
  // An empty prefix and suffix given with "=" and nothing after it.
  EXPECT_EQ(Run("translate --tables t --comment --prefix= --suffix=", "exec Obracun").Out,
            "exec Obracun\r\nexec Settle\r\n");

  // From a file with CR and LF line breaks, bytes passed through as they are;
  // "-" reads the standard input.
  Write("in.sql", "select Ime\rfrom Kupac\n\t[Kupac] \xE8\n");
  r = Run("translate --tables t --no-auto-table in.sql");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "select Name\r\nfrom Customer\r\n\t[Customer] \xE8\r\n");
  EXPECT_EQ(Run("translate --tables t -", "exec Obracun").Out, "exec Settle\r\n");

  // The tables are read from the current directory by default.
  EXPECT_EQ(Run("translate", "exec Obracun", "C", false, "t").Out, "exec Settle\r\n");

  // Words are matched literally: "%" and "_" are no wildcards.
  EXPECT_EQ(Run("translate --tables t", "select Gr%, Gra_, G_ad from Racun").Out,
            "select Gr%, Gra_, G_ad from Invoice\r\n");

  // Empty input gives empty output.
  r = Run("translate --tables t", "");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "");
}

TEST_F(TranslateCli, ExitStatusesAndMessages) {
  MakeTables("t");
  MakeTables("broken", false);

  // 1: the translation failed; the driver's result is written and the reason
  // goes to standard error.
  RunResult r = Run("translate --tables broken", "select Ime\nfrom Kupac", "C", true);
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "select Ime\r\nfrom Kupac\r\n");
  EXPECT_EQ(r.Err, "qualtren-cli: tbTableStr_Trans: Field 'FieldNameAng' not found\n");

  // 2: a table that failed to load; the first failure is reported.
  r = Run("translate --tables nowhere", "exec Obracun");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err,
            "qualtren-cli: Cannot open file nowhere/Q47SifTable.vtd (No such file or directory)\n");
  fs::remove(Path("t/Q47SifSQL_SP.vtd"));
  r = Run("translate --tables t/", "exec Obracun");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err,
            "qualtren-cli: Cannot open file t/Q47SifSQL_SP.vtd (No such file or directory)\n");
  r = Run("translate", "exec Obracun");
  EXPECT_EQ(r.Err, "qualtren-cli: Cannot open file Q47SifTable.vtd (No such file or directory)\n");
  Write("junk/Q47SifTable.vtd", "\x03\x00\x05");
  r = Run("translate --tables junk", "exec Obracun");
  EXPECT_EQ(r.Status, 2);
  // The table file that failed is named.
  EXPECT_EQ(r.Err, "qualtren-cli: junk/Q47SifTable.vtd: Stream read error\n");

  // 2: input with a NUL byte, nothing on standard output.
  r = Run("translate --tables broken", std::string("exec Obracun\0 x", 15), "C", true);
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "qualtren-cli: standard input holds a NUL byte\n");
  Write("nul.sql", std::string("a\0b", 3));
  ExpectRun("translate --tables broken nul.sql", 2, "qualtren-cli: nul.sql holds a NUL byte\n");

  // 2: unreadable input.
  ExpectRun("translate --tables broken missing.sql", 2,
            "qualtren-cli: Cannot open file missing.sql (No such file or directory)\n");
  r = Run("translate --tables broken t");
  EXPECT_EQ(r.Err, "qualtren-cli: Cannot open file t (Is a directory)\n");

  // 2: bad usage of every kind, never the parser library's own status.
  for (const char* args :
       {"", "translate --bogus", "translate --table", "translate a.sql b.sql", "frobnicate",
        "table", "table info", "table import x.csv", "table import x.csv --out y --size 0",
        "table import x.csv --out y --size abc", "table convert a", "files",
        "translate --comment=maybe"}) {
    r = Run(args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_EQ(r.Err.rfind("qualtren-cli: ", 0), 0u) << args << ": " << r.Err;
    EXPECT_EQ(r.Out, "") << args;
  }
  EXPECT_EQ(Run("").Err, "qualtren-cli: A subcommand is required\n");

  // --help of every subcommand and --version exit 0.
  for (const char* args :
       {"--help", "translate --help", "files --help", "table --help", "table info --help",
        "table dump --help", "table import --help", "table convert -h"}) {
    r = Run(args);
    EXPECT_EQ(r.Status, 0) << args;
    EXPECT_NE(r.Out.find("Usage:"), std::string::npos) << args;
  }
  EXPECT_NE(Run("translate --help").Out.find("--no-auto-table"), std::string::npos);
  EXPECT_NE(Run("table import --help").Out.find("--size"), std::string::npos);
  r = Run("--version");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, std::string("qualtren-cli ") + QUALTREN_VERSION + "\n");
}

TEST_F(TranslateCli, CodePageComesFromTheLocaleName) {
  // hr selects code page 1250 whether or not that locale is installed: the
  // UTF-8 names become its bytes, and "č" is 0xE8 there.
  Write("t/table.csv", "TableName,TableNameAng\nRačun,Invoice\n");
  Write("t/proc.csv", "Naziv,ProcedureNameAng\nObračun,Settle\n");
  Write("t/column.csv", "TableName,FieldName,FieldNameAng\nRačun,Iznos,Amount\n");
  for (const char* name : {"table", "proc", "column"}) {
    const std::string out =
        std::string("t/") + (name == std::string("table")  ? "Q47SifTable.vtd"
                             : name == std::string("proc") ? "Q47SifSQL_SP.vtd"
                                                           : "Q47SifTableStr.vtd");
    RunResult r =
        Run(std::string("table import t/") + name + ".csv --out " + out, "", "hr_HR.UTF-8");
    ASSERT_EQ(r.Status, 0) << r.Err;
  }
  RunResult r =
      Run("translate --tables t", "exec Obra\xE8un\nselect Iznos from Ra\xE8un", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "exec Settle\r\nselect Amount from Invoice\r\n");
  // The same table read under code page 1251 shows other letters.
  EXPECT_EQ(Run("table dump t/Q47SifSQL_SP.vtd", "", "hr_HR.UTF-8").Out,
            "\"Naziv\",\"ProcedureNameAng\"\r\n\"Obračun\",\"Settle\"\r\n");
  EXPECT_EQ(Run("table dump t/Q47SifSQL_SP.vtd", "", "ru_RU").Out,
            "\"Naziv\",\"ProcedureNameAng\"\r\n\"Obraиun\",\"Settle\"\r\n");
  // Under C (code page 1252) the name cannot be held.
  r = Run("table import t/proc.csv --out t/x.vtd", "", "C");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err,
            "qualtren-cli: line 2: the value of field \"Naziv\" holds a character "
            "that code page 1252 cannot hold\n");
}

}  // namespace
}  // namespace qualtren::clitest
