// Tests of the SQL dialect lexer: a table of cases per dialect, and the
// properties that must hold for any text (spans cover each line, a restart
// from a recorded state and a skip agree with the uninterrupted run).
#include "trans/sql_lexer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace qualtren;

namespace {

// Lines are the case's text cut at LF; each span is rendered as its kind
// (C code, Q quoted name, S string, # comment) and its text in braces, a
// quoted name's text after a bar; the lines' renderings are joined by " / ".
struct TCase {
  const char* Lines;
  const char* Spans;
};

std::vector<std::string> CutLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  return lines;
}

std::string Render(TDialect dialect, std::string_view text) {
  TSqlLexer lexer(dialect);
  std::vector<TLexSpan> spans;
  std::string out;
  const std::vector<std::string> lines = CutLines(text);
  for (const std::string& line : lines) {
    lexer.Lex(line, spans);
    if (&line != &lines[0]) out += " / ";
    for (const TLexSpan& s : spans) {
      out += "CQS#"[static_cast<int>(s.Kind)];
      out += "{" + line.substr(s.Begin, s.End - s.Begin);
      if (s.Kind == TLexKind::QuotedName)
        out += "|" + line.substr(s.NameBegin, s.NameEnd - s.NameBegin);
      out += "}";
    }
  }
  return out;
}

void Check(TDialect dialect, std::initializer_list<TCase> cases) {
  for (const TCase& c : cases)
    EXPECT_EQ(Render(dialect, c.Lines), c.Spans) << DialectName(dialect) << ": " << c.Lines;
}

}  // namespace

TEST(SqlLexer, DialectNames) {
  for (auto d :
       {TDialect::Ansi, TDialect::TSql, TDialect::Postgres, TDialect::Oracle, TDialect::MySql})
    EXPECT_EQ(DialectFromName(DialectName(d)), d);
  EXPECT_EQ(DialectName(TDialect::Postgres), "postgres");
  EXPECT_EQ(DialectFromName("Ansi"), std::nullopt);
  EXPECT_EQ(DialectFromName(""), std::nullopt);
  EXPECT_EQ(DialectFromName("none"), std::nullopt);
}

TEST(SqlLexer, Ansi) {
  Check(TDialect::Ansi,
        {{R"(select "Kupac"."Ime" from x)",
          R"(C{select }Q{"Kupac"|Kupac}C{.}Q{"Ime"|Ime}C{ from x})"},
         {R"("a""b"[c])", R"(Q{"a""b"|a""b}C{[c]})"},
         {R"(U&"d\0061t",xu&"a")", R"(Q{U&"d\0061t"|d\0061t}C{,xu&}Q{"a"|a})"},
         {"\"Ku\npac\" x", R"(Q{"Ku|Ku} / Q{pac"|pac}C{ x})"},
         {"\"\n\"", R"(Q{"|} / Q{"|})"},
         {R"('it''s' N'x' e'a\'b' X'0A' b'01' U&'d\0061t')",
          R"(S{'it''s'}C{ }S{N'x'}C{ }S{e'a\'b'}C{ }S{X'0A'}C{ }S{b'01'}C{ }S{U&'d\0061t'})"},
         {R"('a\' x E'\\' 'b'N'c')", R"(S{'a\'}C{ x }S{E'\\'}C{ }S{'b'}S{N'c'})"},
         // Prefixes inside words are not prefixes.
         {"where'x' _N'x' 1e'x' $b'x' @n'x' #x'x' \xC8N'x' au&'x'",
          "C{where}S{'x'}C{ _N}S{'x'}C{ 1e}S{'x'}C{ $b}S{'x'}C{ @n}S{'x'}C{ #x}S{'x'}"
          "C{ \xC8N}S{'x'}C{ au&}S{'x'}"},
         {"select 'a\nb' x", "C{select }S{'a} / S{b'}C{ x}"},
         // The backslash took the line break; b' after the closing quote is a prefix.
         {"E'a\\\n'b'", R"(S{E'a\} / S{'}S{b'})"},
         {"a -- b 'c\nd--e", "C{a }#{-- b 'c} / C{d}#{--e}"},
         {"/* a /* b */ c */ d /**/e/*/ f */", "#{/* a /* b */ c */}C{ d }#{/**/}C{e}#{/*/ f */}"},
         {"/* a\n\nb */ c", "#{/* a} /  / #{b */}C{ c}"},
         {"x-y/z*/", "C{x-y/z*/}"}});
}

