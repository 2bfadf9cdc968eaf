// The rename script: the target of every name of the catalog, the refusals
// found before anything is written, the rename statements of each dialect,
// the script's text and its run.
#include "db/rename_script.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/utf.h"
#include "db/rename_internal.h"

namespace qualtren {

using rename_detail::TPlan;

namespace {

std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The translation tables' rows by key, for names that come from a catalog.
class TNameMap {
 public:
  TNameMap(const TTransRows& rows, TDbFlavor flavor) : flavor_(flavor) {
    for (size_t kind = 0; kind < rows.size(); ++kind)
      for (const TTransRow& row : rows[kind])
        byKey_[kind].emplace(TransNameKey(row.Scope, row.Local), TEntry{&row, false});
    for (const TTransRow& row : rows[static_cast<size_t>(TNameKind::Table)])
      localOfEnglish_.emplace(FoldTransName(row.English), row.Local);
    for (size_t kind = 0; kind < rows.size(); ++kind)
      for (const TTransRow& row : rows[kind])
        if (!row.English.empty()) english_[kind].insert(FoldTransName(row.English));
  }

  // Whether a catalog name is an English name of its kind and no local one:
  // renamed by an earlier run.
  bool IsEnglish(TNameKind kind, const std::string& name) const {
    std::string ansi;
    if (!Utf8ToAnsiExact(name, ansi)) return false;
    const size_t k = static_cast<size_t>(kind);
    return english_[k].count(FoldTransName(ansi)) != 0 &&
           (kind == TNameKind::Column || byKey_[k].count(TransNameKey({}, ansi)) == 0);
  }

  // The name a catalog name (UTF-8) is to get; empty when the tables do not
  // translate it to another name. `table`: the column's table.
  std::string Target(TNameKind kind, const std::string& name, const std::string& table = {}) {
    std::string ansi, scope;
    if (!Utf8ToAnsiExact(name, ansi)) return {};
    if (kind == TNameKind::Column && !Utf8ToAnsiExact(table, scope)) return {};
    auto& map = byKey_[static_cast<size_t>(kind)];
    auto it = map.find(TransNameKey(scope, ansi));
    if (it == map.end() && kind == TNameKind::Column) {
      // A table renamed by an earlier run that did not finish: its columns
      // are keyed by its local name.
      const auto local = localOfEnglish_.find(FoldTransName(scope));
      if (local != localOfEnglish_.end()) it = map.find(TransNameKey(local->second, ansi));
    }
    if (it == map.end()) return {};
    it->second.Used = true;
    std::string english = AnsiToUtf8(it->second.Row->English);
    // PostgreSQL folds a name written without quotes to lower case: a name
    // kept in that form was written without quotes, and the translated
    // scripts name it without quotes too.
    if (flavor_ == TDbFlavor::Postgres && name == AsciiLower(name)) english = AsciiLower(english);
    return english == name ? std::string() : english;
  }

  size_t Unused() const {
    size_t n = 0;
    for (const auto& map : byKey_)
      for (const auto& [key, entry] : map)
        n += entry.Used ? 0 : 1;
    return n;
  }

