// Tests of the translation driver on the Kupac / Racun / Obracun example tables.
#include "trans/translate.h"

#include <gtest/gtest.h>

#include "options_fixture.h"
#include "trans_fixture.h"

using namespace qualtren;
using qualtren::transtest::TransTestTables;

TEST(IsSeparator, ExactlyTheTwentyBytes) {
  const std::string separators = "\t\n\r '()*+,./:;<=>@[]";
  int count = 0;
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    const bool expected = separators.find(c) != std::string::npos;
    EXPECT_EQ(IsSeparator(c), expected) << b;
    count += IsSeparator(c) ? 1 : 0;
  }
  EXPECT_EQ(count, 20);
}

TEST(EqualsNoCase, FoldsAToZOnly) {
  EXPECT_TRUE(EqualsNoCase("FROM", "from"));
  EXPECT_TRUE(EqualsNoCase("sqlExp", "SQLEXP"));
  EXPECT_TRUE(EqualsNoCase("", ""));
  EXPECT_FALSE(EqualsNoCase("from", "from "));
  EXPECT_FALSE(EqualsNoCase("\xC8", "\xE8"));
  EXPECT_FALSE(EqualsNoCase("[", "{"));
  EXPECT_FALSE(EqualsNoCase("@", "`"));
  EXPECT_FALSE(EqualsNoCase("]", "}"));
}

namespace {

class Translate : public ::testing::Test {
 protected:
  void SetUp() override { t.FillExample(); }
  std::string Tr(const std::string& text, const std::string& tableName = "",
                 bool autoTableName = false) {
    std::string error = "not cleared";
    std::string result =
        TranslateText(t.Tables(), AnsiOptions(tableName, autoTableName), text, &error);
    EXPECT_EQ(error, "") << text;
    return result;
  }
  TransTestTables t;
};

}  // namespace

TEST_F(Translate, EmptyAndSingleLines) {
  EXPECT_EQ(Tr(""), "");
  EXPECT_EQ(Tr(std::string("\0select Ime", 11)), "");
  EXPECT_EQ(Tr("select * from Kupac"), "select * from Customer\r\n");
  EXPECT_EQ(Tr("select * from Kupac\r\n"), "select * from Customer\r\n");
  EXPECT_EQ(Tr(std::string("select Ime\0from Kupac", 21)), "select Name\r\n");
  EXPECT_EQ(Tr("\r\n"), "\r\n");
}

TEST_F(Translate, LineBreaksBecomeCrLf) {
  EXPECT_EQ(Tr("select Ime\nfrom Kupac\n"), "select Name\r\nfrom Customer\r\n");
  EXPECT_EQ(Tr("select Ime\rfrom Kupac\r"), "select Name\r\nfrom Customer\r\n");
  EXPECT_EQ(Tr("select Ime\n\rfrom Kupac"), "select Name\r\n\r\nfrom Customer\r\n");
}

TEST_F(Translate, AutomaticTableName) {
  EXPECT_EQ(Tr("select Ime, Grad from Kupac where Grad = 'Kupac'", "", true),
            "select Name, City from Customer where City = 'CustomerId'\r\n");
  // The automatic name replaces the typed one, even when it is empty.
  t.AddColumn("Racun", "Datum", "InvoiceDate");
  t.AddColumn("Kupac", "Datum", "CreatedOn");
  EXPECT_EQ(Tr("select Datum from Kupac", "Racun", true), "select CreatedOn from Customer\r\n");
  EXPECT_EQ(Tr("update Kupac set Datum = 1", "Kupac", true),
            "update CustomerId set InvoiceDate = 1\r\n");
  EXPECT_EQ(Tr("update Kupac set Datum = 1", "Kupac", false),
            "update CustomerId set CreatedOn = 1\r\n");
  // A name that runs over the line break matches no record and fails nothing.
  EXPECT_EQ(Tr("select Datum from Kupac\r\nwhere Datum = 1", "", true),
            "select InvoiceDate from Customer\r\nwhere InvoiceDate = 1\r\n");
  // A comment's quoted word as the name is harmless.
  EXPECT_EQ(Tr("select Ime -- from 'Y'", "", true), "select Name -- from 'Y'\r\n");
}

