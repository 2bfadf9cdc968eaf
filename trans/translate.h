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
#include "trans/translate_options.h"

namespace qualtren {

// True for the 20 bytes that end a word: TAB, LF, CR, blank and
// ' ( ) * + , . / : ; < = > @ [ ].
bool IsSeparator(char c);

// True when both texts are equal with the letters A to Z lowered; no other
// byte is changed and texts of different lengths never match.
bool EqualsNoCase(std::string_view a, std::string_view b);

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
  /// Whether a line may come in parts (TranslateLinePart): without a
  /// dialect, comment lines and an observer, which need the line whole.
  bool TakesLineParts() const {
    return dialect_.Dialect == TDialect::None && !comment_.Add && observer_ == nullptr;
  }
  /// Translates a front part of a line that goes on, `part` ending in a
  /// separator, and appends it to `out` without a line break; the parts
  /// and then the rest of the line (to TranslateLine) give the bytes the
  /// whole line gives. Only where TakesLineParts.
  void TranslateLinePart(std::string_view part, std::string& out);

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

  // Looks a word up, sets `english` when a table holds it, and tells the
  // observer where the word stands in the input and in the output.
  bool Look(std::string_view word, size_t inputOffset, size_t outputOffset, TLexKind where,
            std::string_view& english);
  // Looks a word up and appends what takes its place to `out`.
  void Emit(std::string_view word, size_t inputOffset, std::string& out, size_t lineStart,
            TLexKind where);
  // Tells the observer of a word kept as it stands.
  void Keep(std::string_view word, size_t inputOffset, size_t outputOffset, TLexKind where);

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

/// Translates a whole working text, in the code page or, with `encoding`
/// UTF-8 (or a UTF-16 text turned into UTF-8), as `options` say (their
/// encoding rule and jobs aside). The result is the translated lines, each
/// followed by CR LF. `observer`, when given, hears of every line.
///
/// A failure never escapes: the result is then the input lines joined, and
/// `errorMessage` (when given) receives the failure's message; the observer
/// has heard of the lines before the failing one. On success `errorMessage`
/// is cleared.
std::string TranslateText(const TransTables& tables, const TTranslateOptions& options,
                          std::string_view text, std::string* errorMessage = nullptr,
                          TLineObserver* observer = nullptr,
                          TTextEncoding encoding = TTextEncoding::Ansi);

/// The automatic table name of a text as TranslateText works it out, reading
/// only as far as the name needs.
std::string AutoTableNameOfText(std::string_view text);

}  // namespace qualtren
