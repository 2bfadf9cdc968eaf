// The translation driver.
#include "trans/translate.h"

#include <array>
#include <exception>

#include "base/ascii.h"
#include "base/utf.h"
#include "trans/auto_table_name.h"
#include "trans/lines.h"

namespace qualtren {

namespace {

constexpr std::array<bool, 256> kSeparators = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("\t\n\r '()*+,./:;<=>@[]"))
    table[c] = true;
  return table;
}();

bool IsSeparatorByte(char c) {
  return kSeparators[static_cast<unsigned char>(c)];
}

// The name context after `word`: "T" after from and join, "F" after select,
// where, on, order and group, else unchanged. Whether the word is one of
// those keywords.
bool SwitchContext(std::string_view word, bool& tableContext) {
  switch (word.size()) {
    case 2:
      if (!EqualsNoCase(word, "on")) return false;
      tableContext = false;
      return true;
    case 4:
      if (!EqualsNoCase(word, "from") && !EqualsNoCase(word, "join")) return false;
      tableContext = true;
      return true;
    case 5:
      if (!EqualsNoCase(word, "where") && !EqualsNoCase(word, "order") &&
          !EqualsNoCase(word, "group"))
        return false;
      tableContext = false;
      return true;
    case 6:
      if (!EqualsNoCase(word, "select")) return false;
      tableContext = false;
      return true;
    default:
      return false;
  }
}

// The byte that closes a quoted name opened with `open`.
char ClosingQuote(char open) {
  return open == '[' ? ']' : open;
}

// The name that the text of a quoted name stands for: each doubled `quote`
// read as one (a single one, which only ends a name, is kept). Built in
// `buffer` when it differs from `raw`.
std::string_view Undoubled(std::string_view raw, char quote, std::string& buffer) {
  if (raw.find(quote) == std::string_view::npos) return raw;
  buffer.clear();
  for (size_t i = 0; i < raw.size(); ++i) {
    buffer += raw[i];
    if (raw[i] == quote && i + 1 < raw.size() && raw[i + 1] == quote) ++i;
  }
  return buffer;
}

// Doubles every `quote` in out[from, end): a name written back between
// quotes.
void DoubleQuotes(std::string& out, size_t from, char quote) {
  if (out.find(quote, from) == std::string::npos) return;
  std::string doubled;
  doubled.reserve(2 * (out.size() - from));
  for (size_t i = from; i < out.size(); ++i) {
    doubled += out[i];
    if (out[i] == quote) doubled += quote;
  }
  out.replace(from, std::string::npos, doubled);
}

}  // namespace

TOuterText TOuterText::FromAnsi(std::string_view text) {
  return {std::string(text), AnsiToUtf8(text)};
}

TOuterText TOuterText::FromUtf8(std::string_view text) {
  return {Utf8ToAnsi(text), std::string(text)};
}

bool IsSeparator(char c) {
  return IsSeparatorByte(c);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return EqualsAsciiNoCase(a, b);
}

TLineTranslator::TLineTranslator(TNameLookup& lookup, TCommentOptions comment,
                                 TLineObserver* observer, TDialectOptions dialect)
    : lookup_(lookup),
      comment_(std::move(comment)),
      observer_(observer),
      dialect_(dialect),
      lexer_(dialect.Dialect) {}

void TLineTranslator::TranslateLine(std::string_view line, std::string& out) {
  if (!comment_.Add && observer_ == nullptr) {
    TranslateWords(line, out);
    out += "\r\n";
    return;
  }
  lineOut_.clear();
  result_.Words.clear();
  TranslateWords(line, lineOut_);
  const bool commented = comment_.Add && !EqualsNoCase(lineOut_, line);
  if (commented) {
    out += comment_.Prefix;
    out += line;
    out += comment_.Suffix;
    out += "\r\n";
  }
  out += lineOut_;
  out += "\r\n";
  if (observer_ != nullptr) {
    result_.Spans = dialect_.Dialect != TDialect::None ? &spans_ : nullptr;
    result_.Input = line;
    result_.Output = lineOut_;
    result_.Commented = commented;
    observer_->OnLine(result_);
  }
}

