// Tests of "qualtren-cli table add": a table of inputs with what each adds,
// skips, replaces or refuses; the README's round of report, fill in, add,
// check and translate, with a second run refused; and a table file shown in
// "git diff" as its CSV dump.
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using TableAddCli = CliTest;

constexpr const char* kHeader = "TableName,FieldName,FieldNameAng\n";
constexpr const char* kHeld = "\"Kupac\",\"Ime\",\"Name\"\r\n\"Kupac\",\"Grad\",\"City\"\r\n";

TEST_F(TableAddCli, RowsAreAddedSkippedReplacedOrAllRefused) {
  const std::string h = kHeader;
  const struct {
    std::vector<std::string> Csv;  // a.csv, b.csv
    const char* Flags;
    int Status;
    std::string Out, Err, Rows;  // Rows: the table's rows after the run
  } cases[] = {
      {{h + "Kupac,Telefon,Phone\nKUPAC,IME,Name\n"},
       "",
       0,
       "T.vtd: 1 added, 1 skipped, 0 replaced\n",
       "",
       std::string(kHeld) + "\"Kupac\",\"Telefon\",\"Phone\"\r\n"},
      {{h + "Kupac,Telefon,Phone\nkupac,ime,FirstName\n"},
       "",
       2,
       "",
       "qualtren-cli: a.csv: line 3: (\"kupac\", \"ime\", \"FirstName\") gives its local name "
       "another English name than record 1 of T.vtd (\"Kupac\", \"Ime\", \"Name\") (--replace "
       "replaces it)\nqualtren-cli: T.vtd: nothing added, 1 row refused\n",
       kHeld},
      {{h + "kupac,ime,FirstName\n"},
       "--replace",
       0,
       "T.vtd: 0 added, 0 skipped, 1 replaced\n",
       "",
       "\"Kupac\",\"Ime\",\"FirstName\"\r\n\"Kupac\",\"Grad\",\"City\"\r\n"},
      {{h + "Kupac,Adresa,\n"},
       "--allow-empty",
       0,
       "T.vtd: 1 added, 0 skipped, 0 replaced\n",
       "",
       std::string(kHeld) + "\"Kupac\",\"Adresa\",\r\n"},
      // Two inputs that disagree are refused whatever --replace says.
      {{h + "Racun,Iznos,Amount\n", "FieldNameAng,FieldName,TableName\nSum,Iznos,Racun\n"},
       "--replace",
       2,
       "",
       "qualtren-cli: b.csv: line 2: (\"Racun\", \"Iznos\", \"Sum\") gives its local name another "
       "English name than a.csv: line 2 (\"Racun\", \"Iznos\", \"Amount\")\n"
       "qualtren-cli: T.vtd: nothing added, 1 row refused\n",
       kHeld},
      {{"TableName,FieldName,English\n"},
       "",
       2,
       "",
       "qualtren-cli: a.csv: line 1: the table has no field \"English\" (its fields: TableName, "
       "FieldName, FieldNameAng)\n",
       kHeld},
  };
  for (const auto& c : cases) {
    Write("T.csv", h + "Kupac,Ime,Name\nKupac,Grad,City\n");
    ASSERT_EQ(Run("table import T.csv --out T.vtd").Status, 0);
    const std::string before = Read("T.vtd");
    std::string args = "table add T.vtd " + std::string(c.Flags);
    for (size_t i = 0; i < c.Csv.size(); ++i) {
      Write(std::string(1, char('a' + i)) + ".csv", c.Csv[i]);
      args += std::string(" ") + char('a' + i) + ".csv";
    }
    EXPECT_EQ(ExpectRun(args, c.Status, c.Err).Out, c.Out) << args;
    EXPECT_EQ(Run("table dump T.vtd").Out,
              "\"TableName\",\"FieldName\",\"FieldNameAng\"\r\n" + c.Rows)
        << args;
    if (c.Status != 0) {
      EXPECT_EQ(Read("T.vtd"), before) << args;  // refused: not rewritten
    }
  }

  // A field too short for a new name grows.
  Write("a.csv", h + "StavkaRacuna,Kolicina,OrderedQuantity\n");
  ExpectRun("table add T.vtd a.csv", 0, "");
  EXPECT_EQ(Run("table info T.vtd").Out,
            "binary version 3\nTableName\tftString\t12\t0\nFieldName\tftString\t8\t0\n"
            "FieldNameAng\tftString\t15\t0\nrecords: 3\n");
}

