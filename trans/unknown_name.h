// The rule by which a word of translated SQL counts as a name that no table
// knows: the one rule that the report of a run and the window's marks share.
#pragma once

#include <functional>
#include <string_view>

#include "trans/translate.h"

namespace qualtren {

/// Whether a word of a translated line is a name that no table knows: the
/// translation kept it, it stands outside a string literal (`quoted` says
/// whether it stands inside one), it is no "sqlExp" followed by "(", and it
/// looks like a name (at least 3 characters, a letter among them, no SQL
/// keyword, no number) or is a quoted name. `input` is the line the word
/// stands in, `utf8Word` the word in UTF-8.
bool IsUnknownName(std::string_view input, const TWordResult& word, bool quoted,
                   std::string_view utf8Word);

/// Tells the unknown names of one line after another, reading string
/// literals as the report reads them: with a dialect as its lexer tells
/// them, without one from a single quote to the next, over line breaks.
class TUnknownNameFinder {
 public:
  /// The lines are UTF-8 when `utf8`, else ANSI text of the code page.
  explicit TUnknownNameFinder(bool utf8) : utf8_(utf8) {}
  /// Calls `found` for every word of `line` that IsUnknownName counts.
  void OnLine(const TLineResult& line, const std::function<void(const TWordResult&)>& found);

 private:
  bool utf8_;
  bool inQuotes_ = false;
};

}  // namespace qualtren
