// Parsing filter texts into expression trees and evaluating them per record.
#include "table/filter.h"

#include <charconv>

#include "base/ascii.h"
#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"
#include "table/parser.h"

namespace qualtren {

namespace {

// Deepest nesting of "(" and NOT that a filter text may have; deeper texts
// are refused instead of exhausting the stack.
constexpr int kMaxNesting = 256;

[[noreturn]] void IllegalExpression() {
  throw EDatabaseError("Illegal filter expression");
}

bool IsDateType(uint16_t type) {
  return type == dtDate || type == dtTime || type == dtDateTime;
}

}  // namespace

bool IsAnsiTextType(uint16_t type) {
  return type == dtString || type == dtFixedChar || type == dtGuid;
}

namespace {

// Field types whose values the record store hands out as text.
bool IsTextType(uint16_t type) {
  return type == dtString || type == dtFixedChar || type == dtExtString || type == dtWideString ||
         type == dtExtWideString || type == dtGuid;
}

bool IsDateField(const TExpressionNode* node) {
  return node->Kind == TExpressionNodeKind::Field && IsDateType(node->FieldDesc->DataType);
}

// A number token: digits, optionally the decimal separator and more digits.
double NumberValue(std::string_view text) {
  std::string buffer(text);
  const char sep = FormatSettings().DecimalSeparator;
  for (char& c : buffer)
    if (c == sep) c = '.';
  double value = 0;
  std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
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
    const TToken& t = lex_.Current();
    if (t.Kind == TTokenKind::Keyword && t.Code == bcLike) {
      kind = TExpressionNodeKind::Like;
      return true;
    }
    if (t.Kind != TTokenKind::Symbol) return false;
    switch (t.Code) {
      case bcEqual:
        kind = TExpressionNodeKind::Equal;
        return true;
      case bcNotEqual:
        kind = TExpressionNodeKind::NotEqual;
        return true;
      case bcLess:
        kind = TExpressionNodeKind::Less;
        return true;
      case bcGreater:
        kind = TExpressionNodeKind::Greater;
        return true;
      case bcLessOrEqual:
        kind = TExpressionNodeKind::LessOrEqual;
        return true;
      case bcGreaterOrEqual:
        kind = TExpressionNodeKind::GreaterOrEqual;
        return true;
      default:
        return false;
    }
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
    lex_.SetOmitBlanks(false);
    for (lex_.Next(); lex_.Current().Kind != TTokenKind::End && !lex_.IsSymbol(bcCloseBracket);
         lex_.Next()) {
      if (lex_.Current().Kind == TTokenKind::Comment) IllegalExpression();
      name += lex_.Current().Text;
    }
    lex_.SetOmitBlanks(true);
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

namespace {

struct EvalContext {
  const TFieldValueReader& read;
  bool caseInsensitive;
  bool noPartialCompare;
  int codePage;
};

bool EvalCondition(const TExpressionNode* node, const EvalContext& ctx);

const Variant* OperandValue(const TExpressionNode* node, const EvalContext& ctx, Variant& buffer) {
  if (node->Kind == TExpressionNodeKind::Field) {
    buffer = ctx.read(*node->FieldDesc);
    return &buffer;
  }
  return &node->Value;
}

// A text compared with a date or time field: by the locale's date and time
// format, else by the general variant conversion (which raises).
Variant TextToDate(const Variant& text) {
  double value;
  if (TryStrToDateTime(text.TextRef(), value)) return Variant::DateTime(value);
  return Variant::DateTime(text.ToDateTime());
}

// Upper-cases a text value: a field's value in place, a constant through its
// cached folded form.
const Variant* Fold(const TExpressionNode* node, const Variant* value, Variant& buffer,
                    const EvalContext& ctx) {
  if (!value->IsText()) return value;
  if (value == &buffer) {
    for (char& c : buffer.TextRef())
      c = static_cast<char>(AnsiUpperChar(static_cast<uint8_t>(c)));
    return value;
  }
  if (node->FoldedCodePage != ctx.codePage) {
    node->Folded = Variant::Text(AnsiUpperCase(value->TextRef()));
    node->FoldedCodePage = ctx.codePage;
  }
  return &node->Folded;
}

int Sign(double a, double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Orders two non-null values. Texts by their bytes, numbers and date-times by
// value, booleans false before true. Mixed kinds: a boolean against anything
// compares as booleans; a text against a number or a date-time is converted
// to that (EVariantError when it is none).
int CompareValues(const Variant& a, const Variant& b) {
  using K = Variant::Kind;
  if (a.IsText() && b.IsText()) {
    int c = std::string_view(a.TextRef()).compare(b.TextRef());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.kind() == K::Boolean || b.kind() == K::Boolean)
    return static_cast<int>(a.ToBool()) - static_cast<int>(b.ToBool());
  if (a.kind() == K::Integer && b.kind() == K::Integer) {
    int64_t x = a.ToInt64(), y = b.ToInt64();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.IsText())
    return Sign(b.kind() == K::DateTime ? a.ToDateTime() : a.ToDouble(), b.ToDouble());
  if (b.IsText())
    return Sign(a.ToDouble(), a.kind() == K::DateTime ? b.ToDateTime() : b.ToDouble());
  return Sign(a.ToDouble(), b.ToDouble());
}

// equal and like: a pattern match while partial compare is on and the left
// value is a text, value equality otherwise.
bool Matches(const Variant& left, const Variant& right, const EvalContext& ctx) {
  if (!ctx.noPartialCompare && left.IsText()) {
    if (right.IsText()) return PatternMatch(left.TextRef(), right.TextRef());
    if (right.IsNull()) return left.TextRef().empty();
    return PatternMatch(left.TextRef(), right.ToString());
  }
  if (left.IsNull() || right.IsNull()) return left.IsNull() && right.IsNull();
  return CompareValues(left, right) == 0;
}

bool EvalComparison(const TExpressionNode* node, const EvalContext& ctx) {
  Variant leftBuffer, rightBuffer;
  const Variant* left = OperandValue(node->Left, ctx, leftBuffer);
  const Variant* right = OperandValue(node->Right, ctx, rightBuffer);

  if (IsDateField(node->Left) && right->IsText()) {
    rightBuffer = TextToDate(*right);
    right = &rightBuffer;
  }
  if (IsDateField(node->Right) && left->IsText()) {
    leftBuffer = TextToDate(*left);
    left = &leftBuffer;
  }

  if (ctx.caseInsensitive) {
    left = Fold(node->Left, left, leftBuffer, ctx);
    right = Fold(node->Right, right, rightBuffer, ctx);
  }

  switch (node->Kind) {
    case TExpressionNodeKind::Equal:
    case TExpressionNodeKind::Like:
      return Matches(*left, *right, ctx);
    case TExpressionNodeKind::NotEqual:
      return !Matches(*left, *right, ctx);
    default:
      break;
  }
  if (left->IsNull() || right->IsNull()) return false;
  const int c = CompareValues(*left, *right);
  switch (node->Kind) {
    case TExpressionNodeKind::Greater:
      return c > 0;
    case TExpressionNodeKind::Less:
      return c < 0;
    case TExpressionNodeKind::GreaterOrEqual:
      return c >= 0;
    case TExpressionNodeKind::LessOrEqual:
      return c <= 0;
    default:
      throw EAssertionFailed("Invalid comparison node", __FILE__, __LINE__);
  }
}

bool EvalCondition(const TExpressionNode* node, const EvalContext& ctx) {
  switch (node->Kind) {
    case TExpressionNodeKind::True:
      return true;
    case TExpressionNodeKind::False:
      return false;
    case TExpressionNodeKind::Not:
      return !EvalCondition(node->Left, ctx);
    case TExpressionNodeKind::And:
      if (!node->Chain.empty()) {
        for (const TExpressionNode* item : node->Chain)
          if (!EvalCondition(item, ctx)) return false;
        return true;
      }
      return EvalCondition(node->Left, ctx) && EvalCondition(node->Right, ctx);
    case TExpressionNodeKind::Or:
      if (!node->Chain.empty()) {
        for (const TExpressionNode* item : node->Chain)
          if (EvalCondition(item, ctx)) return true;
        return false;
      }
      return EvalCondition(node->Left, ctx) || EvalCondition(node->Right, ctx);
    case TExpressionNodeKind::Field:
    case TExpressionNodeKind::Constant:
      throw EAssertionFailed("Operand where a condition is expected", __FILE__, __LINE__);
    default:
      return EvalComparison(node, ctx);
  }
}

bool CollectEqualities(const TExpressionNode* node,
                       std::vector<std::pair<const TFieldDesc*, std::string>>& terms) {
  if (node->Kind == TExpressionNodeKind::And) {
    if (!node->Chain.empty()) {
      for (const TExpressionNode* item : node->Chain)
        if (!CollectEqualities(item, terms)) return false;
      return true;
    }
    return CollectEqualities(node->Left, terms) && CollectEqualities(node->Right, terms);
  }
  if (node->Kind != TExpressionNodeKind::Equal) return false;
  const TExpressionNode* l = node->Left;
  const TExpressionNode* r = node->Right;
  if (l->Kind != TExpressionNodeKind::Field || !IsTextType(l->FieldDesc->DataType)) return false;
  if (r->Kind != TExpressionNodeKind::Constant || !r->Value.IsText()) return false;
  terms.emplace_back(l->FieldDesc, r->Value.TextRef());
  return true;
}

}  // namespace

bool TFilterExpression::Evaluate(const ValueReader& read, bool caseInsensitive,
                                 bool noPartialCompare) const {
  EvalContext ctx{read, caseInsensitive, noPartialCompare, caseInsensitive ? ActiveCodePage() : 0};
  if (plainCount_ > 0) {
    // The terms as the tree would compare them: field = constant.
    for (const TEqualityTerm& t : PlainTerms()) {
      Variant left = read(*t.Field);
      if (caseInsensitive && left.IsText()) left = Variant::Text(AnsiUpperCase(left.TextRef()));
      const Variant right =
          Variant::Text(caseInsensitive ? AnsiUpperCase(t.Value) : std::string(t.Value));
      if (!Matches(left, right, ctx)) return false;
    }
    return true;
  }
  if (!root_) return true;
  return EvalCondition(root_, ctx);
}

bool TFilterExpression::Evaluate(const ValueReader& read, const TFieldTextReader& readText,
                                 bool caseInsensitive, bool noPartialCompare) const {
  if (plainCount_ == 0) return Evaluate(read, caseInsensitive, noPartialCompare);
  const uint8_t* upper = caseInsensitive ? AnsiUpperTable() : nullptr;
  const int codePage = caseInsensitive ? ActiveCodePage() : 0;
  for (const TEqualityTerm& t : PlainTerms()) {
    std::string_view value;
    if (!readText(*t.Field, value)) return false;  // null equals no text
    std::string_view constant = t.Value;
    if (caseInsensitive) {
      if (t.FoldedCodePage != codePage) {
        t.Folded.assign(t.Value);
        for (char& c : t.Folded)
          c = static_cast<char>(upper[static_cast<uint8_t>(c)]);
        t.FoldedCodePage = codePage;
      }
      constant = t.Folded;
    }
    const bool pattern = !noPartialCompare && HasWildcards(constant);
    if (!pattern) {
      if (value.size() != constant.size()) return false;
      if (upper == nullptr) {
        if (value != constant) return false;
        continue;
      }
      for (size_t i = 0; i < value.size(); ++i)
        if (upper[static_cast<uint8_t>(value[i])] != static_cast<uint8_t>(constant[i]))
          return false;
      continue;
    }
    if (upper != nullptr) {
      scratch_.assign(value);
      for (char& c : scratch_)
        c = static_cast<char>(upper[static_cast<uint8_t>(c)]);
      value = scratch_;
    }
    if (!PatternMatch(value, constant)) return false;
  }
  return true;
}

bool TFilterExpression::EqualityTerms(
    std::vector<std::pair<const TFieldDesc*, std::string>>& terms) const {
  terms.clear();
  if (plainCount_ > 0) {
    for (const TEqualityTerm& t : PlainTerms())
      terms.emplace_back(t.Field, t.Value);
    return true;
  }
  if (!root_ || !CollectEqualities(root_, terms)) {
    terms.clear();
    return false;
  }
  return true;
}

bool PatternMatch(std::string_view subject, std::string_view pattern) {
  constexpr size_t kNone = std::string_view::npos;
  size_t s = 0, p = 0;
  size_t starP = kNone, starS = 0;  // the last "*" or "%" and where its run started
  while (s < subject.size()) {
    if (p < pattern.size()) {
      const char pc = pattern[p];
      if (pc == '*' || pc == '%') {
        if (p + 1 == pattern.size()) return true;  // a trailing run takes the rest
        starP = p++;
        starS = s;
        continue;
      }
      if (pc == '_' || pc == subject[s]) {
        ++s;
        ++p;
        continue;
      }
    }
    if (starP == kNone) return false;
    // Let the last run take one character more and try the rest again.
    p = starP + 1;
    s = ++starS;
  }
  while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%'))
    ++p;
  return p == pattern.size();
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*%_") != std::string_view::npos;
}

}  // namespace qualtren
