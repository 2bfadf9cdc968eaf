// The rename script as text where no server runs (SQL Server: sp_rename,
// bracketed names, modules re-created), the catalog queries of SQL Server,
// and quoted names that the dialect's lexer reads back whole.
#include "db/rename_script.h"

#include <gtest/gtest.h>

#include <random>

#include "base/codepage.h"
#include "trans/sql_lexer.h"
#include "trans/trans_fixture.h"

namespace qualtren {
namespace {

class TCodePage1250 {
 public:
  TCodePage1250() : previous_(ActiveCodePage()) { SetActiveCodePage(1250); }
  ~TCodePage1250() { SetActiveCodePage(previous_); }

 private:
  int previous_;
};

TDbCatalog SqlServerShop() {
  TDbCatalog c;
  c.Flavor = TDbFlavor::SqlServer;
  c.Schema = "dbo";
  c.Tables = {{"Kupac", false, {}},
              {"Pregled", true, "CREATE VIEW dbo.Pregled AS SELECT Ime FROM dbo.Kupac"},
              {"Loš]Naziv", false, {}}};
  c.Columns = {{"Kupac", "Ime"}, {"Kupac", "Grad"}, {"Pregled", "Ime"}, {"Loš]Naziv", "x'y"}};
  TDbRoutine obracun;
  obracun.Name = "Obracun";
  obracun.Function = false;
  obracun.Definition = "CREATE PROCEDURE dbo.Obracun @p int AS SELECT Ime FROM Kupac";
  c.Routines = {obracun};
  c.Triggers = {{"trg",
                 "Kupac",
                 {},
                 {},
                 "CREATE TRIGGER trg ON dbo.Kupac AFTER INSERT AS\n"
                 "UPDATE Kupac SET Grad = Grad\n"}};
  return c;
}

// The shop's rows of the translation tables (code page 1250): tables and
// views, columns by their table, procedures, each with its English name.
constexpr const char* kShopTableRows[][2] = {
    {"Kupac", "Customer"}, {"Pregled", "Overview"}, {"Lo\x9A]Naziv", "Bad]Name"}};
constexpr const char* kShopColumnRows[][3] = {{"Kupac", "Ime", "Name"},
                                              {"Kupac", "Grad", "City"},
                                              {"Pregled", "Ime", "Name"},
                                              {"Lo\x9A]Naziv", "x'y", "It's"}};
constexpr const char* kShopProcRows[][2] = {{"Obracun", "Settle"}, {"Nema", "Missing"}};

struct ShopTables : transtest::TransTestTables {
  ShopTables() {
    for (const auto& [name, english] : kShopTableRows)
      AddTable(name, english);
    for (const auto& [table, name, english] : kShopColumnRows)
      AddColumn(table, name, english);
    for (const auto& [name, english] : kShopProcRows)
      AddProc(name, english);
  }
};

TEST(RenameScriptTest, SqlServerRenamesWithSpRenameAndRecreatesModules) {
  TCodePage1250 codePage;
  ShopTables tables;
  const TDbCatalog catalog = SqlServerShop();
  const TRenameScript script =
      BuildRenameScript(catalog, ReadTransRows(tables.set, ""), tables.Tables());
  EXPECT_EQ(RenameScriptText(script),
            "-- Renames the database's tables, views, columns and routines to their English "
            "names\n-- (qualtren-cli db rename).\n"
            "BEGIN TRANSACTION;\nGO\n"
            "EXEC sp_rename N'[dbo].[Kupac].[Ime]', N'Name', N'COLUMN'\nGO\n"
            "EXEC sp_rename N'[dbo].[Kupac].[Grad]', N'City', N'COLUMN'\nGO\n"
            "EXEC sp_rename N'[dbo].[Pregled].[Ime]', N'Name', N'COLUMN'\nGO\n"
            "EXEC sp_rename N'[dbo].[Loš]]Naziv].[x''y]', N'It''s', N'COLUMN'\nGO\n"
            "EXEC sp_rename N'[dbo].[Kupac]', N'Customer'\nGO\n"
            "EXEC sp_rename N'[dbo].[Pregled]', N'Overview'\nGO\n"
            "EXEC sp_rename N'[dbo].[Loš]]Naziv]', N'Bad]Name'\nGO\n"
            "CREATE OR ALTER VIEW dbo.Overview AS SELECT Name FROM dbo.Customer\nGO\n"
            "DROP PROCEDURE [dbo].[Obracun]\nGO\n"
            "CREATE PROCEDURE dbo.Settle @p int AS SELECT Name FROM Customer\nGO\n"
            "CREATE OR ALTER TRIGGER trg ON dbo.Customer AFTER INSERT AS\n"
            "UPDATE Customer SET City = City\nGO\n"
            "COMMIT;\nGO\n");
  EXPECT_EQ(script.NotInCatalog, 1u);  // Nema
  EXPECT_EQ(script.Renamed[static_cast<size_t>(TDbObjectKind::Column)], 4u);
  EXPECT_EQ(script.Recreated[static_cast<size_t>(TDbObjectKind::Trigger)], 1u);
}

TEST(RenameScriptTest, SqlServerCatalogIsReadInOneQueryPerKindFromTheSysViews) {
  const std::vector<std::string> queries = CatalogQueries(TDbFlavor::SqlServer);
  ASSERT_EQ(queries.size(), 3u);
  for (const std::string& q : queries) {
    EXPECT_EQ(std::count(q.begin(), q.end(), '?'), 1) << q;  // the schema, bound
    EXPECT_NE(q.find("is_ms_shipped = 0"), std::string::npos) << q;
    EXPECT_NE(q.find("sys.schemas"), std::string::npos) << q;
  }
  EXPECT_NE(queries[2].find("sys.sql_modules"), std::string::npos);
  for (TDbFlavor f : {TDbFlavor::Postgres, TDbFlavor::MySql, TDbFlavor::Sqlite})
    EXPECT_FALSE(CatalogQueries(f).empty());
}

TEST(RenameScriptTest, RefusalsComeBeforeAnyStatement) {
  TCodePage1250 codePage;
  ShopTables tables;
  tables.AddTable("Stari", "CUSTOMER");
  TDbCatalog catalog = SqlServerShop();
  catalog.Tables.push_back({"Stari", false, {}});
  catalog.OtherRelations.push_back("Overview");
  try {
    BuildRenameScript(catalog, ReadTransRows(tables.set, ""), tables.Tables());
    ADD_FAILURE() << "no refusal";
  } catch (const ERenameRefused& e) {
    EXPECT_EQ(e.Reasons(),
              (std::vector<std::string>{
                  "view \"Pregled\" would be renamed to \"Overview\", a name the "
                  "database holds already: \"Overview\" (an index, sequence, type "
                  "or trigger)",
                  "table \"Kupac\" and table \"Stari\" are both sent to \"CUSTOMER\""}));
  }
}

// Every name, quoted by a flavor, is one quoted name to the lexer of its
// dialect, whatever quotes, blanks, semicolons and dashes it holds.
TEST(RenameScriptTest, QuotedNamesAreReadBackWhole) {
  std::mt19937 random(26);
  const std::string alphabet = "ab \"'`[];-/*\\\t.x";
  std::vector<TLexSpan> spans;
  for (int i = 0; i < 2000; ++i) {
    std::string name;
    for (int n = 1 + static_cast<int>(random() % 12); n > 0; --n)
      name += alphabet[random() % alphabet.size()];
    for (TDbFlavor f : {TDbFlavor::Postgres, TDbFlavor::MySql, TDbFlavor::SqlServer}) {
      const std::string quoted = QuoteName(f, name);
      TSqlLexer lexer(DialectOf(f));
      lexer.Lex(quoted, spans);
      ASSERT_EQ(spans.size(), 1u) << quoted;
      EXPECT_EQ(spans[0].Kind, TLexKind::QuotedName) << quoted;
      EXPECT_EQ(spans[0].End, quoted.size()) << quoted;
      EXPECT_EQ(lexer.State(), TLexState{}) << quoted;
    }
  }
}

}  // namespace
}  // namespace qualtren
