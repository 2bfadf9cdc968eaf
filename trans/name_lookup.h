// Name lookup: the one front that gives the English name of a word of SQL
// text. It answers in one of two ways, chosen in one place: filtered tries
// on the three translation tables, remembering what each try gave so that a
// word met again costs no try, or the name dictionary built from them.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/open_hash_table.h"
#include "trans/name_dictionary.h"
#include "trans/trans_tables.h"

namespace qualtren {

/// Looks words up through the three tables. The first words are looked up
/// by filtered tries on the tables, and the outcome of every try is
/// remembered, so that a word met again is answered without touching a
/// table; a try that raised is remembered too and raises the same error
/// again. Once enough words have needed tries, the lookup reads the tables
/// once into a name dictionary (see TNameDictionary) and answers every word
/// from there, where the tables allow it. Both depend only on the word, the
/// table name and the tables, so the lookup is valid while the tables'
/// fields and records stay as they are. What it remembers is bounded; past
/// the bound it starts afresh.
class TNameLookup {
 public:
  /// How many words may need tries before the dictionary is built: kAuto
  /// weighs the tries saved against the records to read.
  static constexpr size_t kAuto = static_cast<size_t>(-1) - 1;
  static constexpr size_t kNever = static_cast<size_t>(-1);

  /// `tableName` (may be empty) prefers the columns of that table. With
  /// `utf8Words` the words and the table name are UTF-8: each is looked up
  /// in the code page of the tables, and the English names come back as
  /// UTF-8; a word (or table name) holding a character that the code page
  /// lacks is in no table.
  TNameLookup(const TransTables& tables, std::string tableName, bool utf8Words = false,
              size_t dictionaryAfter = kAuto);
  /// The same over a dictionary built already from these tables: every
  /// word is answered from it, and the tables are never touched, so that
  /// lookups of several threads, each with its own TNameLookup, may share
  /// one dictionary.
  TNameLookup(const TransTables& tables, std::string tableName, bool utf8Words,
              std::shared_ptr<const TNameDictionary> dictionary);
  ~TNameLookup();
  TNameLookup(const TNameLookup&) = delete;
  TNameLookup& operator=(const TNameLookup&) = delete;

  /// Whether a table holds `word` (not empty); its English name then in
  /// `english`, valid until the next call. `tableContext` is the name
  /// context "T" (table and procedure names first); otherwise column names
  /// come first. `kind`, when given, is set to the table that holds it.
  /// Raises what the tries raise.
  bool Translate(std::string_view word, bool tableContext, std::string_view& english,
                 TNameKind* kind = nullptr) {
    if (!dictionary_) return FromTries(word, tableContext, english, kind);
    // Most words of the code page that no table holds are answered here.
    if (!utf8_ && !dictionary_->MayHold(word)) return false;
    return FromDictionary(word, tableContext, english, kind);
  }
  /// Whether the words are answered from a dictionary now.
  bool UsesDictionary() const { return dictionary_ != nullptr; }

  /// The table whose try raised the error of the last call of Translate
  /// that raised.
  TNameKind FailedTable() const { return failedTable_; }

  const std::string& TableName() const { return tableName_; }
  bool Utf8Words() const { return utf8_; }
  /// How many tries were made on the tables (for tests and benchmarks).
  size_t TriesMade() const { return triesMade_; }

 private:
  // The tries in the order of TNameKind, the column table's named one
  // first: one filter on one table each.
  enum Try : uint8_t { kTableTry, kProcedureTry, kNamedColumnTry, kAnyColumnTry, kTryCount };
  enum class State : uint8_t { Unknown, NotFound, Found, Failed };
  struct Outcome {
    State state = State::Unknown;
    uint8_t source = 0;  // the try that decided an answer
    uint32_t slot = 0;   // into values_ when found, into failures_ when failed
  };
  // What is known of one word.
  struct Entry {
    std::array<Outcome, kTryCount> tries;
    std::array<Outcome, 2> answers;  // column context, table context
  };

  bool FromDictionary(std::string_view word, bool tableContext, std::string_view& english,
                      TNameKind* kind);
  bool FromTries(std::string_view word, bool tableContext, std::string_view& english,
                 TNameKind* kind);
  bool ChooseDictionary();
  void UseDictionary(std::shared_ptr<const TNameDictionary> dictionary);
  size_t DictionaryThreshold() const;
  Entry& FindOrAdd(std::string_view word);
  Outcome Answer(std::string_view word, Entry& entry, bool tableContext);
  Outcome RunTry(std::string_view word, Entry& entry, Try t);
  std::string RunTryOnTables(std::string_view word, Try t, bool& found);
  void Forget();

  TransTables tables_;
  std::string tableName_;
  bool utf8_;
  bool tableUnmatchable_ = false;  // the table name holds a character the code page lacks
  std::string tableCondition_;     // " and TableName = '...'", or empty
  std::string tableNameAnsi_;      // the table name in the code page
  std::string ansiWord_;           // a UTF-8 word in the code page
  std::string folded_;             // a word folded for the dictionary
  size_t dictionaryAfter_;
  size_t wordsTried_ = 0;  // words that needed tries
  std::shared_ptr<const TNameDictionary> dictionary_;
  // The English names of the columns of the named table, by the
  // dictionary's entry of their name (code page, UTF-8).
  std::unordered_map<const void*, std::pair<std::string, std::string>> namedColumns_;
  std::string filter_;  // the filter text under construction
  TOpenHashTable<Entry> words_;
  std::deque<std::string> values_;
  std::deque<std::exception_ptr> failures_;
  size_t rememberedBytes_ = 0;
  size_t triesMade_ = 0;
  TNameKind failedTable_ = TNameKind::Column;
};

/// The English name of `word`, or the word itself when no table holds it.
/// `nameContext` "T" tries table and procedure names first, any other value
/// column names first; `tableName` (may be empty) prefers the columns of that
/// table. Errors of the tables are passed on.
std::string TranslateName(const TransTables& tables, const std::string& tableName,
                          const std::string& word, const std::string& nameContext);

}  // namespace qualtren
