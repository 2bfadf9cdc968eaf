// Evaluating filter expressions against one record at a time, pattern
// matching, and the equalities that the equality index can answer.
#include "table/filter.h"

#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"

namespace qualtren {

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
  const uint16_t type = node->Kind == TExpressionNodeKind::Field ? node->FieldDesc->DataType : 0;
  return type == dtDate || type == dtTime || type == dtDateTime;
}

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
