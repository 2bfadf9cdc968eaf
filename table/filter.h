// Filter expressions of the record store: parsing a filter text into a tree
// of TExpressionNode and evaluating the tree against one record at a time.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/function_ref.h"
#include "dataset/variant.h"
#include "table/field_desc.h"

namespace qualtren {

enum class TExpressionNodeKind {
  Equal,
  Greater,
  Less,
  GreaterOrEqual,
  LessOrEqual,
  NotEqual,
  Like,
  And,
  Or,
  Not,
  Field,
  Constant,
  True,
  False,
};

// One node of an expression tree. Nodes are owned by their TFilterExpression;
// Left and Right only point at other nodes of the same expression.
struct TExpressionNode {
  TExpressionNodeKind Kind = TExpressionNodeKind::True;
  TExpressionNode* Left = nullptr;  // also the condition of a not node
  TExpressionNode* Right = nullptr;
  const TFieldDesc* FieldDesc = nullptr;  // field nodes
  std::string FieldName;                  // field nodes, as written in the text
  Variant Value;                          // constant nodes: text, number, boolean or null

  // The top node of a run of ANDs (or of ORs) also lists the run's conditions
  // from left to right, so that the run is evaluated in a loop.
  std::vector<const TExpressionNode*> Chain;

  // Upper-case form of a text constant, made on first need under the code
  // page that was active then.
  mutable Variant Folded;
  mutable int FoldedCodePage = 0;
};

/// Reads one field's value of the record under test (null, text, integer,
/// double, boolean, date-time).
using TFieldValueReader = TFunctionRef<Variant(const TFieldDesc&)>;
/// Reads one 8-bit string field of the record under test as the bytes that
/// the record holds; false for a null value.
using TFieldTextReader = TFunctionRef<bool(const TFieldDesc&, std::string_view&)>;

/// Whether a field's values are 8-bit text that the store hands out as its
/// bytes (string, fixed char and GUID fields).
bool IsAnsiTextType(uint16_t dataType);

/// One comparison of a plain conjunction: a string field compared by = with
/// a string constant.
struct TEqualityTerm {
  const TFieldDesc* Field = nullptr;
  std::string Value;  // the constant
  // Its upper-case form, made on first need under the code page active then.
  mutable std::string Folded;
  mutable int FoldedCodePage = 0;
};

class TFilterExpression {
 public:
  using ValueReader = TFieldValueReader;

  // Parses a filter text against the field descriptors. The text must not be
  // blank (a blank filter means no expression at all). Raises
  // "Illegal filter expression", "Field %s not found" or the lexer's
  // "Parser: The unknown symbol ..."; every node made so far is freed then.
  static std::unique_ptr<TFilterExpression> Parse(std::string_view text, const TFieldDescs& fields);
  /// Parses a text into an existing expression, reusing its memory; the
  /// expression is empty again when the text fails to parse.
  void Reparse(std::string_view text, const TFieldDescs& fields);

  // Whether the record whose fields `read` yields satisfies the expression.
  // May raise when a text compared with a date field is no date, or when a
  // text compared with a number is no number (EVariantError).
  bool Evaluate(const ValueReader& read, bool caseInsensitive, bool noPartialCompare) const;
  /// The same, reading the string fields of a plain conjunction through
  /// `readText`, without a variant.
  bool Evaluate(const ValueReader& read, const TFieldTextReader& readText, bool caseInsensitive,
                bool noPartialCompare) const;

  // True when the whole expression is one or more comparisons
  //   field = 'text'
  // joined by AND, with a text field on the left and a string constant on
  // the right; fills `terms` with them in text order (cleared otherwise).
  // Under partial compare a constant holding "*", "%" or "_" is a pattern,
  // not a plain value: see HasWildcards.
  bool EqualityTerms(std::vector<std::pair<const TFieldDesc*, std::string>>& terms) const;

  /// The comparisons of an expression that is a plain conjunction of string
  /// equalities on string fields (such as FieldName = 'x'  and TableName =
  /// 'y'): such a text is read without building a tree, and the expression
  /// then has no root. Empty for any other expression.
  std::span<const TEqualityTerm> PlainTerms() const { return {plain_.data(), plainCount_}; }

  const TExpressionNode* Root() const { return root_; }
  size_t NodeCount() const { return nodes_.size(); }

 private:
  friend class TFilterBuilder;
  TFilterExpression() = default;
  void Clear();
  bool ParsePlain(std::string_view text, const TFieldDescs& fields);

  std::vector<std::unique_ptr<TExpressionNode>> nodes_;  // every node, freed in one walk
  TExpressionNode* root_ = nullptr;
  std::vector<TEqualityTerm> plain_;
  size_t plainCount_ = 0;        // plain_ keeps its strings' memory between parses
  mutable std::string scratch_;  // a folded field value, while a pattern is matched
};

// Whole-subject pattern match: "*" and "%" match any run of characters
// (none included), "_" exactly one character, anything else itself.
bool PatternMatch(std::string_view subject, std::string_view pattern);

// Whether a text holds a pattern character ("*", "%" or "_").
bool HasWildcards(std::string_view text);

}  // namespace qualtren
