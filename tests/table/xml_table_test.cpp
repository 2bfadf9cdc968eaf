// Tests of reading a table from its XML form: schema to field definitions,
// aliases, type mapping and sizes, row values, dropped rows, errors.
#include "table/xml_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "base/format.h"
#include "dataset/client_dataset.h"
#include "table/virtual_table.h"

namespace qualtren {
namespace {

std::string Doc(const std::string& columns, const std::string& rows) {
  return "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010' "
         "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
         "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>" +
         columns + "</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>";
}

std::string Col(const std::string& name, const std::string& datatype) {
  return "<s:AttributeType name='" + name + "'><s:datatype " + datatype + "/></s:AttributeType>";
}

// Reads the schema into the dataset's definitions, opens it and reads the rows.
std::vector<TXmlAlias> Load(TClientDataSet& ds, const std::string& doc,
                            const std::string& tableName = "") {
  TMemoryStream stream(doc);
  XmlTextReader reader(stream);
  std::vector<TXmlAlias> aliases;
  ReadXmlSchema(reader, ds.FieldDefs(), aliases, tableName);
  ds.Open();
  ReadXmlRows(reader, ds, aliases);
  return aliases;
}

std::vector<std::string> Column(TDataSet& ds, const std::string& field) {
  std::vector<std::string> out;
  for (ds.First(); !ds.Eof(); ds.Next())
    out.push_back(ds.FieldByName(field).IsNull() ? "<null>" : ds.FieldByName(field).AsString());
  return out;
}

// The message of the error that reading the schema of doc raises.
std::string SchemaError(const std::string& doc, const std::string& tableName = "") {
  TMemoryStream stream(doc);
  XmlTextReader reader(stream);
  TFieldDefs defs;
  std::vector<TXmlAlias> aliases;
  try {
    ReadXmlSchema(reader, defs, aliases, tableName);
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

TFieldDef OneDef(const std::string& datatype) {
  TMemoryStream stream(Doc(Col("f", datatype), ""));
  XmlTextReader reader(stream);
  TFieldDefs defs;
  std::vector<TXmlAlias> aliases;
  ReadXmlSchema(reader, defs, aliases, "");
  EXPECT_EQ(defs.Count(), 1u) << datatype;
  return defs.Count() > 0 ? defs[0] : TFieldDef{};
}

class XmlTable : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCodePage_ = ActiveCodePage();
    savedSettings_ = FormatSettings();
    SetActiveCodePage(1250);
    SetFormatSettings(TFormatSettings{});
  }
  void TearDown() override {
    SetActiveCodePage(savedCodePage_);
    SetFormatSettings(savedSettings_);
  }
  int savedCodePage_ = 1252;
  TFormatSettings savedSettings_;
};

TEST_F(XmlTable, UnusualEnvelopeAndLetterCaseOfNames) {
  const std::string doc =
      "<?xml version='1.0' encoding='utf-8'?><Root xmlns:q='urn:other'><envelope>"
      "<S:Schema><s:AttributeType name='A'><S:datatype dt:type='string' rs:dbtype='str' "
      "dt:maxlength='10'/></s:AttributeType>"
      "<S:ATTRIBUTETYPE NAME='B'><s:DataType DT:TYPE='INT' dt:maxlength='4'/></S:ATTRIBUTETYPE>"
      "</S:SCHEMA>"
      // After the schema's end tag no more columns are read.
      "<s:AttributeType name='C'><s:datatype dt:type='int' dt:maxlength='4'/></s:AttributeType>"
      "<body><z:row A='x' B='1'/><Z:ROW a='y' b='2'></Z:ROW><z:Row A='z'/><row A='no'/></body>"
      "</envelope></Root>";
  TClientDataSet ds;
  Load(ds, doc);
  ASSERT_EQ(ds.FieldDefs().Count(), 2u);
  EXPECT_EQ(ds.FieldDefs()[0].DataType, ftString);
  EXPECT_EQ(ds.FieldDefs()[1].DataType, ftInteger);
  EXPECT_EQ(Column(ds, "A"), (std::vector<std::string>{"x", "y", "z"}));
  EXPECT_EQ(Column(ds, "B"), (std::vector<std::string>{"1", "2", "<null>"}));
}

TEST_F(XmlTable, AliasesThroughRsName) {
  const std::string doc =
      Doc("<s:AttributeType name='c0' rs:name='TableName'><s:datatype dt:type='string' "
          "rs:dbtype='str' dt:maxlength='30'/></s:AttributeType>" +
              Col("c1", "dt:type='string' rs:dbtype='str' dt:maxlength='30'"),
          "<z:row c0='a' c1='1'/><z:row TableName='b' c1='2'/><z:row tablename='c'/>"
          "<z:row c0='d'/>");
  TClientDataSet ds;
  std::vector<TXmlAlias> aliases = Load(ds, doc);
  ASSERT_EQ(aliases.size(), 1u);
  EXPECT_EQ(aliases[0].Left, "TableName");
  EXPECT_EQ(aliases[0].Right, "c0");
  ASSERT_EQ(ds.FieldDefs().Count(), 2u);
  EXPECT_EQ(ds.FieldDefs()[0].Name, "TableName");
  EXPECT_EQ(ds.FieldDefs()[1].Name, "c1");
  EXPECT_EQ(Column(ds, "TableName"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(Column(ds, "c1"), (std::vector<std::string>{"1", "2", "<null>", "<null>"}));
}

TEST_F(XmlTable, RowNamesReachTheFirstAliasWithAFieldAndUnknownNamesAlwaysFail) {
  // Aliases whose left-hand side names no field are passed over, in order;
  // aliases match the row's name exactly, fields ignoring case; a row with a
  // name that reaches no field is dropped however often the name comes.
  TClientDataSet ds;
  ds.FieldDefs().Add("B", ftString, 5);
  ds.FieldDefs().Add("D", ftString, 5);
  ds.Open();
  TMemoryStream stream(Doc("",
                           "<z:row c='1'/><z:row zz='2'/><z:row c='3' zz='4'/><z:row b='5'/>"
                           "<z:row q='x'/><z:row C='7'/><z:row d='8' c='9'/><z:row c='10' q='y'/>"
                           "<z:row q='z'/>"));
  XmlTextReader reader(stream);
  ReadXmlRows(reader, ds, {{"A", "c"}, {"B", "c"}, {"D", "c"}, {"D", "zz"}, {"A", "zz"}});
  EXPECT_EQ(Column(ds, "B"), (std::vector<std::string>{"1", "<null>", "3", "5", "9"}));
  EXPECT_EQ(Column(ds, "D"), (std::vector<std::string>{"<null>", "2", "4", "<null>", "8"}));
}

struct MappingCase {
  const char* datatype;
  TFieldType type;
  int size;
};

TEST_F(XmlTable, TypeMappingRows) {
  const MappingCase cases[] = {
      {"dt:type='i8' dt:maxlength='8'", ftLargeint, 0},
      {"dt:type='bin.hex' dt:maxlength='10' rs:long='true'", ftBlob, 0},
      {"dt:type='bin.hex' dt:maxlength='10' rs:fixedlength='1'", ftBytes, 10},
      {"dt:type='bin.hex' dt:maxlength='10'", ftVarBytes, 10},
      {"dt:type='boolean' dt:maxlength='2'", ftBoolean, 0},
      {"dt:type='string'", ftVariant, 0},
      {"dt:type='string' rs:dbtype='variant' dt:maxlength='16'", ftVariant, 16},
      {"dt:type='string' dt:maxlength='50'", ftWideString, 50},
      {"dt:type='string' dt:maxlength='50' rs:long='true'", ftMemo, 0},
      {"dt:type='string' rs:dbtype='str' dt:maxlength='50'", ftString, 50},
      {"dt:type='string' rs:dbtype='string' dt:maxlength='50'", ftString, 50},
      {"dt:type='string' rs:dbtype='str' dt:maxlength='50' rs:long='True'", ftMemo, 0},
      {"dt:type='i8' rs:dbtype='currency' dt:maxlength='8'", ftCurrency, 0},
      {"dt:type='number' rs:dbtype='currency' dt:maxlength='8'", ftCurrency, 0},
      {"dt:type='dateTime' rs:dbtype='variantdate' dt:maxlength='16'", ftDateTime, 0},
      {"dt:type='date' dt:maxlength='6'", ftDate, 0},
      {"dt:type='time' dt:maxlength='6'", ftTime, 0},
      {"dt:type='dateTime' rs:dbtype='timestamp' dt:maxlength='16'", ftDateTime, 0},
      {"dt:type='number' rs:dbtype='decimal' dt:maxlength='19'", ftCurrency, 0},
      {"dt:type='float' dt:maxlength='8'", ftFloat, 0},
      {"dt:type='uuid' dt:maxlength='16' rs:fixedlength='true'", ftGuid, 38},
      {"dt:type='int' dt:maxlength='4'", ftInteger, 0},
      {"dt:type='number' rs:dbtype='numeric' dt:maxlength='19' rs:precision='12' rs:scale='3'",
       ftFMTBcd, 3},
      {"dt:type='r4' dt:maxlength='4'", ftFloat, 0},
      {"dt:type='i2' dt:maxlength='2'", ftSmallint, 0},
      {"dt:type='i1' dt:maxlength='1'", ftSmallint, 0},
      {"dt:type='ui8' dt:maxlength='8'", ftLargeint, 0},
      {"dt:type='ui4' dt:maxlength='4'", ftLargeint, 0},
      {"dt:type='ui2' dt:maxlength='2'", ftWord, 0},
      {"dt:type='UI1' dt:maxlength='1'", ftWord, 0},
  };
  for (const MappingCase& c : cases) {
    TFieldDef def = OneDef(c.datatype);
    EXPECT_EQ(def.DataType, c.type) << c.datatype;
    EXPECT_EQ(def.Size, c.size) << c.datatype;
  }

  // Pairs outside the table, and the qualifier "variant" that an absent
  // maxlength and dbtype give.
  const char* unsupported[] = {
      "dt:type='int'",
      "dt:type='i8'",
      "dt:type='uuid' dt:maxlength='16'",
      "dt:type='int' rs:dbtype='str' dt:maxlength='4'",
      "dt:type='string' rs:dbtype='wstr' dt:maxlength='4'",
      "rs:dbtype='str' dt:maxlength='5'",
  };
  for (const char* dt : unsupported)
    EXPECT_EQ(SchemaError(Doc(Col("f", dt), "")), "Data type is not supported") << dt;
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='int'"), ""), "tbTable_Trans"),
            "tbTable_Trans: Data type is not supported");
}

TEST_F(XmlTable, DefinitionDetails) {
  // Required is the negation of rs:maybenull; fixed length gives faFixed.
  TFieldDef d = OneDef("dt:type='string' rs:dbtype='str' dt:maxlength='8' rs:maybenull='false'");
  EXPECT_TRUE(d.Required);
  EXPECT_EQ(d.Attributes & faFixed, 0);
  d = OneDef(
      "dt:type='string' rs:dbtype='str' dt:maxlength='8' rs:maybenull='-1' "
      "rs:fixedlength='TRUE'");
  EXPECT_FALSE(d.Required);
  EXPECT_NE(d.Attributes & faFixed, 0);
  // Without rs:maybenull a column is not required.
  EXPECT_EQ(OneDef("dt:type='int' dt:maxlength='4'").Required, false);
  EXPECT_EQ(OneDef("dt:type='int' dt:maxlength='4' rs:maybenull='0'").Required, true);

  // Precision only for the numeric and date types; FMTBcd takes scale as size.
  EXPECT_EQ(OneDef("dt:type='float' dt:maxlength='8' rs:precision='15'").Precision, 15);
  EXPECT_EQ(OneDef("dt:type='dateTime' rs:dbtype='timestamp' rs:precision='19'").Precision, 19);
  EXPECT_EQ(OneDef("dt:type='ui2' dt:maxlength='2' rs:precision='5'").Precision, 0);
  EXPECT_EQ(OneDef("dt:type='string' rs:dbtype='str' dt:maxlength='8' rs:precision='8'").Precision,
            0);
  d = OneDef(
      "dt:type='number' rs:dbtype='numeric' dt:maxlength='19' rs:precision='10' "
      "rs:scale='2'");
  EXPECT_EQ(d.Precision, 10);
  EXPECT_EQ(d.Size, 2);

  // dt:maxlength: rounded half to even, low 31 bits.
  EXPECT_EQ(OneDef("dt:type='string' rs:dbtype='str' dt:maxlength='2.5'").Size, 2);
  EXPECT_EQ(OneDef("dt:type='string' rs:dbtype='str' dt:maxlength='3.5'").Size, 4);
  EXPECT_EQ(OneDef("dt:type='string' rs:dbtype='str' dt:maxlength='7.4'").Size, 7);
  EXPECT_EQ(XmlMaxLength("4294967346"), 50);
  EXPECT_EQ(XmlMaxLength("-1"), 2147483647);
  EXPECT_EQ(XmlMaxLength("2147483648"), 0);

  // Conversion errors of the attributes stop the schema.
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='int' dt:maxlength='4' rs:maybenull='yes'"), "")),
            "'yes' is not a valid boolean value");
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='int' dt:maxlength='4' rs:precision='1.5'"), "")),
            "'1.5' is not a valid integer value");
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='int' rs:scale='x'"), "")),
            "'x' is not a valid integer value");
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='int' dt:maxlength='four'"), "")),
            "'four' is not a valid floating point value");

  EXPECT_TRUE(XmlStrToBool("TRUE"));
  EXPECT_TRUE(XmlStrToBool("2.5"));
  EXPECT_FALSE(XmlStrToBool("False"));
  EXPECT_FALSE(XmlStrToBool("0"));
  EXPECT_THROW(XmlStrToBool(""), EConvertError);
}

