// Tests of the name lookup on the Kupac / Racun / Obracun example tables.
#include "trans/name_lookup.h"

#include <gtest/gtest.h>

#include "base/exception.h"
#include "trans_fixture.h"

using namespace qualtren;
using qualtren::transtest::TransTestTables;

namespace {

class NameLookup : public ::testing::Test {
 protected:
  void SetUp() override { t.FillExample(); }
  std::string Tr(const std::string& word, const std::string& context,
                 const std::string& tableName = "") {
    return TranslateName(t.Tables(), tableName, word, context);
  }
  TransTestTables t;
};

}  // namespace

TEST_F(NameLookup, ExampleWords) {
  EXPECT_EQ(Tr("Ime", "F", "Kupac"), "Name");
  EXPECT_EQ(Tr("Ime", "F", "Racun"), "Name");
  EXPECT_EQ(Tr("Ime", "F"), "Name");
  for (const char* tableName : {"", "Kupac", "Racun", "x"}) {
    EXPECT_EQ(Tr("Kupac", "T", tableName), "Customer") << tableName;
    EXPECT_EQ(Tr("kupac", "T", tableName), "Customer") << tableName;
    EXPECT_EQ(Tr("Obracun", "F", tableName), "Settle") << tableName;
    EXPECT_EQ(Tr("Obracun", "T", tableName), "Settle") << tableName;
  }
  EXPECT_EQ(Tr("Kupac", "F"), "CustomerId");
  EXPECT_EQ(Tr("Kupac", "F", "Kupac"), "CustomerId");
  EXPECT_EQ(Tr("Grad", "T"), "City");
  EXPECT_EQ(Tr("Racun", "F"), "Invoice");
  EXPECT_EQ(Tr("select", "F", "Kupac"), "select");
  EXPECT_EQ(Tr("SeLeCt", "T"), "SeLeCt");
  EXPECT_EQ(Tr("", "F", "Kupac"), "");
  EXPECT_EQ(Tr("", "T"), "");
  // An automatic name that ran over a line break matches no record.
  EXPECT_EQ(Tr("Ime", "F", "kupac\r\nwhere"), "Name");
  // The stored value comes back in its own case.
  EXPECT_EQ(Tr("IZNOS", "F"), "Amount");
}

TEST_F(NameLookup, OnlyTheExactTSelectsTableFirst) {
  EXPECT_EQ(Tr("Kupac", "t"), "CustomerId");
  EXPECT_EQ(Tr("Kupac", "TT"), "CustomerId");
  EXPECT_EQ(Tr("Kupac", ""), "CustomerId");
}

TEST_F(NameLookup, TableNamePrefersItsOwnColumns) {
  t.AddColumn("Racun", "Datum", "InvoiceDate");
  t.AddColumn("Kupac", "Datum", "CreatedOn");
  EXPECT_EQ(Tr("Datum", "F"), "InvoiceDate");
  EXPECT_EQ(Tr("Datum", "F", "Racun"), "InvoiceDate");
  EXPECT_EQ(Tr("Datum", "F", "kupac"), "CreatedOn");
  EXPECT_EQ(Tr("Datum", "F", "Obracun"), "InvoiceDate");
  // The table condition serves column tries only.
  EXPECT_EQ(Tr("Racun", "T", "Kupac"), "Invoice");
}

TEST_F(NameLookup, FirstRecordInStoredOrderDecides) {
  t.AddTable("Kupac", "Client");
  EXPECT_EQ(Tr("Kupac", "T"), "Customer");
  // An index order left on the table does not change the stored order seen.
  t.table.SetIndexFieldNames("TableNameAng");
  EXPECT_EQ(Tr("Kupac", "T"), "Customer");
  EXPECT_EQ(t.table.IndexFieldNames(), "");
}

TEST_F(NameLookup, EmptyEnglishNameGivesEmptyTranslation) {
  t.AddColumn("Kupac", "Napomena", "");
  EXPECT_EQ(Tr("Napomena", "F"), "");
  EXPECT_EQ(Tr("Napomena", "T", "Kupac"), "");
}

