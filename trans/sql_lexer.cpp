// The SQL dialect lexer: one pass over each line's bytes, driven by a table
// of what each byte does in code under the dialect.
#include "trans/sql_lexer.h"

#include <array>
#include <cstring>
#include <limits>

#include "base/ascii.h"
#include "base/exception.h"

namespace qualtren {

namespace {

using TIn = TLexState::TIn;

// What a byte does when it stands in code.
enum TAction : uint8_t {
  kPlain,        // nothing: it is code
  kSingleQuote,  // opens a string (with a prefix before it, perhaps)
  kDoubleQuote,  // opens a quoted name, or a string in mysql
  kBracket,      // opens a quoted name [x]
  kBacktick,     // opens a quoted name `x`
  kDash,         // opens a line comment when a second dash follows
  kSlash,        // opens a block comment when * follows
  kHash,         // opens a line comment
  kDollar,       // may open a dollar quote, where the pass stops at one
};

struct TRules {
  std::array<uint8_t, 256> Code{};
  bool NestedComments = false;       // /* /* */ */ is one comment
  bool DashNeedsBlank = false;       // -- is a comment only before a blank, a TAB or the line's end
  bool DoubleQuoteString = false;    // "x" is a string, not a name
  bool BackslashEverywhere = false;  // every string takes backslash escapes
  bool UnicodeNames = false;         // U&"x" is a quoted name with its prefix
  bool QQuotes = false;              // q'[...]' and nq'[...]' are strings
};

constexpr size_t Byte(char c) {
  return static_cast<unsigned char>(c);
}

constexpr TRules MakeRules(TDialect dialect) {
  TRules r;
  if (dialect == TDialect::None) return r;
  r.Code[Byte('\'')] = kSingleQuote;
  r.Code[Byte('"')] = kDoubleQuote;
  r.Code[Byte('-')] = kDash;
  r.Code[Byte('/')] = kSlash;
  switch (dialect) {
    case TDialect::None:
      break;
    case TDialect::Ansi:
    case TDialect::Postgres:
      // Bracketed comments nest in standard SQL and in PostgreSQL, and both
      // write Unicode names.
      r.NestedComments = true;
      r.UnicodeNames = true;
      break;
    case TDialect::TSql:
      // SQL Server nests block comments too.
      r.Code[Byte('[')] = kBracket;
      r.NestedComments = true;
      break;
    case TDialect::Oracle:
      r.QQuotes = true;
      break;
    case TDialect::MySql:
      r.Code[Byte('`')] = kBacktick;
      r.Code[Byte('#')] = kHash;
      r.DashNeedsBlank = true;
      r.DoubleQuoteString = true;
      r.BackslashEverywhere = true;
      break;
  }
  return r;
}

constexpr std::array<TRules, 6> kRules = {
    MakeRules(TDialect::None),     MakeRules(TDialect::Ansi),   MakeRules(TDialect::TSql),
    MakeRules(TDialect::Postgres), MakeRules(TDialect::Oracle), MakeRules(TDialect::MySql),
};

// Postgres's rules for a pass that stops at a dollar quote.
constexpr TRules kPostgresDollarStops = [] {
  TRules r = MakeRules(TDialect::Postgres);
  r.Code[Byte('$')] = kDollar;
  return r;
}();

constexpr size_t kMaxDollarTag = 63;

// A byte of a dollar quote's tag (digits not first).
constexpr bool IsTagByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
         u >= 0x80;
}

// The bytes a string prefix may not follow: were one of them before it, the
// prefix would be the end of a longer word.
constexpr std::array<bool, 256> kWordBytes = [] {
  std::array<bool, 256> table{};
  for (size_t c = 0; c < 256; ++c)
    table[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '$' || c == '#' || c == '@' || c >= 0x80;
  return table;
}();

constexpr std::string_view kNames[] = {"", "ansi", "tsql", "postgres", "oracle", "mysql"};

// The byte that closes Oracle's q'<' ... '>'' opened with `open`.
char QuoteClose(char open) {
  switch (open) {
    case '[':
      return ']';
    case '{':
      return '}';
    case '<':
      return '>';
    case '(':
      return ')';
    default:
      return open;
  }
}

uint32_t Offset(size_t at) {
  return static_cast<uint32_t>(at);
}

}  // namespace

std::optional<TDialect> DialectFromName(std::string_view name) {
  for (size_t i = 1; i < std::size(kNames); ++i)
    if (name == kNames[i]) return static_cast<TDialect>(i);
  return std::nullopt;
}

std::string_view DialectName(TDialect dialect) {
  const auto i = static_cast<size_t>(dialect);
  return i < std::size(kNames) ? kNames[i] : std::string_view();
}

size_t DollarQuoteOpener(std::string_view line, size_t at) {
  if (at >= line.size() || line[at] != '$') return 0;
  if (at > 0 && (IsTagByte(line[at - 1]) || line[at - 1] == '$')) return 0;
  size_t j = at + 1;
  if (j < line.size() && line[j] >= '0' && line[j] <= '9') return 0;
  while (j < line.size() && j - at <= kMaxDollarTag && IsTagByte(line[j]))
    ++j;
  return j < line.size() && line[j] == '$' ? j + 1 - at : 0;
}

TSqlLexer::TSqlLexer(TDialect dialect, TLexState start)
    : dialect_(static_cast<size_t>(dialect) < kRules.size() ? dialect : TDialect::None),
      state_(start) {
  // A state that no lexer leaves (made by hand or read back wrongly) is
  // taken as the nearest one that it does, so that every line still ends.
  if (state_.In > TIn::Comment) state_ = {};
  if (state_.In == TIn::Code) state_ = {};
  if (state_.In == TIn::Comment) {
    state_.Close = 0;
    if (state_.Depth == 0) state_.Depth = 1;
  } else {
    state_.Depth = 0;
  }
}

void TSqlLexer::Lex(std::string_view line, std::vector<TLexSpan>& spans) {
  spans.clear();
  if (line.size() > std::numeric_limits<uint32_t>::max())
    throw Exception("A line of SQL text is too long to lex (4 GiB or more)");
  Run<true>(line, &spans);
}

size_t TSqlLexer::LexToDollarQuote(std::string_view line, std::vector<TLexSpan>& spans) {
  spans.clear();
  if (line.size() > std::numeric_limits<uint32_t>::max())
    throw Exception("A line of SQL text is too long to lex (4 GiB or more)");
  return Run<true>(line, &spans, dialect_ == TDialect::Postgres);
}

void TSqlLexer::Skip(std::string_view line) {
  Run<false>(line, nullptr);
}

namespace {

// One pass over one line. `start` is where the span being built began (0 for
// a token that runs on from the line before); a span is written when its end
// is found, or at the line's end. Each state of the lexer has its own step,
// which moves `p` on and leaves the state it ends in.
template <bool kEmit>
class TLinePass {
 public:
  TLinePass(const TRules& rules, std::string_view line, TLexState state,
            std::vector<TLexSpan>* spans)
      : rules_(rules), s_(line.data()), n_(line.size()), st_(state), spans_(spans), stop_(n_) {}

