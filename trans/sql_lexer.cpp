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
      // Bracketed comments nest in standard SQL.
      r.NestedComments = true;
      r.UnicodeNames = true;
      break;
    case TDialect::TSql:
      // SQL Server nests block comments too.
      r.Code[Byte('[')] = kBracket;
      r.NestedComments = true;
      break;
    case TDialect::Postgres:
      r.NestedComments = true;
      r.UnicodeNames = true;
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

void TSqlLexer::Skip(std::string_view line) {
  Run<false>(line, nullptr);
}

// One pass over the line. `start` is where the span being built began (0 for
// a token that runs on from the line before); a span is written when its end
// is found, or at the line's end.
template <bool kEmit>
void TSqlLexer::Run(std::string_view line, std::vector<TLexSpan>* spans) {
  const TRules& rules = kRules[static_cast<size_t>(dialect_)];
  const char* const s = line.data();
  const size_t n = line.size();
  TLexState st = state_;
  size_t p = 0;
  size_t start = 0;
  size_t nameBegin = 0;  // where the text of the quoted name being built begins

  // Writes the span [start, end) unless it is empty; the next starts at `end`.
  auto emit = [&](TLexKind kind, size_t end) {
    if constexpr (kEmit) {
      if (end > start)
        spans->push_back({kind, Offset(start), Offset(end), Offset(start), Offset(end)});
    }
    start = end;
  };
  auto emitName = [&](size_t end, size_t nameEnd) {
    if constexpr (kEmit) {
      if (end > start)
        spans->push_back(
            {TLexKind::QuotedName, Offset(start), Offset(end), Offset(nameBegin), Offset(nameEnd)});
    }
    (void)nameEnd;
    start = end;
  };
  // Whether a prefix at `at` starts a token: it lies in the code being
  // scanned and no word byte stands before it.
  auto startsToken = [&](size_t at) {
    return at >= start && (at == 0 || !kWordBytes[Byte(s[at - 1])]);
  };

  while (p < n) {
    switch (st.In) {
      case TIn::Code: {
        while (p < n && rules.Code[Byte(s[p])] == kPlain)
          ++p;
        if (p == n) break;
        switch (rules.Code[Byte(s[p])]) {
          case kDash:
            if (p + 1 < n && s[p + 1] == '-' &&
                (!rules.DashNeedsBlank || p + 2 == n || s[p + 2] == ' ' || s[p + 2] == '\t')) {
              emit(TLexKind::Code, p);
              emit(TLexKind::Comment, n);
              p = n;
            } else {
              ++p;
            }
            break;
          case kHash:
            emit(TLexKind::Code, p);
            emit(TLexKind::Comment, n);
            p = n;
            break;
          case kSlash:
            if (p + 1 < n && s[p + 1] == '*') {
              emit(TLexKind::Code, p);
              st.In = TIn::Comment;
              st.Depth = 1;
              p += 2;
            } else {
              ++p;
            }
            break;
          case kSingleQuote: {
            size_t tokenStart = p;
            size_t opener = 1;
            st.In = rules.BackslashEverywhere ? TIn::EscapeString : TIn::String;
            st.Close = '\'';
            const char before = p > start ? LowerAscii(s[p - 1]) : '\0';
            if (rules.QQuotes && before == 'q' && p + 1 < n && s[p + 1] != ' ' &&
                s[p + 1] != '\t' &&
                (startsToken(p - 1) ||
                 (p >= 2 && LowerAscii(s[p - 2]) == 'n' && startsToken(p - 2)))) {
              tokenStart = startsToken(p - 1) ? p - 1 : p - 2;
              st.In = TIn::QString;
              st.Close = QuoteClose(s[p + 1]);
              opener = 2;
            } else if ((before == 'n' || before == 'e' || before == 'x' || before == 'b') &&
                       startsToken(p - 1)) {
              tokenStart = p - 1;
              if (before == 'e') st.In = TIn::EscapeString;
            } else if (before == '&' && p >= 2 && LowerAscii(s[p - 2]) == 'u' &&
                       startsToken(p - 2)) {
              tokenStart = p - 2;
            }
            emit(TLexKind::Code, tokenStart);
            p += opener;
            break;
          }
          case kDoubleQuote:
            if (rules.DoubleQuoteString) {
              emit(TLexKind::Code, p);
              st.In = TIn::EscapeString;
              st.Close = '"';
              ++p;
              break;
            }
            if (rules.UnicodeNames && p >= 2 && s[p - 1] == '&' && LowerAscii(s[p - 2]) == 'u' &&
                startsToken(p - 2))
              emit(TLexKind::Code, p - 2);
            else
              emit(TLexKind::Code, p);
            st.In = TIn::QuotedName;
            st.Close = '"';
            nameBegin = ++p;
            break;
          case kBracket:
          case kBacktick:
            emit(TLexKind::Code, p);
            st.In = TIn::QuotedName;
            st.Close = s[p] == '[' ? ']' : '`';
            nameBegin = ++p;
            break;
        }
        break;
      }

      case TIn::QuotedName:
      case TIn::String: {
        // Ends at the closing quote that is not doubled.
        const void* hit = std::memchr(s + p, st.Close, n - p);
        if (hit == nullptr) {
          p = n;
          break;
        }
        p = static_cast<size_t>(static_cast<const char*>(hit) - s);
        if (p + 1 < n && s[p + 1] == st.Close) {
          p += 2;
          break;
        }
        if (st.In == TIn::QuotedName)
          emitName(p + 1, p);
        else
          emit(TLexKind::String, p + 1);
        ++p;
        st = {};
        break;
      }

      case TIn::EscapeString:
        // A backslash takes the byte after it; one at the line's end takes
        // the line break, and the next line starts unescaped.
        while (p < n) {
          const char c = s[p];
          if (c == '\\') {
            p += 2;
          } else if (c != st.Close) {
            ++p;
          } else if (p + 1 < n && s[p + 1] == st.Close) {
            p += 2;
          } else {
            emit(TLexKind::String, ++p);
            st = {};
            break;
          }
        }
        if (p > n) p = n;
        break;

      case TIn::QString:
        // Ends at the closing delimiter followed by a quote.
        while (p < n) {
          const void* hit = std::memchr(s + p, st.Close, n - p);
          if (hit == nullptr) {
            p = n;
            break;
          }
          p = static_cast<size_t>(static_cast<const char*>(hit) - s) + 1;
          if (p < n && s[p] == '\'') {
            emit(TLexKind::String, ++p);
            st = {};
            break;
          }
        }
        break;

      case TIn::Comment:
        while (p < n) {
          const char c = s[p];
          if (c == '*' && p + 1 < n && s[p + 1] == '/') {
            p += 2;
            if (--st.Depth == 0) {
              emit(TLexKind::Comment, p);
              st = {};
              break;
            }
          } else if (c == '/' && rules.NestedComments && p + 1 < n && s[p + 1] == '*') {
            p += 2;
            if (st.Depth < std::numeric_limits<uint32_t>::max()) ++st.Depth;
          } else {
            ++p;
          }
        }
        break;
    }
  }

  // The rest of the line belongs to what is open at its end.
  switch (st.In) {
    case TIn::Code:
      emit(TLexKind::Code, n);
      break;
    case TIn::QuotedName:
      emitName(n, n);
      break;
    case TIn::String:
    case TIn::EscapeString:
    case TIn::QString:
      emit(TLexKind::String, n);
      break;
    case TIn::Comment:
      emit(TLexKind::Comment, n);
      break;
  }
  state_ = st;
}

}  // namespace qualtren
