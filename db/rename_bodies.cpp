// The bodies the rename script re-creates, by engine: PostgreSQL functions
// and procedures (it follows renames in views and triggers, not in the text
// of a routine); MySQL and MariaDB views, routines and triggers (it follows
// none); SQLite views that are renamed (it has no view rename, and follows
// the rest); SQL Server's modules. Each body is translated by the engine
// under the dialect; what the catalog states structurally (a routine's name,
// a trigger's table and timing) comes from the catalog.
#include <algorithm>
#include <cctype>
#include <utility>

#include "db/rename_internal.h"
#include "trans/translate.h"

namespace qualtren::rename_detail {

std::string TranslateBody(const TransTables& tables, TDialect dialect, const std::string& text,
                          const std::string& what) {
  TTranslateOptions options;
  options.AutoTableName = true;
  options.Dialect.Dialect = dialect;
  std::string error;
  std::string out = TranslateText(tables, options, text, &error, nullptr, TTextEncoding::Utf8);
  if (!error.empty()) throw ERenameRefused({what + ": its text does not translate: " + error});
  // The translation ends every line with CR LF: the text's own breaks back.
  if (text.find("\r\n") == std::string::npos) {
    std::string lf;
    lf.reserve(out.size());
    for (size_t i = 0; i < out.size(); ++i)
      if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) lf += out[i];
    out.swap(lf);
  }
  if (text.empty() || text.back() != '\n') {
    if (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0)
      out.resize(out.size() - 2);
    else if (!out.empty() && out.back() == '\n')
      out.pop_back();
  }
  return out;
}

namespace {

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
         c == '@' || static_cast<unsigned char>(c) >= 0x80;
}

// Where `word` first stands as a whole word in the code span `s` of `line`,
// letter case ignored; npos when nowhere.
size_t FindWordInSpan(std::string_view line, const TLexSpan& s, std::string_view word) {
  for (size_t i = s.Begin; i + word.size() <= s.End; ++i) {
    if (i > s.Begin && IsWordByte(line[i - 1])) continue;
    if (i + word.size() < s.End && IsWordByte(line[i + word.size()])) continue;
    bool same = true;
    for (size_t k = 0; k < word.size() && same; ++k)
      same = std::toupper(static_cast<unsigned char>(line[i + k])) ==
             std::toupper(static_cast<unsigned char>(word[k]));
    if (same) return i;
  }
  return std::string_view::npos;
}

// Where `word` first stands in code (not in a string, comment or quoted
// name), letter case ignored; npos when nowhere. Lines end at LF.
size_t FindCodeWord(const std::string& text, TDialect dialect, std::string_view word) {
  TSqlLexer lexer(dialect);
  std::vector<TLexSpan> spans;
  for (size_t lineStart = 0; lineStart <= text.size();) {
    const size_t end = std::min(text.find('\n', lineStart), text.size());
    const std::string_view line(text.data() + lineStart, end - lineStart);
    lexer.Lex(line, spans);
    for (const TLexSpan& s : spans)
      if (s.Kind == TLexKind::Code)
        if (const size_t at = FindWordInSpan(line, s, word); at != std::string_view::npos)
          return lineStart + at;
    lineStart = end + 1;
  }
  return std::string::npos;
}

std::string TrimEnd(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
    s.pop_back();
  return s;
}

TDbObjectKind KindOf(const TDbRoutine& r) {
  return r.Function ? TDbObjectKind::Function : TDbObjectKind::Procedure;
}

struct TBodies {
  const TDbCatalog& C;
  const TPlan& Plan;
  const TransTables& Tables;
  TRenameScript& Script;
  std::vector<TRenameStatement>& First;
  std::vector<TRenameStatement>& Last;
  std::vector<bool> Remade;

  std::string Translate(const std::string& text, const std::string& what) const {
    return TranslateBody(Tables, DialectOf(C.Flavor), text, what);
  }
  void Recreate(TDbObjectKind kind, std::string sql) {
    Last.push_back({TrimEnd(std::move(sql)), kind, true, true});
    ++Script.Recreated[static_cast<size_t>(kind)];
  }
  void Renamed(TDbObjectKind kind) { ++Script.Renamed[static_cast<size_t>(kind)]; }
  std::string Final(size_t routine) const {
    return Plan.RoutineTarget[routine].empty() ? C.Routines[routine].Name
                                               : Plan.RoutineTarget[routine];
  }