TEST_F(Translate, SqlExpCallKeepsItsName) {
  t.AddColumn("Racun", "sqlExp", "SqlExpression");
  EXPECT_EQ(Tr("select sqlExp(Iznos) from Racun"), "select sqlExp(Amount) from Invoice\r\n");
  EXPECT_EQ(Tr("select SQLEXP(Iznos) from Racun"), "select SQLEXP(Amount) from Invoice\r\n");
  EXPECT_EQ(Tr("select sqlExp (Iznos) from Racun"),
            "select SqlExpression (Amount) from Invoice\r\n");
  EXPECT_EQ(Tr("select sqlExp, Iznos"), "select SqlExpression, Amount\r\n");
  EXPECT_EQ(Tr("select sqlExp"), "select SqlExpression\r\n");
}

TEST_F(Translate, KeywordsSwitchTheContext) {
  EXPECT_EQ(Tr("select *\r\nfrom\r\nKupac"), "select *\r\nfrom\r\nCustomerId\r\n");
  EXPECT_EQ(Tr("select * from Kupac"), "select * from Customer\r\n");
  for (const char* from : {"FROM", "From", "from", "join", "JOIN"})
    EXPECT_EQ(Tr(std::string("x ") + from + " Kupac"), std::string("x ") + from + " Customer\r\n");
  for (const char* back : {"select", "where", "on", "order", "group", "WHERE", "On"})
    EXPECT_EQ(Tr(std::string("from x ") + back + " Kupac"),
              std::string("from x ") + back + " CustomerId\r\n");
  for (const char* other : {"by", "into", "update", "set", "values", "having", "and", "or"})
    EXPECT_EQ(Tr(std::string("from ") + other + " Kupac"),
              std::string("from ") + other + " Customer\r\n");
  // The context is carried from line to line.
  EXPECT_EQ(Tr("select Ime from\r\nKupac x\r\nwhere Kupac = 1\r\nKupac"),
            "select Name from\r\nCustomerId x\r\nwhere CustomerId = 1\r\nCustomerId\r\n");
  EXPECT_EQ(Tr("select Ime from \r\nKupac"), "select Name from \r\nCustomer\r\n");
  // A keyword inside a quoted string switches it as well.
  EXPECT_EQ(Tr("where Grad = 'from' and Kupac"), "where City = 'from' and Customer\r\n");
  EXPECT_EQ(Tr("where Grad = 'from'\r\nKupac"), "where City = 'from'\r\nCustomer\r\n");
  // The word as read decides, not its translation.
  t.AddColumn("Racun", "Od", "from");
  EXPECT_EQ(Tr("select Od Kupac"), "select from CustomerId\r\n");
}

TEST_F(Translate, ProceduresInEitherContext) {
  EXPECT_EQ(Tr("exec Obracun 5"), "exec Settle 5\r\n");
  EXPECT_EQ(Tr("from Obracun"), "from Settle\r\n");
}

TEST_F(Translate, CommentLines) {
  const std::string input = "select Iznos, Kupac\r\nfrom Racun\r\n\r\norder by 1";
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("Racun", false, true, "/* ", " */"), input),
            "/* select Iznos, Kupac */\r\nselect Amount, CustomerId\r\n"
            "/* from Racun */\r\nfrom Invoice\r\n\r\norder by 1\r\n");
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("Racun", false, true, "", ""), input),
            "select Iznos, Kupac\r\nselect Amount, CustomerId\r\n"
            "from Racun\r\nfrom Invoice\r\n\r\norder by 1\r\n");
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("Racun", false, false, "/* ", " */"), input),
            "select Amount, CustomerId\r\nfrom Invoice\r\n\r\norder by 1\r\n");
  // A change of A-to-Z case alone gets no comment.
  t.AddColumn("Kupac", "Mesto", "MESTO");
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("", false, true, "--", ""), "select Mesto"),
            "select MESTO\r\n");
}

