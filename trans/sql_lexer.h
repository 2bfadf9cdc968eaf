// The SQL dialect lexer: cuts each line of a SQL text into code, quoted
// names, string literals and comments by the rules of one dialect, carrying
// its state from line to line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qualtren {

/// The SQL dialects the lexer knows. None knows no syntax at all: every line
/// is code.
enum class TDialect : uint8_t { None, Ansi, TSql, Postgres, Oracle, MySql };

/// The dialect of the name "ansi", "tsql", "postgres", "oracle" or "mysql"
/// (exactly these lower-case names); nullopt for any other text.
std::optional<TDialect> DialectFromName(std::string_view name);

/// The name of the dialect as DialectFromName takes it; the empty text for None.
std::string_view DialectName(TDialect dialect);

/// The length of the PostgreSQL dollar quote opener that starts at `at` of
/// `line`: "$$", or "$tag$" with a tag of at most 63 bytes (letters, "_",
/// bytes of 0x80 and above, and digits but not first); 0 where none does,
/// and where a letter, digit, "_", such a byte or "$" stands before `at`.
size_t DollarQuoteOpener(std::string_view line, size_t at);

/// What a stretch of a line is.
enum class TLexKind : uint8_t { Code, QuotedName, String, Comment };

/// One stretch of a line: [Begin, End) are byte offsets in the line. For a
/// QuotedName, [NameBegin, NameEnd) is the name's text inside its quotes,
/// without the quotes and without a U& prefix (a doubled closing quote inside
/// is left as it stands); for a name that runs over a line break, the part on
/// this line. For the other kinds NameBegin and NameEnd equal Begin and End.
struct TLexSpan {
  TLexKind Kind;
  uint32_t Begin, End;
  uint32_t NameBegin, NameEnd;
  bool operator==(const TLexSpan&) const = default;
};

/// Where the lexer stands between two lines. Small, copyable and comparable,
/// so that a pass over a text can record it at any line and a worker can
/// restart from it.
struct TLexState {
  /// What the next line starts inside.
  enum class TIn : uint8_t {
    Code,
    QuotedName,    // "x", [x], `x`
    String,        // '...' (and "..." in mysql) without backslash escapes
    EscapeString,  // E'...', and every string in mysql: a backslash escapes the next byte
    QString,       // Oracle's q'<...>': ends at the closing delimiter followed by '
    Comment,       // /* ... */
  };
  TIn In = TIn::Code;
  /// The byte that ends the quoted name or string (for a QString, the
  /// delimiter before the final '); 0 in code and in comments.
  char Close = 0;
  /// How many block comments are open (more than one only where they nest);
  /// 0 outside comments.
  uint32_t Depth = 0;

  bool operator==(const TLexState&) const = default;
};

/// Cuts lines of SQL text into spans, one line at a time, by the rules of one
/// dialect. Code spans are as long as they can be: two never stand side by
/// side. Every quoted name, string and comment is a span of its own, even
/// next to one of the same kind ('a'N'b' gives two String spans, [a][b] two
/// QuotedName spans, /* a *//* b */ two Comment spans); a nested comment is
/// part of the comment around it.
class TSqlLexer {
 public:
  explicit TSqlLexer(TDialect dialect, TLexState start = {});

  /// Cuts one line (without its break) into spans that cover it exactly, in
  /// order, with no empty span (an empty line has none); `spans` is cleared
  /// first. The state then stands after the line. Raises Exception, with the
  /// state unchanged, for a line of 4 GiB or more, whose offsets a span
  /// cannot hold.
  void Lex(std::string_view line, std::vector<TLexSpan>& spans);

  /// As Lex, but under postgres stops before the first "$" in code that
  /// opens a dollar quote (see DollarQuoteOpener): the spans then cover the
  /// line up to there, the state stands in code, and the result is where it
  /// stopped; the line's size where no dollar quote opens. Under the other
  /// dialects the same as Lex. (A dollar body is no token of the lexer: the
  /// translation reads it as code; a reader that must skip it, such as the
  /// statement cutter, lexes on after its end.)
  size_t LexToDollarQuote(std::string_view line, std::vector<TLexSpan>& spans);

  /// The same without the spans: only moves the state on (a fast pass over
  /// a text). Takes lines of any length.
  void Skip(std::string_view line);

  /// The state after the last line lexed or skipped.
  const TLexState& State() const { return state_; }

  TDialect Dialect() const { return dialect_; }

 private:
  // One pass over the line; with `dollarStops`, it stops before a dollar
  // quote opener in code and returns where (else the line's size).
  template <bool kEmit>
  size_t Run(std::string_view line, std::vector<TLexSpan>* spans, bool dollarStops = false);

  TDialect dialect_;
  TLexState state_;
};

}  // namespace qualtren