  // Where the pass stopped before a dollar quote; the line's size if it
  // did not.
  size_t Stop() const { return stop_; }

  TLexState Run() {
    // The step that reads on from each state, in the order of TIn.
    using TStep = void (*)(TLinePass&);
    static constexpr TStep kSteps[] = {
        [](TLinePass& p) { p.Code(); },           [](TLinePass& p) { p.QuotedOrString(); },
        [](TLinePass& p) { p.QuotedOrString(); }, [](TLinePass& p) { p.EscapeString(); },
        [](TLinePass& p) { p.QString(); },        [](TLinePass& p) { p.Comment(); }};
    static_assert(std::size(kSteps) == static_cast<size_t>(TIn::Comment) + 1);
    while (p_ < n_)
      kSteps[static_cast<size_t>(st_.In)](*this);
    Finish();
    return st_;
  }

 private:
  // Writes the span [start_, end) unless it is empty; the next starts at `end`.
  void Emit(TLexKind kind, size_t end) {
    if constexpr (kEmit) {
      if (end > start_)
        spans_->push_back({kind, Offset(start_), Offset(end), Offset(start_), Offset(end)});
    }
    start_ = end;
  }
  void EmitName(size_t end, size_t nameEnd) {
    if constexpr (kEmit) {
      if (end > start_)
        spans_->push_back({TLexKind::QuotedName, Offset(start_), Offset(end), Offset(nameBegin_),
                           Offset(nameEnd)});
    }
    (void)nameEnd;
    start_ = end;
  }
  // Whether a prefix at `at` starts a token: it lies in the code being
  // scanned and no word byte stands before it.
  bool StartsToken(size_t at) const {
    return at >= start_ && (at == 0 || !kWordBytes[Byte(s_[at - 1])]);
  }

