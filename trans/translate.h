// The translation driver: SQL text translated line by line, word by word,
// every separator kept in its place. TLineTranslator is the driver's core,
// shared by TranslateText (a whole text in memory) and the streaming driver.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/text_encoding.h"
#include "trans/name_lookup.h"
#include "trans/sql_lexer.h"

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

/// Comment options given from outside any text (the command line's, in the
/// terminal's UTF-8), written into each text in that text's own encoding.
struct TCommentArguments {
  bool Add = false;
  TArgumentText Prefix;
  TArgumentText Suffix;

  TCommentOptions For(bool utf8) const { return {Add, Prefix.For(utf8), Suffix.For(utf8)}; }
};

/// What a whole-text translation is asked to do.
struct TTranslateSettings {
  std::string TableName;  // in the text's encoding; replaced by the automatic one when asked
  bool AutoTableName = false;
  TCommentOptions Comment;  // prefix and suffix in the text's encoding
  bool Utf8 = false;        // the text is UTF-8, else ANSI text of the code page
  TDialectOptions Dialect;
  /// When the lookup turns to its name dictionary (see TNameLookup).
  size_t DictionaryAfter = TNameLookup::kAuto;
};

/// One word of a translated line: where it stands in the input line, where
/// its translation stands in the output line, and what became of it.
struct TWordResult {
  enum class Outcome : uint8_t { Kept, Table, Procedure, Column };
  size_t InputOffset = 0;
  size_t InputLength = 0;
  size_t OutputOffset = 0;  // within Output of the line result
  size_t OutputLength = 0;
  Outcome Result = Outcome::Kept;
  /// Where the word stands: in code (always without a dialect), a quoted
  /// name, a string literal or a comment.
  TLexKind Where = TLexKind::Code;
};

/// What one input line became.
struct TLineResult {
  std::string_view Input;          // the input line, without its break
  std::string_view Output;         // the translated line, without its break
  bool Commented = false;          // a comment line prefix + Input + suffix came before it
  std::vector<TWordResult> Words;  // every word of the line, looked up or kept
  /// With a dialect, the lexer's spans of Input (what is string, comment
  /// and quoted name); nullptr without one.
  const std::vector<TLexSpan>* Spans = nullptr;
};

/// Told about every line a line translator translates, after the line.
class TLineObserver {
 public:
  virtual ~TLineObserver() = default;
  /// Told before the first line of a text: the form its input was found in.
  /// The lines are UTF-8 when the form is one of UTF-8 or UTF-16, else ANSI.
  virtual void OnBegin(const TTextForm& form) { (void)form; }
  virtual void OnLine(const TLineResult& line) = 0;
  /// Told when the lookup of `word` raises, before the error ends the
  /// translation: `table` is the translation table whose try raised.
  virtual void OnLookupFailed(std::string_view word, TNameKind table) {
    (void)word;
    (void)table;
  }
};

/// Translates the lines of one text in order. The name context starts as
/// "F" and runs on from each line into the next.
class TLineTranslator {
 public:
  TLineTranslator(TNameLookup& lookup, TCommentOptions comment, TLineObserver* observer = nullptr,
                  TDialectOptions dialect = {});

  /// Translates one line (without its line break) and appends the output
  /// lines, each followed by CR LF, to `out`: the comment line when one is
  /// due, then the translated line. Raises what the lookup raises; `out`
  /// may then hold part of the line.
  void TranslateLine(std::string_view line, std::string& out);

  /// The name context: "T" (true) or "F" (false); it starts as "F".
  bool TableContext() const { return tableContext_; }
  /// Starts from another context (a chunk of a text that does not start
  /// the text).
  void SetTableContext(bool tableContext) { tableContext_ = tableContext; }
  /// How many keywords (from, join, select, where, on, order, group) have
  /// set the context so far: after the first, the context no longer
  /// depends on what it was at the start.
  size_t KeywordsSeen() const { return keywords_; }
  /// Where the dialect's lexer stands between lines (inside a string or a
  /// comment that runs on); always code without a dialect.
  TLexState LexState() const { return lexer_.State(); }
  void SetLexState(const TLexState& state) { lexer_ = TSqlLexer(dialect_.Dialect, state); }

 private:
  void TranslateWords(std::string_view line, std::string& out);
  // The words of line[begin, end) cut at separators (and at `cutsToo`,
  // unless 0), each looked up; the last one is tested as a keyword unless
  // the stretch ends the line.
  void TranslateStretch(std::string_view line, size_t begin, size_t end, std::string& out,
                        size_t lineStart, TLexKind where, char cutsToo = 0);
  // A line read by the dialect's lexer.
  void TranslateSpans(std::string_view line, std::string& out);
  // A quoted name of such a line; `start` is the lexer's state before it.
  void TranslateQuotedName(std::string_view line, const TLexSpan& span, const TLexState& start,
                           std::string& out, size_t lineStart);

  void Emit(std::string_view word, size_t inputOffset, bool switchContext, std::string& out,
            size_t lineStart, TLexKind where = TLexKind::Code);
  void Keep(std::string_view word, size_t inputOffset, std::string& out, size_t lineStart,
            TLexKind where);

  TNameLookup& lookup_;
  TCommentOptions comment_;
  TLineObserver* observer_;
  bool tableContext_ = false;
  size_t keywords_ = 0;
  TDialectOptions dialect_;
  TSqlLexer lexer_;
  std::vector<TLexSpan> spans_;
  std::string lineOut_;  // the translated line, while comments or an observer need it
  TLineResult result_;   // reported to the observer
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
/// The same, telling `observer` about every line translated. After a
/// failure the observer has heard of the lines before the failing one.
std::string TranslateText(const TransTables& tables, const std::string& tableName,
                          bool autoTableName, const std::string& text, bool addComment,
                          const std::string& prefix, const std::string& suffix,
                          std::string* errorMessage, TLineObserver* observer);

/// The same for a text in either working encoding, as `settings` say.
std::string TranslateText(const TransTables& tables, const TTranslateSettings& settings,
                          std::string_view text, std::string* errorMessage = nullptr,
                          TLineObserver* observer = nullptr);

/// The automatic table name of a text as TranslateText works it out, reading
/// only as far as the name needs.
std::string AutoTableNameOfText(std::string_view text);

}  // namespace qualtren
