// Tests of "qualtren-cli table add": a table of inputs with what each adds,
// skips, replaces or refuses, and the files it refuses to add to; the
// README's round of report, fill in, add, check and translate, a second run
// refused; and a table file shown in "git diff" as its CSV dump.
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace qualtren::clitest {
namespace {

using TableAddCli = CliTest;

constexpr const char* kColumns =
    "TableName,FieldName,FieldNameAng\nKupac,Ime,Name\nKupac,Grad,City\n";
constexpr const char* kDumpHeader = "\"TableName\",\"FieldName\",\"FieldNameAng\"\r\n";
constexpr const char* kHeld = "\"Kupac\",\"Ime\",\"Name\"\r\n\"Kupac\",\"Grad\",\"City\"\r\n";

TEST_F(TableAddCli, RowsAreAddedSkippedReplacedOrAllRefused) {
  struct TCase {
    const char* Name;
    std::vector<std::string> Csv;  // a.csv, b.csv, ...
    const char* Flags;
    int Status;
    std::string Out, Err;
    std::string Dump;  // the rows after the header; refused: the rows held before
  };
  const std::string h = "TableName,FieldName,FieldNameAng\n";
  const std::vector<TCase> cases = {
      {"new rows, and one held already in another letter case",
       {h + "Kupac,Telefon,Phone\nKUPAC,IME,Name\nRacun,Iznos,Amount\n"},
       "",
       0,
       "T.vtd: 2 added, 1 skipped, 0 replaced\n",
       "",
       std::string(kHeld) +
           "\"Kupac\",\"Telefon\",\"Phone\"\r\n\"Racun\",\"Iznos\",\"Amount\"\r\n"},
      {"another English name for a held local name",
       {h + "Kupac,Telefon,Phone\nkupac,ime,FirstName\n"},
       "",
       2,
       "",
       "qualtren-cli: a.csv: line 3: (\"kupac\", \"ime\", \"FirstName\") gives its local name "
       "another English name than record 1 of T.vtd (\"Kupac\", \"Ime\", \"Name\") (--replace "
       "replaces it)\n"
       "qualtren-cli: T.vtd: nothing added, 1 row refused\n",
       kHeld},
      {"the same with --replace: in place",
       {h + "Kupac,Telefon,Phone\nkupac,ime,FirstName\n"},
       "--replace",
       0,
       "T.vtd: 1 added, 0 skipped, 1 replaced\n",
       "",
       "\"Kupac\",\"Ime\",\"FirstName\"\r\n\"Kupac\",\"Grad\",\"City\"\r\n"
       "\"Kupac\",\"Telefon\",\"Phone\"\r\n"},
      {"empty English names, missing or quoted",
       {h + "Kupac,Adresa,\nKupac,Posta,\"\"\n"},
       "--replace",
       2,
       "",
       "qualtren-cli: a.csv: line 2: the English name (FieldNameAng) is empty: the row would "
       "make its word vanish from the translated SQL (fill it in, leave the row out, or give "
       "--allow-empty)\n"
       "qualtren-cli: a.csv: line 3: the English name (FieldNameAng) is empty: the row would "
       "make its word vanish from the translated SQL (fill it in, leave the row out, or give "
       "--allow-empty)\n"
       "qualtren-cli: T.vtd: nothing added, 2 rows refused\n",
       kHeld},
      {"the same with --allow-empty",
       {h + "Kupac,Adresa,\nKupac,Posta,\"\"\n"},
       "--allow-empty",
       0,
       "T.vtd: 2 added, 0 skipped, 0 replaced\n",
       "",
       // A string field holds the empty text as null, as import does.
       std::string(kHeld) + "\"Kupac\",\"Adresa\",\r\n\"Kupac\",\"Posta\",\r\n"},
      {"two inputs that disagree, whatever --replace says; rows that agree are one",
       {h + "Kupac,Telefon,Phone\nRacun,Iznos,Amount\n",
        "FieldNameAng,FieldName,TableName\nPhone,Telefon,Kupac\nSum,Iznos,Racun\n"},
       "--replace",
       2,
       "",
       "qualtren-cli: b.csv: line 3: (\"Racun\", \"Iznos\", \"Sum\") gives its local name another "
       "English name than a.csv: line 3 (\"Racun\", \"Iznos\", \"Amount\")\n"
       "qualtren-cli: T.vtd: nothing added, 1 row refused\n",
       kHeld},
      {"nothing new: the file is left as it is",
       {h + "Kupac,Ime,Name\n", h},
       "",
       0,
       "T.vtd: 0 added, 1 skipped, 0 replaced\n",
       "",
       kHeld},
      {"a field the table lacks",
       {"TableName,FieldName,English\nKupac,Ime,Name\n"},
       "",
       2,
       "",
       "qualtren-cli: a.csv: line 1: the table has no field \"English\" (its fields: TableName, "
       "FieldName, FieldNameAng)\n",
       kHeld},
      {"a header without the English name",
       {"TableName,FieldName\nKupac,Ime\n"},
       "--allow-empty",
       2,
       "",
       "qualtren-cli: a.csv: line 1: the header does not name the field FieldNameAng\n",
       kHeld},
      {"a broken row of the second input",
       {h + "Kupac,Telefon,Phone\n", h + "Kupac,Posta\n"},
       "",
       2,
       "",
       "qualtren-cli: b.csv: line 2: the row has 2 fields where the header has 3\n",
       kHeld},
  };
  for (const TCase& c : cases) {
    Write("T.csv", kColumns);
    ASSERT_EQ(Run("table import T.csv --out T.vtd").Status, 0);
    const std::string before = Read("T.vtd");
    std::string args = "table add T.vtd";
    for (size_t i = 0; i < c.Csv.size(); ++i) {
      const std::string name = std::string(1, static_cast<char>('a' + i)) + ".csv";
      Write(name, c.Csv[i]);
      args += " " + name;
    }
    const RunResult r = Run(args + " " + c.Flags);
    EXPECT_EQ(r.Status, c.Status) << c.Name;
    EXPECT_EQ(r.Out, c.Out) << c.Name;
    EXPECT_EQ(r.Err, c.Err) << c.Name;
    EXPECT_EQ(Run("table dump T.vtd").Out, kDumpHeader + c.Dump) << c.Name;
    const bool unchanged = c.Out.find(" 0 added, ") != std::string::npos &&
                           c.Out.find(" 0 replaced") != std::string::npos;
    if (c.Status != 0 || unchanged) {
      EXPECT_EQ(Read("T.vtd"), before) << c.Name;
    }
  }
}

TEST_F(TableAddCli, FieldsGrowForLongerNamesAndOtherFilesAreRefused) {
  Write("T.csv", kColumns);
  ASSERT_EQ(Run("table import T.csv --out T.vtd").Status, 0);
  Write("a.csv", "TableName,FieldName,FieldNameAng\nStavkaRacuna,Kolicina,OrderedQuantity\n");
  ExpectRun("table add T.vtd a.csv", 0, "");
  EXPECT_EQ(Run("table info T.vtd").Out,
            "binary version 3\nTableName\tftString\t12\t0\nFieldName\tftString\t8\t0\n"
            "FieldNameAng\tftString\t15\t0\nrecords: 3\n");

  ExpectRun("table add T.vtd none.csv", 2,
            "qualtren-cli: Cannot open file none.csv (No such file or directory)\n");
  Write("x.csv", "a,b\n1,2\n");
  ASSERT_EQ(Run("table import x.csv --out x.vtd").Status, 0);
  ExpectRun("table add x.vtd a.csv", 2,
            "qualtren-cli: x.vtd: not a translation table: it has no field TableNameAng, "
            "ProcedureNameAng or FieldNameAng\n");
  Write("t.xml",
        "<?xml version=\"1.0\"?>\n<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
        "xmlns:dt='uuid:C2F41010' xmlns:rs='urn:schemas-microsoft-com:rowset' "
        "xmlns:z='#RowsetSchema'>\n<s:Schema id='RowsetSchema'><s:ElementType name='row' "
        "content='eltOnly'>\n<s:AttributeType name='TableName'><s:datatype dt:type='string' "
        "dt:maxlength='9'/></s:AttributeType>\n<s:AttributeType name='TableNameAng'><s:datatype "
        "dt:type='string' dt:maxlength='9'/></s:AttributeType>\n</s:ElementType></s:Schema>\n"
        "<rs:data><z:row TableName='Kupac' TableNameAng='Customer'/></rs:data></xml>\n");
  const RunResult xml = Run("table add t.xml a.csv");
  EXPECT_EQ(xml.Status, 2);
  EXPECT_NE(xml.Err.find("t.xml: an XML table file"), std::string::npos) << xml.Err;
}

// The round of migration as the README shows it, from report to restore.
TEST_F(TableAddCli, TheReadmeRoundAddsTheFilledInNames) {
  const std::string path = "export PATH=" + Quote(BinDir()) + ":\"$PATH\" LC_ALL=C && ";
  ASSERT_EQ(
      Shell(path +
            "mkdir -p tables tree/billing && "
            "printf 'TableName,TableNameAng\\nKupac,Customer\\nRacun,Invoice\\n' > "
            "tables/table.csv && "
            "printf 'Naziv,ProcedureNameAng\\nObracun,Settle\\n' > tables/proc.csv && "
            "printf 'TableName,FieldName,FieldNameAng\\nKupac,Ime,Name\\nKupac,Grad,City\\n"
            "Racun,Iznos,Amount\\nRacun,Kupac,CustomerId\\n' > tables/column.csv && "
            "qualtren-cli table import tables/table.csv --out tables/Q47SifTable.vtd && "
            "qualtren-cli table import tables/proc.csv --out tables/Q47SifSQL_SP.vtd && "
            "qualtren-cli table import tables/column.csv --out tables/Q47SifTableStr.vtd && "
            "printf 'select Iznos, Popust from Racun\\nwhere Popust > 0;\\n' > "
            "tree/billing/discounts.sql && "
            "printf 'select Ime, Telefon from Kupac\\norder by Ime\\n' > tree/customers.sql && "
            "cp -r tree tree.before"),
      0);
  auto shell = [&](const std::string& command, int status) {
    const RunResult r =
        Execute("cd " + Quote(dir_.string()) + " && " + path + command + " >" +
                Quote(Path(".stdout").string()) + " 2>" + Quote(Path(".stderr").string()));
    EXPECT_EQ(r.Status, status) << command << "\n" << r.Err;
    return r;
  };
  shell(
      "qualtren-cli report tree --tables tables --mask '*.sql' --recursive "
      "--unknown-csv unknown.csv",
      1);
  EXPECT_EQ(shell("qualtren-cli table add tables/Q47SifTableStr.vtd unknown.csv", 2).Err,
            "qualtren-cli: unknown.csv: line 2: the English name (FieldNameAng) is empty: the row "
            "would make its word vanish from the translated SQL (fill it in, leave the row out, "
            "or give --allow-empty)\n"
            "qualtren-cli: unknown.csv: line 3: the English name (FieldNameAng) is empty: the row "
            "would make its word vanish from the translated SQL (fill it in, leave the row out, "
            "or give --allow-empty)\n"
            "qualtren-cli: tables/Q47SifTableStr.vtd: nothing added, 2 rows refused\n");
  shell("sed -i 's/\"Popust\",/&Discount/; s/\"Telefon\",/&Phone/' unknown.csv", 0);
  EXPECT_EQ(shell("qualtren-cli table add tables/Q47SifTableStr.vtd unknown.csv", 0).Out,
            "tables/Q47SifTableStr.vtd: 2 added, 0 skipped, 0 replaced\n");
  EXPECT_EQ(shell("qualtren-cli table check tables", 0).Out, "check: 0 errors, 0 warnings\n");
  EXPECT_EQ(shell("qualtren-cli report tree --tables tables --mask '*.sql' --recursive", 0).Out,
            "files: 2\n"
            "table names replaced: 2 (2 distinct)\n"
            "column names replaced: 6 (4 distinct)\n"
            "procedure names replaced: 0 (0 distinct)\n"
            "unknown names: 0 (0 distinct)\n");
  EXPECT_EQ(
      shell("qualtren-cli files tree --tables tables --mask '*.sql' --recursive --verbose", 0).Err,
      "translated: tree/billing/discounts.sql\ntranslated: tree/customers.sql\n"
      "summary: 2 translated, 0 left untouched, 0 failed\n");
  EXPECT_EQ(Read("tree/billing/discounts.sql"),
            "select Amount, Discount from Invoice\r\nwhere Discount > 0;\r\n");
  // A second run would overwrite the backups, which hold the originals.
  EXPECT_EQ(shell("qualtren-cli files tree --tables tables --mask '*.sql' --recursive", 2).Err,
            "qualtren-cli: 2 backups hold other bytes than their files, and this run would "
            "overwrite them: tree/billing/discounts.sqlbak, tree/customers.sqlbak\n"
            "qualtren-cli: nothing was touched: put the files back first (--restore), move the "
            "backups away, or give --overwrite-backups\n");
  EXPECT_EQ(shell("qualtren-cli files tree --mask '*.sql' --recursive --restore", 0).Err,
            "summary: 2 restored, 0 without a backup, 0 failed\n");
  shell("diff -r tree.before tree", 0);
}

// The two lines of the README that make "git diff" show a table file as
// its CSV dump, on a repository whose table gains a row.
TEST_F(TableAddCli, GitDiffShowsATableAsItsDump) {
  Write("repo/column.csv", kColumns);
  const std::string env = "export PATH=" + Quote(BinDir()) +
                          ":\"$PATH\" HOME=" + Quote(dir_.string()) +
                          " GIT_CONFIG_NOSYSTEM=1 LC_ALL=C && cd repo && ";
  ASSERT_EQ(
      Shell(env + "git init -q . && "
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
  EXPECT_NE(diff.find("\n \"Kupac\",\"Grad\",\"City\"\r\n+\"Kupac\",\"Telefon\",\"Phone\"\r\n"),
            std::string::npos)
      << diff;
  EXPECT_EQ(diff.find("Binary files"), std::string::npos) << diff;
}

}  // namespace
}  // namespace qualtren::clitest
