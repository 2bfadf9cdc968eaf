// The command line over scripts in every encoding: Croatian tables made and
// read under an English locale with --code-page, one script saved as ANSI,
// UTF-8, UTF-8 with a mark and UTF-16 with a mark translated by translate
// and files and reported by report, the refusals of broken input, and the
// arguments written into each output in its own encoding.
#include <string>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

// The script in UTF-8, and its translation (each line then ends in CR LF).
const std::string kScript =
    "select \xC5\xA0ifra, Koli\xC4\x8Dina, Opis\n"
    "from Ra\xC4\x8Dun\n"
    "where \xC5\xA0ifra in (select \xC5\xA0ifra from \xC5\xA0ifarnik)\n"
    "exec Obra\xC4\x8Dun 1\n";
const std::string kTranslated =
    "select Code, Quantity, Description\r\n"
    "from Invoice\r\n"
    "where Code in (select Code from Codebook)\r\n"
    "exec Settle 1\r\n";

// The script in one form, by iconv, as an editor would save it.
struct Form {
  const char* Name;
  const char* Iconv;  // iconv's name of the encoding
  const char* Mark;   // written before the text
};
const Form kForms[] = {{"utf8", "UTF-8", ""},
                       {"utf8bom", "UTF-8", "\xEF\xBB\xBF"},
                       {"utf16le", "UTF-16LE", "\xFF\xFE"},
                       {"utf16be", "UTF-16BE", "\xFE\xFF"},
                       {"cp1250", "CP1250", ""}};

class EncodingCli : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    // Made under the C locale (code page 1252) with the tables' own code page.
    ImportTables("t",
                 "TableName,TableNameAng\nKupac,Customer\nRa\xC4\x8Dun,Invoice\n"
                 "\xC5\xA0ifarnik,Codebook\n",
                 "Naziv,ProcedureNameAng\nObra\xC4\x8Dun,Settle\n",
                 "TableName,FieldName,FieldNameAng\nRa\xC4\x8Dun,\xC5\xA0ifra,Code\n"
                 "Ra\xC4\x8Dun,Koli\xC4\x8Dina,Quantity\nRa\xC4\x8Dun,Opis,Description\n"
                 "Kupac,Opis,Remark\n",
                 "--code-page 1250 ");
  }

  // `text` (UTF-8) in the form, with its mark.
  std::string Encode(const Form& f, const std::string& text) {
    Write(".plain", text);
    EXPECT_EQ(Shell(std::string("iconv -f UTF-8 -t ") + f.Iconv + " .plain > .encoded"), 0);
    return f.Mark + Read(".encoded");
  }
};

TEST_F(EncodingCli, EveryFormIsTranslatedAndWrittenBackInItsOwnForm) {
  // The tables hold the names in code page 1250, whatever the locale says.
  EXPECT_EQ(Run("table dump --code-page 1250 t/Q47SifTable.vtd").Out,
            "\"TableName\",\"TableNameAng\"\r\n\"Kupac\",\"Customer\"\r\n"
            "\"Ra\xC4\x8Dun\",\"Invoice\"\r\n\"\xC5\xA0ifarnik\",\"Codebook\"\r\n");
  for (const Form& f : kForms) {
    SCOPED_TRACE(f.Name);
    const std::string name = std::string(f.Name) + ".sql";
    Write(name, Encode(f, kScript));
    Write("d/" + name, Encode(f, kScript));
    RunResult r = Run("translate --tables t --code-page 1250 " + name);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, Encode(f, kTranslated));
    // Through a pipe the same.
    EXPECT_EQ(Run("translate --tables t --code-page 1250", Read(name), "C", true).Out,
              Encode(f, kTranslated));
  }
  // files rewrites each in its own form; the backups keep the bytes.
  RunResult r = Run("files d --tables t --code-page 1250 --mask '*.sql'");
  EXPECT_EQ(r.Status, 0) << r.Err;
  for (const Form& f : kForms) {
    EXPECT_EQ(Read(std::string("d/") + f.Name + ".sql"), Encode(f, kTranslated)) << f.Name;
    EXPECT_EQ(Read(std::string("d/") + f.Name + ".sqlbak"), Encode(f, kScript)) << f.Name;
  }
  // Read as ANSI, the UTF-8 names are in no table.
  r = Run("translate --tables t --code-page 1250 --encoding ansi utf8.sql");
  EXPECT_NE(r.Out.find("Koli\xC4\x8Dina"), std::string::npos) << r.Out;
}

