// Tests of "qualtren-cli table": info, dump, import and convert on
// hand-made binary and XML table files and CSV files.
#include <string>

#include "base/codepage.h"
#include "base/datetime.h"
#include "cli_fixture.h"
#include "dataset/field.h"
#include "table/virtual_table.h"

namespace qualtren::clitest {
namespace {

using TableCli = CliTest;

// A table file with a field of every type the table store holds, one record
// of values, one of nulls and one of edge values, in code page 1252.
void WriteTypedTable(const std::string& fileName) {
  const int savedCodePage = ActiveCodePage();
  SetActiveCodePage(1252);
  TVirtualTable t;
  auto& defs = t.FieldDefs();
  defs.Add("S", ftString, 12);
  defs.Add("SI", ftSmallint);
  defs.Add("I", ftInteger);
  defs.Add("W", ftWord);
  defs.Add("B", ftBoolean);
  defs.Add("F", ftFloat);
  defs.Add("C", ftCurrency);
  defs.Add("BCD", ftBCD, 4);
  defs.Add("D", ftDate);
  defs.Add("T", ftTime);
  defs.Add("DT", ftDateTime);
  defs.Add("BY", ftBytes, 3);
  defs.Add("VB", ftVarBytes, 10);
  defs.Add("BL", ftBlob);
  defs.Add("M", ftMemo);
  defs.Add("WS", ftWideString, 10);
  defs.Add("L", ftLargeint);
  defs.Add("G", ftGuid, 38);
  defs.Add("FB", ftFMTBcd, 2).Precision = 10;
  defs.Add("Gr\xFC\xDF", ftInteger);
  t.Open();

  t.Append();
  t.FieldByName("S").SetAsString("caf\xE9, \"q\"");
  t.FieldByName("SI").SetAsInteger(-12);
  t.FieldByName("I").SetAsInteger(2147483647);
  t.FieldByName("W").SetAsInteger(65535);
  t.FieldByName("B").SetAsBoolean(true);
  t.FieldByName("F").SetAsFloat(0.1);
  t.FieldByName("C").SetAsFloat(1e20);
  t.FieldByName("BCD").SetAsString("-12.5");
  t.FieldByName("D").SetAsDateTime(EncodeDate(2024, 2, 29));
  t.FieldByName("T").SetAsDateTime(EncodeTime(13, 5, 9, 7));
  t.FieldByName("DT").SetAsDateTime(EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 58, 0));
  t.FieldByName("BY").SetAsBytes(std::string("\x00\xAB\xFF", 3));
  t.FieldByName("VB").SetAsBytes("\x01\x02");
  t.FieldByName("BL").SetAsBytes("\xDE\xAD");
  t.FieldByName("M").SetAsString("line1\r\nline2");
  t.FieldByName("WS").SetAsWideString(u"\u03A9mega");
  t.FieldByName("L").SetAsLargeInt(-9000000000);
  t.FieldByName("G").SetAsString("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  t.FieldByName("FB").SetAsString("123.45");
  t.FieldByName("Gr\xFC\xDF").SetAsInteger(0);
  t.Post();

  t.Append();
  t.Post();

  t.Append();
  t.FieldByName("F").SetAsFloat(3);
  t.FieldByName("C").SetAsFloat(-0.5);
  t.FieldByName("B").SetAsBoolean(false);
  t.FieldByName("T").SetAsDateTime(EncodeTime(0, 0, 0, 0));
  t.FieldByName("D").SetAsDateTime(EncodeDate(1, 1, 1));
  t.FieldByName("DT").SetAsDateTime(EncodeDate(2000, 1, 1) + EncodeTime(0, 0, 1, 500));
  t.FieldByName("BCD").SetAsString("7");
  t.Post();

  t.SaveTableFile(fileName);
  SetActiveCodePage(savedCodePage);
}

const char* const kXmlTable =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010' "
    "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
    "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>\n"
    "<s:AttributeType name='Naziv'><s:datatype dt:type='string' rs:dbtype='str' "
    "dt:maxlength='30'/></s:AttributeType>\n"
    "<s:AttributeType name='N'><s:datatype dt:type='int' dt:maxlength='4'/></s:AttributeType>\n"
    "<s:AttributeType name='F'><s:datatype dt:type='float' dt:maxlength='8'/></s:AttributeType>\n"
    "<s:AttributeType name='D'><s:datatype dt:type='date' dt:maxlength='6'/></s:AttributeType>\n"
    "</s:ElementType></s:Schema>\n"
    "<rs:data><z:row Naziv='Obra\xC4\x8Dun' N='5' F='0.1' D='2024-02-29'/><z:row Naziv='b'/>"
    "</rs:data></xml>\n";

TEST_F(TableCli, InfoAndDumpShowEveryFieldType) {
  WriteTypedTable(Path("typed.vtd").string());

  RunResult r = Run("table info typed.vtd");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "binary version 3\n"
            "S\tftString\t12\t0\nSI\tftSmallint\t0\t0\nI\tftInteger\t0\t0\nW\tftWord\t0\t0\n"
            "B\tftBoolean\t0\t0\nF\tftFloat\t0\t0\nC\tftCurrency\t0\t0\nBCD\tftBCD\t4\t0\n"
            "D\tftDate\t0\t0\nT\tftTime\t0\t0\nDT\tftDateTime\t0\t0\nBY\tftBytes\t3\t0\n"
            "VB\tftVarBytes\t10\t0\nBL\tftBlob\t0\t0\nM\tftMemo\t0\t0\n"
            "WS\tftWideString\t10\t0\nL\tftLargeint\t0\t0\nG\tftGuid\t38\t0\n"
            "FB\tftFMTBcd\t2\t0\nGrüß\tftInteger\t0\t0\n"
            "records: 3\n");
  EXPECT_EQ(r.Err, "");

