// The name report: every word of every line, as the translator tells it,
// counted by what became of it; statements cut at semicolons and batch
// lines, and their tables worked out as the automatic table name does.
#include "cli/name_report.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/utf.h"
#include "trans/auto_table_name.h"
#include "trans/name_guess.h"
#include "trans/sql_words.h"
#include "trans/unknown_name.h"

namespace qualtren {

namespace {

// Of each statement this much text is kept, to give its table name in the
// letter case the statement writes it in.
constexpr size_t kKeptStatementText = 1u << 20;

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
  std::array<TKindNames, 2> Inside;  // in strings, in comments
  std::array<std::vector<TNamePlace>, 2> Places;
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
  // With a dialect the lexer tells strings and comments; without one a
  // string runs from a single quote to the next, over line breaks.
  const std::vector<TLexSpan>* spans = line.Spans;
  size_t s = 0;
  auto kindAt = [&](size_t c) {
    while (s < spans->size() && (*spans)[s].End <= c)
      ++s;
    return s < spans->size() ? (*spans)[s].Kind : TLexKind::Code;
  };
  const bool startsInCode =
      spans ? spans->empty() || (*spans)[0].Kind == TLexKind::Code || (*spans)[0].Begin > 0
            : !inQuotes_;
  const bool batchLine = startsInCode && (EqualsNoCase(trimmed, "go") || trimmed == "/");
  size_t w = 0, statementStart = 0;
  for (size_t c = 0; c < in.size();) {
    if (w < line.Words.size() && line.Words[w].InputOffset == c) {
      const TWordResult& word = line.Words[w];
      OnWord(word, in, spans ? word.Where == TLexKind::String : inQuotes_);
      c += word.InputLength;
      ++w;
      continue;
    }
    if (spans) {
      if (in[c] == ';' && kindAt(c) == TLexKind::Code) {
        Feed(in.substr(statementStart, c - statementStart));
        EndStatement();
        statementStart = c + 1;
      }
    } else if (in[c] == '\'') {
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
    if (w.Where == TLexKind::String || w.Where == TLexKind::Comment) {
      const size_t k = w.Where == TLexKind::String ? 0 : 1;
      ++Inside[k].Count;
      Inside[k].Folded.insert(FoldName(Utf8(word)));
      if (Places[k].size() < kFirstPlaces) Places[k].push_back({Utf8(word), name_, line_});
      return;
    }
    TKindNames& kind = Replaced[static_cast<size_t>(w.Result)];
    ++kind.Count;
    kind.Folded.insert(FoldName(Utf8(word)));
    return;
  }
  if (quoted) return;
  std::string utf8Word = Utf8(word);
  if (IsUnknownName(input, w, quoted, utf8Word)) pending_.push_back({std::move(utf8Word), line_});
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
  return StatementTableAsWritten(scanner_.Name(), kept_);
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
    for (size_t k = 0; k < inside_.size(); ++k) {
      inside_[k].Count += file_->Inside[k].Count;
      inside_[k].Folded.merge(file_->Inside[k].Folded);
      for (TNamePlace& p : file_->Places[k])
        if (places_[k].size() < kFirstPlaces) places_[k].push_back(std::move(p));
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

TNameCount TNameReport::ReplacedInside(TLexKind where) const {
  const TKindNames& k = inside_[where == TLexKind::String ? 0 : 1];
  return {k.Count, k.Folded.size()};
}

const std::vector<TNamePlace>& TNameReport::PlacesInside(TLexKind where) const {
  return places_[where == TLexKind::String ? 0 : 1];
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
