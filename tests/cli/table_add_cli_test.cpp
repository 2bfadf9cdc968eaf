// Tests of "qualtren-cli table add": a table of inputs with what each adds,
// skips, replaces or refuses, and the files it refuses to add to.
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

}  // namespace
}  // namespace qualtren::clitest