 private:
  struct TEntry {
    const TTransRow* Row;
    bool Used;
  };
  TDbFlavor flavor_;
  std::array<std::unordered_map<std::string, TEntry>, 3> byKey_;
  std::unordered_map<std::string, std::string> localOfEnglish_;
  std::array<std::unordered_set<std::string>, 3> english_;
};

// One object for the refusal checks: its namespace, names and description.
struct TNamed {
  std::string Space;  // objects of one namespace must keep their names apart
  std::string Name, Target;
  std::string What;  // "table \"Kupac\""
};

std::string Described(TDbObjectKind kind, const std::string& name, const std::string& table = {}) {
  std::string out = DbObjectKindName(kind);
  out += " \"";
  if (!table.empty()) out += table + ".";
  return out + name + "\"";
}

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    n += (c & 0xC0) != 0x80;
  return n;
}

// The refusals of a set of named objects.
std::vector<std::string> Refusals(const std::vector<TNamed>& objects, TDbFlavor flavor) {
  std::vector<std::string> reasons;
  auto fold = [&](const std::string& s) {
    return flavor == TDbFlavor::Postgres ? s : AsciiLower(s);
  };
  std::unordered_map<std::string, const TNamed*> current, target;
  current.reserve(objects.size());
  target.reserve(objects.size());
  for (const TNamed& o : objects)
    current.emplace(o.Space + '\0' + fold(o.Name), &o);
  bool inBytes = false;
  const size_t max = MaxNameLength(flavor, inBytes);
  for (const TNamed& o : objects) {
    if (o.Target.empty()) continue;
    const size_t length = inBytes ? o.Target.size() : Utf8Length(o.Target);
    if (max != 0 && length > max)
      reasons.push_back(o.What + ": the English name \"" + o.Target + "\" is " +
                        std::to_string(length) + (inBytes ? " bytes" : " characters") +
                        " long; the database takes at most " + std::to_string(max));
    const std::string key = o.Space + '\0' + fold(o.Target);
    if (const auto held = current.find(key); held != current.end() && held->second != &o)
      reasons.push_back(o.What + " would be renamed to \"" + o.Target +
                        "\", a name the database holds already: " + held->second->What);
    if (const auto [it, isNew] = target.emplace(key, &o); !isNew)
      reasons.push_back(it->second->What + " and " + o.What + " are both sent to \"" + o.Target +
                        "\"");
  }
  return reasons;
}

}  // namespace

const char* DbObjectKindName(TDbObjectKind kind, bool many) {
  // One and many of each kind, in the order of the enumeration.
  static constexpr const char* kNames[kDbObjectKinds][2] = {
      {"table", "tables"},         {"view", "views"},         {"column", "columns"},
      {"procedure", "procedures"}, {"function", "functions"}, {"trigger", "triggers"}};
  const auto k = static_cast<size_t>(kind);
  return k < kDbObjectKinds ? kNames[k][many ? 1 : 0] : "";
}

ERenameRefused::ERenameRefused(std::vector<std::string> reasons)
    : Exception(reasons.empty() ? std::string("refused") : reasons.front()),
      reasons_(std::move(reasons)) {}

size_t MaxNameLength(TDbFlavor flavor, bool& inBytes) {
  inBytes = flavor == TDbFlavor::Postgres;
  switch (flavor) {
    case TDbFlavor::Postgres:
      return 63;
    case TDbFlavor::MySql:
      return 64;
    case TDbFlavor::SqlServer:
      return 128;
    case TDbFlavor::Sqlite:
      break;
  }
  return 0;
}

std::string rename_detail::Qualified(const TDbCatalog& catalog, const std::string& name) {
  if (catalog.Flavor == TDbFlavor::Postgres || catalog.Flavor == TDbFlavor::SqlServer)
    return QuoteName(catalog.Flavor, catalog.Schema) + "." + QuoteName(catalog.Flavor, name);
  return QuoteName(catalog.Flavor, name);
}