  // PostgreSQL: CREATE OR REPLACE with the translated text, the name from
  // the catalog; dropped first when its header changes, which CREATE OR
  // REPLACE cannot do.
  void Postgres() {
    for (size_t i = 0; i < C.Routines.size(); ++i) {
      const TDbRoutine& r = C.Routines[i];
      if (r.Definition.empty()) continue;
      const std::string what = Described(r);
      const std::string word = r.Function ? "FUNCTION " : "PROCEDURE ";
      const std::string prefix = "CREATE OR REPLACE " + word + r.PrintedName + "(";
      if (r.Definition.compare(0, prefix.size(), prefix) != 0)
        throw ERenameRefused({what + ": its definition does not start with " + prefix});
      const std::string rest = r.Definition.substr(prefix.size());
      const std::string translated = Translate(rest, what);
      if (translated == rest) continue;
      auto header = [](const std::string& s) { return s.substr(0, s.find("\nAS ")); };
      if (header(translated) != header(rest)) {
        First.push_back({"DROP " + word + Qualified(C, r.Name) + "(" + r.Signature + ")", KindOf(r),
                         false, false});
        Remade[i] = true;
        if (!Plan.RoutineTarget[i].empty()) Renamed(KindOf(r));
      }
      Recreate(KindOf(r), "CREATE OR REPLACE " + word + Qualified(C, Final(i)) + "(" + translated);
    }
  }

  // SQLite: a view that is renamed, or whose text translates to another
  // (SQLite follows the names it refers to, not the names of its own
  // columns), is dropped before the renames and created under its final name
  // from its translated text.
  void Sqlite() {
    for (size_t i = 0; i < C.Tables.size(); ++i) {
      const TDbTable& t = C.Tables[i];
      if (!t.View) continue;
      const std::string what = "view \"" + t.Name + "\"";
      const size_t as = FindCodeWord(t.Definition, TDialect::Ansi, "AS");
      if (as == std::string::npos) throw ERenameRefused({what + ": its text holds no AS"});
      const std::string head = t.Definition.substr(0, as);
      const size_t paren = head.find('(');
      const std::string columns = paren == std::string::npos ? std::string() : head.substr(paren);
      const std::string body = t.Definition.substr(as);
      const std::string newColumns = columns.empty() ? columns : Translate(columns, what);
      const std::string newBody = Translate(body, what);
      const bool renamed = !Plan.TableTarget[i].empty();
      if (!renamed && newColumns == columns && newBody == body) continue;
      First.push_back(
          {"DROP VIEW " + QuoteName(C.Flavor, t.Name), TDbObjectKind::View, false, false});
      if (renamed) Renamed(TDbObjectKind::View);
      Recreate(TDbObjectKind::View, "CREATE VIEW " +
                                        QuoteName(C.Flavor, Plan.FinalTable.at(t.Name)) +
                                        TrimEnd(newColumns) + " " + newBody);
    }
  }

  // MySQL and MariaDB follow no rename in a stored text.
  void MySql() {
    const TDbFlavor f = C.Flavor;
    for (size_t i = 0; i < C.Tables.size(); ++i) {
      const TDbTable& t = C.Tables[i];
      if (!t.View) continue;
      const std::string translated = Translate(t.Definition, "view \"" + t.Name + "\"");
      if (translated == t.Definition && Plan.TableTarget[i].empty()) continue;
      Recreate(TDbObjectKind::View, "CREATE OR REPLACE VIEW " +
                                        QuoteName(f, Plan.FinalTable.at(t.Name)) + " AS " +
                                        translated);
    }
    for (size_t i = 0; i < C.Routines.size(); ++i) {
      const TDbRoutine& r = C.Routines[i];
      const std::string what = Described(r);
      if (Plan.HalfDone[i]) {
        Last.push_back({std::string("DROP ") + (r.Function ? "FUNCTION " : "PROCEDURE ") +
                            QuoteName(f, r.Name),
                        KindOf(r), false, false});
        Renamed(KindOf(r));
        Remade[i] = true;
        continue;
      }
      const std::string body = Translate(r.Definition, what);
      const std::string parameters = Translate(r.Parameters, what);
      const std::string returns = Translate(r.Returns, what);
      const bool renamed = !Plan.RoutineTarget[i].empty();
      if (!renamed && body == r.Definition && parameters == r.Parameters && returns == r.Returns)
        continue;
      const std::string word = r.Function ? "FUNCTION " : "PROCEDURE ";
      const std::string drop = "DROP " + word + QuoteName(f, r.Name);
      const bool replace = C.MariaDb && !renamed;
      if (!renamed && !replace) Last.push_back({drop, KindOf(r), false, false});
      Recreate(KindOf(r), std::string("CREATE ") + (replace ? "OR REPLACE " : "") + word +
                              QuoteName(f, Final(i)) + "(" + parameters + ")" +
                              (returns.empty() ? "" : " " + returns) + " " + r.Characteristics +
                              "\n" + body);
      if (renamed) {
        // Created under the new name before the old one goes, so that a run
        // cut short loses no routine.
        Last.push_back({drop, KindOf(r), false, false});
        Renamed(KindOf(r));
        Remade[i] = true;
      }
    }
    for (const TDbTrigger& t : C.Triggers) {
      const std::string body = Translate(t.Body, "trigger \"" + t.Name + "\"");
      if (body == t.Body) continue;
      if (!C.MariaDb)
        Last.push_back(
            {"DROP TRIGGER " + QuoteName(f, t.Name), TDbObjectKind::Trigger, false, false});
      Recreate(TDbObjectKind::Trigger,
               std::string("CREATE ") + (C.MariaDb ? "OR REPLACE " : "") + "TRIGGER " +
                   QuoteName(f, t.Name) + " " + t.Timing + " " + t.Event + " ON " +
                   QuoteName(f, Plan.FinalTable.at(t.Table)) + " FOR EACH ROW " + body);
    }
  }

