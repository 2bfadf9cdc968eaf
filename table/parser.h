// The lexer of the table store's small languages: TParser cuts 8-bit text
// into tokens by character class, TBoolParser sets it up for filter texts
// (and index field lists) with its symbol and keyword tables.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qualtren {

enum class TTokenKind { End, Symbol, Word, Keyword, Number, String, Blank, Comment };

struct TToken {
  TTokenKind Kind = TTokenKind::End;
  // For a symbol or keyword: its code in the table; -1 for a symbol character
  // that has no entry (it still is a token, of one character).
  int Code = -1;
  // The token's text: a view into the parsed text, or into the keyword table
  // for a keyword (its upper-case spelling). For a string it is what stands
  // between the quotes, unchanged.
  std::string_view Text;
  size_t Pos = 0;  // where the token starts in the parsed text
};

struct TLexEntry {
  std::string_view Text;
  int Code;
};

// A table of symbols or keywords, sorted once and searched by halving.
class TLexTable {
 public:
  TLexTable(std::initializer_list<TLexEntry> entries);
  const TLexEntry* Find(std::string_view text) const;
  size_t MaxLength() const { return maxLength_; }

 private:
  std::vector<TLexEntry> entries_;
  size_t maxLength_ = 0;
};

class TParser {
 public:
  // The tables must outlive the parser; the text too.
  TParser(std::string_view text, const TLexTable& symbols, const TLexTable& keywords);

  // Reads the next token and returns it (also kept as Current()).
  const TToken& Next();
  const TToken& Current() const { return token_; }
  std::string_view Text() const { return text_; }

  // Blank runs are skipped between tokens; switched off (inside square
  // brackets) a blank run is returned as a token of its own.
  void SetOmitBlanks(bool omit) { omitBlanks_ = omit; }
  bool OmitBlanks() const { return omitBlanks_; }

  static bool IsBlank(unsigned char c) { return c == 9 || c == 10 || c == 13 || c == 32; }
  static bool IsSymbolChar(unsigned char c) {
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) || c == 96 ||
           (c >= 123 && c <= 126);
  }
  static bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
  }
  static bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

 private:
  void ReadString();
  [[noreturn]] void UnknownSymbol(unsigned char c) const;

  std::string_view text_;
  const TLexTable& symbols_;
  const TLexTable& keywords_;
  size_t pos_ = 0;
  bool omitBlanks_ = true;
  TToken token_;
};

// Codes of the filter language's symbols and keywords.
enum TBoolCode : int {
  bcEqual,
  bcGreater,
  bcLess,
  bcGreaterOrEqual,
  bcLessOrEqual,
  bcNotEqual,
  bcOpenParen,
  bcCloseParen,
  bcMinus,
  bcPlus,
  bcOpenBracket,
  bcCloseBracket,
  bcAnd,
  bcFalse,
  bcIs,
  bcLike,
  bcNot,
  bcNull,
  bcOr,
  bcTrue,
};

class TBoolParser : public TParser {
 public:
  explicit TBoolParser(std::string_view text);

  bool IsSymbol(int code) const {
    return Current().Kind == TTokenKind::Symbol && Current().Code == code;
  }
  bool IsKeyword(int code) const {
    return Current().Kind == TTokenKind::Keyword && Current().Code == code;
  }
  // A symbol character without meaning in the filter language (";", ",", "."...).
  bool IsChar(char c) const {
    return Current().Kind == TTokenKind::Symbol && Current().Text.size() == 1 &&
           Current().Text[0] == c;
  }

  /// On a "[": joins the texts of the tokens up to "]" or the end of the
  /// text, blank runs included, into name, and stays on that "]" (or the
  /// end); false when a comment stands inside.
  bool ReadBracketedName(std::string& name);

  static const TLexTable& Symbols();
  static const TLexTable& Keywords();
};

// The value of a string token: each pair of apostrophes becomes one, and the
// value ends at the first apostrophe that is not part of such a pair.
std::string StringTokenValue(std::string_view tokenText);

}  // namespace qualtren
