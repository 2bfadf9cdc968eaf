// Random translation tables and random SQL-like texts for the property
// tests of the engine: words that collide in letter case, by pattern
// characters and by the code page's case folding, keywords, separators,
// comments, quotes and line breaks of every kind, over tables that at times
// lack a field so that lookups fail.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "dataset/dataset.h"
#include "trans/trans_tables.h"

namespace qualtren::randomtest {

/// The words a random text and random tables are made of.
struct TWords {
  std::vector<std::string> Names;       // local names, also written in texts
  std::vector<std::string> English;     // English names of the tables
  std::vector<std::string> TableNames;  // table names of column records and typed ones
  std::vector<std::string> Pieces;      // separators, keywords and other bits of SQL
  std::vector<std::string> Breaks;      // line breaks
};

/// Names that collide in letter case, by pattern characters and by the
/// code page's own case folding (0xC8 and 0xE8 are one letter in 1250).
inline const TWords& BasicWords() {
  static const TWords words = {
      {"Kupac",   "kupac",   "KUPAC",  "Racun",  "Ime", "Grad",   "Iznos", "Obracun",
       "from",    "Ime_1",   "ImeX1",  "Kup%",   "a%b", "x_y",    "on",    "sqlExp",
       "\xC8ime", "\xE8ime", "Mjesto", "MJESTO", "t",   "Select", "order", "%"},
      {"Customer", "Invoice", "", "Name", "CITY", "x y", "\xC8lan\x9A"},
      {"", "Kupac", "kupac", "Racun", "O'Brien", "kupac\r\nwhere", "Nema"},
      {" ",        "  ",    "\t",      ",",      ".",     "(",      ")",         "'",
       "=",        "<>",    "*",       "[",      "]",     ";",      "@",         ":",
       "/",        "+",     "-",       "\"",     "#",     "%",      "_",         "42",
       "from ",    "join ", "select ", "where ", "ON ",   "Group ", "order by ", "sqlExp(",
       "sqlExp (", "-- ",   "/*",      "*/",     "into ", "x"},
      {"\r\n", "\n", "\r", "\n\r"}};
  return words;
}

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }
  template <typename T>
  const T& Pick(const std::vector<T>& v) {
    return v[Below(v.size())];
  }

 private:
  std::mt19937 engine_;
};

/// The three tables, at times without the field that a try reads or filters
/// by, so that lookups fail the way a broken table file makes them fail.
struct RandomTables {
  TTransTableSet set;

  RandomTables(Random& r, const TWords& words) {
    Define(r, words, set.Table, {"TableName", "TableNameAng"});
    Define(r, words, set.StoredProc, {"Naziv", "ProcedureNameAng"});
    Define(r, words, set.TableStr, {"TableName", "FieldName", "FieldNameAng"});
  }

  void Define(Random& r, const TWords& words, TVirtualTable& t, std::vector<const char*> fields) {
    if (r.Chance(6)) fields.erase(fields.begin() + static_cast<long>(r.Below(fields.size())));
    for (const char* f : fields)
      t.FieldDefs().Add(f, ftString, 20);
    t.Open();
    for (size_t i = 0, n = r.Below(9); i < n; ++i) {
      t.Append();
      for (size_t f = 0; f < t.FieldCount(); ++f) {
        const std::string name = t.Field(f).FieldName();
        const bool english = name.size() > 3 && name.substr(name.size() - 3) == "Ang";
        if (r.Chance(5)) continue;  // null
        t.Field(f).SetAsString(english ? r.Pick(words.English)
                               : name == "TableName" && &t == &set.TableStr
                                   ? r.Pick(words.TableNames)
                                   : r.Pick(words.Names));
      }
      t.Post();
    }
  }
};

/// Up to ten lines of names and pieces, now and then a NUL byte.
inline std::string RandomText(Random& r, const TWords& words) {
  std::string text;
  for (size_t line = 0, lines = r.Below(10); line < lines; ++line) {
    for (size_t i = 0, n = r.Below(12); i < n; ++i)
      text += r.Chance(45) ? r.Pick(words.Names) : r.Pick(words.Pieces);
    if (r.Chance(2)) text += '\0';
    if (line + 1 < lines || r.Chance(50)) text += r.Pick(words.Breaks);
  }
  return text;
}

/// Runs `body(r, round, refs)` for `rounds` rounds under code page 1250 (its
/// case folding is one of the collisions), each round over new random
/// tables of `words`, all drawn from one generator seeded with `seed`. A
/// fatal failure in a round ends the run.
template <typename Body>
void ForRandomTables(uint32_t seed, int rounds, const TWords& words, Body body) {
  SetActiveCodePage(1250);
  Random r(seed);
  for (int round = 0; round < rounds; ++round) {
    RandomTables tables(r, words);
    body(r, round, tables.set.Tables());
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace qualtren::randomtest
