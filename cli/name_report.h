// The report of what a translation meets in a set of files: how many names
// of each kind it replaces, and the words that look like names but that no
// translation table knows, with the table of the statement each stands in.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "trans/translate.h"

namespace qualtren {

/// How many names of one kind were replaced, and how many different ones
/// (letter case ignored as the tables ignore it).
struct TNameCount {
  uint64_t Count = 0;
  uint64_t Distinct = 0;
};

/// A place where a name was replaced: the name as written, its file and line.
struct TNamePlace {
  std::string Word;  // UTF-8
  std::string File;
  uint64_t Line = 0;
};

/// A word that looks like a name and that no table knows.
struct TUnknownName {
  std::string Word;  // as first met, in UTF-8
  uint64_t Count = 0;
  std::string File;  // where it was first met
  uint64_t Line = 0;
  /// The tables of the statements it stands in (each statement's table as
  /// the automatic table name finds it), in the order first met; empty when
  /// no statement it stands in names one table. In UTF-8.
  std::vector<std::string> Tables;
};

/// Gathers the report from the translation of one file after another. Each
/// file is heard through the observer that BeginFile gives, and counts once
/// EndFile keeps it.
///
/// A statement ends at a semicolon outside single quotes, and at a line that
/// holds only "go" or "/"; its table is the automatic table name of its own
/// text (the one table of a statement with one "from " and no join or
/// sub-query), taken without schema, brackets or quotes. A word between
/// single quotes, a word that sqlExp( keeps, and a word that does not look
/// like a name are never unknown names.
class TNameReport {
 public:
  TNameReport();
  ~TNameReport();

  /// Starts the next file, named `name` in the report; the observer to hand
  /// to the translator for it, valid until EndFile.
  TLineObserver& BeginFile(const std::string& name);
  /// Ends the file: with `keep` its counts join the report, without it they
  /// are dropped (the file could not be read or translated whole).
  void EndFile(bool keep);

  /// Files kept.
  uint64_t Files() const { return files_; }
  /// Names replaced from one table (Table, Procedure or Column), outside
  /// string literals and comments.
  TNameCount Replaced(TWordResult::Outcome kind) const;
  /// Names replaced inside string literals (String) or comments (Comment),
  /// as a dialect's lexer tells them; and the first places, at most
  /// kFirstPlaces.
  TNameCount ReplacedInside(TLexKind where) const;
  const std::vector<TNamePlace>& PlacesInside(TLexKind where) const;
  static constexpr size_t kFirstPlaces = 10;
  /// Every unknown name met, and how many different ones.
  TNameCount UnknownCount() const;
  /// The unknown names, most frequent first, names met equally often in the
  /// order they were first met.
  std::vector<TUnknownName> Unknown() const;

 private:
  class TFileObserver;

  struct TKindNames {
    uint64_t Count = 0;
    std::unordered_set<std::string> Folded;
  };

  uint64_t files_ = 0;
  std::array<TKindNames, 4> replaced_;                    // by TWordResult::Outcome
  std::array<TKindNames, 2> inside_;                      // in strings, in comments
  std::array<std::vector<TNamePlace>, 2> places_;         // the first of inside_
  std::vector<TUnknownName> unknown_;                     // in the order first met
  std::unordered_map<std::string, size_t> unknownIndex_;  // folded word -> unknown_
  uint64_t unknownCount_ = 0;
  std::unique_ptr<TFileObserver> file_;
};

}  // namespace qualtren
