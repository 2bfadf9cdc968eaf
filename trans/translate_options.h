// The one record of what a translation is asked to do, from where the user
// says it (the command line, the window, a test) down to the engine: the
// comment lines, the encoding rule, the dialect, the jobs, the name
// dictionary's choice and the table name. Built once and handed on whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/text_encoding.h"
#include "trans/name_lookup.h"
#include "trans/sql_lexer.h"

namespace qualtren {

/// A text given from outside any input (a table name, the frame of a comment
/// line) in both forms a working text may need: the translation writes the
/// one of each text's own encoding.
struct TOuterText {
  std::string Ansi;  // in the code page; a character it lacks as "?"
  std::string Utf8;

  /// A text of the code page (the window's, a test's).
  static TOuterText FromAnsi(std::string_view text);
  /// A text in UTF-8; its code-page form has "?" for what the page lacks.
  static TOuterText FromUtf8(std::string_view text);
  /// The form for a working text in UTF-8 or in the code page.
  const std::string& For(bool utf8) const { return utf8 ? Utf8 : Ansi; }
};

/// The comment lines that a translation writes before each changed line,
/// in the encoding of one text.
struct TCommentOptions {
  bool Add = false;
  std::string Prefix;
  std::string Suffix;
};

/// The SQL dialect a text is read in. Without one (None) a line is words and
/// separators, nothing else. With one, a lexer runs beside the translation:
/// a quoted name is looked up whole without its quotes and replaced inside
/// them, the prefix of a string literal is never looked up, and with
/// KeepStrings (KeepComments) the words of string literals (comments) are
/// neither looked up nor tested as keywords, every byte of them kept.
struct TDialectOptions {
  TDialect Dialect = TDialect::None;
  bool KeepStrings = false;
  bool KeepComments = false;
};

/// What a translation is asked to do, for every text it meets.
struct TTranslateOptions {
  /// With Comment, every line that the translation changed (beyond the case
  /// of A to Z) is preceded by Prefix + the untranslated line + Suffix.
  bool Comment = false;
  TOuterText Prefix;
  TOuterText Suffix;
  /// How the encoding of each input of the streaming driver is decided.
  TEncodingRule Encoding = TEncodingRule::Auto;
  TDialectOptions Dialect;
  /// Threads that translate one text at once (see TStreamTranslator).
  size_t Jobs = 1;
  /// When a lookup turns to its name dictionary (see TNameLookup).
  size_t DictionaryAfter = TNameLookup::kAuto;
  /// The table whose columns are preferred; with AutoTableName it is
  /// replaced by the name worked out from each text.
  TOuterText TableName;
  bool AutoTableName = false;

  /// The threads to use: Jobs, and at least one.
  size_t Workers() const { return Jobs < 1 ? 1 : Jobs; }
  /// The comment options for a working text in UTF-8 or in the code page.
  TCommentOptions CommentFor(bool utf8) const {
    return {Comment, Prefix.For(utf8), Suffix.For(utf8)};
  }
};

}  // namespace qualtren