TEST_F(NameLookup, WordsAreMatchedLiterally) {
  EXPECT_EQ(Tr("Kup%", "F"), "Kup%");
  EXPECT_EQ(Tr("Kup%", "T"), "Kup%");
  EXPECT_EQ(Tr("%", "F", "Kupac"), "%");
  EXPECT_EQ(Tr("%", "T"), "%");
  EXPECT_EQ(Tr("_me", "F"), "_me");
  t.AddColumn("Kupac", "ImeX1", "NameX1");
  t.AddColumn("Kupac", "Ime_1", "Name1");
  EXPECT_EQ(Tr("Ime_1", "F"), "Name1");
  EXPECT_EQ(Tr("ime_1", "F", "Kupac"), "Name1");
  EXPECT_EQ(Tr("ImeX1", "F"), "NameX1");
  EXPECT_EQ(Tr("Ime_", "F"), "Ime_");
}

TEST_F(NameLookup, QuotesInTableNameDoNotBreakTheFilter) {
  for (const char* tableName : {"'Kupac", "Ku'pac", "Ku''pac", "Kupac'", "'", "''"}) {
    EXPECT_EQ(Tr("Ime", "F", tableName), "Name") << tableName;
    EXPECT_EQ(Tr("Kupac", "F", tableName), "CustomerId") << tableName;
  }
  // A column record of a table whose name holds quotes is found through the
  // table condition, ahead of the same column of a table stored earlier.
  t.AddColumn("O'Brien", "Ime", "FirstName");
  t.AddColumn("'Q''", "Ime", "GivenName");
  EXPECT_EQ(Tr("Ime", "F", "O'Brien"), "FirstName");
  EXPECT_EQ(Tr("Ime", "F", "o'brien"), "FirstName");
  EXPECT_EQ(Tr("Ime", "F", "'q''"), "GivenName");
  EXPECT_EQ(Tr("Ime", "F", "O''Brien"), "Name");
  EXPECT_EQ(Tr("Ime", "F"), "Name");
}

TEST_F(NameLookup, LeavesTheTableFilteredByItsTry) {
  EXPECT_TRUE(OpenFiltered(t.table, "TableName = 'Racun'"));
  EXPECT_TRUE(t.table.Filtered());
  EXPECT_EQ(t.table.FieldByName("TableNameAng").AsString(), "Invoice");
  EXPECT_FALSE(OpenFiltered(t.table, "TableName = 'Nema'"));
  EXPECT_TRUE(t.table.Eof());
  // The empty filter switches filtering off and shows the first record.
  EXPECT_TRUE(OpenFiltered(t.table, ""));
  EXPECT_FALSE(t.table.Filtered());
  EXPECT_EQ(t.table.FieldByName("TableNameAng").AsString(), "Customer");
  EXPECT_EQ(t.table.RecordCount(), 2);
  // A closed table is opened.
  t.storedProc.Close();
  EXPECT_TRUE(OpenFiltered(t.storedProc, "Naziv = 'obracun'"));
  EXPECT_EQ(t.storedProc.FieldByName("ProcedureNameAng").AsString(), "Settle");
  EXPECT_EQ(Tr("Obracun", "T"), "Settle");
  EXPECT_EQ(t.storedProc.Filter(), "Naziv = 'Obracun'");
}

TEST(NameLookupErrors, ArePassedOn) {
  TransTestTables t(false);
  t.FillExample();
  // Found as a table name first in context T: no column is read.
  EXPECT_EQ(TranslateName(t.Tables(), "", "Kupac", "T"), "Customer");
  EXPECT_THROW(TranslateName(t.Tables(), "", "Ime", "F"), Exception);
  EXPECT_THROW(TranslateName(t.Tables(), "", "Kupac", "F"), Exception);
  // A word that no column record holds never reads the field.
  EXPECT_EQ(TranslateName(t.Tables(), "", "Obracun", "F"), "Settle");
}
