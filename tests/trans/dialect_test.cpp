// Translation with an SQL dialect: one table of cases per dialect (quoted
// names, string forms and escapes, comments over lines, keywords inside kept
// text, dollar bodies), and a property over random texts: with strings and
// comments kept, every literal and comment of the input stands unchanged in
// the output; on several threads, with chunks cut inside comments and
// strings, the same bytes as on one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/stream.h"
#include "random_translation.h"
#include "trans/name_dictionary.h"
#include "trans/parallel_translate.h"
#include "trans/sql_lexer.h"
#include "trans/translate.h"
#include "trans_fixture.h"

namespace qualtren {
namespace {

using namespace randomtest;
using transtest::TransTestTables;

std::string Translate(TransTestTables& t, TDialect dialect, const std::string& text,
                      bool keepStrings = false, bool keepComments = false) {
  TTranslateOptions s;
  s.Dialect = {dialect, keepStrings, keepComments};
  std::string error;
  std::string out = TranslateText(t.Tables(), s, text, &error);
  EXPECT_EQ(error, "");
  return out;
}

TEST(Dialect, CasesOfEveryDialect) {
  TransTestTables t;
  t.FillExample();
  t.AddColumn("Racun", "Broj racuna", "InvoiceNumber");
  t.AddColumn("Racun", "Napomena", "Note");
  t.AddColumn("Racun", "Kupac's", "CustomersOwn");
  using D = TDialect;
  struct Case {
    D Dialect;
    bool KeepStrings, KeepComments;
    std::string In, Out;  // Out without the final CR LF of each line
  } cases[] = {
      // Quoted names: looked up whole, the quotes kept, a doubled quote inside.
      {D::Postgres, false, false, "select \"Ime\", \"Grad\" from \"Kupac\"",
       "select \"Name\", \"City\" from \"Customer\""},
      {D::Ansi, false, false, "select \"Broj racuna\" from Racun",
       "select \"InvoiceNumber\" from Invoice"},
      {D::TSql, false, false, "select [Ime], \"Grad\" from [Kupac]",
       "select [Name], \"City\" from [Customer]"},
      {D::MySql, false, false, "select `Ime` from `Kupac`", "select `Name` from `Customer`"},
      {D::MySql, false, false, "select \"Ime\" from Kupac", "select \"Name\" from Customer"},
      {D::Oracle, false, false, "select \"Ime\"\"\" from Kupac",
       "select \"Ime\"\"\" from Customer"},
      {D::Postgres, false, false, "select U&\"Ime\" from Kupac", "select U&\"Name\" from Customer"},
      // A single quote inside a quoted name is part of the name looked up.
      {D::Postgres, false, false, "select \"Kupac's\", \"Ime'\" from Racun",
       "select \"CustomersOwn\", \"Ime'\" from Invoice"},
      // Without keeping, a string's words are words, but its prefix is not.
      {D::TSql, false, false, "select Ime where Napomena = N'Kupac'",
       "select Name where Note = N'CustomerId'"},
      // Kept strings of every form; the keyword inside one leaves the context.
      {D::TSql, true, false, "where Napomena = 'from' and Kupac = 1",
       "where Note = 'from' and CustomerId = 1"},
      {D::TSql, true, false, "set Napomena = N'Ime' + 'it''s Grad'",
       "set Note = N'Ime' + 'it''s Grad'"},
      {D::Postgres, true, false, "select E'Ime\\'s Grad' , Grad from Kupac",
       "select E'Ime\\'s Grad' , City from Customer"},
      {D::MySql, true, false, "select \"Ime\", 'a\\'Grad' from Kupac",
       "select \"Ime\", 'a\\'Grad' from Customer"},
      {D::Oracle, true, false, "select q'[it's Ime]', Ime from Kupac",
       "select q'[it's Ime]', Name from Customer"},
      {D::Ansi, true, false, "select X'0A', Ime", "select X'0A', Name"},
      // A string over two lines is kept on both.
      {D::TSql, true, false, "select 'Ime\nGrad', Grad", "select 'Ime\r\nGrad', City"},
      // Comments: to the line's end, nested in postgres, # and "-- " in mysql.
      {D::TSql, false, true, "select Ime -- from Kupac\nfrom Kupac",
       "select Name -- from Kupac\r\nfrom Customer"},
      {D::Postgres, false, true, "select /* a /* Ime */ Grad */ Ime",
       "select /* a /* Ime */ Grad */ Name"},
      {D::TSql, false, true, "select /* Ime\nfrom */ Kupac", "select /* Ime\r\nfrom */ CustomerId"},
      {D::MySql, false, true, "select Ime # Grad\nselect Grad--Ime",
       "select Name # Grad\r\nselect Grad--Ime"},
      // Without keeping, comments are words as without a dialect.
      {D::TSql, false, false, "select Ime -- Grad", "select Name -- City"},
      // A dollar body is code: its names are translated, its literals kept.
      {D::Postgres, true, true, "as $$ select Ime, 'Grad' from Kupac $$",
       "as $$ select Name, 'Grad' from Customer $$"},
      {D::Postgres, true, true, "as $body$\nupdate Kupac set Ime = 'x' -- Grad\n$body$",
       "as $body$\r\nupdate CustomerId set Name = 'x' -- Grad\r\n$body$"},
  };
  for (const Case& c : cases) {
    std::string expected;
    for (size_t from = 0;;) {
      const size_t br = c.Out.find("\r\n", from);
      expected +=
          c.Out.substr(from, br == std::string::npos ? std::string::npos : br - from) + "\r\n";
      if (br == std::string::npos) break;
      from = br + 2;
    }
    EXPECT_EQ(Translate(t, c.Dialect, c.In, c.KeepStrings, c.KeepComments), expected)
        << DialectName(c.Dialect) << ": " << c.In;
  }
}

// Records the words of every line translated.
struct TWordsSeen : TLineObserver {
  std::vector<std::pair<std::string, std::string>> Words;  // input, output
  void OnLine(const TLineResult& line) override {
    for (const TWordResult& w : line.Words)
      Words.emplace_back(line.Input.substr(w.InputOffset, w.InputLength),
                         line.Output.substr(w.OutputOffset, w.OutputLength));
  }
};

// A quoted name holding its own quote doubled is looked up as the name it
// stands for, and an English name is written back with its quote doubled: in
// the code page and in UTF-8, on one thread and on several, and the words an
// observer hears cover the name as written.
TEST(Dialect, QuotedNamesWithTheirQuoteInside) {
  SetActiveCodePage(1250);
  TransTestTables t;
  t.AddTable("Lo\x9A\"Naziv", "BadName");
  t.AddTable("Kv]adrat", "Square");
  t.AddTable("Back`tick", "Tick");
  t.AddTable("Kvaka", "A\"B]C`D");
  using D = TDialect;
  struct Case {
    D Dialect;
    std::string In, Out;
  } cases[] = {
      {D::Postgres, "select * from \"Lo\x9A\"\"Naziv\"", "select * from \"BadName\""},
      {D::Ansi, "select * from U&\"Lo\x9A\"\"Naziv\"", "select * from U&\"BadName\""},
      {D::Oracle, "select * from \"Lo\x9A\"\"Naziv\"", "select * from \"BadName\""},
      {D::TSql, "select [Kv]]adrat], \"Lo\x9A\"\"Naziv\"", "select [Square], \"BadName\""},
      {D::MySql, "select `Lo\x9A\"Naziv`, `Back``tick`", "select `BadName`, `Tick`"},
      // An English name holding the quote.
      {D::Postgres, "select \"Kvaka\"", "select \"A\"\"B]C`D\""},
      {D::TSql, "select [Kvaka], \"Kvaka\"", "select [A\"B]]C`D], \"A\"\"B]C`D\""},
      {D::MySql, "select `Kvaka`", "select `A\"B]C``D`"},
      // Names no table holds stay byte for byte.
      {D::Postgres, "select \"Nema\"\"x\", \"\"\"\"", "select \"Nema\"\"x\", \"\"\"\""},
      {D::TSql, "select [a]]b], [Kv]adrat]", "select [a]]b], [Kv]adrat]"},
      {D::MySql, "select `a``b`, \"Lo\x9A\"\"Naziv\"", "select `a``b`, \"Lo\x9A\"\"Naziv\""},
  };
  const TransTables refs = t.Tables();
  const std::shared_ptr<const TNameDictionary> dictionary = TNameDictionary::Build(refs);
  ASSERT_TRUE(dictionary);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(DialectName(c.Dialect)) + ": " + c.In);
    EXPECT_EQ(Translate(t, c.Dialect, c.In), c.Out + "\r\n");
    TMemoryStream in(c.In), parallelOut;
    uint64_t bytesRead = 0;
    TTranslateOptions options;
    options.Jobs = 2;
    options.Dialect = {c.Dialect, false, false};
    TParallelTranslator parallel(refs, dictionary, options, 5);
    parallel.Run(in, parallelOut, "", false, bytesRead);
    EXPECT_EQ(parallelOut.Bytes(), c.Out + "\r\n");
  }
  // UTF-8: the name turned to the code page for its lookup.
  TTranslateOptions s;
  s.Dialect = {D::Postgres, false, false};
  TWordsSeen seen;
  std::string error;
  EXPECT_EQ(TranslateText(refs, s, "select \"Lo\xC5\xA1\"\"Naziv\", \"Kvaka\"", &error, &seen,
                          TTextEncoding::Utf8),
            "select \"BadName\", \"A\"\"B]C`D\"\r\n");
  EXPECT_EQ(error, "");
  const std::vector<std::pair<std::string, std::string>> words = {
      {"select", "select"}, {"Lo\xC5\xA1\"\"Naziv", "BadName"}, {"Kvaka", "A\"\"B]C`D"}};
  EXPECT_EQ(seen.Words, words);
  SetActiveCodePage(1252);
}