TEST_F(Translate, WordsAndSeparators) {
  EXPECT_EQ(Tr("Ime-Grad"), "Ime-Grad\r\n");
  EXPECT_EQ(Tr("select \"Kupac\" from \"Kupac\""), "select \"Kupac\" from \"Kupac\"\r\n");
  EXPECT_EQ(Tr("select * from [Kupac]"), "select * from [Customer]\r\n");
  EXPECT_EQ(Tr("select [Kupac]"), "select [CustomerId]\r\n");
  EXPECT_EQ(Tr("select k.Ime from Kupac k", "Kupac"), "select k.Name from Customer k\r\n");
  EXPECT_EQ(Tr("where Iznos<>0"), "where Amount<>0\r\n");
  EXPECT_EQ(Tr("\tIznos\t \t"), "\tAmount\t \t\r\n");
  EXPECT_EQ(Tr("  select  Ime,Grad  "), "  select  Name,City  \r\n");
  const std::string onlySeparators = " \t'()*+,./:;<=>@[] ";
  EXPECT_EQ(Tr(onlySeparators + "\r\n" + onlySeparators),
            onlySeparators + "\r\n" + onlySeparators + "\r\n");
  // An empty English name makes the word vanish.
  t.AddColumn("Kupac", "Napomena", "");
  EXPECT_EQ(Tr("select Napomena, Ime"), "select , Name\r\n");
}

TEST_F(Translate, WordsAreLookedUpLiterally) {
  EXPECT_EQ(Tr("where Ime like 'Kup%'"), "where Name like 'Kup%'\r\n");
  EXPECT_EQ(Tr("select Iznos % 2 from Racun"), "select Amount % 2 from Invoice\r\n");
  t.AddColumn("Kupac", "ImeX1", "NameX1");
  t.AddColumn("Kupac", "Ime_1", "Name1");
  EXPECT_EQ(Tr("select Ime_1, ImeX1, Ime_"), "select Name1, NameX1, Ime_\r\n");
}

TEST_F(Translate, QuotesInTableNameDoNotFail) {
  t.AddColumn("O'Brien", "Ime", "FirstName");
  for (const char* tableName : {"'Kupac", "Ku'pac", "Ku''pac", "Kupac'"})
    EXPECT_EQ(Tr("select Ime from Kupac", tableName), "select Name from Customer\r\n") << tableName;
  EXPECT_EQ(Tr("select Ime from Kupac", "O'Brien"), "select FirstName from Customer\r\n");
}

TEST(TranslateFailure, GivesBackTheInputAndReportsWhy) {
  TransTestTables t(false);
  t.FillExample();
  const std::string input = "select * from Kupac\nwhere Ime = 1\nand Grad = 2";
  std::string error;
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("", false, true, "/* ", " */"), input, &error),
            "select * from Kupac\r\nwhere Ime = 1\r\nand Grad = 2\r\n");
  EXPECT_EQ(error, "tbTableStr_Trans: Field 'FieldNameAng' not found");
  // Without a place for the message the result is the same.
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("", false), input),
            "select * from Kupac\r\nwhere Ime = 1\r\nand Grad = 2\r\n");
  // A text whose words reach no column record translates.
  error = "stale";
  EXPECT_EQ(TranslateText(t.Tables(), AnsiOptions("", false), "exec Obracun", &error),
            "exec Settle\r\n");
  EXPECT_EQ(error, "");
}

