// The translation driver: SQL text translated line by line, word by word,
// every separator kept in its place. TLineTranslator is the driver's core,
// shared by TranslateText (a whole text in memory) and the streaming driver.
#pragma once

#include <string>
#include <string_view>

#include "trans/name_lookup.h"

namespace qualtren {

// True for the 20 bytes that end a word: TAB, LF, CR, blank and
// ' ( ) * + , . / : ; < = > @ [ ].
bool IsSeparator(char c);

// True when both texts are equal with the letters A to Z lowered; no other
// byte is changed and texts of different lengths never match.
bool EqualsNoCase(std::string_view a, std::string_view b);

/// The comment lines that a translation writes before each changed line.
struct TCommentOptions {
  bool Add = false;
  std::string Prefix;
  std::string Suffix;
};

/// Translates the lines of one text in order. The name context starts as
/// "F" and runs on from each line into the next.
class TLineTranslator {
 public:
  TLineTranslator(TNameLookup& lookup, TCommentOptions comment)
      : lookup_(lookup), comment_(std::move(comment)) {}

  /// Translates one line (without its line break) and appends the output
  /// lines, each followed by CR LF, to `out`: the comment line when one is
  /// due, then the translated line. Raises what the lookup raises; `out`
  /// may then hold part of the line.
  void TranslateLine(std::string_view line, std::string& out);

 private:
  void TranslateWords(std::string_view line, std::string& out);

  TNameLookup& lookup_;
  TCommentOptions comment_;
  bool tableContext_ = false;
  std::string lineOut_;  // the translated line, while comments are written
};

// Translates the whole text. `tableName` is the table whose columns are
// preferred; with `autoTableName` it is replaced by the name worked out from
// the text. With `addComment` every line that the translation changed (beyond
// the case of A to Z) is preceded by prefix + the untranslated line + suffix.
// The result is the translated lines, each followed by CR LF.
//
// A failure never escapes: the result is then the input lines joined, and
// `errorMessage` (when given) receives the failure's message. On success
// `errorMessage` is cleared.
std::string TranslateText(const TransTables& tables, const std::string& tableName,
                          bool autoTableName, const std::string& text, bool addComment,
                          const std::string& prefix, const std::string& suffix,
                          std::string* errorMessage = nullptr);

/// The automatic table name of a text as TranslateText works it out, reading
/// only as far as the name needs.
std::string AutoTableNameOfText(std::string_view text);

}  // namespace qualtren
