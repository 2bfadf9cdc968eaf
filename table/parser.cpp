// Cutting filter texts and index field lists into tokens.
#include "table/parser.h"

#include <algorithm>
#include <cstdio>

#include "base/ascii.h"
#include "base/exception.h"
#include "base/format.h"

namespace qualtren {

TLexTable::TLexTable(std::initializer_list<TLexEntry> entries) : entries_(entries) {
  std::sort(entries_.begin(), entries_.end(),
            [](const TLexEntry& a, const TLexEntry& b) { return a.Text < b.Text; });
  for (const auto& e : entries_)
    maxLength_ = std::max(maxLength_, e.Text.size());
}

const TLexEntry* TLexTable::Find(std::string_view text) const {
  size_t lo = 0, hi = entries_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    int c = entries_[mid].Text.compare(text);
    if (c == 0) return &entries_[mid];
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return nullptr;
}

TParser::TParser(std::string_view text, const TLexTable& symbols, const TLexTable& keywords)
    : text_(text), symbols_(symbols), keywords_(keywords) {}

void TParser::UnknownSymbol(unsigned char c) const {
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(c));
  std::string message = "Parser: The unknown symbol '";
  message += static_cast<char>(c);
  message += "'  $";
  message += code;
  throw EParserError(message);
}

void TParser::ReadString() {
  const size_t n = text_.size();
  const char quote = text_[pos_];
  const size_t start = ++pos_;
  // A pair of the opening quote stands for the quote itself and does not end
  // the string, wherever the pair stands.
  while (pos_ < n) {
    if (text_[pos_] == quote) {
      if (pos_ + 1 < n && text_[pos_ + 1] == quote) {
        pos_ += 2;
        continue;
      }
      break;
    }
    ++pos_;
  }
  token_.Kind = TTokenKind::String;
  token_.Text = text_.substr(start, pos_ - start);
  if (pos_ < n) ++pos_;  // past the closing quote
}

const TToken& TParser::Next() {
  const size_t n = text_.size();
  if (omitBlanks_)
    while (pos_ < n && IsBlank(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
  token_ = TToken{};
  token_.Pos = pos_;
  if (pos_ >= n) return token_;

  const size_t start = pos_;
  const unsigned char c = static_cast<unsigned char>(text_[pos_]);
  if (IsBlank(c)) {
    while (pos_ < n && IsBlank(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
    token_.Kind = TTokenKind::Blank;
  } else if (c == '/' && pos_ + 1 < n && (text_[pos_ + 1] == '/' || text_[pos_ + 1] == '*')) {
    if (text_[pos_ + 1] == '/') {
      pos_ += 2;
      while (pos_ < n && text_[pos_] != '\r' && text_[pos_] != '\n')
        ++pos_;
    } else {
      size_t end = text_.find("*/", pos_ + 2);
      pos_ = end == std::string_view::npos ? n : end + 2;
    }
    token_.Kind = TTokenKind::Comment;
  } else if (c == '\'' || c == '"') {
    ReadString();
    return token_;
  } else if (IsSymbolChar(c)) {
    size_t run = 1;
    while (run < symbols_.MaxLength() && pos_ + run < n &&
           IsSymbolChar(static_cast<unsigned char>(text_[pos_ + run])))
      ++run;
    token_.Kind = TTokenKind::Symbol;
    for (; run > 0; --run) {
      if (const TLexEntry* e = symbols_.Find(text_.substr(pos_, run))) {
        token_.Code = e->Code;
        break;
      }
    }
    pos_ += std::max<size_t>(run, 1);
  } else if (IsLetter(c) || c == '_') {
    while (pos_ < n) {
      unsigned char d = static_cast<unsigned char>(text_[pos_]);
      if (!IsLetter(d) && !IsDigit(d) && d != '_') break;
      ++pos_;
    }
    token_.Kind = TTokenKind::Word;
    const size_t len = pos_ - start;
    if (len <= keywords_.MaxLength()) {
      char folded[16];
      for (size_t i = 0; i < len; ++i) {
        folded[i] = UpperAscii(text_[start + i]);
      }
      if (const TLexEntry* e = keywords_.Find(std::string_view(folded, len))) {
        token_.Kind = TTokenKind::Keyword;
        token_.Code = e->Code;
        token_.Text = e->Text;
        return token_;
      }
    }
  } else if (IsDigit(c)) {
    while (pos_ < n && IsDigit(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
    const char sep = FormatSettings().DecimalSeparator;
    if (pos_ + 1 < n && text_[pos_] == sep &&
        IsDigit(static_cast<unsigned char>(text_[pos_ + 1]))) {
      ++pos_;
      while (pos_ < n && IsDigit(static_cast<unsigned char>(text_[pos_])))
        ++pos_;
    }
    token_.Kind = TTokenKind::Number;
  } else {
    UnknownSymbol(c);
  }
  token_.Text = text_.substr(start, pos_ - start);
  return token_;
}

TBoolParser::TBoolParser(std::string_view text) : TParser(text, Symbols(), Keywords()) {}

bool TBoolParser::ReadBracketedName(std::string& name) {
  SetOmitBlanks(false);
  for (Next(); Current().Kind != TTokenKind::End && !IsSymbol(bcCloseBracket); Next()) {
    if (Current().Kind == TTokenKind::Comment) {
      SetOmitBlanks(true);
      return false;
    }
    name += Current().Text;
  }
  SetOmitBlanks(true);
  return true;
}

const TLexTable& TBoolParser::Symbols() {
  static const TLexTable table{
      {"=", bcEqual},        {">", bcGreater},   {"<", bcLess},        {">=", bcGreaterOrEqual},
      {"<=", bcLessOrEqual}, {"<>", bcNotEqual}, {"(", bcOpenParen},   {")", bcCloseParen},
      {"-", bcMinus},        {"+", bcPlus},      {"[", bcOpenBracket}, {"]", bcCloseBracket},
  };
  return table;
}

const TLexTable& TBoolParser::Keywords() {
  static const TLexTable table{
      {"AND", bcAnd}, {"FALSE", bcFalse}, {"IS", bcIs}, {"LIKE", bcLike},
      {"NOT", bcNot}, {"NULL", bcNull},   {"OR", bcOr}, {"TRUE", bcTrue},
  };
  return table;
}

std::string StringTokenValue(std::string_view tokenText) {
  std::string value;
  value.reserve(tokenText.size());
  for (size_t i = 0; i < tokenText.size(); ++i) {
    char c = tokenText[i];
    if (c == '\'') {
      if (i + 1 < tokenText.size() && tokenText[i + 1] == '\'') {
        value += '\'';
        ++i;
        continue;
      }
      break;
    }
    value += c;
  }
  return value;
}

}  // namespace qualtren
