// The statement cutter: one pass over a script's lines. The dialect's lexer
// tells code from strings, comments and quoted names; the cutter looks for
// separators and dollar quotes in the code, reads each statement's first
// words for its role, and knows the line commands of each dialect's client
// (GO, "/", DELIMITER, psql's backslash lines and COPY data, sqlcmd's and
// SQL*Plus's own commands).
#include "trans/statement_cutter.h"

#include <initializer_list>

#include "base/ascii.h"
#include "trans/statement_words.h"

namespace qualtren {

namespace {

constexpr size_t kNone = std::string_view::npos;
// The longest delimiter the mysql client takes (it bounds the work per byte).
constexpr size_t kMaxDelimiter = 16;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsWordByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
         u >= 0x80;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Whether `text` starts with the word `word` (A to Z in any case), a blank
// or the end after it.
bool StartsWithWord(std::string_view text, std::string_view word) {
  return text.size() >= word.size() && EqualsAsciiNoCase(text.substr(0, word.size()), word) &&
         (text.size() == word.size() || IsBlank(text[word.size()]));
}

// SQL*Plus's own commands, which take their line and need no separator.
bool IsSqlPlusCommand(std::string_view line) {
  if (line.front() == '@') return true;
  if (StartsWithWord(line, "set")) {
    const std::string_view rest = Trim(line.substr(3));
    for (std::string_view sql : {"transaction", "role", "constraint", "constraints"})
      if (StartsWithWord(rest, sql)) return false;
    return true;
  }
  for (std::string_view command :
       {"rem",      "remark", "prompt", "spool",   "whenever", "define", "undefine",
        "exit",     "quit",   "show",   "connect", "conn",     "column", "col",
        "ttitle",   "btitle", "break",  "compute", "clear",    "pause",  "accept",
        "variable", "var",    "print",  "host",    "exec",     "execute"})
    if (StartsWithWord(line, command)) return true;
  return false;
}

class TCutter {
 public:
  TCutter(std::string_view script, TDialect dialect) : s_(script), d_(dialect), lexer_(dialect) {}

  std::vector<TSqlStatement> Run();

 private:
  void OnLine(size_t begin, size_t end);
  bool LineCommand(size_t begin, size_t end);
  void LexFrom(size_t from, size_t end);
  void ScanCode(size_t from, size_t to);
  void ScanWords(size_t from, size_t to);
  void EndWord(size_t& word, size_t end);
  bool SeparatorEnds();
  void SetDelimiter(std::string_view argument);
  void Touch(size_t at);
  void Finish(size_t end);
  void Emit(std::string_view text, size_t line, TStatementRole role);

