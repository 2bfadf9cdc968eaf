// Proposes the English name of a local name from the words the glossary
// knows: the name is cut into words, runs that no word row knows whole are
// cut into the fewest known words, phrases are matched longest first from
// the left, and the English words are joined in a naming style. A name is
// proposed only when every word of it is known.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trans/name_glossary.h"
#include "trans/name_lookup.h"
#include "trans/name_words.h"
#include "trans/trans_layout.h"

namespace qualtren {

/// How names are proposed.
struct TSuggestOptions {
  /// The style of every proposal; when absent, for each kind of name the
  /// style most English names of that kind in the tables use (pascal when
  /// none tells).
  std::optional<TNameStyle> Style;
  /// A word without diacritics also matches a glossary word with them: č
  /// and ć as c, š as s, ž as z, đ as d and as dj.
  bool FoldDiacritics = false;
  /// The directory of the table files, as the sources of words name them
  /// ("tables/Q47SifTable.vtd record 3"); empty for the bare file name.
  std::string TablesDir;
};

/// One glossary row used by a proposal.
struct TSuggestedWord {
  std::string Local;    // the words of the name it matched, as written, joined by blanks
  std::string English;  // its English words, joined by blanks
  std::string Source;   // "Q47SifTable.vtd record 3", "glossary.csv line 4" or "built-in"
  bool Folded = false;  // matched only with diacritics folded
};

/// What the suggester makes of one local name.
struct TNameSuggestion {
  std::optional<std::string> English;  // the proposal; nullopt when a word is unknown
  std::vector<TSuggestedWord> Words;   // the rows that made the proposal, in order
  std::vector<std::string> Unknown;    // the words no glossary knows, as written, each once
};

/// Proposes English names from the glossary of the tables' one-word rows and
/// glossary files. Text is bytes of the code page active when it was made.
class TNameSuggester {
 public:
  /// Reads the glossary files (UTF-8 CSV, header Word,English) in order;
  /// raises "FILE: ..." for one that cannot be read.
  TNameSuggester(const TTransRows& rows, const TSuggestOptions& options,
                 const std::vector<std::string>& glossaryFiles = {});
  /// The same with glossary texts given in memory.
  TNameSuggester(const TTransRows& rows, const TSuggestOptions& options,
                 const std::vector<TGlossaryText>& glossaries);
  TNameSuggester(const TNameSuggester&) = delete;
  TNameSuggester& operator=(const TNameSuggester&) = delete;

  /// The English name proposed for a local name of that kind (code-page
  /// bytes); nullopt when a word of it is unknown or it holds no word.
  std::optional<std::string> Propose(TNameKind kind, std::string_view localName) const;
  /// The proposal with the words that made it, or the unknown words.
  TNameSuggestion Suggest(TNameKind kind, std::string_view localName) const;
  /// The style the proposals for names of that kind take.
  TNameStyle StyleOf(TNameKind kind) const { return styles_[static_cast<size_t>(kind)]; }

 private:
  std::vector<TNamePiece> Pieces(std::string_view localName) const;
  bool SplitRun(const TNamePiece& run, std::vector<TNamePiece>& out) const;

  TWordFolder folder_;
  TNameGlossary glossary_;
  std::array<TNameStyle, 3> styles_{};
};

}  // namespace qualtren
