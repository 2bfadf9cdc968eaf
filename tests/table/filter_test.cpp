// Tests of the filter language: lexer, grammar, evaluation and pattern match.
#include "table/filter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "base/codepage.h"
#include "base/datetime.h"
#include "base/exception.h"
#include "base/format.h"
#include "table/parser.h"

namespace qualtren {
namespace {

using Record = std::map<std::string, Variant>;

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetActiveCodePage(1252);
    SetFormatSettings(TFormatSettings{});
    for (auto [name, type] : {std::pair<const char*, uint16_t>{"TableName", dtString},
                              {"FieldName", dtString},
                              {"Name", dtString},
                              {"X", dtString},
                              {"Field Name", dtString},
                              {"a.b", dtString},
                              {"Num", dtInteger},
                              {"Amount", dtFloat},
                              {"Born", dtDate},
                              {"Flag", dtBoolean}}) {
      auto d = std::make_unique<TFieldDesc>();
      d->Name = d->ActualName = name;
      d->DataType = type;
      d->FieldNo = static_cast<int>(fields_.Count()) + 1;
      fields_.Add(std::move(d));
    }
  }
  void TearDown() override {
    SetActiveCodePage(1252);
    SetFormatSettings(TFormatSettings{});
  }

  static bool Eval(const TFilterExpression& e, const Record& rec, bool ci, bool noPartial) {
    auto read = [&](const TFieldDesc& d) {
      auto it = rec.find(d.Name);
      return it == rec.end() ? Variant() : it->second;
    };
    return e.Evaluate(read, ci, noPartial);
  }
  bool Passes(std::string_view filter, const Record& rec, bool ci = false, bool noPartial = false) {
    return Eval(*TFilterExpression::Parse(filter, fields_), rec, ci, noPartial);
  }
  // Under which options a case is evaluated.
  enum Options { kPartial, kFolded, kExact, kFoldedExact };
  struct Case {
    std::string_view filter;
    Record record;
    Options options;
    bool passes;
  };
  void ExpectCases(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      const bool ci = c.options == kFolded || c.options == kFoldedExact;
      const bool exact = c.options == kExact || c.options == kFoldedExact;
      EXPECT_EQ(Passes(c.filter, c.record, ci, exact), c.passes) << c.filter << " " << c.options;
    }
  }
  static Record Text(const char* field, std::string value) {
    return Record{{field, Variant::Text(std::move(value))}};
  }
  std::string ParseError(std::string_view filter) {
    try {
      TFilterExpression::Parse(filter, fields_);
    } catch (const EDatabaseError& e) {
      return e.what();
    }
    return "no error";
  }

  TFieldDescs fields_;
};

TEST_F(FilterTest, LexerTokens) {
  TBoolParser lex("and >= <> x1_y 12.5 12. 'it''s' // c\n/* d");
  EXPECT_EQ(lex.Next().Kind, TTokenKind::Keyword);
  EXPECT_EQ(lex.Current().Text, "AND");
  EXPECT_TRUE(lex.IsKeyword(bcAnd));
  lex.Next();
  EXPECT_TRUE(lex.IsSymbol(bcGreaterOrEqual));
  lex.Next();
  EXPECT_TRUE(lex.IsSymbol(bcNotEqual));
  EXPECT_EQ(lex.Next().Kind, TTokenKind::Word);
  EXPECT_EQ(lex.Current().Text, "x1_y");
  EXPECT_EQ(lex.Next().Text, "12.5");
  EXPECT_EQ(lex.Current().Kind, TTokenKind::Number);
  EXPECT_EQ(lex.Next().Text, "12");  // no digit after the separator
  EXPECT_TRUE(lex.Next().Kind == TTokenKind::Symbol && lex.Current().Code == -1);
  EXPECT_EQ(lex.Current().Text, ".");
  EXPECT_EQ(lex.Next().Kind, TTokenKind::String);
  EXPECT_EQ(lex.Current().Text, "it''s");
  EXPECT_EQ(lex.Next().Kind, TTokenKind::Comment);
  EXPECT_EQ(lex.Next().Kind, TTokenKind::Comment);  // runs to the end without "*/"
  EXPECT_EQ(lex.Next().Kind, TTokenKind::End);

  // Blank runs are tokens only while skipping is off.
  TBoolParser br("[ a  b]");
  br.Next();
  br.SetOmitBlanks(false);
  EXPECT_EQ(br.Next().Kind, TTokenKind::Blank);
  EXPECT_EQ(br.Next().Text, "a");
  EXPECT_EQ(br.Next().Text, "  ");

  // The decimal separator comes from the locale.
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  SetFormatSettings(comma);
  TBoolParser num("1,5 1.5");
  EXPECT_EQ(num.Next().Text, "1,5");
  EXPECT_EQ(num.Next().Text, "1");
}