  std::string_view s_;
  TDialect d_;
  TSqlLexer lexer_;
  std::vector<TLexSpan> spans_;
  std::vector<TSqlStatement> out_;
  size_t line_ = 1;
  // The statement being built: where its first byte of code stands (kNone
  // while it holds only blanks and comments), its line and its words.
  size_t start_ = kNone;
  size_t startLine_ = 0;
  TStatementWords words_;
  TBodyEnd bodyEnd_ = TBodyEnd::Separator;
  size_t parenDepth_ = 0;  // open parentheses (postgres)
  std::string delimiter_ = ";";
  std::string_view dollarTag_;  // the tag of the dollar body the cutter stands in
  bool inDollar_ = false;
  bool copyData_ = false;  // in the data lines of COPY ... FROM stdin
};

std::vector<TSqlStatement> TCutter::Run() {
  const size_t n = s_.size();
  for (size_t p = 0;;) {
    size_t e = p;
    while (e < n && s_[e] != '\r' && s_[e] != '\n')
      ++e;
    OnLine(p, e);
    if (e == n) break;
    p = e + (s_[e] == '\r' && e + 1 < n && s_[e + 1] == '\n' ? 2 : 1);
    ++line_;
  }
  Finish(n);
  return std::move(out_);
}

void TCutter::OnLine(size_t begin, size_t end) {
  const std::string_view line = s_.substr(begin, end - begin);
  if (copyData_) {
    // After the data, code starts afresh, whatever the line of the COPY
    // left open.
    if (Trim(line) == "\\.") {
      copyData_ = false;
      inDollar_ = false;
      lexer_ = TSqlLexer(d_);
    }
    return;
  }
  size_t from = begin;
  if (inDollar_) {
    const size_t close = line.find(dollarTag_);
    if (close == kNone) return;
    from = begin + close + dollarTag_.size();
    inDollar_ = false;
    lexer_ = TSqlLexer(d_);
  } else if (lexer_.State().In == TLexState::TIn::Code && LineCommand(begin, end)) {
    return;
  }
  LexFrom(from, end);
  // A statement after a COPY ... FROM stdin on its line ends with the line:
  // the data lines follow.
  if (copyData_) Finish(end);
}

// A line that the dialect's client reads as its own command: GO in tsql, "/"
// in oracle, DELIMITER in mysql, a backslash command in postgres and mysql,
// sqlcmd's ":" commands and SQL*Plus's commands before a statement.
bool TCutter::LineCommand(size_t begin, size_t end) {
  const std::string_view line = Trim(s_.substr(begin, end - begin));
  if (line.empty()) return false;
  const bool atStart = start_ == kNone;
  if ((d_ == TDialect::TSql && EqualsAsciiNoCase(line, "go")) ||
      (d_ == TDialect::Oracle && line == "/")) {
    Finish(begin);
    return true;
  }
  if (d_ == TDialect::MySql && atStart && StartsWithWord(line, "delimiter")) {
    SetDelimiter(Trim(line.substr(9)));
    return true;
  }
  const bool backslash = (d_ == TDialect::Postgres || d_ == TDialect::MySql) && line[0] == '\\';
  const bool client = atStart && ((d_ == TDialect::TSql && line[0] == ':') ||
                                  (d_ == TDialect::Oracle && IsSqlPlusCommand(line)));
  if (!backslash && !client) return false;
  Finish(begin);
  Emit(line, line_, TStatementRole::ClientCommand);
  return true;
}

// Lexes the line's code from `from` on; where a dollar body opens (the
// lexer stops before it), looks for its end on the same line and lexes on
// after it. Every byte is lexed once.
void TCutter::LexFrom(size_t from, size_t end) {
  for (;;) {
    const std::string_view rest = s_.substr(from, end - from);
    const size_t stop = lexer_.LexToDollarQuote(rest, spans_);
    for (const TLexSpan& span : spans_) {
      const size_t a = from + span.Begin, z = from + span.End;
      if (span.Kind == TLexKind::Code) {
        ScanCode(a, z);
      } else if (span.Kind != TLexKind::Comment) {
        Touch(a);
      } else if (d_ == TDialect::MySql && s_.compare(a, 3, "/*!") == 0) {
        // An executable comment is code to MySQL: /*!50003 CREATE*/ ...
        Touch(a);
        size_t words = a + 3;
        while (words < z && s_[words] >= '0' && s_[words] <= '9')
          ++words;
        ScanWords(words, z);
      }
    }
    if (stop == rest.size()) return;
    Touch(from + stop);
    dollarTag_ = rest.substr(stop, DollarQuoteOpener(rest, stop));
    inDollar_ = true;
    const size_t body = stop + dollarTag_.size();
    const size_t close = rest.find(dollarTag_, body);
    if (close == kNone) return;
    from += close + dollarTag_.size();
    inDollar_ = false;
    lexer_ = TSqlLexer(d_);
  }
}

// Scans code for separators and words.
void TCutter::ScanCode(size_t from, size_t to) {
  size_t word = kNone;
  const char first = delimiter_[0];
  const bool parens = d_ == TDialect::Postgres;
  for (size_t i = from; i < to;) {
    if (start_ != kNone && word == kNone && !words_.WantsWords()) {
      // Nothing but a separator or (postgres) a parenthesis matters here.
      while (i < to && s_[i] != first && !(parens && (s_[i] == '(' || s_[i] == ')')))
        ++i;
      if (i == to) break;
    }
    const char c = s_[i];
    if (c == first && s_.compare(i, delimiter_.size(), delimiter_) == 0 &&
        i + delimiter_.size() <= to) {
      EndWord(word, i);
      if (SeparatorEnds())
        Finish(i);
      else
        Touch(i);
      i += delimiter_.size();
      continue;
    }
    if (IsWordByte(c) || (c == '$' && word != kNone)) {
      if (word == kNone) {
        Touch(i);
        word = i;
      }
      ++i;
      continue;
    }
    EndWord(word, i);
    // As psql, a separator inside parentheses ends nothing (CREATE RULE ...
    // DO (...; ...)).
    if (parens && c == '(') ++parenDepth_;
    if (parens && c == ')' && parenDepth_ > 0) --parenDepth_;
    if (!IsBlank(c)) Touch(i);
    ++i;
  }
  EndWord(word, to);
}

// The words of [from, to), with no separator looked for.
void TCutter::ScanWords(size_t from, size_t to) {
  size_t word = kNone;
  for (size_t i = from; i < to; ++i) {
    if (IsWordByte(s_[i]) || (s_[i] == '$' && word != kNone)) {
      if (word == kNone) word = i;
    } else {
      EndWord(word, i);
    }
  }
  EndWord(word, to);
}

void TCutter::EndWord(size_t& word, size_t end) {
  if (word == kNone) return;
  words_.Add(s_.substr(word, end - word));
  if (words_.Count() <= TStatementWords::kKept) bodyEnd_ = BodyEnd(words_, d_);
  word = kNone;
}

bool TCutter::SeparatorEnds() {
  if (parenDepth_ > 0) return false;
  switch (bodyEnd_) {
    case TBodyEnd::Separator:
      return true;
    case TBodyEnd::Go:
    case TBodyEnd::Slash:
      return false;
    case TBodyEnd::Block:
      if (!words_.InsideBlock()) return true;
      words_.Separator();
      return false;
  }
  return true;
}

// As the mysql client: the argument up to a blank, or a quoted one; none,
// one holding a backslash or one too long changes nothing.
void TCutter::SetDelimiter(std::string_view argument) {
  std::string_view d = argument;
  if (!d.empty() && (d[0] == '\'' || d[0] == '"' || d[0] == '`')) {
    const size_t close = d.find(d[0], 1);
    d = d.substr(1, close == kNone ? kNone : close - 1);
  } else {
    size_t end = 0;
    while (end < d.size() && !IsBlank(d[end]))
      ++end;
    d = d.substr(0, end);
  }
  if (d.empty() || d.size() > kMaxDelimiter || d.find('\\') != kNone) return;
  delimiter_ = std::string(d);
}

void TCutter::Touch(size_t at) {
  if (start_ != kNone) return;
  start_ = at;
  startLine_ = line_;
}

// Ends the statement being built before `end`; one of only blanks and
// comments is dropped.
void TCutter::Finish(size_t end) {
  if (start_ != kNone) {
    const TStatementRole role = RoleOf(words_, d_);
    Emit(Trim(s_.substr(start_, end - start_)), startLine_, role);
    // The data lines start on the next line.
    if (role == TStatementRole::ClientCommand && words_.CopyFromStdin()) copyData_ = true;
  }
  start_ = kNone;
  words_ = {};
  bodyEnd_ = TBodyEnd::Separator;
  parenDepth_ = 0;
}

void TCutter::Emit(std::string_view text, size_t line, TStatementRole role) {
  out_.push_back({std::string(text), line, role});
}

}  // namespace

std::vector<TSqlStatement> CutStatements(std::string_view script, TDialect dialect) {
  return TCutter(script, dialect).Run();
}

}  // namespace qualtren