void TLineTranslator::TranslateLinePart(std::string_view part, std::string& out) {
  // Behind the separator that ends the part, no word is left over to be the
  // line's last.
  TranslateStretch(part, 0, part.size(), out, out.size(), TLexKind::Code);
}

void TLineTranslator::Keep(std::string_view word, size_t inputOffset, size_t outputOffset,
                           TLexKind where) {
  if (observer_ != nullptr)
    result_.Words.push_back(
        {inputOffset, word.size(), outputOffset, word.size(), TWordResult::Outcome::Kept, where});
}

bool TLineTranslator::Look(std::string_view word, size_t inputOffset, size_t outputOffset,
                           TLexKind where, std::string_view& english) {
  TNameKind kind = TNameKind::Column;
  bool found;
  try {
    found = lookup_.Translate(word, tableContext_, english, observer_ != nullptr ? &kind : nullptr);
  } catch (...) {
    if (observer_ != nullptr) observer_->OnLookupFailed(word, lookup_.FailedTable());
    throw;
  }
  if (observer_ != nullptr) {
    TWordResult w;
    w.InputOffset = inputOffset;
    w.InputLength = word.size();
    w.OutputOffset = outputOffset;
    w.OutputLength = found ? english.size() : word.size();
    w.Where = where;
    if (found)
      w.Result = kind == TNameKind::Table       ? TWordResult::Outcome::Table
                 : kind == TNameKind::Procedure ? TWordResult::Outcome::Procedure
                                                : TWordResult::Outcome::Column;
    result_.Words.push_back(w);
  }
  return found;
}

void TLineTranslator::Emit(std::string_view word, size_t inputOffset, std::string& out,
                           size_t lineStart, TLexKind where) {
  std::string_view english;
  const bool found = Look(word, inputOffset, out.size() - lineStart, where, english);
  out += found ? english : word;
}

void TLineTranslator::TranslateWords(std::string_view line, std::string& out) {
  if (dialect_.Dialect != TDialect::None) {
    TranslateSpans(line, out);
    return;
  }
  TranslateStretch(line, 0, line.size(), out, out.size(), TLexKind::Code);
}

void TLineTranslator::TranslateStretch(std::string_view line, size_t begin, size_t end,
                                       std::string& out, size_t lineStart, TLexKind where,
                                       char cutsToo) {
  const char* p = line.data() + begin;
  const char* const stop = line.data() + end;
  const bool endsLine = end == line.size();
  // The bytes from `run` on are written as they stand; they are copied out
  // in one piece when a found word takes the place of its bytes, and at the
  // end of the stretch.
  const char* run = p;
  while (p < stop) {
    const char* q = p;
    if (cutsToo == 0) {
      while (q < stop && !IsSeparatorByte(*q))
        ++q;
    } else {
      while (q < stop && !IsSeparatorByte(*q) && *q != cutsToo)
        ++q;
    }
    const std::string_view word(p, static_cast<size_t>(q - p));
    p = q < stop ? q + 1 : stop;
    if (word.empty()) continue;
    const size_t offset = static_cast<size_t>(word.data() - line.data());
    const size_t outputOffset = out.size() + static_cast<size_t>(word.data() - run) - lineStart;
    // A function call written sqlExp( keeps its name untranslated.
    if (q < stop && *q == '(' && EqualsNoCase(word, "sqlExp")) {
      Keep(word, offset, outputOffset, where);
      continue;
    }
    std::string_view english;
    const bool found = observer_ == nullptr ? lookup_.Translate(word, tableContext_, english)
                                            : Look(word, offset, outputOffset, where, english);
    if (found) {
      out.append(run, static_cast<size_t>(word.data() - run));
      out += english;
      run = q;
    }
    // The last word of a line does not switch the context; one that a
    // quote or a comment ends does.
    if ((q < stop || !endsLine) && SwitchContext(word, tableContext_)) ++keywords_;
  }
  out.append(run, static_cast<size_t>(stop - run));
}

