// The glossary of words that proposes English names: the one-word pairs of
// the three translation tables, then glossary files (UTF-8 CSV with the
// header Word,English) in order, a later one winning; each row a local word
// or phrase with its English words and where they came from.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "trans/name_words.h"
#include "trans/trans_layout.h"

namespace qualtren {

/// A glossary file's name (for sources and messages) and its text.
struct TGlossaryText {
  std::string Name;
  std::string Csv;  // UTF-8
};

/// One row of the glossary.
struct TGlossaryEntry {
  std::vector<TEnglishWord> English;
  bool Builtin = false;  // ID, SQL: the English is the local word as written
  std::string Source;    // "Q47SifTable.vtd record 3", "words.csv line 4", "built-in"
  int Tier = 0;          // 0 built-in, 1 the tables, 2 a glossary file
};

/// The glossary, keyed by local words folded as the lookup folds names and
/// joined by one blank.
class TNameGlossary {
 public:
  /// The tables' rows are named under `tablesDir` in the sources. Raises
  /// "NAME: line N: ..." for a glossary text that cannot be read.
  TNameGlossary(const TTransRows& rows, const std::vector<TGlossaryText>& files,
                bool foldDiacritics, const std::string& tablesDir, const TWordFolder& folder);

  /// The row of the folded words (joined by blanks): the exact one, or
  /// with diacritics folded one of a word written with them (`folded` then
  /// set); nullptr when none.
  const TGlossaryEntry* Find(std::string_view key, bool& folded) const;
  /// Whether a row of one word holds the folded word.
  bool KnowsWord(std::string_view folded) const;

  /// The most words a row holds, and the longest one-word row in bytes.
  size_t LongestPhrase() const { return longestPhrase_; }
  size_t LongestWord() const { return longestWord_; }

 private:
  void Put(const std::string& key, TGlossaryEntry entry);
  void AddTables(const TTransRows& rows, const std::string& tablesDir);
  void AddFile(const TGlossaryText& file);
  void FoldDiacriticKeys();

  const TWordFolder& folder_;
  bool foldDiacritics_;
  std::vector<TGlossaryEntry> entries_;
  // Keys are looked up as views, without a copy.
  struct TKeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  using TKeyMap = std::unordered_map<std::string, size_t, TKeyHash, std::equal_to<>>;

  TKeyMap exact_;                  // key -> entry
  TKeyMap plain_;                  // key without diacritics -> entry
  std::vector<std::string> keys_;  // of the entries, in the order put
  size_t longestPhrase_ = 1, longestWord_ = 0;
};

}  // namespace qualtren