TEST_F(XmlTable, InvalidDocuments) {
  // An attribute type without a data type element after it.
  EXPECT_EQ(SchemaError("<xml><s:Schema><s:AttributeType name='a'/></s:Schema></xml>"),
            "Invalid XML document");
  // A data type without dt:type and rs:dbtype.
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:maxlength='5'"), "")), "Invalid XML document");
  EXPECT_EQ(SchemaError(Doc(Col("f", "dt:type='' rs:dbtype=''"), "")), "Invalid XML document");
  // The reader's own errors pass through.
  EXPECT_EQ(SchemaError("<xml><s:Schema><!-- open"), "Invalid comment tag");
  // A document without a schema gives no definitions and no error.
  EXPECT_EQ(SchemaError("<xml/>"), "");
}

TEST_F(XmlTable, FailingRowsAreDropped) {
  const std::string doc =
      Doc(Col("n", "dt:type='int' dt:maxlength='4' rs:maybenull='true'") +
              Col("d", "dt:type='dateTime' rs:dbtype='timestamp' rs:maybenull='true'") +
              Col("b", "dt:type='boolean' dt:maxlength='2' rs:maybenull='true'"),
          "<z:row n='1'/>"
          "<z:row n='2' unknown='x'/>"          // no such field
          "<z:row n='3' d='2003-0x-15'/>"       // a letter where a digit belongs
          "<z:row n='4' d='2003-07-15T10:2'/>"  // time too short
          "<z:row n='5' d='2003-13-15'/>"       // no such month
          "<z:row n='6' b='maybe'/>"
          "<z:row n='seven'/>"
          "<z:row n='99999999999'/>"
          "<z:row n='10'/>");
  TClientDataSet ds;
  Load(ds, doc);
  EXPECT_EQ(Column(ds, "n"), (std::vector<std::string>{"1", "10"}));
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
}