  void Code() {
    while (p_ < n_ && rules_.Code[Byte(s_[p_])] == kPlain)
      ++p_;
    if (p_ == n_) return;
    switch (rules_.Code[Byte(s_[p_])]) {
      case kDash:
        if (p_ + 1 < n_ && s_[p_ + 1] == '-' &&
            (!rules_.DashNeedsBlank || p_ + 2 == n_ || s_[p_ + 2] == ' ' || s_[p_ + 2] == '\t')) {
          LineComment();
        } else {
          ++p_;
        }
        break;
      case kHash:
        LineComment();
        break;
      case kDollar:
        if (DollarQuoteOpener(std::string_view(s_, n_), p_) == 0) {
          ++p_;
          break;
        }
        Emit(TLexKind::Code, p_);
        stop_ = p_;
        p_ = n_;
        break;
      case kSlash:
        if (p_ + 1 < n_ && s_[p_ + 1] == '*') {
          Emit(TLexKind::Code, p_);
          st_.In = TIn::Comment;
          st_.Depth = 1;
          p_ += 2;
        } else {
          ++p_;
        }
        break;
      case kSingleQuote:
        SingleQuote();
        break;
      case kDoubleQuote:
        DoubleQuote();
        break;
      case kBracket:
      case kBacktick:
        Emit(TLexKind::Code, p_);
        st_.In = TIn::QuotedName;
        st_.Close = s_[p_] == '[' ? ']' : '`';
        nameBegin_ = ++p_;
        break;
    }
  }

  // A comment from p_ to the line's end.
  void LineComment() {
    Emit(TLexKind::Code, p_);
    Emit(TLexKind::Comment, n_);
    p_ = n_;
  }

  // A string opens at the quote at p_, with the prefix before it that it
  // takes (N, E, X, B, U&, and Oracle's q and nq with their delimiter).
  void SingleQuote() {
    size_t tokenStart = p_;
    size_t opener = 1;
    st_.In = rules_.BackslashEverywhere ? TIn::EscapeString : TIn::String;
    st_.Close = '\'';
    const size_t p = p_;
    const char before = p > start_ ? LowerAscii(s_[p - 1]) : '\0';
    if (rules_.QQuotes && before == 'q' && p + 1 < n_ && s_[p + 1] != ' ' && s_[p + 1] != '\t' &&
        (StartsToken(p - 1) || (p >= 2 && LowerAscii(s_[p - 2]) == 'n' && StartsToken(p - 2)))) {
      tokenStart = StartsToken(p - 1) ? p - 1 : p - 2;
      st_.In = TIn::QString;
      st_.Close = QuoteClose(s_[p + 1]);
      opener = 2;
    } else if ((before == 'n' || before == 'e' || before == 'x' || before == 'b') &&
               StartsToken(p - 1)) {
      tokenStart = p - 1;
      if (before == 'e') st_.In = TIn::EscapeString;
    } else if (before == '&' && p >= 2 && LowerAscii(s_[p - 2]) == 'u' && StartsToken(p - 2)) {
      tokenStart = p - 2;
    }
    Emit(TLexKind::Code, tokenStart);
    p_ += opener;
  }