TEST_F(EncodingCli, ArgumentsGoIntoEachOutputInItsEncoding) {
  // A column Opis of two tables: --table (UTF-8 on the command line) picks
  // Racun's in an ANSI file and in a UTF-16 file; the comment's prefix is
  // written in the file's own encoding.
  const std::string line = "select Opis, Koli\xC4\x8Dina\n";
  const std::string args =
      "--tables t --code-page 1250 --no-auto-table --table Ra\xC4\x8Dun --comment "
      "'--prefix=-- \xC4\x8D ' ";
  for (const Form& f : {kForms[0], kForms[2], kForms[4]}) {
    Write("a.sql", Encode(f, line));
    EXPECT_EQ(Run("translate " + args + "a.sql").Out,
              Encode(f,
                     "-- \xC4\x8D select Opis, Koli\xC4\x8Dina\r\n"
                     "select Description, Quantity\r\n"))
        << f.Name;
  }
  // An argument that is no UTF-8 is taken as bytes of the code page.
  Write("b.sql", Encode(kForms[4], "select Opis\n"));
  EXPECT_EQ(
      Run("translate --tables t --code-page 1250 --no-auto-table --table $'Ra\\xe8un' b.sql").Out,
      "select Description\r\n");
}

TEST_F(EncodingCli, BrokenInputIsRefusedWithItsOffsetAndLeftUntouched) {
  Write("d/bad8.sql", "\xEF\xBB\xBFselect \xE8 from Kupac\n");
  Write("d/odd16.sql", std::string("\xFF\xFEs\0e", 5));
  Write("d/utf32.sql", std::string("\xFF\xFE\0\0s\0\0\0", 8));
  Write("d/good.sql", "select Opis from Kupac\n");
  ExpectRun("translate --tables t d/bad8.sql", 2,
            "qualtren-cli: d/bad8.sql: not valid UTF-8: a malformed sequence at byte offset 10 "
            "(it starts with a UTF-8 byte-order mark)\n");
  ExpectRun("translate --tables t d/odd16.sql", 2,
            "qualtren-cli: d/odd16.sql: not valid UTF-16 LE: an odd number of bytes, the last at "
            "byte offset 4 (it starts with a UTF-16 LE byte-order mark)\n");
  ExpectRun("translate --tables t --encoding utf-8", 2,
            "qualtren-cli: standard input: not valid UTF-8: a malformed sequence at byte offset 3 "
            "(it was to be read as UTF-8)\n",
            "ab \xE8");
  const std::string before = Read("d/bad8.sql");
  RunResult r = Run("files d --tables t --mask '*.sql' --backup ''");
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err,
            "qualtren-cli: left untouched: d/bad8.sql: not valid UTF-8: a malformed sequence at "
            "byte offset 10 (it starts with a UTF-8 byte-order mark)\n"
            "qualtren-cli: left untouched: d/odd16.sql: not valid UTF-16 LE: an odd number of "
            "bytes, the last at byte offset 4 (it starts with a UTF-16 LE byte-order mark)\n"
            "qualtren-cli: left untouched: d/utf32.sql: UTF-32 LE text (byte-order mark FF FE 00 "
            "00) is not read; save it as UTF-8 or UTF-16\n"
            "summary: 1 translated, 3 left untouched, 0 failed\n");
  EXPECT_EQ(Read("d/bad8.sql"), before);
  EXPECT_EQ(Read("d/good.sql"), "select Description from Customer\r\n");
  r = Run("report d --tables t --mask '*.sql'");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("not counted: d/utf32.sql: UTF-32 LE text"), std::string::npos) << r.Err;
}

TEST_F(EncodingCli, ReportFindsDiacriticNamesAndWritesUtf8) {
  // Known names with diacritics are replaced, not unknown; an unknown one
  // goes to the CSV in UTF-8, whatever the file's encoding.
  for (const Form& f : {kForms[1], kForms[3], kForms[4]}) {
    Write("r.sql", Encode(f, "select Koli\xC4\x8Dina, Popu\xC5\xA1t from Ra\xC4\x8Dun;\n"));
    RunResult r = Run("report r.sql --tables t --code-page 1250 --unknown-csv u.csv");
    EXPECT_EQ(r.Status, 1) << f.Name << r.Err;
    EXPECT_NE(r.Out.find("column names replaced: 1 (1 distinct)"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("  1  Popu\xC5\xA1t  r.sql:1\n"), std::string::npos) << r.Out;
    EXPECT_EQ(Read("u.csv"),
              "TableName,FieldName,FieldNameAng\r\n\"Ra\xC4\x8Dun\",\"Popu\xC5\xA1t\",\r\n");
  }
}

}  // namespace
}  // namespace qualtren::clitest
