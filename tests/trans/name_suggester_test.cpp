// Tests of the proposal of English names: the cutter and composer over one
// table of cases, the glossary's order and folds, and a property over
// random names built from known words in every style, with and without one
// unknown word.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/utf.h"
#include "trans/name_suggester.h"

namespace qualtren {
namespace {

class NameSuggester : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = ActiveCodePage();
    SetActiveCodePage(1250);  // the tables' letters č ć š ž đ
  }
  void TearDown() override { SetActiveCodePage(previous_); }

  static std::string A(const std::string& utf8) { return Utf8ToAnsi(utf8); }

  // Tables of one-word pairs (and one of two words, which gives no word).
  static TTransRows Rows() {
    TTransRows rows;
    rows[0] = {{1, "", A("Račun"), "Invoice"},
               {2, "", "Kupac", "Customer"},
               {3, "", "StavkaRacuna", "InvoiceItem"},
               {4, "", "kupac", "Client"}};
    rows[2] = {{1, "Kupac", A("Količina"), "Quantity"},
               {2, "Kupac", A("Međa"), "Boundary"},
               {3, "Kupac", "Iznos", "Amount"},
               {4, "Kupac", "Naziv", "Name"}};
    return rows;
  }

  static TGlossaryText Glossary() {
    return {"g.csv",
            "Word,English\n"
            "stavka racuna,invoice item\n"
            "datum racuna,invoice date\n"
            "racuna,invoice\n"
            "stavka,item\n"
            "na,on\n"
            "stanju,hand\n"
            "pdv,VAT\n"};
  }

 private:
  int previous_ = 0;
};

std::vector<std::string> Texts(const std::vector<TNamePiece>& pieces) {
  std::vector<std::string> out;
  for (const TNamePiece& p : pieces)
    out.push_back(p.Digits ? "#" + p.Text : p.Text);
  return out;
}