  r = Run("table dump typed.vtd");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "\"S\",\"SI\",\"I\",\"W\",\"B\",\"F\",\"C\",\"BCD\",\"D\",\"T\",\"DT\",\"BY\",\"VB\","
            "\"BL\",\"M\",\"WS\",\"L\",\"G\",\"FB\",\"Grüß\"\r\n"
            "\"café, \"\"q\"\"\",\"-12\",\"2147483647\",\"65535\",\"True\",\"0.1\",\"1e+20\","
            "\"-12.5\",\"2024-02-29\",\"13:05:09.007\",\"1999-12-31 23:59:58\",\"00abff\","
            "\"0102\",\"dead\",\"line1\r\nline2\",\"Ωmega\",\"-9000000000\","
            "\"{01234567-89AB-CDEF-0123-456789ABCDEF}\",\"123.45\",\"0\"\r\n"
            ",,,,,,,,,,,,,,,,,,,\r\n"
            ",,,,\"False\",\"3\",\"-0.5\",\"7\",\"0001-01-01\",\"00:00:00\","
            "\"2000-01-01 00:00:01.500\","
            ",,,,,,,,\r\n");
}

TEST_F(TableCli, ImportedCsvDumpsBackToTheSameBytes) {
  const std::string csv =
      "\"Name\",\"Note\",\"Empty\",\"Dvi, \"\"words\"\"\"\r\n"
      "\"Kupac\",\"a, \"\"quoted\"\" text\",,\" x \"\r\n"
      "\"café\",\"two\r\nlines\",,\"\"\"\"\r\n"
      ",\"ü\",,\"9\"\r\n";
  Write("in.csv", csv);
  RunResult r = Run("table import in.csv --out t.vtd");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  r = Run("table dump t.vtd");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, csv);
  // ftString fields as long as the longest value in the code page (at least 1).
  EXPECT_EQ(Run("table info t.vtd").Out,
            "binary version 3\nName\tftString\t5\t0\nNote\tftString\t16\t0\n"
            "Empty\tftString\t1\t0\nDvi, \"words\"\tftString\t3\t0\nrecords: 3\n");

  // --size gives every field that size; LF line ends, a byte-order mark and
  // unquoted values are read as well.
  Write("plain.csv", "\xEF\xBB\xBFTableName,TableNameAng\nKupac,Customer\n");
  r = Run("table import plain.csv --size 40 --out plain.vtd");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(Run("table info plain.vtd").Out,
            "binary version 3\nTableName\tftString\t40\t0\nTableNameAng\tftString\t40\t0\n"
            "records: 1\n");
  EXPECT_EQ(Run("table dump plain.vtd").Out,
            "\"TableName\",\"TableNameAng\"\r\n\"Kupac\",\"Customer\"\r\n");

  // An empty CSV makes a table without fields, which dumps to nothing; a
  // header alone makes fields of size 1 and no records.
  Write("empty.csv", "");
  ASSERT_EQ(Run("table import empty.csv --out empty.vtd").Status, 0);
  EXPECT_EQ(Read("empty.vtd"), std::string(10, '\0').replace(0, 1, "\x03"));
  EXPECT_EQ(Run("table info empty.vtd").Out, "binary version 3\nrecords: 0\n");
  r = Run("table dump empty.vtd");
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "");
  Write("header.csv", "a,b");
  ASSERT_EQ(Run("table import header.csv --out header.vtd").Status, 0);
  EXPECT_EQ(Run("table info header.vtd").Out,
            "binary version 3\na\tftString\t1\t0\nb\tftString\t1\t0\nrecords: 0\n");
  EXPECT_EQ(Run("table dump header.vtd").Out, "\"a\",\"b\"\r\n");
}

