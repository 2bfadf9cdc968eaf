// The check of the three translation tables as a set, in hash maps over the
// folded names so that it stays linear in the rows.
#include "trans/table_check.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "trans/sql_words.h"
#include "trans/translate.h"

namespace qualtren {

namespace {

// The kinds of finding, one row each, in the order of TCheckKind.
constexpr TCheckKindInfo kKinds[kCheckKindCount] = {
    {TCheckKind::EmptyEnglish, true, "empty-english-name",
     "the English name is empty: the word {local} vanishes from the translated SQL"},
    {TCheckKind::EnglishSeparator, true, "english-name-separator",
     "the English name {english} holds {english-separator}, where the translation cuts words: "
     "the SQL gets it as more than one word, and a second run cannot match it"},
    {TCheckKind::ConflictingDuplicate, true, "conflicting-duplicate",
     "the local name {local} is given another English name by {other}, which comes first and "
     "wins: this row is never used"},
    {TCheckKind::UnmatchableLocal, true, "unmatchable-local-name",
     "the local name is empty: it can never match a word"},
    {TCheckKind::QuotedOnlyLocal, false, "quoted-only-local-name",
     "the local name {local} holds {local-separator}, where the translation cuts words: it "
     "matches only where the SQL writes it as a quoted name and is translated with --dialect"},
    {TCheckKind::LocalIsKeyword, false, "local-name-keyword",
     "the local name {local} is an SQL keyword: wherever a statement uses that keyword, it "
     "becomes {english} too"},
    {TCheckKind::ReservedEnglish, false, "reserved-english-name",
     "the English name {english} is a reserved word of SQL: the translated SQL does not parse "
     "where it stands unquoted"},
    {TCheckKind::SharedEnglish, false, "shared-english-name",
     "the English name {english} is also that of {other}: {two-names} get one name, which the "
     "translated SQL cannot tell apart"},
    {TCheckKind::EnglishIsLocal, false, "english-name-is-local",
     "the English name {english} is the local name of {other}: a second run over the translated "
     "SQL translates it again, to {other-english}"},
    {TCheckKind::UnknownTable, false, "unknown-table",
     "the table name {scope}{rows-naming} is in no row of {table-file}: the table's own name "
     "stays untranslated, or the name is misspelt and {rows-are} preferred for no table"},
    {TCheckKind::RepeatedRow, false, "repeated-row",
     "the same local and English names as {other}, which comes first: harmless, the row can go"},
};

size_t KindIndex(TNameKind kind) {
  return static_cast<size_t>(kind);
}

bool HoldsSeparator(std::string_view name) {
  return std::any_of(name.begin(), name.end(), IsSeparator);
}

// Where a row stands among the rows of the three tables.
struct TRowRef {
  size_t Table = 0;
  size_t Index = 0;
};

class TChecker {
 public:
  explicit TChecker(const TTransRows& rows) : rows_(rows) {}

  std::vector<TCheckFinding> Run() {
    // The local table names, for the column rows that name a table.
    for (const TTransRow& r : rows_[KindIndex(TNameKind::Table)])
      tableNames_.insert(FoldTransName(r.Local));

    // Each row by itself and against the rows before it.
    for (size_t t = 0; t < 3; ++t) {
      state_[t].assign(rows_[t].size(), TState::Unused);
      std::unordered_map<std::string, size_t> firstOfLocal;
      std::unordered_map<std::string, size_t> firstOfEnglish;
      for (size_t i = 0; i < rows_[t].size(); ++i) {
        const TTransRow& r = rows_[t][i];
        if (t == KindIndex(TNameKind::Column)) NoteTableName(i);
        if (r.Local.empty()) {
          Add(TCheckKind::UnmatchableLocal, {t, i});
          continue;
        }
        const auto [first, isFirst] = firstOfLocal.emplace(TransNameKey(r.Scope, r.Local), i);
        if (!isFirst) {
          const bool same = rows_[t][first->second].English == r.English;
          Add(same ? TCheckKind::RepeatedRow : TCheckKind::ConflictingDuplicate, {t, i},
              TRowRef{t, first->second});
          continue;
        }
        state_[t][i] = TState::Gives;
        // A name that holds a separator is never a word; written as a quoted
        // name it is looked up whole under a dialect, so the rest still holds.
        if (HoldsSeparator(r.Local)) Add(TCheckKind::QuotedOnlyLocal, {t, i});
        if (IsSqlKeyword(r.Local) && FoldTransName(r.Local) != FoldTransName(r.English))
          Add(TCheckKind::LocalIsKeyword, {t, i});
        if (r.English.empty()) {
          Add(TCheckKind::EmptyEnglish, {t, i});
          continue;
        }
        if (HoldsSeparator(r.English)) {
          Add(TCheckKind::EnglishSeparator, {t, i});
          continue;
        }
        state_[t][i] = TState::GivesName;
        if (IsReservedSqlWord(r.English)) Add(TCheckKind::ReservedEnglish, {t, i});
        const auto [shared, isNew] = firstOfEnglish.emplace(TransNameKey(r.Scope, r.English), i);
        if (!isNew) Add(TCheckKind::SharedEnglish, {t, i}, TRowRef{t, shared->second});
      }
    }

    // The English names that are local names too, of a row that gives
    // another English name.
    std::unordered_map<std::string, TLocalEntry> locals;
    for (size_t t = 0; t < 3; ++t)
      for (size_t i = 0; i < rows_[t].size(); ++i)
        if (state_[t][i] != TState::Unused) NoteLocal(locals, {t, i});
    for (size_t t = 0; t < 3; ++t)
      for (size_t i = 0; i < rows_[t].size(); ++i) {
        if (state_[t][i] != TState::GivesName) continue;
        const std::string& english = rows_[t][i].English;
        const auto it = locals.find(FoldTransName(english));
        if (it == locals.end()) continue;
        const TLocalEntry& e = it->second;
        if (Row(e.First).English != english)
          Add(TCheckKind::EnglishIsLocal, {t, i}, e.First);
        else if (e.Other)
          Add(TCheckKind::EnglishIsLocal, {t, i}, *e.Other);
      }

    for (const auto& [name, unknown] : unknownTables_) {
      (void)name;
      Add(TCheckKind::UnknownTable, {KindIndex(TNameKind::Column), unknown.First});
      findings_.back().Rows = unknown.Rows;
    }

    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const TCheckFinding& a, const TCheckFinding& b) {
                       const bool ea = IsCheckError(a.Kind), eb = IsCheckError(b.Kind);
                       if (ea != eb) return ea;
                       if (a.Kind != b.Kind) return a.Kind < b.Kind;
                       if (a.Row.Table != b.Row.Table) return a.Row.Table < b.Row.Table;
                       return a.Row.Row.Record < b.Row.Row.Record;
                     });
    return std::move(findings_);
  }