  // A quoted name (with its U& prefix) opens at p_, or a string in mysql.
  void DoubleQuote() {
    if (rules_.DoubleQuoteString) {
      Emit(TLexKind::Code, p_);
      st_.In = TIn::EscapeString;
      st_.Close = '"';
      ++p_;
      return;
    }
    if (rules_.UnicodeNames && p_ >= 2 && s_[p_ - 1] == '&' && LowerAscii(s_[p_ - 2]) == 'u' &&
        StartsToken(p_ - 2))
      Emit(TLexKind::Code, p_ - 2);
    else
      Emit(TLexKind::Code, p_);
    st_.In = TIn::QuotedName;
    st_.Close = '"';
    nameBegin_ = ++p_;
  }

  // Ends at the closing quote that is not doubled.
  void QuotedOrString() {
    const void* hit = std::memchr(s_ + p_, st_.Close, n_ - p_);
    if (hit == nullptr) {
      p_ = n_;
      return;
    }
    p_ = static_cast<size_t>(static_cast<const char*>(hit) - s_);
    if (p_ + 1 < n_ && s_[p_ + 1] == st_.Close) {
      p_ += 2;
      return;
    }
    if (st_.In == TIn::QuotedName)
      EmitName(p_ + 1, p_);
    else
      Emit(TLexKind::String, p_ + 1);
    ++p_;
    st_ = {};
  }

  // A backslash takes the byte after it; one at the line's end takes the
  // line break, and the next line starts unescaped.
  void EscapeString() {
    while (p_ < n_) {
      const char c = s_[p_];
      if (c == '\\') {
        p_ += 2;
      } else if (c != st_.Close) {
        ++p_;
      } else if (p_ + 1 < n_ && s_[p_ + 1] == st_.Close) {
        p_ += 2;
      } else {
        Emit(TLexKind::String, ++p_);
        st_ = {};
        break;
      }
    }
    if (p_ > n_) p_ = n_;
  }

  // Ends at the closing delimiter followed by a quote.
  void QString() {
    while (p_ < n_) {
      const void* hit = std::memchr(s_ + p_, st_.Close, n_ - p_);
      if (hit == nullptr) {
        p_ = n_;
        break;
      }
      p_ = static_cast<size_t>(static_cast<const char*>(hit) - s_) + 1;
      if (p_ < n_ && s_[p_] == '\'') {
        Emit(TLexKind::String, ++p_);
        st_ = {};
        break;
      }
    }
  }

  void Comment() {
    while (p_ < n_) {
      const char c = s_[p_];
      if (c == '*' && p_ + 1 < n_ && s_[p_ + 1] == '/') {
        p_ += 2;
        if (--st_.Depth == 0) {
          Emit(TLexKind::Comment, p_);
          st_ = {};
          break;
        }
      } else if (c == '/' && rules_.NestedComments && p_ + 1 < n_ && s_[p_ + 1] == '*') {
        p_ += 2;
        if (st_.Depth < std::numeric_limits<uint32_t>::max()) ++st_.Depth;
      } else {
        ++p_;
      }
    }
  }

  // The rest of the line belongs to what is open at its end.
  void Finish() {
    if (stop_ < n_) return;
    switch (st_.In) {
      case TIn::Code:
        Emit(TLexKind::Code, n_);
        break;
      case TIn::QuotedName:
        EmitName(n_, n_);
        break;
      case TIn::String:
      case TIn::EscapeString:
      case TIn::QString:
        Emit(TLexKind::String, n_);
        break;
      case TIn::Comment:
        Emit(TLexKind::Comment, n_);
        break;
    }
  }

  const TRules& rules_;
  const char* const s_;
  const size_t n_;
  TLexState st_;
  std::vector<TLexSpan>* spans_;
  size_t stop_;
  size_t p_ = 0;
  size_t start_ = 0;
  size_t nameBegin_ = 0;  // where the text of the quoted name being built begins
};

}  // namespace

template <bool kEmit>
size_t TSqlLexer::Run(std::string_view line, std::vector<TLexSpan>* spans, bool dollarStops) {
  TLinePass<kEmit> pass(dollarStops ? kPostgresDollarStops : kRules[static_cast<size_t>(dialect_)],
                        line, state_, spans);
  state_ = pass.Run();
  return pass.Stop();
}

}  // namespace qualtren
