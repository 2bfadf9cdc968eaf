// Parsing filter texts: plain conjunctions of string equalities without a
// tree, every other text by recursive descent into a tree of nodes.
#include <charconv>
#include <system_error>

#include "base/ascii.h"
#include "base/exception.h"
#include "base/format.h"
#include "table/filter.h"
#include "table/parser.h"

namespace qualtren {

namespace {

// Deepest nesting of "(" and NOT that a filter text may have; deeper texts
// are refused instead of exhausting the stack.
constexpr int kMaxNesting = 256;

[[noreturn]] void IllegalExpression() {
  throw EDatabaseError("Illegal filter expression");
}

// A number token: digits, optionally the decimal separator and more digits.
// A number too large for a double is refused rather than read as another.
double NumberValue(std::string_view text) {
  std::string buffer(text);
  const char sep = FormatSettings().DecimalSeparator;
  for (char& c : buffer)
    if (c == sep) c = '.';
  double value = 0;
  const auto result = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Without an exponent only a whole part of more than 308 digits is out
    // of range upwards; a fraction too small to be told from zero is zero.
    const size_t whole = buffer.find('.');
    if (buffer.find_first_not_of('0') < whole)
      throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
    return 0;
  }
  return value;
}

}  // namespace

// Recursive-descent parser of the filter grammar:
//   expression = term {OR term}
//   term       = condition {AND condition}
//   condition  = NOT condition | TRUE | FALSE | "(" expression ")"
//              | left comparator right | left IS [NOT] NULL
class TFilterBuilder {
 public:
  TFilterBuilder(std::string_view text, const TFieldDescs& fields, TFilterExpression& expr)
      : lex_(text), fields_(fields), expr_(expr) {}

  TExpressionNode* ParseAll() {
    lex_.Next();
    TExpressionNode* root = Expression();
    if (lex_.Current().Kind != TTokenKind::End) IllegalExpression();
    return root;
  }

 private:
  using Rule = TExpressionNode* (TFilterBuilder::*)();

  TExpressionNode* Make(TExpressionNodeKind kind, TExpressionNode* left = nullptr,
                        TExpressionNode* right = nullptr) {
    auto node = std::make_unique<TExpressionNode>();
    node->Kind = kind;
    node->Left = left;
    node->Right = right;
    expr_.nodes_.push_back(std::move(node));
    return expr_.nodes_.back().get();
  }

  TExpressionNode* Constant(Variant value) {
    TExpressionNode* node = Make(TExpressionNodeKind::Constant);
    node->Value = std::move(value);
    return node;
  }

  TExpressionNode* Expression() {
    return Run(TExpressionNodeKind::Or, bcOr, &TFilterBuilder::Term);
  }
  TExpressionNode* Term() {
    return Run(TExpressionNodeKind::And, bcAnd, &TFilterBuilder::Condition);
  }

  // item {keyword item}, grouped from the left.
  TExpressionNode* Run(TExpressionNodeKind kind, int keyword, Rule item) {
    TExpressionNode* node = (this->*item)();
    if (!lex_.IsKeyword(keyword)) return node;
    std::vector<const TExpressionNode*> chain{node};
    while (lex_.IsKeyword(keyword)) {
      lex_.Next();
      TExpressionNode* right = (this->*item)();
      chain.push_back(right);
      node = Make(kind, node, right);
    }
    node->Chain = std::move(chain);
    return node;
  }