namespace {

// Keeps what the observer hears: every line with its words, and the failures.
struct RecordingObserver : TLineObserver {
  struct Line {
    std::string Input, Output;
    bool Commented;
    std::vector<TWordResult> Words;
  };
  void OnLine(const TLineResult& line) override {
    lines.push_back(
        {std::string(line.Input), std::string(line.Output), line.Commented, line.Words});
  }
  void OnLookupFailed(std::string_view word, TNameKind table) override {
    failures.emplace_back(std::string(word), table);
  }
  std::vector<Line> lines;
  std::vector<std::pair<std::string, TNameKind>> failures;
};

}  // namespace

TEST_F(Translate, ObserverHearsEveryLineAndWhereEachWordWent) {
  t.AddColumn("Kupac", "Prazno", "");
  const std::string prefix = "/* ", suffix = " */";
  for (const std::string input :
       {"select Ime, Grad from Kupac where Grad = 'x'\nexec Obracun 5\n\n  Iznos<>0 Nema",
        "SELECT sqlExp(Iznos), Prazno ,k.Ime\rfrom\tRacun r join Kupac k on r.Kupac=k.Ime"}) {
    for (bool comment : {false, true}) {
      RecordingObserver seen;
      std::string error;
      const std::string result = TranslateText(
          t.Tables(), AnsiOptions("", false, comment, prefix, suffix), input, &error, &seen);
      ASSERT_EQ(error, "");
      // The lines heard make up the result, comment lines included.
      std::string joined;
      for (const auto& line : seen.lines) {
        EXPECT_EQ(line.Commented, comment && !EqualsNoCase(line.Input, line.Output));
        if (line.Commented) joined += prefix + line.Input + suffix + "\r\n";
        joined += line.Output + "\r\n";
        // The words cover the input's words; between them the separators
        // stand unchanged, so the output is rebuilt from the words alone.
        std::string rebuilt;
        size_t in = 0;
        auto separatorsUpTo = [&](size_t end) {
          for (; in < end; ++in) {
            EXPECT_TRUE(IsSeparator(line.Input[in])) << line.Input << " @" << in;
            rebuilt += line.Input[in];
          }
        };
        for (const TWordResult& w : line.Words) {
          ASSERT_TRUE(in == 0 || in < w.InputOffset) << line.Input;
          separatorsUpTo(w.InputOffset);
          EXPECT_EQ(w.OutputOffset, rebuilt.size());
          const std::string word = line.Input.substr(w.InputOffset, w.InputLength);
          const std::string out = line.Output.substr(w.OutputOffset, w.OutputLength);
          EXPECT_FALSE(word.empty());
          for (char c : word)
            EXPECT_FALSE(IsSeparator(c)) << word;
          if (w.Result == TWordResult::Outcome::Kept) {
            EXPECT_EQ(out, word);
          }
          rebuilt += out;
          in += w.InputLength;
        }
        separatorsUpTo(line.Input.size());
        EXPECT_EQ(rebuilt, line.Output);
      }
      EXPECT_EQ(joined, result);
      EXPECT_TRUE(seen.failures.empty());
    }
  }
}

TEST(TranslateFailure, ObserverHearsTheWordAndTheTableThatFailed) {
  TransTestTables t(false);
  t.FillExample();
  RecordingObserver seen;
  std::string error;
  TranslateText(t.Tables(), AnsiOptions("", false), "select * from Kupac\nwhere Ime = 1", &error,
                &seen);
  EXPECT_EQ(seen.lines.size(), 1u);
  using Failure = std::pair<std::string, TNameKind>;
  EXPECT_EQ(seen.failures, (std::vector<Failure>{{"Ime", TNameKind::Column}}));

  // A table-name table without fields fails on the first word that no
  // column record holds.
  TransTestTables empty;
  empty.table.Close();
  empty.table.ClearTable();
  seen = {};
  TranslateText(empty.Tables(), AnsiOptions("", false), "Nema", &error, &seen);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(seen.failures, (std::vector<Failure>{{"Nema", TNameKind::Table}}));
}
