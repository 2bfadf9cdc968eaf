// The translation driver: a whole SQL text translated line by line, word by
// word, every separator kept in its place.
#pragma once

#include <string>

#include "trans/name_lookup.h"

namespace qualtren {

// True for the 20 bytes that end a word: TAB, LF, CR, blank and
// ' ( ) * + , . / : ; < = > @ [ ].
bool IsSeparator(char c);

// True when both texts are equal with the letters A to Z lowered; no other
// byte is changed and texts of different lengths never match.
bool EqualsNoCase(const std::string& a, const std::string& b);

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

}  // namespace qualtren
