// Parsing IndexFieldNames and ordering field values for the sort.
#include "table/sort_columns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/ascii.h"
#include "base/collation.h"
#include "base/exception.h"
#include "table/parser.h"

namespace qualtren {

namespace {

[[noreturn]] void InvalidFormat() {
  throw EDatabaseError("Invalid IndexFieldNames format!");
}

bool IsSeparator(const TBoolParser& lex) {
  return lex.IsChar(';') || lex.IsChar(',');
}

// The column name at the current token; the lexer stands after it then.
std::string ColumnName(TBoolParser& lex) {
  const TToken& t = lex.Current();
  std::string name;
  if (t.Kind == TTokenKind::Word || t.Kind == TTokenKind::Keyword) {
    name = lex.Text().substr(t.Pos, t.Text.size());  // as written, not upper-cased
  } else if (t.Kind == TTokenKind::String) {
    name = StringTokenValue(t.Text);
  } else if (lex.IsSymbol(bcOpenBracket)) {
    lex.SetOmitBlanks(false);
    for (lex.Next(); lex.Current().Kind != TTokenKind::End && !lex.IsSymbol(bcCloseBracket);
         lex.Next()) {
      if (lex.Current().Kind == TTokenKind::Comment) InvalidFormat();
      name += lex.Current().Text;
    }
    lex.SetOmitBlanks(true);
  } else {
    InvalidFormat();
  }
  lex.Next();
  return name;
}

}  // namespace

TSortColumns ParseIndexFieldNames(std::string_view text, const TFieldDescs& fields) {
  TSortColumns columns;
  TBoolParser lex(text);
  lex.Next();
  while (lex.Current().Kind != TTokenKind::End) {
    if (IsSeparator(lex)) {  // an empty entry
      lex.Next();
      continue;
    }
    std::string name = ColumnName(lex);
    TSortColumn column;
    bool orderGiven = false, caseGiven = false;
    while (lex.Current().Kind == TTokenKind::Word) {
      // The modifier words are plain ASCII.
      const std::string word = UpperAscii(lex.Current().Text);
      if (word == "DESC" || word == "ASC") {
        if (orderGiven) InvalidFormat();
        orderGiven = true;
        column.Descending = word == "DESC";
      } else if (word == "CIS" || word == "CS") {
        if (caseGiven) InvalidFormat();
        caseGiven = true;
        column.CaseInsensitive = word == "CIS";
      } else {
        InvalidFormat();
      }
      lex.Next();
    }
    if (lex.Current().Kind != TTokenKind::End && !IsSeparator(lex)) InvalidFormat();
    column.Field = fields.Find(name);
    if (!column.Field) throw EDatabaseError(Format("Field %s not found", {name}));
    columns.push_back(column);
  }
  return columns;
}

int CompareSortValues(const Variant& a, const Variant& b, bool caseInsensitive) {
  using K = Variant::Kind;
  if (a.IsNull() || b.IsNull()) return static_cast<int>(b.IsNull()) - static_cast<int>(a.IsNull());
  if (a.IsText() && b.IsText()) {
    int c = caseInsensitive ? AnsiCompareText(a.TextRef(), b.TextRef())
                            : AnsiCompareStr(a.TextRef(), b.TextRef());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  auto isNumber = [](K k) { return k == K::Integer || k == K::Double || k == K::DateTime; };
  if (a.kind() == K::Integer && b.kind() == K::Integer) {
    int64_t x = a.ToInt64(), y = b.ToInt64();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (isNumber(a.kind()) && isNumber(b.kind())) {
    double x = a.ToDouble(), y = b.ToDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.kind() == K::Boolean && b.kind() == K::Boolean)
    return static_cast<int>(a.ToBool()) - static_cast<int>(b.ToBool());
  // Values of different kinds (a variant field): order by kind, never raise
  // in the middle of a sort.
  return a.kind() < b.kind() ? -1 : (a.kind() > b.kind() ? 1 : 0);
}

void SortByColumns(std::vector<TItemHeader*>& items, const TSortColumns& columns,
                   const TData& data) {
  auto compare = [&](TItemHeader* a, TItemHeader* b) {
    for (const TSortColumn& c : columns) {
      int r =
          CompareSortValues(data.GetFieldVariant(c.Field->FieldNo, a->Record()),
                            data.GetFieldVariant(c.Field->FieldNo, b->Record()), c.CaseInsensitive);
      if (r != 0) return c.Descending ? -r : r;
    }
    return 0;
  };
  // Quicksort over the item list (not stable).
  std::vector<std::pair<long, long>> stack{{0, static_cast<long>(items.size()) - 1}};
  while (!stack.empty()) {
    auto [lo, hi] = stack.back();
    stack.pop_back();
    while (lo < hi) {
      TItemHeader* pivot = items[static_cast<size_t>(lo + (hi - lo) / 2)];
      long i = lo, j = hi;
      while (i <= j) {
        while (compare(items[static_cast<size_t>(i)], pivot) < 0)
          ++i;
        while (compare(items[static_cast<size_t>(j)], pivot) > 0)
          --j;
        if (i <= j) std::swap(items[static_cast<size_t>(i++)], items[static_cast<size_t>(j--)]);
      }
      if (j - lo < hi - i) {
        if (i < hi) stack.push_back({i, hi});
        hi = j;
      } else {
        if (lo < j) stack.push_back({lo, j});
        lo = i;
      }
    }
  }
}

}  // namespace qualtren
