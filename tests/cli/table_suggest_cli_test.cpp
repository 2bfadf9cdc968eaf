// Tests of "qualtren-cli table suggest": the round of harvest, suggest,
// glossary, suggest again and add, with the files written back byte for
// byte but for the names filled in; the counts of words.csv; and the
// failures that write nothing.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using TableSuggestCli = CliTest;

// Mixed line ends, a quoted empty English name, a filled one and a row of
// the kind report --unknown-csv writes (no table name).
constexpr const char* kHarvest =
    "TableName,FieldName,FieldNameAng\r\n"
    "Racun,IznosRacuna,\n"
    "Kupac,GradKupca,\r\n"
    "\"Kupac\",\"ImeGrad\",\"\"\n"
    "Kupac,Ime2,Name2\n"
    ",Datum,";

TEST_F(TableSuggestCli, FillsInWhatItKnowsAndListsTheWordsItLacks) {
  MakeTables("tables");
  Write("in/harvest.csv", kHarvest);
  Write("g.csv", "Word,English\nkupca,customer\n");
  RunResult r = ExpectRun("table suggest in/harvest.csv --tables tables --glossary g.csv", 1, "");
  EXPECT_EQ(r.Out, "2 proposed, 2 left\n");
  EXPECT_EQ(Read("in/harvest.csv"),
            "TableName,FieldName,FieldNameAng\r\n"
            "Racun,IznosRacuna,\n"
            "Kupac,GradKupca,\"CityCustomer\"\r\n"
            "\"Kupac\",\"ImeGrad\",\"NameCity\"\n"
            "Kupac,Ime2,Name2\n"
            ",Datum,");
  EXPECT_EQ(Read("in/review.csv"),
            "File,Line,LocalName,EnglishName,Words,Sources\r\n"
            "\"in/harvest.csv\",\"3\",\"GradKupca\",\"CityCustomer\",\"Grad=City; Kupca=customer\","
            "\"tables/Q47SifTableStr.vtd record 2; g.csv line 2\"\r\n"
            "\"in/harvest.csv\",\"4\",\"ImeGrad\",\"NameCity\",\"Ime=Name; Grad=City\","
            "\"tables/Q47SifTableStr.vtd record 1; tables/Q47SifTableStr.vtd record 2\"\r\n");
  EXPECT_EQ(Read("in/words.csv"),
            "Word,Count,Name\r\n\"Datum\",\"1\",\"Datum\"\r\n"
            "\"Racuna\",\"1\",\"IznosRacuna\"\r\n");

  // The words filled in: everything is proposed, and table add takes the file.
  Write("h.csv", "Word,English\nracuna,invoice\ndatum,date\n");
  r = ExpectRun(
      "table suggest in/harvest.csv --tables tables --glossary g.csv --glossary h.csv "
      "--style snake",
      0, "");
  EXPECT_EQ(r.Out, "2 proposed, 0 left\n");
  EXPECT_EQ(Read("in/words.csv"), "Word,Count,Name\r\n");
  EXPECT_NE(Read("in/harvest.csv").find("Racun,IznosRacuna,\"amount_invoice\"\n"),
            std::string::npos);
  EXPECT_NE(Read("in/harvest.csv").find(",Datum,\"date\""), std::string::npos);
  ExpectRun("table add tables/Q47SifTableStr.vtd in/harvest.csv", 0, "");
}

TEST_F(TableSuggestCli, CountsEachWordOverTheNamesLeftEmpty) {
  MakeTables("tables");
  // XyzGrad in two tables is one name; XYZIme holds the word too.
  Write("a.csv",
        "TableName,TableNameAng\nAbcKupac,\n"
        "Racun,Invoice\n");
  Write("b.csv",
        "FieldName,TableName,FieldNameAng\nXyzGrad,Kupac,\nXyzGrad,Racun,\nXYZIme,Racun,\n"
        "Abc,Racun,\n");
  const RunResult r = ExpectRun("table suggest a.csv b.csv --tables tables", 1, "");
  EXPECT_EQ(r.Out, "0 proposed, 5 left\n");
  EXPECT_EQ(Read("words.csv"),
            "Word,Count,Name\r\n\"Abc\",\"2\",\"AbcKupac\"\r\n\"Xyz\",\"2\",\"XyzGrad\"\r\n");
  EXPECT_EQ(Read("a.csv"), "TableName,TableNameAng\nAbcKupac,\nRacun,Invoice\n");
}

TEST_F(TableSuggestCli, FoldsDiacriticsOnlyWhenAskedAndSaysWhere) {
  MakeTables("tables");
  Write("g.csv",
        "Word,English\nme\xC4\x91"
        "a,boundary\n");
  const std::string harvest = "TableName,FieldName,FieldNameAng\nKupac,MedjaKupac,\n";
  Write("h.csv", harvest);
  const std::string args = "table suggest h.csv --tables tables --glossary g.csv --code-page 1250";
  EXPECT_EQ(ExpectRun(args, 1, "").Out, "0 proposed, 1 left\n");
  EXPECT_EQ(Read("h.csv"), harvest);
  EXPECT_EQ(ExpectRun(args + " --fold-diacritics --style upper-snake", 0, "").Out,
            "1 proposed, 0 left\n");
  EXPECT_EQ(Read("h.csv"),
            "TableName,FieldName,FieldNameAng\nKupac,MedjaKupac,\"BOUNDARY_CUSTOMER\"\n");
  EXPECT_EQ(Read("review.csv"),
            "File,Line,LocalName,EnglishName,Words,Sources\r\n"
            "\"h.csv\",\"2\",\"MedjaKupac\",\"BOUNDARY_CUSTOMER\",\"Medja=boundary; "
            "Kupac=Customer\",\"g.csv line 2 folded; tables/Q47SifTable.vtd record 1\"\r\n");
}

TEST_F(TableSuggestCli, WritesNothingWhenAFileCannotBeRead) {
  MakeTables("tables");
  Write("harvest.csv", kHarvest);
  const std::string before = Read("harvest.csv");
  RunResult r =
      ExpectRun("table suggest harvest.csv missing.csv --tables tables", 2,
                "qualtren-cli: Cannot open file missing.csv (No such file or directory)\n");
  Write("bad.csv", "TableName,Naziv\nx,y\n");
  ExpectRun("table suggest harvest.csv bad.csv --tables tables", 2,
            "qualtren-cli: bad.csv: line 1: the header names no field TableNameAng, "
            "ProcedureNameAng or FieldNameAng\n");
  Write("g.csv", "Word,Inglish\n");
  ExpectRun("table suggest harvest.csv --tables tables --glossary g.csv", 2,
            "qualtren-cli: g.csv: line 1: the header does not name the columns Word and English\n");
  r = Run("table suggest harvest.csv --tables tables --style kebab");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(Read("harvest.csv"), before);
  EXPECT_FALSE(fs::exists(Path("review.csv")));
  EXPECT_FALSE(fs::exists(Path("words.csv")));
}

}  // namespace
}  // namespace qualtren::clitest