void TLineTranslator::TranslateSpans(std::string_view line, std::string& out) {
  const size_t lineStart = out.size();
  const TLexState start = lexer_.State();
  lexer_.Lex(line, spans_);
  for (const TLexSpan& span : spans_) {
    const std::string_view text = line.substr(span.Begin, span.End - span.Begin);
    switch (span.Kind) {
      case TLexKind::Code:
        TranslateStretch(line, span.Begin, span.End, out, lineStart, TLexKind::Code);
        break;
      case TLexKind::QuotedName:
        TranslateQuotedName(line, span, start, out, lineStart);
        break;
      case TLexKind::String:
      case TLexKind::Comment: {
        const bool keep =
            span.Kind == TLexKind::String ? dialect_.KeepStrings : dialect_.KeepComments;
        if (keep) {
          out.append(text);
          break;
        }
        // A string's prefix (N, E, X, B, U&) belongs to the literal and is
        // never looked up; the rest reads as words, as without a dialect,
        // where a double quote that delimits the string (mysql) cuts words
        // as a single quote does.
        size_t from = span.Begin;
        const bool continued = span.Begin == 0 && start.In != TLexState::TIn::Code &&
                               start.In != TLexState::TIn::Comment;
        char delimiter = continued ? start.Close : 0;
        if (span.Kind == TLexKind::String && !continued) {
          while (from < span.End && line[from] != '\'' && line[from] != '"')
            out += line[from++];
          if (from < span.End) delimiter = line[from];
        }
        if (span.Kind == TLexKind::String && delimiter == '"') {
          TranslateStretch(line, from, span.End, out, lineStart, span.Kind, '"');
          break;
        }
        TranslateStretch(line, from, span.End, out, lineStart, span.Kind);
        break;
      }
    }
  }
}

// Looked up whole, separators and all, as the name it stands for (each
// doubled closing quote read as one); the quotes stay as written, and a
// closing quote in the English name is doubled.
void TLineTranslator::TranslateQuotedName(std::string_view line, const TLexSpan& span,
                                          const TLexState& start, std::string& out,
                                          size_t lineStart) {
  out.append(line.substr(span.Begin, span.NameBegin - span.Begin));
  if (span.NameEnd > span.NameBegin) {
    // The opening quote stands before the name, unless the name runs on
    // from the line before.
    const char quote =
        ClosingQuote(span.NameBegin > span.Begin ? line[span.NameBegin - 1] : start.Close);
    const std::string_view raw = line.substr(span.NameBegin, span.NameEnd - span.NameBegin);
    std::string buffer;
    const size_t from = out.size();
    Emit(Undoubled(raw, quote, buffer), span.NameBegin, out, lineStart, TLexKind::QuotedName);
    DoubleQuotes(out, from, quote);
    if (observer_ != nullptr) {
      TWordResult& word = result_.Words.back();
      word.InputLength = raw.size();
      word.OutputLength = out.size() - from;
    }
  }
  out.append(line.substr(span.NameEnd, span.End - span.NameEnd));
}

std::string AutoTableNameOfText(std::string_view text) {
  TAutoTableNameScanner scanner;
  ForEachLine(text, [&scanner](std::string_view line) {
    scanner.Feed(line);
    scanner.Feed("\r\n");
    return !scanner.Decided();
  });
  return scanner.Name();
}

std::string TranslateText(const TransTables& tables, const TTranslateOptions& options,
                          std::string_view text, std::string* errorMessage, TLineObserver* observer,
                          TTextEncoding encoding) {
  if (errorMessage) errorMessage->clear();
  try {
    const bool utf8 = encoding != TTextEncoding::Ansi;
    TNameLookup lookup(
        tables, options.AutoTableName ? AutoTableNameOfText(text) : options.TableName.For(utf8),
        utf8, options.DictionaryAfter);
    TLineTranslator translator(lookup, options.CommentFor(utf8), observer, options.Dialect);
    if (observer) observer->OnBegin({encoding});
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    ForEachLine(text, [&](std::string_view line) { translator.TranslateLine(line, out); });
    return out;
  } catch (const std::exception& e) {
    // The caller gets its own text back, with its line breaks made CR LF,
    // and learns why.
    if (errorMessage) *errorMessage = *e.what() ? e.what() : "Translation failed";
  } catch (...) {
    if (errorMessage) *errorMessage = "Translation failed";
  }
  return NormalizeLineBreaks(text);
}

}  // namespace qualtren