TEST_F(XmlTable, ValuesByFieldType) {
  const std::string doc = Doc(
      Col("s", "dt:type='string' rs:dbtype='str' dt:maxlength='30' rs:maybenull='true'") +
          Col("a", "dt:type='string' rs:dbtype='str' dt:maxlength='30' rs:maybenull='true'") +
          Col("w", "dt:type='string' dt:maxlength='20' rs:maybenull='true'") +
          Col("dt", "dt:type='dateTime' rs:dbtype='variantdate' rs:maybenull='true'") +
          Col("da", "dt:type='date' dt:maxlength='6' rs:maybenull='true'") +
          Col("ti", "dt:type='time' dt:maxlength='6' rs:maybenull='true'") +
          Col("f", "dt:type='float' dt:maxlength='8' rs:maybenull='true'") +
          Col("c", "dt:type='number' rs:dbtype='currency' dt:maxlength='8' rs:maybenull='true'") +
          Col("bcd",
              "dt:type='number' rs:dbtype='numeric' rs:precision='8' rs:scale='2' "
              "dt:maxlength='19' rs:maybenull='true'") +
          Col("b", "dt:type='boolean' dt:maxlength='2' rs:maybenull='true'") +
          Col("h", "dt:type='bin.hex' dt:maxlength='8' rs:maybenull='true'") +
          Col("bl", "dt:type='bin.hex' dt:maxlength='8' rs:long='true' rs:maybenull='true'") +
          Col("i", "dt:type='i2' dt:maxlength='2' rs:maybenull='true'") +
          Col("v", "dt:type='string' rs:maybenull='true'"),
      "<z:row s='&amp; and &#x26; &#x3c;x&#x3e; &#x27;&#x22;' "
      "a='\xC5\x99\xE4\xB8\xAD' w='\xC5\x99\xE2\x82\xAC\xE4\xB8\xAD' "
      "dt='2003-07-15T10:20:30.500' da='-1999-12-31' ti='23:59:58Z' f='1.5e2' c='12.34567' "
      "bcd='1234.567' b='true' h='0aFf\r\n\t10' bl='00\n01' i='-12' v='text'/>"
      "<z:row dt='1850-01-02T06:00:00' b='0' f='-0.25'/>");
  TClientDataSet ds;
  Load(ds, doc);
  ASSERT_EQ(ds.RecordCount(), 2);
  ds.First();
  // Only the five references are decoded; "&amp;" stays as written.
  EXPECT_EQ(ds.FieldByName("s").AsString(), "&amp; and & <x> '\"");
  // UTF-8 to the ANSI code page (1250): r with caron is F8, CJK has no byte.
  EXPECT_EQ(ds.FieldByName("a").AsString(), "\xF8?");
  // A wide string keeps what the code page cannot hold.
  EXPECT_EQ(ds.FieldByName("w").AsWideString(), u"\u0159\u20AC\u4E2D");
  int y, mo, d, h, mi, s, ms;
  DecodeDate(ds.FieldByName("dt").AsDateTime(), y, mo, d);
  DecodeTime(ds.FieldByName("dt").AsDateTime(), h, mi, s, ms);
  EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}),
            (std::vector<int>{2003, 7, 15, 10, 20, 30, 0}));
  DecodeDate(ds.FieldByName("da").AsDateTime(), y, mo, d);
  EXPECT_EQ((std::vector<int>{y, mo, d}), (std::vector<int>{1999, 12, 31}));
  DecodeTime(ds.FieldByName("ti").AsDateTime(), h, mi, s, ms);
  EXPECT_EQ((std::vector<int>{h, mi, s, ms}), (std::vector<int>{23, 59, 58, 0}));
  EXPECT_DOUBLE_EQ(ds.FieldByName("f").AsFloat(), 150.0);
  EXPECT_DOUBLE_EQ(ds.FieldByName("c").AsFloat(), 12.3457);
  EXPECT_EQ(ds.FieldByName("bcd").AsString(), "1234.57");
  EXPECT_TRUE(ds.FieldByName("b").AsBoolean());
  EXPECT_EQ(ds.FieldByName("h").DataType(), ftVarBytes);
  EXPECT_EQ(ds.FieldByName("h").AsBytes(), std::string("\x0A\xFF\x10", 3));
  EXPECT_EQ(ds.FieldByName("bl").AsBytes(), std::string("\x00\x01", 2));
  EXPECT_EQ(ds.FieldByName("i").AsInteger(), -12);
  EXPECT_EQ(ds.FieldByName("v").AsString(), "text");

  ds.Next();
  EXPECT_TRUE(ds.FieldByName("s").IsNull());
  EXPECT_TRUE(ds.FieldByName("h").IsNull());
  EXPECT_FALSE(ds.FieldByName("b").AsBoolean());
  EXPECT_FALSE(ds.FieldByName("b").IsNull());
  EXPECT_DOUBLE_EQ(ds.FieldByName("f").AsFloat(), -0.25);
  // Before 1899-12-30 the time still reads as the time of day.
  DecodeDate(ds.FieldByName("dt").AsDateTime(), y, mo, d);
  DecodeTime(ds.FieldByName("dt").AsDateTime(), h, mi, s, ms);
  EXPECT_EQ((std::vector<int>{y, mo, d, h, mi}), (std::vector<int>{1850, 1, 2, 6, 0}));
}