// The round of migration as the README shows it, from report to restore.
TEST_F(TableAddCli, TheReadmeRoundAddsTheFilledInNames) {
  auto shell = [&](const std::string& command, int status) {
    const RunResult r =
        Execute("cd " + Quote(dir_.string()) + " && export PATH=" + Quote(BinDir()) +
                ":\"$PATH\" LC_ALL=C && { " + command + "; } >.stdout 2>.stderr");
    EXPECT_EQ(r.Status, status) << command << "\n" << r.Err;
    return r;
  };
  shell(
      "mkdir -p tables tree/billing && "
      "printf 'TableName,TableNameAng\\nKupac,Customer\\nRacun,Invoice\\n' > tables/table.csv && "
      "printf 'Naziv,ProcedureNameAng\\nObracun,Settle\\n' > tables/proc.csv && "
      "printf 'TableName,FieldName,FieldNameAng\\nKupac,Ime,Name\\nKupac,Grad,City\\n"
      "Racun,Iznos,Amount\\nRacun,Kupac,CustomerId\\n' > tables/column.csv && "
      "qualtren-cli table import tables/table.csv --out tables/Q47SifTable.vtd && "
      "qualtren-cli table import tables/proc.csv --out tables/Q47SifSQL_SP.vtd && "
      "qualtren-cli table import tables/column.csv --out tables/Q47SifTableStr.vtd && "
      "printf 'select Iznos, Popust from Racun\\nwhere Popust > 0;\\n' > "
      "tree/billing/discounts.sql "
      "&& printf 'select Ime, Telefon from Kupac\\norder by Ime\\n' > tree/customers.sql && "
      "cp -r tree tree.before && qualtren-cli report tree --tables tables --mask '*.sql' "
      "--recursive --unknown-csv unknown.csv",
      1);
  const std::string empty =
      ": the English name (FieldNameAng) is empty: the row would make its word vanish from the "
      "translated SQL (fill it in, leave the row out, or give --allow-empty)\n";
  EXPECT_EQ(shell("qualtren-cli table add tables/Q47SifTableStr.vtd unknown.csv", 2).Err,
            "qualtren-cli: unknown.csv: line 2" + empty + "qualtren-cli: unknown.csv: line 3" +
                empty + "qualtren-cli: tables/Q47SifTableStr.vtd: nothing added, 2 rows refused\n");
  shell("sed -i 's/\"Popust\",/&Discount/; s/\"Telefon\",/&Phone/' unknown.csv", 0);
  EXPECT_EQ(shell("qualtren-cli table add tables/Q47SifTableStr.vtd unknown.csv", 0).Out,
            "tables/Q47SifTableStr.vtd: 2 added, 0 skipped, 0 replaced\n");
  EXPECT_EQ(shell("qualtren-cli table check tables", 0).Out, "check: 0 errors, 0 warnings\n");
  EXPECT_EQ(shell("qualtren-cli report tree --tables tables --mask '*.sql' --recursive", 0).Out,
            "files: 2\ntable names replaced: 2 (2 distinct)\ncolumn names replaced: 6 (4 "
            "distinct)\nprocedure names replaced: 0 (0 distinct)\nunknown names: 0 (0 distinct)\n");
  const std::string files = "qualtren-cli files tree --tables tables --mask '*.sql' --recursive";
  EXPECT_EQ(shell(files + " --verbose", 0).Err,
            "translated: tree/billing/discounts.sql\ntranslated: tree/customers.sql\n"
            "summary: 2 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("tree/billing/discounts.sql"),
            "select Amount, Discount from Invoice\r\nwhere Discount > 0;\r\n");
  // A second run would overwrite the backups, which hold the originals.
  EXPECT_EQ(shell(files, 2).Err,
            "qualtren-cli: 2 backups hold other bytes than their files, and this run would "
            "overwrite them: tree/billing/discounts.sqlbak, tree/customers.sqlbak\n"
            "qualtren-cli: nothing was touched: put the files back first (--restore), move the "
            "backups away, or give --overwrite-backups\n");
  shell("qualtren-cli files tree --mask '*.sql' --recursive --restore && diff -r tree.before tree",
        0);
}

// The README's two lines that make "git diff" show a table file as its CSV
// dump, on a repository whose table gains a row.
TEST_F(TableAddCli, GitDiffShowsATableAsItsDump) {
  Write("repo/column.csv", std::string(kHeader) + "Kupac,Ime,Name\n");
  ASSERT_EQ(Shell("export PATH=" + Quote(BinDir()) + ":\"$PATH\" HOME=" + Quote(dir_.string()) +
                  " GIT_CONFIG_NOSYSTEM=1 LC_ALL=C && cd repo && git init -q . && "
                  "qualtren-cli table import column.csv --out Q47SifTableStr.vtd && "
                  "echo '*.vtd diff=vtd' >> .gitattributes && "
                  "git config diff.vtd.textconv \"qualtren-cli table dump\" && "
                  "git add .gitattributes Q47SifTableStr.vtd && "
                  "git -c user.name=t -c user.email=t@example.org commit -q -m tables && "
                  "printf 'TableName,FieldName,FieldNameAng\\nKupac,Telefon,Phone\\n' > new.csv && "
                  "qualtren-cli table add Q47SifTableStr.vtd new.csv > /dev/null && "
                  "git diff --no-color --no-ext-diff > ../diff.txt"),
            0);
  const std::string diff = Read("diff.txt");
  EXPECT_NE(diff.find("\n \"Kupac\",\"Ime\",\"Name\"\r\n+\"Kupac\",\"Telefon\",\"Phone\"\r\n"),
            std::string::npos)
      << diff;
}

}  // namespace
}  // namespace qualtren::clitest