  TExpressionNode* Condition() {
    struct DepthGuard {
      int& depth;
      explicit DepthGuard(int& d) : depth(d) {
        if (++depth > kMaxNesting) IllegalExpression();
      }
      ~DepthGuard() { --depth; }
    } guard(depth_);

    if (lex_.IsKeyword(bcNot)) {
      lex_.Next();
      return Make(TExpressionNodeKind::Not, Condition());
    }
    if (lex_.IsKeyword(bcTrue) || lex_.IsKeyword(bcFalse)) {
      TExpressionNodeKind kind =
          lex_.IsKeyword(bcTrue) ? TExpressionNodeKind::True : TExpressionNodeKind::False;
      lex_.Next();
      return Make(kind);
    }
    if (lex_.IsSymbol(bcOpenParen)) {
      lex_.Next();
      TExpressionNode* inner = Expression();
      if (!lex_.IsSymbol(bcCloseParen)) IllegalExpression();
      lex_.Next();
      return inner;
    }

    TExpressionNode* left = Operand(false);
    if (!left) IllegalExpression();

    TExpressionNodeKind kind;
    if (Comparator(kind)) {
      lex_.Next();
      TExpressionNode* right = Operand(true);
      if (!right) IllegalExpression();
      return Make(kind, left, right);
    }
    if (lex_.IsKeyword(bcIs)) {
      lex_.Next();
      kind = TExpressionNodeKind::Equal;
      if (lex_.IsKeyword(bcNot)) {
        kind = TExpressionNodeKind::NotEqual;
        lex_.Next();
      }
      if (!lex_.IsKeyword(bcNull)) IllegalExpression();
      lex_.Next();
      return Make(kind, left, Constant(Variant()));
    }
    IllegalExpression();
  }

  bool Comparator(TExpressionNodeKind& kind) const {
    using K = TExpressionNodeKind;
    static constexpr std::pair<int, K> kSymbols[] = {{bcEqual, K::Equal},
                                                     {bcNotEqual, K::NotEqual},
                                                     {bcLess, K::Less},
                                                     {bcGreater, K::Greater},
                                                     {bcLessOrEqual, K::LessOrEqual},
                                                     {bcGreaterOrEqual, K::GreaterOrEqual}};
    if (lex_.IsKeyword(bcLike)) {
      kind = K::Like;
      return true;
    }
    for (const auto& [code, k] : kSymbols) {
      if (!lex_.IsSymbol(code)) continue;
      kind = k;
      return true;
    }
    return false;
  }

  // A left operand (field name, string, number, signed number) or, with
  // `right`, also TRUE, FALSE and NULL. Null when the token starts none.
  TExpressionNode* Operand(bool right) {
    const TToken& t = lex_.Current();
    switch (t.Kind) {
      case TTokenKind::Word:
        return FieldNode(DottedName());
      case TTokenKind::String: {
        TExpressionNode* node = Constant(Variant::Text(StringTokenValue(t.Text)));
        lex_.Next();
        return node;
      }
      case TTokenKind::Number: {
        TExpressionNode* node = Constant(Variant::Double(NumberValue(t.Text)));
        lex_.Next();
        return node;
      }
      case TTokenKind::Symbol:
        if (t.Code == bcOpenBracket) return FieldNode(BracketName());
        if (t.Code == bcPlus || t.Code == bcMinus) {
          const bool negative = t.Code == bcMinus;
          if (lex_.Next().Kind != TTokenKind::Number) IllegalExpression();
          double value = NumberValue(lex_.Current().Text);
          lex_.Next();
          return Constant(Variant::Double(negative ? -value : value));
        }
        return nullptr;
      case TTokenKind::Keyword:
        if (!right) return nullptr;
        if (t.Code == bcTrue || t.Code == bcFalse) {
          TExpressionNode* node = Constant(Variant::Boolean(t.Code == bcTrue));
          lex_.Next();
          return node;
        }
        if (t.Code == bcNull) {
          lex_.Next();
          return Constant(Variant());
        }
        return nullptr;
      default:
        return nullptr;
    }
  }

  // word {"." word}
  std::string DottedName() {
    std::string name(lex_.Current().Text);
    lex_.Next();
    while (lex_.IsChar('.')) {
      if (lex_.Next().Kind != TTokenKind::Word) IllegalExpression();
      name += '.';
      name += lex_.Current().Text;
      lex_.Next();
    }
    return name;
  }

  // "[" any tokens, blank runs included, up to "]" or the end of the text.
  std::string BracketName() {
    std::string name;
    if (!lex_.ReadBracketedName(name)) IllegalExpression();
    lex_.Next();
    return name;
  }

