// The name report: every word of every line, as the translator tells it,
// counted by what became of it; statements cut at semicolons and batch
// lines, and their tables worked out as the automatic table name does.
#include "cli/name_report.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/utf.h"
#include "cli/sql_words.h"
#include "trans/auto_table_name.h"

namespace qualtren {

namespace {

// Of each statement this much text is kept, to give its table name in the
// letter case the statement writes it in.
constexpr size_t kKeptStatementText = 1u << 20;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && static_cast<uint8_t>(s.front()) <= 32)
    s.remove_prefix(1);
  while (!s.empty() && static_cast<uint8_t>(s.back()) <= 32)
    s.remove_suffix(1);
  return s;
}

bool IsQuoteOrBracket(char c) {
  return c == '[' || c == ']' || c == '"' || c == '`';
}

// The table's own name in what the automatic table name gives: the text up
// to the first separator other than the full stop and the brackets (so a
// line break, a parenthesis or a semicolon ends it), of a dotted name the
// last part, without brackets or quotes.
std::string TableWord(std::string_view name) {
  size_t end = 0;
  while (end < name.size() &&
         (name[end] == '.' || name[end] == '[' || name[end] == ']' || !IsSeparator(name[end])))
    ++end;
  name = name.substr(0, end);
  if (const size_t dot = name.find_last_of('.'); dot != std::string_view::npos)
    name.remove_prefix(dot + 1);
  while (!name.empty() && IsQuoteOrBracket(name.front()))
    name.remove_prefix(1);
  while (!name.empty() && IsQuoteOrBracket(name.back()))
    name.remove_suffix(1);
  return std::string(name);
}

void AddTable(std::vector<std::string>& tables, const std::string& table) {
  if (table.empty()) return;
  const std::string folded = FoldName(table);
  for (const std::string& t : tables)
    if (FoldName(t) == folded) return;
  tables.push_back(table);
}

}  // namespace

// What one file gives, until it is kept or dropped.
class TNameReport::TFileObserver : public TLineObserver {
 public:
  explicit TFileObserver(std::string name) : name_(std::move(name)) {}

  void OnBegin(const TTextForm& form) override { utf8_ = form.Utf8(); }
  void OnLine(const TLineResult& line) override;
  // Ends the last statement.
  void Finish() { EndStatement(); }

  std::array<TKindNames, 4> Replaced;
  std::vector<TUnknownName> Unknown;  // in the order first met
  uint64_t UnknownCount = 0;

 private:
  struct TPending {
    std::string Word;
    uint64_t Line;
  };

  void OnWord(const TWordResult& w, std::string_view input, bool quoted);
  // The text in UTF-8, as the report keeps every name.
  std::string Utf8(std::string_view text) const {
    return utf8_ ? std::string(text) : AnsiToUtf8(text);
  }
  void Feed(std::string_view piece);
  void EndStatement();
  std::string StatementTable() const;

  std::string name_;
  bool utf8_ = false;                              // the lines are UTF-8, else ANSI
  std::unordered_map<std::string, size_t> index_;  // folded word -> Unknown
  uint64_t line_ = 0;
  bool inQuotes_ = false;  // runs on over line breaks, as a string does
  TAutoTableNameScanner scanner_;
  std::string kept_;               // the statement's text so far, up to the bound
  std::vector<TPending> pending_;  // unknown words of the statement, until its table is known
};

void TNameReport::TFileObserver::OnLine(const TLineResult& line) {
  ++line_;
  const std::string_view in = line.Input;
  const std::string_view trimmed = TrimBlanks(in);
  const bool batchLine = !inQuotes_ && (EqualsNoCase(trimmed, "go") || trimmed == "/");
  size_t w = 0, statementStart = 0;
  for (size_t c = 0; c < in.size();) {
    if (w < line.Words.size() && line.Words[w].InputOffset == c) {
      OnWord(line.Words[w], in, inQuotes_);
      c += line.Words[w].InputLength;
      ++w;
      continue;
    }
    if (in[c] == '\'') {
      inQuotes_ = !inQuotes_;
    } else if (in[c] == ';' && !inQuotes_) {
      Feed(in.substr(statementStart, c - statementStart));
      EndStatement();
      statementStart = c + 1;
    }
    ++c;
  }
  if (batchLine) {
    EndStatement();
    return;
  }
  Feed(in.substr(statementStart));
  Feed("\r\n");
}