namespace {

// The statements that rename the columns, then the tables and views.
void AddRenames(const TDbCatalog& c, const TPlan& plan, TRenameScript& script,
                std::vector<TRenameStatement>& out) {
  const TDbFlavor f = c.Flavor;
  auto add = [&](TDbObjectKind kind, std::string sql) {
    out.push_back({std::move(sql), kind, false, false});
    ++script.Renamed[static_cast<size_t>(kind)];
  };
  for (size_t i = 0; i < c.Columns.size(); ++i) {
    const std::string& target = plan.ColumnTarget[i];
    if (target.empty()) continue;
    const TDbColumn& col = c.Columns[i];
    if (f == TDbFlavor::SqlServer)
      add(TDbObjectKind::Column, "EXEC sp_rename " +
                                     QuoteString(f, rename_detail::Qualified(c, col.Table) + "." +
                                                        QuoteName(f, col.Name)) +
                                     ", " + QuoteString(f, target) + ", N'COLUMN'");
    else
      add(TDbObjectKind::Column, "ALTER TABLE " + rename_detail::Qualified(c, col.Table) +
                                     " RENAME COLUMN " + QuoteName(f, col.Name) + " TO " +
                                     QuoteName(f, target));
  }
  for (size_t i = 0; i < c.Tables.size(); ++i) {
    const std::string& target = plan.TableTarget[i];
    const TDbTable& t = c.Tables[i];
    if (target.empty() || (t.View && f == TDbFlavor::Sqlite)) continue;  // SQLite: re-created
    const TDbObjectKind kind = t.View ? TDbObjectKind::View : TDbObjectKind::Table;
    if (f == TDbFlavor::SqlServer)
      add(kind, "EXEC sp_rename " + QuoteString(f, rename_detail::Qualified(c, t.Name)) + ", " +
                    QuoteString(f, target));
    else if (f == TDbFlavor::MySql)
      add(kind, "RENAME TABLE " + QuoteName(f, t.Name) + " TO " + QuoteName(f, target));
    else
      add(kind, std::string(t.View ? "ALTER VIEW " : "ALTER TABLE ") +
                    rename_detail::Qualified(c, t.Name) + " RENAME TO " + QuoteName(f, target));
  }
}

// Whether MySQL holds the routine under its target name already, made by
// an earlier run from the routine's translated text.
bool HalfDone(const TDbCatalog& c, const TDbRoutine& r, const std::string& target,
              const TransTables& tables) {
  for (const TDbRoutine& other : c.Routines) {
    if (other.Function != r.Function || AsciiLower(other.Name) != AsciiLower(target)) continue;
    try {
      return other.Definition ==
             rename_detail::TranslateBody(tables, TDialect::MySql, r.Definition, r.Name);
    } catch (const ERenameRefused&) {
      return false;
    }
  }
  return false;
}

// The targets of every name, and the refusals among them.
TPlan MakePlan(const TDbCatalog& c, TNameMap& names, const TransTables& tables) {
  TPlan plan;
  std::vector<TNamed> named;
  const bool pg = c.Flavor == TDbFlavor::Postgres;
  for (const TDbTable& t : c.Tables) {
    plan.TableTarget.push_back(names.Target(TNameKind::Table, t.Name));
    plan.FinalTable[t.Name] = plan.TableTarget.back().empty() ? t.Name : plan.TableTarget.back();
    named.push_back({"R", t.Name, plan.TableTarget.back(),
                     Described(t.View ? TDbObjectKind::View : TDbObjectKind::Table, t.Name)});
  }
  for (const std::string& other : c.OtherRelations)
    named.push_back({"R", other, {}, "\"" + other + "\" (an index, sequence, type or trigger)"});
  std::unordered_map<std::string, bool> isView;
  for (const TDbTable& t : c.Tables)
    isView[t.Name] = t.View;
  for (const TDbColumn& col : c.Columns) {
    // Columns of a view that MySQL or SQLite re-creates follow its text.
    const bool followsText = isView[col.Table] && !pg && c.Flavor != TDbFlavor::SqlServer;
    plan.ColumnTarget.push_back(followsText ? std::string()
                                            : names.Target(TNameKind::Column, col.Name, col.Table));
    named.push_back({"C" + col.Table, col.Name, plan.ColumnTarget.back(),
                     Described(TDbObjectKind::Column, col.Name, col.Table)});
  }
  for (const TDbRoutine& r : c.Routines) {
    plan.RoutineTarget.push_back(names.Target(TNameKind::Procedure, r.Name));
    plan.HalfDone.push_back(c.Flavor == TDbFlavor::MySql && !plan.RoutineTarget.back().empty() &&
                            HalfDone(c, r, plan.RoutineTarget.back(), tables));
    const std::string space = pg                             ? "F" + r.Signature
                              : c.Flavor == TDbFlavor::MySql ? (r.Function ? "F" : "P")
                                                             : "R";
    named.push_back(
        {plan.HalfDone.back() ? "done" : space, r.Name, plan.RoutineTarget.back(),
         Described(r.Function ? TDbObjectKind::Function : TDbObjectKind::Procedure, r.Name)});
  }
  std::vector<std::string> reasons = Refusals(named, c.Flavor);
  if (!reasons.empty()) throw ERenameRefused(std::move(reasons));
  return plan;
}

}  // namespace