 private:
  // A local name: its first row and, when there is one, a row of it that
  // gives another English name than the first.
  struct TLocalEntry {
    TRowRef First;
    std::optional<TRowRef> Other;
  };
  // What the lookup makes of a row: nothing (its local name never matches,
  // or an earlier row of it wins), its English name, or its English name
  // when that is a name (not empty, no separator).
  enum class TState : uint8_t { Unused, Gives, GivesName };
  struct TUnknownTable {
    size_t First = 0;
    int Rows = 0;
  };

  const TTransRow& Row(TRowRef ref) const { return rows_[ref.Table][ref.Index]; }

  void NoteLocal(std::unordered_map<std::string, TLocalEntry>& locals, TRowRef ref) const {
    const auto [it, isNew] =
        locals.emplace(FoldTransName(Row(ref).Local), TLocalEntry{ref, std::nullopt});
    if (!isNew && !it->second.Other && Row(it->second.First).English != Row(ref).English)
      it->second.Other = ref;
  }

  void NoteTableName(size_t columnRow) {
    const std::string& scope = rows_[KindIndex(TNameKind::Column)][columnRow].Scope;
    // An empty table name stands for any table, as report writes it.
    if (scope.empty()) return;
    std::string folded = FoldTransName(scope);
    if (tableNames_.count(folded) != 0) return;
    const auto [it, isNew] = unknownTables_.emplace(std::move(folded), TUnknownTable{columnRow, 0});
    (void)isNew;
    ++it->second.Rows;
  }

  void Add(TCheckKind kind, TRowRef row, std::optional<TRowRef> other = std::nullopt) {
    TCheckFinding f;
    f.Kind = kind;
    f.Row = {static_cast<TNameKind>(row.Table), Row(row)};
    if (other) f.Other = TCheckRow{static_cast<TNameKind>(other->Table), Row(*other)};
    findings_.push_back(std::move(f));
  }

  const TTransRows& rows_;
  std::array<std::vector<TState>, 3> state_;
  std::unordered_set<std::string> tableNames_;
  std::unordered_map<std::string, TUnknownTable> unknownTables_;
  std::vector<TCheckFinding> findings_;
};

}  // namespace

const TCheckKindInfo& CheckKindInfo(TCheckKind kind) {
  return kKinds[static_cast<size_t>(kind)];
}

bool IsCheckError(TCheckKind kind) {
  return CheckKindInfo(kind).Error;
}

std::vector<TCheckFinding> CheckTransRows(const TTransRows& rows) {
  return TChecker(rows).Run();
}

std::string SeparatorIn(std::string_view name) {
  for (char c : name) {
    if (!IsSeparator(c)) continue;
    switch (c) {
      case ' ':
        return "a blank";
      case '\t':
        return "a tab";
      case '\r':
      case '\n':
        return "a line break";
      case '.':
        return "a full stop";
      default:
        return std::string("the separator \"") + c + "\"";
    }
  }
  return "a separator";
}

}  // namespace qualtren
