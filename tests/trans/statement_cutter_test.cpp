// Tests of the statement cutter: a table of cases per dialect (separators,
// bodies kept whole, client lines, roles), and a property over generated
// scripts: statements full of separators hidden in strings, comments, quoted
// names and dollar bodies, joined by each dialect's separators with comments
// between them, come back one by one, text and line as written.
#include "trans/statement_cutter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qualtren {
namespace {

// Each statement as LINE:ROLE:[TEXT], joined by " | "; ROLE is R (run), T
// (transaction control), O (outside a transaction), C (client command) or D
// (commits itself).
std::string Render(TDialect dialect, std::string_view script) {
  std::string out;
  for (const TSqlStatement& s : CutStatements(script, dialect)) {
    if (!out.empty()) out += " | ";
    out += std::to_string(s.Line) + ":" + "RTOCD"[static_cast<int>(s.Role)] + ":[" + s.Text + "]";
  }
  return out;
}

struct TCase {
  TDialect Dialect;
  const char* Script;
  const char* Statements;
};

TEST(StatementCutter, CasesOfEveryDialect) {
  using D = TDialect;
  const TCase cases[] = {
      // Separators hidden in strings, comments and quoted names; comments
      // before a statement are not part of it; empty statements dropped.
      {D::Postgres, "select 1; -- a;\n/* b; */ select 'a;b' from \"x;y\";;\n",
       "1:R:[select 1] | 2:R:[select 'a;b' from \"x;y\"]"},
      {D::Ansi, "select 1\r\n;\rselect 2 -- end", "1:R:[select 1] | 3:R:[select 2 -- end]"},
      {D::Postgres, "/* only; a comment */ -- and this;\n", ""},
      {D::None, "select 'a;b'", "1:R:[select 'a] | 1:R:[b']"},
      // Dollar bodies whole, over lines, with other tags and quotes inside;
      // $1 and a$b$ are no openers.
      {D::Postgres, "create function f() returns int as $body$\nselect ';$x$'; $$;\n$body$;x",
       "1:R:[create function f() returns int as $body$\nselect ';$x$'; $$;\n$body$] | 3:R:[x]"},
      {D::Postgres,
       "create rule r as on insert to t do also (insert into u values (1); notify u);x",
       "1:R:[create rule r as on insert to t do also (insert into u values (1); notify u)] | "
       "1:R:[x]"},
      {D::Ansi, "select (1; select 2)", "1:R:[select (1] | 1:R:[select 2)]"},
      {D::Postgres, "select $1; select a$b$; select $$a;b$$;",
       "1:R:[select $1] | 1:R:[select a$b$] | 1:R:[select $$a;b$$]"},
      // Postgres: BEGIN ATOMIC bodies, psql lines, COPY data, roles.
      {D::Postgres, "create procedure p() begin atomic select 1; select case when 1 end; end; x",
       "1:R:[create procedure p() begin atomic select 1; select case when 1 end; end] | 1:R:[x]"},
      {D::Postgres, "select 1\n\\set x 1\ncopy t from stdin;\na;'b\n\\.\nselect 2;",
       "1:R:[select 1] | 2:C:[\\set x 1] | 3:C:[copy t from stdin] | 6:R:[select 2]"},
      {D::Postgres, "BEGIN; Commit; end; abort; start transaction; savepoint a; release a;",
       "1:T:[BEGIN] | 1:T:[Commit] | 1:T:[end] | 1:T:[abort] | 1:T:[start transaction] | "
       "1:T:[savepoint a] | 1:T:[release a]"},
      {D::Postgres,
       "vacuum; create unique index concurrently i on t(a); drop database d; "
       "alter system set x = 1; copy t to stdout; create table t(a int)",
       "1:O:[vacuum] | 1:O:[create unique index concurrently i on t(a)] | 1:O:[drop database d] | "
       "1:O:[alter system set x = 1] | 1:C:[copy t to stdout] | 1:R:[create table t(a int)]"},
      // T-SQL: GO lines, routines to GO, brackets, BEGIN as a block.
      {D::TSql, "create procedure p as\nbegin select 1; select [a;b] end\n  gO \nselect 2",
       "1:R:[create procedure p as\nbegin select 1; select [a;b] end] | 4:R:[select 2]"},
      {D::TSql, "begin tran; begin select 1 end; commit tran\nGO\n:r other.sql\nselect 1",
       "1:T:[begin tran] | 1:R:[begin select 1 end] | 1:T:[commit tran] | 3:C:[:r other.sql] | "
       "4:R:[select 1]"},
      {D::TSql, "select 1 -- x\ngo -- not alone\n", "1:R:[select 1 -- x\ngo -- not alone]"},
      // Oracle: "/" lines, PL/SQL to "/", SQL*Plus lines, DDL commits.
      {D::Oracle, "set serveroutput on\nbegin\n  x := 1;\nend;\n/\nselect q'[;]' from dual;\n/",
       "1:C:[set serveroutput on] | 2:R:[begin\n  x := 1;\nend;] | 6:R:[select q'[;]' from dual]"},
      {D::Oracle, "create or replace package body k is\nend;\n/\ncreate table t (a int);",
       "1:D:[create or replace package body k is\nend;] | 4:D:[create table t (a int)]"},
      // MySQL: DELIMITER, # comments, "" strings, backslash escapes, DDL.
      {D::MySql, "DELIMITER $$\ncreate procedure p() begin select 1; end$$\ndelimiter ;\nselect 2;",
       "2:D:[create procedure p() begin select 1; end] | 4:R:[select 2]"},
      {D::MySql, "select \"a;b\", 'c\\';d', `e;f` # g;\n;create temporary table t(a int);",
       "1:R:[select \"a;b\", 'c\\';d', `e;f` # g;] | 2:R:[create temporary table t(a int)]"},
      {D::MySql,
       "/*!50003 CREATE*/ /*!50003 TRIGGER t BEFORE INSERT ON x FOR EACH ROW SET a=1 */;;",
       "1:D:[/*!50003 CREATE*/ /*!50003 TRIGGER t BEFORE INSERT ON x FOR EACH ROW SET a=1 */]"},
      {D::MySql,
       "begin; begin not atomic select 1; end; rename table a to b; lock tables t read;"
       "set @@autocommit = 1; set @x = 1",
       "1:T:[begin] | 1:R:[begin not atomic select 1] | 1:R:[end] | 1:D:[rename table a to b] | "
       "1:D:[lock tables t read] | 1:T:[set @@autocommit = 1] | 1:R:[set @x = 1]"},
      {D::MySql, "delimiter\nselect 1;\n \\G\n", "2:R:[select 1] | 3:C:[\\G]"},
      // SQLite's scripts, cut as ansi: trigger bodies whole, END IF not an end.
      {D::Ansi,
       "create temp trigger t after insert on x begin\n insert into y values(1);\n"
       " select case when 1 then 2 end;\nend;\nbegin transaction; end;",
       "1:R:[create temp trigger t after insert on x begin\n insert into y values(1);\n"
       " select case when 1 then 2 end;\nend] | 5:T:[begin transaction] | 5:T:[end]"},
      {D::Ansi, "create procedure p() begin if a then x; end if; begin y; end; end; z",
       "1:R:[create procedure p() begin if a then x; end if; begin y; end; end] | 1:R:[z]"},
      {D::Ansi, "vacuum; attach database 'x' as y; drop table t",
       "1:O:[vacuum] | 1:O:[attach database 'x' as y] | 1:R:[drop table t]"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Render(c.Dialect, c.Script), c.Statements)
        << DialectName(c.Dialect) << ": " << c.Script;
}

// What a generated script holds per dialect: pieces of a statement that hide
// its separator, and the comments that may stand between statements.
struct TPieces {
  std::vector<std::string> Inside;
  std::vector<std::string> Between;
};

TPieces PiecesOf(TDialect d) {
  TPieces p;
  p.Inside = {" x", " 42", "'a;b'", "'it''s; x'", " /* c; */ ", "\n", "\r\n", " -- c;\n", " ,"};
  p.Between = {"", " ", "\n", "-- c;\n", "/* c;\n; */", "\r\n\r\n"};
  switch (d) {
    case TDialect::Postgres:
      p.Inside.insert(p.Inside.end(), {"\"a;b\"", " $$a;'b$$ ", " $t$a;\n$$;$t$ ", " E'a\\';b'",
                                       " /* a /* ; */ ; */ "});
      break;
    case TDialect::TSql:
      p.Inside.insert(p.Inside.end(), {"[a;b]", "[a]];b]", "\"a;b\"", " N'a;b'"});
      break;
    case TDialect::Oracle:
      p.Inside.insert(p.Inside.end(), {"\"a;b\"", " q'[a;']'", " nq'{;}'"});
      break;
    case TDialect::MySql:
      p.Inside.insert(p.Inside.end(), {"`a;b`", "\"a;b\"", "'a\\';b'", " # c;\n"});
      p.Between.push_back("# c;\n");
      break;
    default:
      p.Inside.push_back("\"a;b\"");
      break;
  }
  return p;
}

size_t LinesIn(std::string_view text) {
  size_t lines = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
      ++lines;
  return lines;
}

TEST(StatementCutter, GeneratedScriptsGiveBackTheirStatements) {
  std::mt19937 random(2026);
  auto below = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  for (int round = 0; round < 400; ++round) {
    const auto dialect = static_cast<TDialect>(1 + below(5));
    const TPieces pieces = PiecesOf(dialect);
    std::string script, separator = ";";
    std::vector<TSqlStatement> expected;
    for (size_t n = below(12); n > 0; --n) {
      script += pieces.Between[below(pieces.Between.size())];
      if (dialect == TDialect::MySql && below(4) == 0) {
        separator = below(2) == 0 ? "//" : "$$";
        script += "\nDELIMITER " + separator + "\n";
      }
      std::string text = "select";
      for (size_t k = below(8); k > 0; --k)
        text += pieces.Inside[below(pieces.Inside.size())];
      text += " y";
      expected.push_back({text, 1 + LinesIn(script), TStatementRole::Run});
      script += text;
      // The separator, or a line of its own where the dialect has one.
      if (dialect == TDialect::TSql && below(3) == 0)
        script += "\n go\n";
      else if (dialect == TDialect::Oracle && below(3) == 0)
        script += "\n/ \n";
      else if (n > 1 || below(2) == 0)
        script += separator;
    }
    const std::vector<TSqlStatement> cut = CutStatements(script, dialect);
    ASSERT_EQ(cut.size(), expected.size()) << DialectName(dialect) << ": " << script;
    for (size_t i = 0; i < cut.size(); ++i) {
      EXPECT_EQ(cut[i].Text, expected[i].Text) << DialectName(dialect) << ": " << script;
      EXPECT_EQ(cut[i].Line, expected[i].Line) << DialectName(dialect) << ": " << script;
      EXPECT_EQ(cut[i].Role, TStatementRole::Run);
    }
  }
}

}  // namespace
}  // namespace qualtren