  // SQL Server: modules keep their text; sp_rename renames tables, views
  // and columns, and the modules are made again from their translated text
  // (CREATE OR ALTER; a renamed routine is dropped under its old name).
  void SqlServer() {
    auto orAlter = [](std::string text) {
      const size_t at = FindCodeWord(text, TDialect::TSql, "CREATE");
      if (at != std::string::npos) text.insert(at + 6, " OR ALTER");
      return text;
    };
    for (size_t i = 0; i < C.Tables.size(); ++i) {
      const TDbTable& t = C.Tables[i];
      if (!t.View || t.Definition.empty()) continue;
      const std::string translated = Translate(t.Definition, "view \"" + t.Name + "\"");
      if (translated != t.Definition || !Plan.TableTarget[i].empty())
        Recreate(TDbObjectKind::View, orAlter(translated));
    }
    for (size_t i = 0; i < C.Routines.size(); ++i) {
      const TDbRoutine& r = C.Routines[i];
      const std::string translated = Translate(r.Definition, Described(r));
      const bool renamed = !Plan.RoutineTarget[i].empty();
      if (translated == r.Definition && !renamed) continue;
      if (renamed) {
        Last.push_back({std::string("DROP ") + (r.Function ? "FUNCTION " : "PROCEDURE ") +
                            Qualified(C, r.Name),
                        KindOf(r), false, false});
        Renamed(KindOf(r));
        Remade[i] = true;
        Recreate(KindOf(r), translated);
      } else {
        Recreate(KindOf(r), orAlter(translated));
      }
    }
    for (const TDbTrigger& t : C.Triggers) {
      const std::string translated = Translate(t.Body, "trigger \"" + t.Name + "\"");
      if (translated != t.Body) Recreate(TDbObjectKind::Trigger, orAlter(translated));
    }
  }

  static std::string Described(const TDbRoutine& r) {
    return std::string(r.Function ? "function" : "procedure") + " \"" + r.Name + "\"";
  }
};

}  // namespace

std::vector<bool> AddBodies(const TDbCatalog& catalog, const TPlan& plan, const TransTables& tables,
                            TRenameScript& script, std::vector<TRenameStatement>& first,
                            std::vector<TRenameStatement>& last) {
  TBodies bodies{catalog,
                 plan,
                 tables,
                 script,
                 first,
                 last,
                 std::vector<bool>(catalog.Routines.size(), false)};
  // Each flavor's bodies are re-created by its own rules.
  constexpr std::pair<TDbFlavor, void (TBodies::*)()> kAddByFlavor[] = {
      {TDbFlavor::Postgres, &TBodies::Postgres},
      {TDbFlavor::Sqlite, &TBodies::Sqlite},
      {TDbFlavor::MySql, &TBodies::MySql},
      {TDbFlavor::SqlServer, &TBodies::SqlServer},
  };
  for (const auto& [flavor, add] : kAddByFlavor)
    if (flavor == catalog.Flavor) (bodies.*add)();
  return bodies.Remade;
}

}  // namespace qualtren::rename_detail
