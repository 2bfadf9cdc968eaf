// Proposing English names: cutting a local name into known words, matching
// phrases, and composing the English words in the style of the proposal.
#include "trans/name_suggester.h"

#include <algorithm>
#include <limits>

#include "base/stream.h"

namespace qualtren {

namespace {

std::vector<TGlossaryText> ReadGlossaries(const std::vector<std::string>& files) {
  std::vector<TGlossaryText> texts;
  for (const std::string& file : files)
    texts.push_back({file, ReadWholeFile(file)});
  return texts;
}

// The style most English names of the rows use; pascal when none tells.
TNameStyle MostUsedStyle(const std::vector<TTransRow>& rows, const TWordFolder& folder) {
  std::array<size_t, 4> counts{};
  for (const TTransRow& row : rows)
    if (const std::optional<TNameStyle> style = StyleOfName(row.English, folder))
      ++counts[static_cast<size_t>(*style)];
  size_t best = 0;
  for (size_t s = 1; s < counts.size(); ++s)
    if (counts[s] > counts[best]) best = s;
  return static_cast<TNameStyle>(best);
}

// The English of a built-in word: the local word as written, with a
// capital first letter when it has no capital ("id" -> "Id").
std::string BuiltinEnglish(const std::string& local, const TWordFolder& folder) {
  for (char c : local)
    if (folder.IsUpper(static_cast<uint8_t>(c))) return local;
  std::string out = folder.Lower(local);
  out.front() = folder.Upper(out.substr(0, 1)).front();
  return out;
}

}  // namespace

TNameSuggester::TNameSuggester(const TTransRows& rows, const TSuggestOptions& options,
                               const std::vector<std::string>& glossaryFiles)
    : TNameSuggester(rows, options, ReadGlossaries(glossaryFiles)) {}

TNameSuggester::TNameSuggester(const TTransRows& rows, const TSuggestOptions& options,
                               const std::vector<TGlossaryText>& glossaries)
    : glossary_(rows, glossaries, options.FoldDiacritics, options.TablesDir, folder_) {
  for (size_t kind = 0; kind < styles_.size(); ++kind)
    styles_[kind] = options.Style ? *options.Style : MostUsedStyle(rows[kind], folder_);
}

bool TNameSuggester::SplitRun(const TNamePiece& run, std::vector<TNamePiece>& out) const {
  // The fewest one-word rows that cover the run exactly: fewest[i] words
  // cover its first i bytes, the last of them from[i] bytes long.
  // A run longer than any name is left whole rather than searched.
  constexpr size_t kLongestRun = 256;
  if (run.Text.size() > kLongestRun) return false;
  const std::string folded = folder_.Fold(run.Text);
  const size_t n = folded.size(), longest = glossary_.LongestWord();
  constexpr size_t kNone = std::numeric_limits<size_t>::max();
  std::vector<size_t> fewest(n + 1, kNone), from(n + 1, 0);
  fewest[0] = 0;
  for (size_t end = 1; end <= n; ++end)
    for (size_t length = std::min(end, longest); length >= 1; --length) {
      const size_t start = end - length;
      if (fewest[start] == kNone || fewest[start] + 1 >= fewest[end]) continue;
      if (!glossary_.KnowsWord(std::string_view(folded).substr(start, length))) continue;
      fewest[end] = fewest[start] + 1;
      from[end] = length;
    }
  if (fewest[n] == kNone) return false;
  std::vector<TNamePiece> words;
  for (size_t end = n; end > 0; end -= from[end])
    words.push_back({run.Text.substr(end - from[end], from[end]), false});
  out.insert(out.end(), words.rbegin(), words.rend());
  return true;
}

std::vector<TNamePiece> TNameSuggester::Pieces(std::string_view localName) const {
  std::vector<TNamePiece> pieces;
  for (TNamePiece& piece : CutNamePieces(localName, folder_)) {
    if (piece.Digits || glossary_.KnowsWord(folder_.Fold(piece.Text)) || !SplitRun(piece, pieces))
      pieces.push_back(std::move(piece));
  }
  return pieces;
}

TNameSuggestion TNameSuggester::Suggest(TNameKind kind, std::string_view localName) const {
  TNameSuggestion out;
  const std::vector<TNamePiece> pieces = Pieces(localName);
  std::vector<std::string> foldedPieces;
  for (const TNamePiece& piece : pieces)
    foldedPieces.push_back(piece.Digits ? std::string() : folder_.Fold(piece.Text));
  std::vector<TEnglishWord> english;
  std::vector<std::string> unknownFolded;
  bool anyWord = false;
  for (size_t i = 0; i < pieces.size();) {
    if (pieces[i].Digits) {
      english.push_back({pieces[i].Text, false, true});
      ++i;
      continue;
    }
    anyWord = true;
    // The longest run of words from here that a row holds.
    size_t letters = 0;
    while (i + letters < pieces.size() && !pieces[i + letters].Digits)
      ++letters;
    const TGlossaryEntry* entry = nullptr;
    bool folded = false;
    size_t taken = std::min(letters, glossary_.LongestPhrase());
    // The key of the longest run, whose first words key the shorter ones.
    std::string key = foldedPieces[i];
    std::vector<size_t> ends{key.size()};
    for (size_t w = 1; w < taken; ++w) {
      key += ' ';
      key += foldedPieces[i + w];
      ends.push_back(key.size());
    }
    for (; taken >= 1; --taken) {
      entry = glossary_.Find(std::string_view(key).substr(0, ends[taken - 1]), folded);
      if (entry != nullptr) break;
    }
    if (entry == nullptr) {
      const std::string& key = foldedPieces[i];
      if (std::find(unknownFolded.begin(), unknownFolded.end(), key) == unknownFolded.end()) {
        unknownFolded.push_back(key);
        out.Unknown.push_back(pieces[i].Text);
      }
      ++i;
      continue;
    }
    TSuggestedWord used{{}, {}, entry->Source, folded};
    for (size_t w = 0; w < taken; ++w)
      used.Local += (w ? " " : "") + pieces[i + w].Text;
    if (entry->Builtin) {
      english.push_back({BuiltinEnglish(pieces[i].Text, folder_), true, false});
      used.English = english.back().Text;
    }
    for (const TEnglishWord& word : entry->English) {
      english.push_back(word);
      used.English += (used.English.empty() ? "" : " ") + word.Text;
    }
    out.Words.push_back(std::move(used));
    i += taken;
  }
  if (!out.Unknown.empty() || !anyWord) {
    out.Words.clear();
    return out;
  }
  out.English = ComposeName(english, StyleOf(kind), folder_);
  return out;
}

std::optional<std::string> TNameSuggester::Propose(TNameKind kind,
                                                   std::string_view localName) const {
  return Suggest(kind, localName).English;
}

}  // namespace qualtren