  TExpressionNode* FieldNode(std::string name) {
    const TFieldDesc* desc = fields_.Find(name);
    if (!desc) throw EDatabaseError(Format("Field %s not found", {name}));
    TExpressionNode* node = Make(TExpressionNodeKind::Field);
    node->FieldDesc = desc;
    node->FieldName = std::move(name);
    return node;
  }

  TBoolParser lex_;
  const TFieldDescs& fields_;
  TFilterExpression& expr_;
  int depth_ = 0;
};

std::unique_ptr<TFilterExpression> TFilterExpression::Parse(std::string_view text,
                                                            const TFieldDescs& fields) {
  // The expression owns every node from its creation on, so a failed parse
  // frees all nodes made so far when it unwinds.
  std::unique_ptr<TFilterExpression> expr(new TFilterExpression());
  expr->Reparse(text, fields);
  return expr;
}

void TFilterExpression::Clear() {
  nodes_.clear();
  root_ = nullptr;
  plainCount_ = 0;
}

void TFilterExpression::Reparse(std::string_view text, const TFieldDescs& fields) {
  Clear();
  if (ParsePlain(text, fields)) return;
  plainCount_ = 0;
  try {
    TFilterBuilder builder(text, fields, *this);
    root_ = builder.ParseAll();
  } catch (...) {
    Clear();
    throw;
  }
}

namespace {

bool IsFilterBlank(char c) {
  return TParser::IsBlank(static_cast<unsigned char>(c));
}
bool IsWordStart(char c) {
  return TParser::IsLetter(static_cast<unsigned char>(c)) || c == '_';
}
bool IsWordChar(char c) {
  return IsWordStart(c) || TParser::IsDigit(static_cast<unsigned char>(c));
}

// Whether a word is one of the filter language's keywords (letters a to z
// in any case).
bool IsFilterKeyword(std::string_view word) {
  if (word.size() < 2 || word.size() > 5) return false;
  char upper[5];
  for (size_t i = 0; i < word.size(); ++i)
    upper[i] = UpperAscii(word[i]);
  return TBoolParser::Keywords().Find(std::string_view(upper, word.size())) != nullptr;
}

}  // namespace

// Reads  name = 'value' {AND name = 'value'}  with blanks between the
// tokens, each name a string field and each value free of quotes. Anything
// else, however small (a quote pair, a dotted name, a comment, an unknown
// field), is left to the general parser, which also gives every error.
bool TFilterExpression::ParsePlain(std::string_view text, const TFieldDescs& fields) {
  size_t i = 0;
  const size_t n = text.size();
  auto skipBlanks = [&] {
    while (i < n && IsFilterBlank(text[i]))
      ++i;
  };
  for (;;) {
    skipBlanks();
    const size_t nameStart = i;
    if (i >= n || !IsWordStart(text[i])) return false;
    while (i < n && IsWordChar(text[i]))
      ++i;
    const std::string_view name = text.substr(nameStart, i - nameStart);
    if (IsFilterKeyword(name)) return false;
    skipBlanks();
    if (i >= n || text[i] != '=') return false;
    ++i;
    skipBlanks();
    if (i >= n || text[i] != '\'') return false;
    const size_t valueStart = ++i;
    const size_t close = text.find('\'', valueStart);
    if (close == std::string_view::npos) return false;
    if (close + 1 < n && text[close + 1] == '\'') return false;
    i = close + 1;

    const TFieldDesc* field = fields.Find(name);
    if (field == nullptr || !IsAnsiTextType(field->DataType)) return false;
    if (plainCount_ == plain_.size()) plain_.emplace_back();
    TEqualityTerm& term = plain_[plainCount_++];
    term.Field = field;
    term.Value.assign(text.substr(valueStart, close - valueStart));
    term.FoldedCodePage = 0;

    skipBlanks();
    if (i == n) return true;
    if (!EqualsAsciiNoCase(text.substr(i, 3), "AND")) return false;
    i += 3;
    if (i < n && IsWordChar(text[i])) return false;
  }
}

}  // namespace qualtren