TEST_F(TableCli, ImportErrorsNameTheLineAndWriteNothing) {
  Write("out.vtd", "old bytes");
  struct Case {
    std::string csv, args, message;
  };
  const Case cases[] = {
      {"a,b\r\n1,2\r\n\"x\r\ny\",2\r\n3\r\n", "",
       "line 5: the row has 1 field where the header has 2"},
      {"a,b\n1,2,3\n", "", "line 2: the row has 3 fields where the header has 2"},
      {"a\n\"\nline\nč\"\n", "",
       "line 2: the value of field \"a\" holds a character that code page 1252 cannot hold"},
      {"a,b\n1,abcd\n", "--size 3",
       "line 2: the value of field \"b\" is 4 bytes long, longer than the size 3"},
      {"a\nabc\n\"x\"\"yz\"\n", "--size=3",
       "line 3: the value of field \"a\" is 4 bytes long, longer than the size 3"},
      {"a,č\n", "",
       "line 1: the name of column 2 holds a character that code page 1252 cannot hold"},
      {"a,\n", "", "line 1: column 2 has no name"},
      {"a,A\n", "", "line 1: the field name \"A\" is given twice"},
      {"a\n\"open\n", "", "line 2: a quoted field is not closed"},
      {"a\n\"x\"y\n", "", "line 2: text after the closing double quote of a field"},
      {"a\nx\"y\n", "", "line 2: a double quote inside a field that is not quoted"},
      {"a\nx\ry\n", "", "line 2: a carriage return without a line feed outside quotes"},
      {"a\n\xC3\x28\n", "", "line 2: the value of field \"a\" is not valid UTF-8"},
      {std::string("a\nx\0y\n", 6), "",
       "line 2: the value of field \"a\" holds a NUL character, which a string field cannot hold"},
  };
  for (const Case& c : cases) {
    Write("bad.csv", c.csv);
    RunResult r = Run("table import bad.csv --out out.vtd " + c.args);
    EXPECT_EQ(r.Status, 2) << c.csv;
    EXPECT_EQ(r.Err, "qualtren-cli: " + c.message + "\n") << c.csv;
    EXPECT_EQ(Read("out.vtd"), "old bytes") << c.csv;
    r = Run("table import bad.csv --out new.vtd " + c.args);
    EXPECT_FALSE(fs::exists(Path("new.vtd"))) << c.csv;
  }

  // Files that cannot be read or written.
  RunResult r =
      ExpectRun("table import missing.csv --out new.vtd", 2,
                "qualtren-cli: Cannot open file missing.csv (No such file or directory)\n");
  Write("ok.csv", "a\n1\n");
  r = Run("table import ok.csv --out nowhere/new.vtd");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err.rfind("qualtren-cli: Cannot create file nowhere/new.vtd", 0), 0u) << r.Err;
}

TEST_F(TableCli, ConvertSavesBinaryAndXmlFilesAsBinary) {
  Write("x.xml", kXmlTable);
  RunResult r = Run("table info x.xml", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "xml\nNaziv\tftString\t30\t0\nN\tftInteger\t0\t0\nF\tftFloat\t0\t0\n"
            "D\tftDate\t0\t0\nrecords: 2\n");
  const std::string dump =
      "\"Naziv\",\"N\",\"F\",\"D\"\r\n\"Obračun\",\"5\",\"0.1\",\"2024-02-29\"\r\n\"b\",,,\r\n";
  EXPECT_EQ(Run("table dump x.xml", "", "hr_HR.UTF-8").Out, dump);

  r = Run("table convert x.xml x.vtd", "", "hr_HR.UTF-8");
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(Read("x.vtd").substr(0, 2), std::string("\x03\x00", 2));
  EXPECT_EQ(Run("table info x.vtd", "", "hr_HR.UTF-8").Out,
            "binary version 3\nNaziv\tftString\t30\t0\nN\tftInteger\t0\t0\nF\tftFloat\t0\t0\n"
            "D\tftDate\t0\t0\nrecords: 2\n");
  EXPECT_EQ(Run("table dump x.vtd", "", "hr_HR.UTF-8").Out, dump);

  // Binary to binary keeps every value.
  WriteTypedTable(Path("typed.vtd").string());
  ASSERT_EQ(Run("table convert typed.vtd copy.vtd").Status, 0);
  EXPECT_EQ(Run("table dump copy.vtd").Out, Run("table dump typed.vtd").Out);
  EXPECT_EQ(Run("table info copy.vtd").Out, Run("table info typed.vtd").Out);

  // A file that cannot be loaded is reported and nothing is written.
  Write("junk.vtd", "\x03\x00\x01\x00\x40");
  for (const char* args :
       {"table convert junk.vtd out.vtd", "table info junk.vtd", "table dump junk.vtd"}) {
    r = Run(args);
    EXPECT_EQ(r.Status, 2) << args;
    EXPECT_EQ(r.Out, "") << args;
    EXPECT_EQ(r.Err, "qualtren-cli: Stream read error\n") << args;
  }
  EXPECT_FALSE(fs::exists(Path("out.vtd")));
  r = Run("table info missing.vtd");
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(r.Err, "qualtren-cli: Cannot open file missing.vtd (No such file or directory)\n");
}

}  // namespace
}  // namespace qualtren::clitest