TEST(SqlLexer, TSql) {
  Check(TDialect::TSql, {{"[Kupac].[Ime] \"a\"", R"(Q{[Kupac]|Kupac}C{.}Q{[Ime]|Ime}C{ }Q{"a"|a})"},
                         {"[a]]b][c]", "Q{[a]]b]|a]]b}Q{[c]|c}"},
                         {"[Ku\npac]]]x", "Q{[Ku|Ku} / Q{pac]]]|pac]]}C{x}"},
                         {"N'\xC5\xBD' @N'x' `a` #t", "S{N'\xC5\xBD'}C{ @N}S{'x'}C{ `a` #t}"},
                         {"/* a /* b */ c */ d", "#{/* a /* b */ c */}C{ d}"}});
}

TEST(SqlLexer, Postgres) {
  Check(TDialect::Postgres,
        {{"/* a /* b\n*/ still */ x", "#{/* a /* b} / #{*/ still */}C{ x}"},
         {"as $$\nselect 'a', \"b\" -- c\n$$ language sql",
          R"(C{as $$} / C{select }S{'a'}C{, }Q{"b"|b}C{ }#{-- c} / C{$$ language sql})"},
         {"$t$ /* x */ $t$", "C{$t$ }#{/* x */}C{ $t$}"},
         {"/* a *\n/ b */ c", "#{/* a *} / #{/ b */}C{ c}"},
         {R"(U&"a" u&'b' E'\'' '\')", R"(Q{U&"a"|a}C{ }S{u&'b'}C{ }S{E'\''}C{ }S{'\'})"}});
}

TEST(SqlLexer, Oracle) {
  Check(TDialect::Oracle,
        {{"q'[it's]' Q'{a}'||nq'<b>' q'!a'b!'",
          "S{q'[it's]'}C{ }S{Q'{a}'}C{||}S{nq'<b>'}C{ }S{q'!a'b!'}"},
         {"q'(a\n)b' )' x", "S{q'(a} / S{)b' )'}C{ x}"},
         {"xq'[a]' q' a'", "C{xq}S{'[a]'}C{ q}S{' a'}"},
         {"/* a /* b */ c */ \"n\" [m]", "#{/* a /* b */}C{ c */ }Q{\"n\"|n}C{ [m]}"},
         {"a$N'x' a#N'x'", "C{a$N}S{'x'}C{ a#N}S{'x'}"}});
}

TEST(SqlLexer, MySql) {
  Check(TDialect::MySql,
        {{"`a``b`.`c\\`", "Q{`a``b`|a``b}C{.}Q{`c\\`|c\\}"},
         {R"("a""b" "a\"b" 'a\'b' 'a\\' 'c')",
          R"(S{"a""b"}C{ }S{"a\"b"}C{ }S{'a\'b'}C{ }S{'a\\'}C{ }S{'c'})"},
         {"'a\\\n'", R"(S{'a\} / S{'})"},
         {"a--b --x", "C{a--b --x}"},
         {"a -- b\nc --\td\ne --\nf---- g",
          "C{a }#{-- b} / C{c }#{--\td} / C{e }#{--} / C{f--}#{-- g}"},
         {"a#b\n# c", "C{a}#{#b} / #{# c}"},
         {"/* a /* b */ c */ [d] \"e\nf\"", "#{/* a /* b */}C{ c */ [d] }S{\"e} / S{f\"}"}});
}

TEST(SqlLexer, NoDialectKnowsNoSyntax) {
  Check(TDialect::None,
        {{"select 'a' -- \"b\" /* [c]", "C{select 'a' -- \"b\" /* [c]}"}, {"", ""}});
}

TEST(SqlLexer, StateMadeByHandStillEnds) {
  // A comment state with no comment open counts one; an unknown state is code.
  TSqlLexer lexer(TDialect::Ansi, {TLexState::TIn::Comment, 'x', 0});
  lexer.Skip("a */ b");
  EXPECT_EQ(lexer.State(), TLexState{});
  TSqlLexer other(TDialect::Ansi, {static_cast<TLexState::TIn>(99), 0, 7});
  std::vector<TLexSpan> spans;
  other.Lex("a", spans);
  EXPECT_EQ(spans, (std::vector<TLexSpan>{{TLexKind::Code, 0, 1, 0, 1}}));
}

namespace {

// A random text of lines built from pieces of SQL; with `plainOnly`, from the
// first pieces only, which hold no quote and no byte that may start a comment.
std::vector<std::string> RandomLines(std::mt19937& random, bool plainOnly) {
  static const char* const kPieces[] = {
      "a",   "Kupac", " ",  "\t", "$$", "\xC8", "(",   "*",  ".",   "&",  "q",    "N",
      "e",   "u",     "'",  "''", "\"", "\"\"", "[",   "]",  "]]",  "`",  "\\",   "--",
      "-- ", "-",     "/*", "*/", "/",  "#",    "q'[", "]'", "q'!", "!'", "U&\"", "E'"};
  const size_t plain = 14;
  std::vector<std::string> lines(1 + random() % 6);
  for (std::string& line : lines)
    for (size_t i = random() % 10; i > 0; --i)
      line += kPieces[random() % (plainOnly ? plain : std::size(kPieces))];
  return lines;
}

}  // namespace