TRenameScript BuildRenameScript(const TDbCatalog& catalog, const TTransRows& rows,
                                const TransTables& tables) {
  TNameMap names(rows, catalog.Flavor);
  const TPlan plan = MakePlan(catalog, names, tables);
  TRenameScript script;
  script.Flavor = catalog.Flavor;
  script.MariaDb = catalog.MariaDb;
  std::vector<TRenameStatement> first, last;
  const std::vector<bool> remade =
      rename_detail::AddBodies(catalog, plan, tables, script, first, last);
  std::vector<TRenameStatement>& out = script.Statements;
  out = std::move(first);
  if (catalog.Flavor == TDbFlavor::Postgres) {
    // Routines are renamed before the tables, while their argument types
    // still carry the names the catalog gave.
    for (size_t i = 0; i < catalog.Routines.size(); ++i) {
      const TDbRoutine& r = catalog.Routines[i];
      if (plan.RoutineTarget[i].empty() || remade[i]) continue;
      const TDbObjectKind kind = r.Function ? TDbObjectKind::Function : TDbObjectKind::Procedure;
      out.push_back({std::string("ALTER ") + (r.Function ? "FUNCTION " : "PROCEDURE ") +
                         rename_detail::Qualified(catalog, r.Name) + "(" + r.Signature +
                         ") RENAME TO " + QuoteName(catalog.Flavor, plan.RoutineTarget[i]),
                     kind, false, false});
      ++script.Renamed[static_cast<size_t>(kind)];
    }
  }
  AddRenames(catalog, plan, script, out);
  for (TRenameStatement& s : last)
    out.push_back(std::move(s));
  script.NotInCatalog = names.Unused();
  for (const TDbTable& t : catalog.Tables)
    script.AlreadyEnglish += names.IsEnglish(TNameKind::Table, t.Name);
  for (const TDbRoutine& r : catalog.Routines)
    script.AlreadyEnglish += names.IsEnglish(TNameKind::Procedure, r.Name);
  return script;
}

std::string RenameScriptText(const TRenameScript& script) {
  std::string out =
      "-- Renames the database's tables, views, columns and routines to their English names\n"
      "-- (qualtren-cli db rename).\n";
  if (script.Statements.empty()) return out + "-- Nothing to rename.\n";
  const bool tsql = script.Flavor == TDbFlavor::SqlServer;
  const bool mysql = script.Flavor == TDbFlavor::MySql;
  if (mysql)
    out +=
        "-- MySQL and MariaDB commit each statement by itself: a run cut short keeps what it\n"
        "-- did; run db rename --apply again to finish what is left.\n";
  else
    out += tsql ? "BEGIN TRANSACTION;\nGO\n" : "BEGIN;\n";
  for (const TRenameStatement& s : script.Statements) {
    if (mysql && s.Body)
      out += "DELIMITER ;;\n" + s.Sql + ";;\nDELIMITER ;\n";
    else
      out += s.Sql + (tsql ? "\nGO\n" : ";\n");
  }
  if (!mysql) out += tsql ? "COMMIT;\nGO\n" : "COMMIT;\n";
  return out;
}

void ApplyRenameScript(TDbConnection& db, const TRenameScript& script) {
  const bool transaction = db.TransactionalDdl();
  if (transaction) db.Begin();
  for (const TRenameStatement& s : script.Statements) {
    std::string message;
    if (db.TryExec(s.Sql, message)) continue;
    if (transaction) {
      try {
        db.Rollback();
      } catch (const std::exception&) {
        // The failure of the statement is the one to report.
      }
    }
    const size_t nl = s.Sql.find('\n');
    throw EDbError(db.Url().Text + ": " + message + " (in: " + s.Sql.substr(0, nl) +
                   (transaction ? "; nothing was changed)" : ")"));
  }
  if (transaction) db.Commit();
}

}  // namespace qualtren