TEST_F(FilterTest, UnknownSymbolMessage) {
  auto message = [&](std::string_view text) -> std::string {
    try {
      TFilterExpression::Parse(text, fields_);
    } catch (const EParserError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message("X = 'a' \x01"), std::string("Parser: The unknown symbol '\x01'  $0001"));
  EXPECT_EQ(message("X\x7f"), std::string("Parser: The unknown symbol '\x7f'  $007F"));
  EXPECT_EQ(message("X = \x1f"), std::string("Parser: The unknown symbol '\x1f'  $001F"));
  // Letters run up to 255, so a high byte is part of a word, not an error.
  EXPECT_EQ(ParseError("X\xe9 = 'a'"), "Field X\xe9 not found");
}

TEST_F(FilterTest, CaseFoldingUsesTheCodePage) {
  SetActiveCodePage(1250);
  // 0x9A is s with caron, 0x8A its capital in code page 1250.
  Record rec = Text("TableName",
                    "\x8a"
                    "abc");
  EXPECT_TRUE(
      Passes("TableName = '\x9a"
             "ABC'",
             rec, true));
  EXPECT_FALSE(
      Passes("TableName = '\x9a"
             "ABC'",
             rec, false));
  EXPECT_TRUE(Passes("TableName = 'abc'", Text("TableName", "Abc"), true));
  EXPECT_TRUE(Passes("TableName = 'ABC'", Text("TableName", "abc"), true));

  // A constant folded under one code page is folded again under another:
  // 0xB9 is a with ogonek in 1250 (capital 0xA5) but has no case in 1252.
  auto e = TFilterExpression::Parse("X = '\xb9'", fields_);
  Record ogonek = Text("X", "\xa5");
  EXPECT_TRUE(Eval(*e, ogonek, true, false));
  SetActiveCodePage(1252);
  EXPECT_FALSE(Eval(*e, ogonek, true, false));
  EXPECT_TRUE(Eval(*e, Text("X", "\xb9"), true, false));
}

TEST_F(FilterTest, PatternsUnderPartialCompare) {
  for (const char* v : {"abc", "aXc", "a_c"})
    EXPECT_TRUE(Passes("TableName = 'a_c'", Text("TableName", v))) << v;
  for (const char* v : {"ac", "abbc", "abcd"})
    EXPECT_FALSE(Passes("TableName = 'a_c'", Text("TableName", v))) << v;
  for (const char* v : {"ab", "abc", "abcd", "ab "})
    EXPECT_TRUE(Passes("TableName = 'ab%'", Text("TableName", v))) << v;
  for (const char* v : {"ac", "abbc", "a*c"})
    EXPECT_TRUE(Passes("TableName = 'a*c'", Text("TableName", v))) << v;
  // Blanks are not ignored.
  for (const char* v : {"abc", " ab", "ab "})
    EXPECT_FALSE(Passes("TableName = 'ab'", Text("TableName", v))) << v;
  const Record abc = Text("TableName", "abc"), abcd = Text("TableName", "abcd");
  const Record bac = Text("TableName", "bac"), a_c = Text("TableName", "a_c");
  ExpectCases({
      {"TableName = 'a*c'", abcd, kPartial, false},
      {"TableName LIKE 'a%'", abc, kPartial, true},
      {"TableName <> 'a%'", bac, kPartial, true},
      {"TableName <> 'a%'", abc, kPartial, false},
      // With no partial compare, = and LIKE are plain equality.
      {"TableName = 'a_c'", a_c, kExact, true},
      {"TableName = 'a_c'", abc, kExact, false},
      {"TableName LIKE 'ab%'", abc, kExact, false},
      {"TableName = 'A_C'", a_c, kFoldedExact, true},
      {"TableName <> 'a_c'", abc, kExact, true},
  });
}

TEST(PatternMatchTest, WholeSubjectWithBacktracking) {
  struct Case {
    const char* subject;
    const char* pattern;
    bool matches;
  };
  for (const Case& c : std::initializer_list<Case>{{"", "", true},
                                                   {"a", "", false},
                                                   {"", "_", false},
                                                   {"", "%", true},
                                                   {"", "*%", true},
                                                   {"a", "a%%", true},
                                                   {"aXbYbZc", "a*b*c", true},
                                                   {"aXbYbZ", "a*b*c", false},
                                                   {"abab", "*ab", true},
                                                   {"mississippi", "m*iss*pi", true},
                                                   {"mississippi", "m*iss*pix", false},
                                                   {"abc", "_%_", true},
                                                   {"a", "_%_", false},
                                                   {"a%c", "a%c", true}})
    EXPECT_EQ(PatternMatch(c.subject, c.pattern), c.matches) << c.subject << " " << c.pattern;
  EXPECT_TRUE(HasWildcards("a_b"));
  EXPECT_FALSE(HasWildcards("abc"));
}

TEST_F(FilterTest, ConstantOnTheLeftIsTheSubject) {
  // The field's value serves as the pattern.
  EXPECT_TRUE(Passes("'abc' = TableName", Text("TableName", "a_c")));
  EXPECT_TRUE(Passes("'abc' = TableName", Text("TableName", "%")));
  EXPECT_FALSE(Passes("'a_c' = TableName", Text("TableName", "abc")));
  EXPECT_TRUE(Passes("'abc' = TableName", Text("TableName", "ABC"), true));
}

TEST_F(FilterTest, GroupingAndShortCircuit) {
  auto e = TFilterExpression::Parse("NOT X = 'a' AND Name = 'b'", fields_);
  ASSERT_EQ(e->Root()->Kind, TExpressionNodeKind::And);
  EXPECT_EQ(e->Root()->Left->Kind, TExpressionNodeKind::Not);
  EXPECT_EQ(e->Root()->Left->Left->Kind, TExpressionNodeKind::Equal);
  EXPECT_EQ(e->Root()->Right->Kind, TExpressionNodeKind::Equal);
  Record rec{{"X", Variant::Text("z")}, {"Name", Variant::Text("b")}};
  EXPECT_TRUE(Eval(*e, rec, false, false));
  rec["X"] = Variant::Text("a");
  EXPECT_FALSE(Eval(*e, rec, false, false));

  // AND before OR, both grouped from the left.
  auto g = TFilterExpression::Parse("X = 'a' OR X = 'b' AND Name = 'c'", fields_);
  ASSERT_EQ(g->Root()->Kind, TExpressionNodeKind::Or);
  EXPECT_EQ(g->Root()->Right->Kind, TExpressionNodeKind::And);
  auto l = TFilterExpression::Parse("TRUE AND FALSE AND TRUE", fields_);
  ASSERT_EQ(l->Root()->Kind, TExpressionNodeKind::And);
  EXPECT_EQ(l->Root()->Left->Kind, TExpressionNodeKind::And);
  EXPECT_EQ(l->Root()->Right->Kind, TExpressionNodeKind::True);
  EXPECT_FALSE(Eval(*l, {}, false, false));
  EXPECT_TRUE(Passes("(FALSE OR TRUE) AND NOT FALSE", {}));
  EXPECT_FALSE(Passes("NOT (FALSE OR TRUE)", {}));

  // A false left side of AND (a true one of OR) leaves the right side
  // unevaluated: the bad date text there would raise.
  EXPECT_FALSE(Passes("FALSE AND Born = 'no date'", {}));
  EXPECT_TRUE(Passes("TRUE OR Born = 'no date'", {}));
  EXPECT_THROW(Passes("TRUE AND Born = 'no date'", {}), EVariantError);
}

TEST_F(FilterTest, LongConditionRunsAndDeepNesting) {
  std::string run = "X = 'a'";
  for (int i = 0; i < 100000; ++i)
    run += " AND X = 'a'";
  auto e = TFilterExpression::Parse(run, fields_);
  EXPECT_TRUE(Eval(*e, Text("X", "a"), false, false));
  EXPECT_FALSE(Eval(*e, Text("X", "b"), false, false));
  std::vector<std::pair<const TFieldDesc*, std::string>> terms;
  EXPECT_TRUE(e->EqualityTerms(terms));
  EXPECT_EQ(terms.size(), 100001u);

  // Nesting deep enough to exhaust the stack is refused, not followed.
  std::string deep(100000, '(');
  EXPECT_EQ(ParseError(deep + "TRUE"), "Illegal filter expression");
  std::string nots;
  for (int i = 0; i < 100000; ++i)
    nots += "NOT ";
  EXPECT_EQ(ParseError(nots + "TRUE"), "Illegal filter expression");
  EXPECT_TRUE(Passes(std::string(100, '(') + "TRUE" + std::string(100, ')'), {}));
}

TEST_F(FilterTest, CommentsAreRejectedOutsideStrings) {
  EXPECT_EQ(ParseError("X = 'a' // note"), "Illegal filter expression");
  EXPECT_EQ(ParseError("/* note */ X = 'a'"), "Illegal filter expression");
  EXPECT_EQ(ParseError("[X /* */] = 'a'"), "Illegal filter expression");
  EXPECT_TRUE(Passes("X = '//a/*'", Text("X", "//a/*")));
}

TEST_F(FilterTest, NullsAndEmptyTexts) {
  const Record null;
  const Record empty = Text("X", "");
  const Record value = Text("X", "b");
  ExpectCases({
      {"X > 'a'", null, kPartial, false},
      {"X <= 'a'", null, kPartial, false},
      {"X <> 'a'", null, kPartial, true},
      {"X = 'a'", null, kPartial, false},
      {"X IS NULL", null, kPartial, true},
      {"X IS NOT NULL", null, kPartial, false},
      {"X = NULL", null, kPartial, true},
      {"X <> NULL", null, kPartial, false},
      {"X = ''", null, kPartial, false},
      // Partial compare: the empty text matches the empty pattern of NULL.
      {"X IS NULL", empty, kPartial, true},
      {"X = NULL", empty, kPartial, true},
      {"X IS NOT NULL", empty, kPartial, false},
      {"X IS NULL", empty, kExact, false},
      {"X IS NOT NULL", empty, kExact, true},
      {"X IS NULL", null, kExact, true},
      {"X IS NULL", value, kPartial, false},
      {"X IS NOT NULL", value, kPartial, true},
      {"X <> NULL", value, kFoldedExact, true},
      {"Num = NULL", Record{{"Num", Variant::Integer(0)}}, kPartial, false},
      {"Num IS NULL", Record{}, kPartial, true},
  });
}

TEST_F(FilterTest, BlanksNamesAndKeywords) {
  Record rec{{"FieldName", Variant::Text("x")}, {"TableName", Variant::Text("y")}};
  EXPECT_TRUE(Passes("FieldName = 'x'  and TableName = 'y'", rec));
  EXPECT_TRUE(Passes("\tfieldname='x'\r\nAnD\ttablename  =  'y' ", rec));
  EXPECT_FALSE(Passes("FieldName = 'x' AND TableName = 'z'", rec));
  EXPECT_TRUE(Passes("FieldName = 'z' or TableName = 'y'", rec));
  EXPECT_TRUE(Passes("[Field Name] = 'v'", Text("Field Name", "v")));
  EXPECT_TRUE(Passes("[field name]='v'", Text("Field Name", "v")));
  EXPECT_EQ(ParseError("[Field  Name] = 'v'"), "Field Field  Name not found");
  EXPECT_TRUE(Passes("a.b = 'v'", Text("a.b", "v")));
  EXPECT_TRUE(Passes("A . B = 'v'", Text("a.b", "v")));
  EXPECT_EQ(ParseError("Nope = 'v'"), "Field Nope not found");
  EXPECT_EQ(ParseError("X = Nope"), "Field Nope not found");
  EXPECT_EQ(ParseError("a.c = 'v'"), "Field a.c not found");
}

TEST_F(FilterTest, StringConstants) {
  ExpectCases({
      {"Name = 'O''Brien'", Text("Name", "O'Brien"), kPartial, true},
      {"Name = ''", Text("Name", ""), kPartial, true},
      {"Name = ''", Text("Name", " "), kPartial, false},
      // Every pair of the opening quote belongs to the text, even at the start.
      {"Name = '''abc'", Text("Name", "'abc"), kPartial, true},
      {"Name = '''abc'", Text("Name", ""), kPartial, false},
      {"Name = 'a''''b'", Text("Name", "a''b"), kPartial, true},
      {"Name = ''''", Text("Name", "'"), kPartial, true},
      {"Name = 'abc'''", Text("Name", "abc'"), kPartial, true},
      {"Name = ''''''", Text("Name", "''"), kPartial, true},
      {"Name = 'a\r\nb'", Text("Name", "a\r\nb"), kPartial, true},
      {"Name = \"abc\"", Text("Name", "abc"), kPartial, true},
      {"Name = 'abc", Text("Name", "abc"), kPartial, true},  // runs to the end
  });
  EXPECT_EQ(StringTokenValue("''abc"), "'abc");
  EXPECT_EQ(StringTokenValue("a'b"), "a");  // stops at a lone apostrophe
  TBoolParser lex("'''abc' \"x\"\"y\"");
  EXPECT_EQ(lex.Next().Text, "''abc");
  EXPECT_EQ(lex.Next().Text, "x\"\"y");
  EXPECT_EQ(lex.Next().Kind, TTokenKind::End);
}

TEST_F(FilterTest, IllegalExpressions) {
  for (const char* text : {"X = 'a' 'b'",
                           "X = 'a')",
                           "X",
                           "X 'a'",
                           "X IS 'a'",
                           "X IS NOT 5",
                           "X IS NOT",
                           "(X = 'a'",
                           "X = - 'a'",
                           "X = +",
                           "X = ;",
                           "= 'a'",
                           "X = =",
                           "TRUE = X",
                           "NULL = X",
                           "X = 'a' AND",
                           "X = 'a' OR OR X = 'b'",
                           "NOT",
                           "()",
                           "X = LIKE",
                           "a. = 'v'",
                           "X = 'a' ;",
                           "'a'",
                           "X = AND"}) {
    EXPECT_EQ(ParseError(text), "Illegal filter expression") << text;
  }
}

TEST_F(FilterTest, NumbersAndMixedKinds) {
  Record rec{{"Num", Variant::Integer(-2)}, {"Amount", Variant::Double(1.5)}};
  EXPECT_TRUE(Passes("Num = -2", rec));
  EXPECT_TRUE(Passes("Num > -3", rec));
  EXPECT_FALSE(Passes("Num >= +1", rec));
  EXPECT_TRUE(Passes("Num < 0 AND -2 = Num", rec));
  EXPECT_TRUE(Passes("Amount = 1.5", rec));
  EXPECT_TRUE(Passes("Amount > 1.25", rec));
  EXPECT_TRUE(Passes("Amount <> 1", rec));
  EXPECT_TRUE(Passes("Num = '-2'", rec));  // a text compared with a number is read as one
  EXPECT_THROW(Passes("Num = 'x'", rec), EVariantError);
  EXPECT_TRUE(Passes("Flag = TRUE", Record{{"Flag", Variant::Boolean(true)}}));
  EXPECT_FALSE(Passes("Flag = FALSE", Record{{"Flag", Variant::Boolean(true)}}));

  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  SetFormatSettings(comma);
  EXPECT_TRUE(Passes("Amount = 1,5", rec));
  EXPECT_EQ(ParseError("Amount = 1.5"), "Illegal filter expression");

  // A number too large for a double is refused, not read as 0; one too
  // small to be told from 0 is 0.
  SetFormatSettings(TFormatSettings{});
  const std::string huge(400, '9');
  EXPECT_THROW(Passes("Amount = " + huge, rec), EConvertError);
  EXPECT_THROW(Passes("Amount > -" + huge + ".5", rec), EConvertError);
  try {
    Passes("Num < 1" + std::string(309, '0'), rec);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1" + std::string(309, '0') + "' is not a valid floating point value");
  }
  EXPECT_TRUE(Passes("Num < 1" + std::string(300, '0'), rec));
  EXPECT_TRUE(Passes("Amount > 0." + std::string(400, '0') + "1", rec));
  EXPECT_FALSE(Passes("Amount < 0." + std::string(400, '0') + "1", rec));

  // Texts order by their bytes, unsigned.
  EXPECT_TRUE(Passes("X > 'a'", Text("X", "\xe9")));
  EXPECT_TRUE(Passes("X < 'ab'", Text("X", "a")));
  EXPECT_TRUE(Passes("X >= 'B'", Text("X", "b")));
}

TEST_F(FilterTest, DateFieldAgainstText) {
  Record rec{{"Born", Variant::DateTime(EncodeDate(2020, 1, 5))}};
  EXPECT_TRUE(Passes("Born = '2020-01-05'", rec));
  EXPECT_FALSE(Passes("Born = '2020-01-06'", rec));
  EXPECT_TRUE(Passes("Born > '2019-12-31'", rec));
  EXPECT_TRUE(Passes("'2020-01-05' = Born", rec));
  EXPECT_TRUE(Passes("Born <> '2020-01-06'", rec, true));
  EXPECT_THROW(Passes("Born = 'no date'", rec), EVariantError);
  EXPECT_FALSE(Passes("Born > '2019-12-31'", Record{}));
}

TEST_F(FilterTest, EqualityTerms) {
  std::vector<std::pair<const TFieldDesc*, std::string>> terms;
  auto e = TFilterExpression::Parse("FieldName = 'x'  and TableName = 'y'", fields_);
  ASSERT_TRUE(e->EqualityTerms(terms));
  ASSERT_EQ(terms.size(), 2u);
  EXPECT_EQ(terms[0].first, fields_.Find("FieldName"));
  EXPECT_EQ(terms[0].second, "x");
  EXPECT_EQ(terms[1].first, fields_.Find("TableName"));
  EXPECT_EQ(terms[1].second, "y");

  ASSERT_TRUE(TFilterExpression::Parse("Name = 'O''Brien'", fields_)->EqualityTerms(terms));
  ASSERT_EQ(terms.size(), 1u);
  EXPECT_EQ(terms[0].second, "O'Brien");

  for (const char* text :
       {"FieldName = 'x' OR TableName = 'y'", "NOT FieldName = 'x'", "FieldName LIKE 'x'",
        "'x' = FieldName", "FieldName <> 'x'", "FieldName = TableName", "FieldName = NULL",
        "FieldName IS NULL", "Num = 5", "Num = '5'", "Born = '2020-01-05'",
        "FieldName = 'x' AND TRUE", "FieldName = 'x' AND (TableName = 'y' OR TRUE)"}) {
    terms.assign(1, {nullptr, "stale"});
    EXPECT_FALSE(TFilterExpression::Parse(text, fields_)->EqualityTerms(terms)) << text;
    EXPECT_TRUE(terms.empty()) << text;
  }
  ASSERT_TRUE(
      TFilterExpression::Parse("(FieldName = 'x') AND (TableName = 'y' AND Name = 'z')", fields_)
          ->EqualityTerms(terms));
  EXPECT_EQ(terms.size(), 3u);
}

}  // namespace
}  // namespace qualtren