// The strings and comments of a text, in order, as the dialect's lexer cuts
// them (a piece on each line).
std::vector<std::string> KeptPieces(TDialect dialect, const std::string& text) {
  std::vector<std::string> pieces;
  TSqlLexer lexer(dialect);
  std::vector<TLexSpan> spans;
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find_first_of("\r\n", from);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = std::string_view(text).substr(from, end - from);
    lexer.Lex(line, spans);
    for (const TLexSpan& s : spans)
      if (s.Kind == TLexKind::String || s.Kind == TLexKind::Comment)
        pieces.emplace_back(line.substr(s.Begin, s.End - s.Begin));
    if (end == text.size()) break;
    from = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return pieces;
}

TEST(Dialect, KeptLiteralsAndCommentsStandUnchangedOnOneThreadAndOnSeveral) {
  SetActiveCodePage(1250);
  TWords words = BasicWords();
  for (const char* piece : {"'", "''", "\"", "`", "[", "]", "-- ", "--", "/*", "*/", "#", "$$",
                            "E'", "N'", "\\", "q'[", "]'", "\"Broj racuna\"", "'from '"})
    words.Pieces.push_back(piece);
  // English names with quotes would make new literals of their own.
  words.English = {"Customer", "Invoice", "", "Name", "CITY", "x y"};
  Random r(23);
  const TDialect kDialects[] = {TDialect::Ansi, TDialect::TSql, TDialect::Postgres,
                                TDialect::Oracle, TDialect::MySql};
  int rounds = 0;
  for (int round = 0; round < 500; ++round) {
    RandomTables tables(r, words);
    const TransTables refs = tables.set.Tables();
    const std::shared_ptr<const TNameDictionary> dictionary = TNameDictionary::Build(refs);
    if (!dictionary) continue;  // lookups that fail give the input back
    ++rounds;
    TTranslateOptions s;
    s.Dialect = {kDialects[r.Below(5)], true, true};
    s.TableName = TOuterText::FromAnsi(r.Pick(words.TableNames));
    std::string text;
    for (int part = 0, parts = 1 + static_cast<int>(r.Below(3)); part < parts; ++part)
      text += RandomText(r, words);
    text = text.substr(0, text.find('\0'));
    SCOPED_TRACE(testing::Message() << "round " << round << " " << DialectName(s.Dialect.Dialect)
                                    << " text '" << text << "'");
    std::string error;
    const std::string out = TranslateText(refs, s, text, &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(KeptPieces(s.Dialect.Dialect, out), KeptPieces(s.Dialect.Dialect, text));

    // The same on threads, in chunks cut anywhere, strings and comments too.
    TMemoryStream in(text), parallelOut;
    uint64_t bytesRead = 0;
    s.Jobs = 1 + r.Below(3);
    TParallelTranslator parallel(refs, dictionary, s, 1 + r.Below(40));
    parallel.Run(in, parallelOut, s.TableName.Ansi, false, bytesRead);
    EXPECT_EQ(parallelOut.Bytes(), out);
  }
  EXPECT_GT(rounds, 350);
  SetActiveCodePage(1252);
}

}  // namespace
}  // namespace qualtren