TEST(SqlLexer, PropertiesOverRandomLines) {
  std::mt19937 random(2024);
  for (int round = 0; round < 1500; ++round) {
    const bool plainOnly = round % 5 == 0;
    const std::vector<std::string> lines = RandomLines(random, plainOnly);
    for (int d = 0; d <= static_cast<int>(TDialect::MySql); ++d) {
      const auto dialect = static_cast<TDialect>(d);
      TSqlLexer lexer(dialect), skipper(dialect);
      std::vector<std::vector<TLexSpan>> all(lines.size());
      std::vector<TLexState> states;
      for (size_t k = 0; k < lines.size(); ++k) {
        lexer.Lex(lines[k], all[k]);
        skipper.Skip(lines[k]);
        ASSERT_EQ(skipper.State(), lexer.State()) << d << " line " << k;
        states.push_back(lexer.State());
        uint32_t at = 0;
        for (size_t i = 0; i < all[k].size(); ++i) {
          const TLexSpan& s = all[k][i];
          ASSERT_TRUE(s.Begin == at && s.End > s.Begin) << d << ": " << lines[k];
          ASSERT_TRUE(s.Begin <= s.NameBegin && s.NameBegin <= s.NameEnd && s.NameEnd <= s.End);
          ASSERT_FALSE(i > 0 && s.Kind == TLexKind::Code && all[k][i - 1].Kind == TLexKind::Code);
          at = s.End;
        }
        ASSERT_EQ(at, lines[k].size()) << d << ": " << lines[k];
        if (plainOnly || dialect == TDialect::None) {
          ASSERT_EQ(all[k].size(), lines[k].empty() ? 0u : 1u) << d << ": " << lines[k];
        }
      }
      for (size_t k = 0; k + 1 < lines.size(); ++k) {
        TSqlLexer restarted(dialect, states[k]);
        std::vector<TLexSpan> spans;
        for (size_t j = k + 1; j < lines.size(); ++j) {
          restarted.Lex(lines[j], spans);
          ASSERT_EQ(spans, all[j]) << d << ": from line " << k + 1 << " at " << j;
        }
      }
    }
  }
}

// Asked to, the lexer stops before a dollar quote in postgres code: the
// spans up to there are Lex's spans cut there, and the state stands in code;
// in other dialects, and where no dollar quote opens, it is Lex.
TEST(SqlLexer, StopsBeforeADollarQuoteWhenAsked) {
  struct TStop {
    TDialect Dialect;
    std::string Line;
    size_t Stop;
  } cases[] = {
      {TDialect::Postgres, "select $$a$$", 7},
      {TDialect::Postgres, "$$", 0},
      {TDialect::Postgres, "select a$$b$$, $1, 'x$$' \"$$\" -- $$", 35},
      {TDialect::Postgres, "x $1a$ b$c$ $_1$ $$", 12},
      {TDialect::Postgres, "/* $$ */ $Tag\xC5\xA1$ x", 9},
      {TDialect::Postgres, "$" + std::string(63, 'a') + "$", 0},
      {TDialect::Postgres, "$" + std::string(64, 'a') + "$", 66},
      {TDialect::TSql, "select $$a$$", 12},
      {TDialect::Ansi, "select $$a$$", 12},
  };
  for (const TStop& c : cases) {
    SCOPED_TRACE(std::string(DialectName(c.Dialect)) + ": " + c.Line);
    TSqlLexer whole(c.Dialect), stopping(c.Dialect);
    std::vector<TLexSpan> all, some;
    whole.Lex(c.Line, all);
    EXPECT_EQ(stopping.LexToDollarQuote(c.Line, some), c.Stop);
    std::vector<TLexSpan> cut;
    for (TLexSpan s : all) {
      if (s.Begin >= c.Stop) break;
      s.End = std::min<uint32_t>(s.End, static_cast<uint32_t>(c.Stop));
      if (s.Kind != TLexKind::QuotedName) s.NameEnd = s.End;
      cut.push_back(s);
    }
    EXPECT_EQ(some, cut);
    EXPECT_EQ(stopping.State(), c.Stop < c.Line.size() ? TLexState{} : whole.State());
  }
}
