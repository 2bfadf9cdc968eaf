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
    if (!lex.ReadBracketedName(name)) InvalidFormat();
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

namespace {

int Sign(int64_t x, int64_t y) {
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Doubles by value, NaN after every number and equal to itself, so that the
// order stays one that a sort can rely on.
int CompareDoubles(double x, double y) {
  if (std::isnan(x) || std::isnan(y)) return static_cast<int>(std::isnan(x)) - std::isnan(y);
  return x < y ? -1 : (x > y ? 1 : 0);
}

// An integer against a double, exactly (no rounding of large integers).
int CompareIntDouble(int64_t i, double d) {
  if (std::isnan(d)) return -1;
  if (d >= 9223372036854775808.0) return -1;
  if (d < -9223372036854775808.0) return 1;
  const auto whole = static_cast<int64_t>(d);  // toward zero, exact
  if (i != whole) return Sign(i, whole);
  const double fraction = d - static_cast<double>(whole);
  return fraction > 0 ? -1 : (fraction < 0 ? 1 : 0);
}

// Kinds in the order that values of different kinds take: texts, numbers
// (integers, doubles and date-times among each other by value), booleans.
int KindRank(Variant::Kind k) {
  switch (k) {
    case Variant::Kind::Null:
      return 0;
    case Variant::Kind::Text:
      return 1;
    case Variant::Kind::Integer:
    case Variant::Kind::Double:
    case Variant::Kind::DateTime:
      return 2;
    case Variant::Kind::Boolean:
      return 3;
  }
  return 4;
}

}  // namespace

int CompareSortValues(const Variant& a, const Variant& b, bool caseInsensitive) {
  using K = Variant::Kind;
  if (a.IsNull() || b.IsNull()) return static_cast<int>(b.IsNull()) - static_cast<int>(a.IsNull());
  const int rankA = KindRank(a.kind()), rankB = KindRank(b.kind());
  // Values of different kinds (a variant field) order by kind and never
  // raise in the middle of a sort.
  if (rankA != rankB) return rankA < rankB ? -1 : 1;
  if (a.IsText()) {
    int c = caseInsensitive ? AnsiCompareText(a.TextRef(), b.TextRef())
                            : AnsiCompareStr(a.TextRef(), b.TextRef());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.kind() == K::Boolean) return static_cast<int>(a.ToBool()) - static_cast<int>(b.ToBool());
  if (a.kind() == K::Integer && b.kind() == K::Integer) return Sign(a.ToInt64(), b.ToInt64());
  if (a.kind() == K::Integer) return CompareIntDouble(a.ToInt64(), b.ToDouble());
  if (b.kind() == K::Integer) return -CompareIntDouble(b.ToInt64(), a.ToDouble());
  return CompareDoubles(a.ToDouble(), b.ToDouble());
}

void SortByColumns(std::vector<TItemHeader*>& items, const TSortColumns& columns,
                   const TData& data) {
  // Each record's sort values are read once; the sort then moves positions.
  const size_t width = columns.size();
  std::vector<Variant> keys;
  keys.reserve(items.size() * width);
  for (TItemHeader* item : items)
    for (const TSortColumn& c : columns)
      keys.push_back(data.GetFieldVariant(c.Field->FieldNo, item->Record()));
  std::vector<uint32_t> order(items.size());
  for (uint32_t i = 0; i < order.size(); ++i)
    order[i] = i;
  // An introsort: O(n log n) comparisons in the worst case; equal records may
  // come out in either order.
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    for (size_t c = 0; c < width; ++c) {
      const int r =
          CompareSortValues(keys[x * width + c], keys[y * width + c], columns[c].CaseInsensitive);
      if (r != 0) return columns[c].Descending ? r > 0 : r < 0;
    }
    return false;
  });
  std::vector<TItemHeader*> sorted(items.size());
  for (size_t i = 0; i < order.size(); ++i)
    sorted[i] = items[order[i]];
  items.swap(sorted);
}

}  // namespace qualtren