TEST_F(NameSuggester, CutsNamesAtCaseUnderscoresAndDigits) {
  const TWordFolder folder;
  const struct {
    std::string Name;
    std::vector<std::string> Pieces;  // a run of digits after "#"
  } cases[] = {
      {"KolicinaNaStanju", {"Kolicina", "Na", "Stanju"}},
      {"DATUM_RACUNA2", {"DATUM", "RACUNA", "#2"}},
      {"IDKupca", {"ID", "Kupca"}},
      {"StavkaRacunaID", {"Stavka", "Racuna", "ID"}},
      {"kupacId", {"kupac", "Id"}},
      {"a12b", {"a", "#12", "b"}},
      {"__x - y__", {"x", "y"}},
      {A("ŠifraKupca_ČEK"), {A("Šifra"), "Kupca", A("ČEK")}},
      {"", {}},
      {"_9", {"#9"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Texts(CutNamePieces(c.Name, folder)), c.Pieces) << c.Name;
}

TEST_F(NameSuggester, ProposesOverOneTableOfCases) {
  const struct {
    std::optional<TNameStyle> Style;  // nullopt: the tables' style
    bool Fold;
    TNameKind Kind;
    std::string Local;
    std::optional<std::string> English;
  } cases[] = {
      {TNameStyle::Pascal, false, TNameKind::Column, "StavkaRacunaID", "InvoiceItemID"},
      {TNameStyle::Snake, false, TNameKind::Column, "stavka_racuna", "invoice_item"},
      {TNameStyle::Pascal, false, TNameKind::Column, "DATUM_RACUNA2", "InvoiceDate2"},
      {TNameStyle::Camel, false, TNameKind::Column, "DATUM_RACUNA2", "invoiceDate2"},
      {TNameStyle::Snake, false, TNameKind::Column, "DatumRacuna2", "invoice_date_2"},
      {TNameStyle::UpperSnake, false, TNameKind::Column, "datumRacuna2", "INVOICE_DATE_2"},
      // A run no row knows whole, cut into the fewest known words.
      {TNameStyle::Pascal, false, TNameKind::Column, "stavkaracuna", "InvoiceItem"},
      {TNameStyle::Pascal, false, TNameKind::Column, "KUPACID", "CustomerID"},
      {TNameStyle::Pascal, false, TNameKind::Column, "kupac_id", "CustomerId"},
      {TNameStyle::Camel, false, TNameKind::Column, "IDKupca", std::nullopt},  // kupca unknown
      {TNameStyle::Camel, false, TNameKind::Column, "IdKupac", "idCustomer"},
      {TNameStyle::Pascal, false, TNameKind::Column, "IznosPDV", "AmountVAT"},
      {TNameStyle::Snake, false, TNameKind::Column, "IznosPDV", "amount_vat"},
      {TNameStyle::Pascal, false, TNameKind::Column, A("Račun"), "Invoice"},
      {TNameStyle::Pascal, false, TNameKind::Column, "RACUN", std::nullopt},
      // Diacritics folded only when asked for.
      {TNameStyle::Pascal, false, TNameKind::Column, "KolicinaNaStanju", std::nullopt},
      {TNameStyle::Pascal, true, TNameKind::Column, "KolicinaNaStanju", "QuantityOnHand"},
      {TNameStyle::Pascal, true, TNameKind::Column, "Meda", "Boundary"},
      {TNameStyle::Pascal, true, TNameKind::Column, "MEDJA_RACUN", "BoundaryInvoice"},
      {TNameStyle::Pascal, false, TNameKind::Column, "Medja", std::nullopt},
      // The tables' own style, pascal for all of them here.
      {std::nullopt, false, TNameKind::Table, "kupac_naziv", "CustomerName"},
      {TNameStyle::Pascal, false, TNameKind::Column, "123", std::nullopt},
      {TNameStyle::Pascal, false, TNameKind::Column, "", std::nullopt},
  };
  for (const auto& c : cases) {
    const TNameSuggester suggester(Rows(), {c.Style, c.Fold, ""},
                                   std::vector<TGlossaryText>{Glossary()});
    EXPECT_EQ(suggester.Propose(c.Kind, c.Local), c.English) << c.Local << " fold " << c.Fold;
  }
}

TEST_F(NameSuggester, SaysWhereEachWordCameFromAndWhichAreUnknown) {
  const TNameSuggester suggester(Rows(), {TNameStyle::Pascal, true, ""},
                                 std::vector<TGlossaryText>{Glossary()});
  const TNameSuggestion s = suggester.Suggest(TNameKind::Column, "MedjaStavkaRacunaID");
  ASSERT_EQ(s.English, "BoundaryInvoiceItemID");
  ASSERT_EQ(s.Words.size(), 3u);
  EXPECT_EQ(s.Words[0].Source, "Q47SifTableStr.vtd record 2");
  EXPECT_TRUE(s.Words[0].Folded);
  EXPECT_EQ(s.Words[1].Local, "Stavka Racuna");
  EXPECT_EQ(s.Words[1].English, "invoice item");
  EXPECT_EQ(s.Words[1].Source, "g.csv line 2");
  EXPECT_FALSE(s.Words[1].Folded);
  EXPECT_EQ(s.Words[2].Source, "built-in");

  const TNameSuggestion u = suggester.Suggest(TNameKind::Column, "KupacXyzKupacXYZ_Abc");
  EXPECT_FALSE(u.English);
  EXPECT_TRUE(u.Words.empty());
  EXPECT_EQ(u.Unknown, (std::vector<std::string>{"Xyz", "Abc"}));
}

TEST_F(NameSuggester, LaterGlossariesWinAndTheTablesFirstRowWins) {
  const TGlossaryText later{"h.csv", "Word,English\nracuna,bill\nkupac,client\n"};
  const TNameSuggester one(Rows(), {TNameStyle::Pascal, false, ""},
                           std::vector<TGlossaryText>{Glossary()});
  EXPECT_EQ(one.Propose(TNameKind::Column, "KupacRacuna"), "CustomerInvoice");
  const TNameSuggester two(Rows(), {TNameStyle::Pascal, false, ""},
                           std::vector<TGlossaryText>{Glossary(), later});
  EXPECT_EQ(two.Propose(TNameKind::Column, "KupacRacuna"), "ClientBill");

  const TGlossaryText bad{"bad.csv", "Word,English\nkupac\n"};
  try {
    const TNameSuggester broken(Rows(), {}, std::vector<TGlossaryText>{bad});
    ADD_FAILURE() << "a row of one field was taken";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "bad.csv: line 2: the row has 1 field where the header has 2");
  }
}

TEST_F(NameSuggester, TakesTheStyleMostEnglishNamesOfTheKindUse) {
  TTransRows rows = Rows();
  // Four pascal names against five snake ones; "code" tells neither.
  int record = 4;
  for (const char* english : {"issue_date", "stock_level", "unit_price", "tax_rate", "due_date"})
    rows[2].push_back({++record, "Kupac", "Polje" + std::to_string(record), english});
  rows[2].push_back({++record, "Kupac", "Oznaka", "code"});
  const TNameSuggester suggester(rows, {}, std::vector<TGlossaryText>{});
  EXPECT_EQ(suggester.StyleOf(TNameKind::Column), TNameStyle::Snake);
  EXPECT_EQ(suggester.StyleOf(TNameKind::Table), TNameStyle::Pascal);
  EXPECT_EQ(suggester.StyleOf(TNameKind::Procedure), TNameStyle::Pascal);
  EXPECT_EQ(suggester.Propose(TNameKind::Column, "IznosNaziv"), "amount_name");
}

// Names built from known words in any style, with a trailing number now
// and then, come back as their English in the style asked for; one unknown
// word anywhere leaves the name unproposed and is named.
TEST_F(NameSuggester, NamesOfKnownWordsComeBackAndOneUnknownWordStopsThem) {
  const std::vector<std::pair<std::string, std::string>> words = {
      {"kupac", "customer"},     {"racun", "invoice"}, {"iznos", "amount"},
      {"datum", "date"},         {"grad", "city"},     {"ulica", "street"},
      {"kolicina", "quantity"},  {"cijena", "price"},  {"popust", "discount"},
      {"dobavljac", "supplier"}, {"sklad", "store"},   {"broj", "number"}};
  std::string csv = "Word,English\n";
  for (const auto& [local, english] : words)
    csv += local + "," + english + "\n";
  const TWordFolder folder;
  const TNameStyle styles[] = {TNameStyle::Pascal, TNameStyle::Camel, TNameStyle::Snake,
                               TNameStyle::UpperSnake};
  std::mt19937 random(27);
  for (TNameStyle target : styles) {
    const TNameSuggester suggester(TTransRows{}, {target, false, ""},
                                   std::vector<TGlossaryText>{{"w.csv", csv}});
    for (int n = 0; n < 400; ++n) {
      std::vector<TEnglishWord> local, english;
      const size_t count = 1 + random() % 4;
      for (size_t w = 0; w < count; ++w) {
        const auto& pair = words[random() % words.size()];
        local.push_back({pair.first, false, false});
        english.push_back({pair.second, false, false});
      }
      if (random() % 3 == 0) {
        const std::string digits = std::to_string(random() % 100);
        local.push_back({digits, false, true});
        english.push_back({digits, false, true});
      }
      const TNameStyle written = styles[random() % 4];
      const std::string name = ComposeName(local, written, folder);
      EXPECT_EQ(suggester.Propose(TNameKind::Column, name), ComposeName(english, target, folder))
          << name;

      // One word outside the glossary (no known word holds a q).
      const std::string unknown = std::string("q") + "qxvz"[random() % 4] + "ab"[random() % 2];
      local.insert(local.begin() + static_cast<long>(random() % (local.size() + 1)),
                   {unknown, false, false});
      const std::string withUnknown = ComposeName(local, written, folder);
      const TNameSuggestion s = suggester.Suggest(TNameKind::Column, withUnknown);
      EXPECT_FALSE(s.English) << withUnknown;
      ASSERT_EQ(s.Unknown.size(), 1u) << withUnknown;
      EXPECT_EQ(folder.Fold(s.Unknown[0]), folder.Fold(unknown)) << withUnknown;
    }
  }
}

}  // namespace
}  // namespace qualtren