TEST_F(XmlTable, FloatsUnderAnotherDecimalSeparator) {
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  SetFormatSettings(comma);
  const std::string doc = Doc(Col("f", "dt:type='float' dt:maxlength='8' rs:maybenull='true'") +
                                  Col("c",
                                      "dt:type='number' rs:dbtype='decimal' dt:maxlength='19' "
                                      "rs:maybenull='true'"),
                              "<z:row f='2.5' c='-7.125'/><z:row f='x.5'/>");
  TClientDataSet ds;
  Load(ds, doc);
  ASSERT_EQ(ds.RecordCount(), 1);
  ds.First();
  EXPECT_DOUBLE_EQ(ds.FieldByName("f").AsFloat(), 2.5);
  EXPECT_DOUBLE_EQ(ds.FieldByName("c").AsFloat(), -7.125);
}

TEST_F(XmlTable, PositionalDatesAndHex) {
  // Separators are not checked; the year's "-" is skipped.
  int y, mo, d, h, mi, s, ms;
  DecodeDate(XmlStrToDateTime("2003/07/15"), y, mo, d);
  EXPECT_EQ((std::vector<int>{y, mo, d}), (std::vector<int>{2003, 7, 15}));
  TDateTime t = XmlStrToDateTime("-2003x07x15T01.02.03");
  DecodeTime(t, h, mi, s, ms);
  EXPECT_EQ((std::vector<int>{h, mi, s}), (std::vector<int>{1, 2, 3}));
  auto message = [](auto f) {
    try {
      f();
    } catch (const Exception& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(message([] { XmlStrToDateTime("2003-07-1"); }), "Invalid XML document");
  EXPECT_EQ(message([] { XmlStrToDateTime("2003-07-15T10:20:3"); }), "Invalid XML document");
  EXPECT_EQ(message([] { XmlStrToDateTime("2003-02-30"); }), "Invalid argument to date encode");
  EXPECT_EQ(message([] { XmlStrToTime("24:00:00"); }), "Invalid argument to time encode");
  EXPECT_EQ(message([] { XmlStrToTime("1:02:03"); }), "Invalid XML document");
  EXPECT_EQ(XmlHexToBytes("\t0a\r\n0\nB"), std::string("\x0A\x0B", 2));
  EXPECT_EQ(XmlHexToBytes(""), "");
  EXPECT_EQ(message([] { XmlHexToBytes("0a 0b"); }), "Invalid XML document");
  EXPECT_EQ(message([] { XmlHexToBytes("abc"); }), "Invalid XML document");
}

// Every prefix of a document either loads part of it or fails with one of the
// system's own errors.
TEST_F(XmlTable, TruncatedDocuments) {
  const std::string doc =
      Doc("<s:AttributeType name='c0' rs:name='TableName'><s:datatype dt:type='string' "
          "rs:dbtype='str' dt:maxlength='30' rs:maybenull='true'/></s:AttributeType>" +
              Col("d", "dt:type='dateTime' rs:dbtype='timestamp' rs:maybenull='true'") +
              Col("h", "dt:type='bin.hex' dt:maxlength='4' rs:maybenull='true'"),
          "<z:row c0='a&#x26;b' d='2003-07-15T10:20:30' h='0102'/>\r\n<z:row TableName='c'/>");
  size_t full = 0;
  for (size_t len = 0; len <= doc.size(); ++len) {
    TClientDataSet ds;
    try {
      Load(ds, doc.substr(0, len));
    } catch (const Exception&) {
    }
    if (len == doc.size()) full = static_cast<size_t>(ds.RecordCount());
  }
  EXPECT_EQ(full, 2u);
}

// The table loader hands XML streams to the readers above.
TEST_F(XmlTable, LoadsThroughVirtualTable) {
  const std::string doc =
      "\xEF\xBB\xBF<?xml version='1.0'?>" +
      Doc("<s:AttributeType name='c0' rs:name='TableName'><s:datatype dt:type='string' "
          "rs:dbtype='str' dt:maxlength='30' rs:maybenull='true'/></s:AttributeType>" +
              Col("TableNameAng",
                  "dt:type='string' rs:dbtype='str' dt:maxlength='30' "
                  "rs:maybenull='true'"),
          "<z:row c0='Kupac' TableNameAng='Customer'/><z:row c0='x' bad='1'/>"
          "<z:row TableName='Ra\xC4\x8Dun' TableNameAng='Invoice'/>");
  TVirtualTable table("tbTable_Trans");
  TMemoryStream stream(doc);
  table.LoadTableStream(stream, true);
  ASSERT_EQ(table.FieldDefs().Count(), 2u);
  EXPECT_EQ(table.FieldDefs()[0].Name, "TableName");
  EXPECT_EQ(table.FieldDefs()[0].DataType, ftString);
  EXPECT_EQ(table.FieldDefs()[0].Size, 30);
  table.Open();
  EXPECT_EQ(Column(table, "TableName"), (std::vector<std::string>{"Kupac", "Ra\xE8un"}));
  EXPECT_EQ(Column(table, "TableNameAng"), (std::vector<std::string>{"Customer", "Invoice"}));

  TVirtualTable named("tbSP_Trans");
  TMemoryStream bad(Doc(Col("f", "dt:type='int'"), ""));
  try {
    named.LoadTableStream(bad, true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "tbSP_Trans: Data type is not supported");
  }
}

}  // namespace
}  // namespace qualtren