void TNameReport::TFileObserver::OnWord(const TWordResult& w, std::string_view input, bool quoted) {
  const std::string_view word = input.substr(w.InputOffset, w.InputLength);
  if (w.Result != TWordResult::Outcome::Kept) {
    TKindNames& kind = Replaced[static_cast<size_t>(w.Result)];
    ++kind.Count;
    kind.Folded.insert(FoldName(Utf8(word)));
    return;
  }
  const size_t after = w.InputOffset + w.InputLength;
  const bool keptBySqlExp =
      after < input.size() && input[after] == '(' && EqualsNoCase(word, "sqlExp");
  if (quoted || keptBySqlExp) return;
  std::string utf8Word = Utf8(word);
  if (LooksLikeName(utf8Word)) pending_.push_back({std::move(utf8Word), line_});
}

void TNameReport::TFileObserver::Feed(std::string_view piece) {
  scanner_.Feed(piece);
  if (kept_.size() < kKeptStatementText)
    kept_.append(piece.substr(0, kKeptStatementText - kept_.size()));
}

void TNameReport::TFileObserver::EndStatement() {
  if (!pending_.empty()) {
    const std::string table = Utf8(StatementTable());
    for (TPending& p : pending_) {
      std::string folded = FoldName(p.Word);
      auto [it, added] = index_.try_emplace(std::move(folded), Unknown.size());
      if (added) Unknown.push_back({std::move(p.Word), 0, name_, p.Line, {}});
      TUnknownName& u = Unknown[it->second];
      ++u.Count;
      ++UnknownCount;
      AddTable(u.Tables, table);
    }
    pending_.clear();
  }
  scanner_ = TAutoTableNameScanner();
  kept_.clear();
}

std::string TNameReport::TFileObserver::StatementTable() const {
  std::string name = scanner_.Name();
  if (name.empty()) return {};
  // The scanner lowers A to Z; the same bytes stand at the same place of the
  // text as written, after the first "from " and the blanks behind it.
  if (const size_t at = PosNoCase("from ", kept_); at > 0) {
    size_t start = at - 1 + 5;
    while (start < kept_.size() && static_cast<uint8_t>(kept_[start]) <= 32)
      ++start;
    if (start + name.size() <= kept_.size()) name = kept_.substr(start, name.size());
  }
  return TableWord(name);
}

TNameReport::TNameReport() = default;
TNameReport::~TNameReport() = default;

TLineObserver& TNameReport::BeginFile(const std::string& name) {
  file_ = std::make_unique<TFileObserver>(name);
  return *file_;
}

void TNameReport::EndFile(bool keep) {
  if (!file_) return;
  if (keep) {
    file_->Finish();
    ++files_;
    for (size_t k = 0; k < replaced_.size(); ++k) {
      replaced_[k].Count += file_->Replaced[k].Count;
      replaced_[k].Folded.merge(file_->Replaced[k].Folded);
    }
    for (TUnknownName& u : file_->Unknown) {
      auto [it, added] = unknownIndex_.try_emplace(FoldName(u.Word), unknown_.size());
      if (added) {
        unknown_.push_back(std::move(u));
        continue;
      }
      TUnknownName& known = unknown_[it->second];
      known.Count += u.Count;
      for (const std::string& table : u.Tables)
        AddTable(known.Tables, table);
    }
    unknownCount_ += file_->UnknownCount;
  }
  file_.reset();
}

TNameCount TNameReport::Replaced(TWordResult::Outcome kind) const {
  const TKindNames& k = replaced_[static_cast<size_t>(kind)];
  return {k.Count, k.Folded.size()};
}

TNameCount TNameReport::UnknownCount() const {
  return {unknownCount_, unknown_.size()};
}

std::vector<TUnknownName> TNameReport::Unknown() const {
  std::vector<TUnknownName> sorted = unknown_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TUnknownName& a, const TUnknownName& b) { return a.Count > b.Count; });
  return sorted;
}

}  // namespace qualtren
