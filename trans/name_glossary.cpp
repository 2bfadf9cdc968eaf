// Building the glossary of words from the tables and glossary files, and
// looking words and phrases up in it.
#include "trans/name_glossary.h"

#include <algorithm>
#include <filesystem>

#include "base/codepage.h"
#include "base/csv.h"
#include "base/exception.h"
#include "base/utf.h"

namespace qualtren {

namespace {

constexpr TNameKind kKinds[] = {TNameKind::Table, TNameKind::Procedure, TNameKind::Column};

// The folded letter words of a text, joined by blanks; empty when the text
// holds a digit or no letter.
std::string WordKey(std::string_view text, const TWordFolder& folder, size_t* count = nullptr) {
  std::string key;
  size_t n = 0;
  for (const TNamePiece& piece : CutNamePieces(text, folder)) {
    if (piece.Digits) return {};
    if (!key.empty()) key += ' ';
    key += folder.Fold(piece.Text);
    ++n;
  }
  if (count != nullptr) *count = n;
  return key;
}

// Whether an English word of a glossary file is written to keep its form:
// two or more letters, all of them capitals ("VAT").
bool IsAcronym(std::string_view word, const TWordFolder& folder) {
  if (word.size() < 2) return false;
  for (char c : word)
    if (!folder.IsUpper(static_cast<uint8_t>(c))) return false;
  return true;
}

// A field of a glossary file in the code page.
std::string FieldInCodePage(const CsvField& field, const char* what) {
  std::string ansi;
  if (!Utf8ToAnsiExact(field.Text, ansi))
    CsvError(field.Line, std::string(what) + " \"" + field.Text +
                             "\" is no UTF-8 text that code page " +
                             std::to_string(ActiveCodePage()) + " can hold");
  return ansi;
}

}  // namespace

TNameGlossary::TNameGlossary(const TTransRows& rows, const std::vector<TGlossaryText>& files,
                             bool foldDiacritics, const std::string& tablesDir,
                             const TWordFolder& folder)
    : folder_(folder), foldDiacritics_(foldDiacritics) {
  for (const char* word : {"ID", "SQL"})
    Put(word, {{}, true, "built-in", 0});
  AddTables(rows, tablesDir);
  for (const TGlossaryText& file : files)
    AddFile(file);
  if (foldDiacritics_) FoldDiacriticKeys();
}

void TNameGlossary::Put(const std::string& key, TGlossaryEntry entry) {
  const auto it = exact_.find(key);
  if (it != exact_.end()) {
    const TGlossaryEntry& held = entries_[it->second];
    // The first row of the tables wins, as in the lookup; a glossary file
    // wins over the tables and a later file over an earlier one.
    if (held.Tier > entry.Tier || (held.Tier == 1 && entry.Tier == 1)) return;
  }
  const size_t words = static_cast<size_t>(std::count(key.begin(), key.end(), ' ')) + 1;
  longestPhrase_ = std::max(longestPhrase_, words);
  if (words == 1) longestWord_ = std::max(longestWord_, key.size());
  entries_.push_back(std::move(entry));
  keys_.push_back(key);
  exact_[key] = entries_.size() - 1;
}

void TNameGlossary::AddTables(const TTransRows& rows, const std::string& tablesDir) {
  for (TNameKind kind : kKinds) {
    const TTransTableLayout& layout = TransTableLayout(kind);
    const std::string file = tablesDir.empty()
                                 ? std::string(layout.File)
                                 : (std::filesystem::path(tablesDir) / layout.File).string();
    for (const TTransRow& row : rows[static_cast<size_t>(kind)]) {
      size_t localWords = 0;
      const std::string key = WordKey(row.Local, folder_, &localWords);
      if (localWords != 1) continue;
      const std::vector<TNamePiece> english = CutNamePieces(row.English, folder_);
      if (english.size() != 1 || english.front().Digits) continue;
      Put(key, {{{english.front().Text, false, false}},
                false,
                file + " record " + std::to_string(row.Record),
                1});
    }
  }
}

void TNameGlossary::AddFile(const TGlossaryText& file) {
  try {
    const std::vector<CsvRow> rows = ParseCsv(file.Csv);
    if (rows.empty()) throw Exception("the file is empty: it needs the header Word,English");
    const CsvRow& header = rows.front();
    if (header.Fields.size() != 2 || AnsiUpperCase(header.Fields[0].Text) != "WORD" ||
        AnsiUpperCase(header.Fields[1].Text) != "ENGLISH")
      CsvError(header.Line, "the header is not Word,English");
    for (size_t r = 1; r < rows.size(); ++r) {
      const CsvRow& row = rows[r];
      if (row.Fields.size() == 1 && row.Fields[0].Text.empty()) continue;  // an empty line
      if (row.Fields.size() != 2)
        CsvError(row.Line, "the row has " + std::to_string(row.Fields.size()) +
                               (row.Fields.size() == 1 ? " field" : " fields") +
                               " where the header has 2");
      const std::string key = WordKey(FieldInCodePage(row.Fields[0], "the word"), folder_);
      if (key.empty())
        CsvError(row.Line, "the word \"" + row.Fields[0].Text +
                               "\" holds no letter, or a digit, which names never match");
      TGlossaryEntry entry{{}, false, file.Name + " line " + std::to_string(row.Line), 2};
      for (TNamePiece& piece :
           CutNamePieces(FieldInCodePage(row.Fields[1], "the English"), folder_)) {
        const bool keep = !piece.Digits && IsAcronym(piece.Text, folder_);
        entry.English.push_back({std::move(piece.Text), keep, piece.Digits});
      }
      if (entry.English.empty())
        CsvError(row.Fields[1].Line,
                 "the English of \"" + row.Fields[0].Text + "\" is empty or holds no word");
      Put(key, std::move(entry));
    }
  } catch (const std::exception& e) {
    throw Exception(file.Name + ": " + MessageWithReason(e));
  }
}

void TNameGlossary::FoldDiacriticKeys() {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string& key = keys_[i];
    if (exact_.at(key) != i || !folder_.HasDiacritics(key)) continue;  // put over, or no diacritic
    for (std::string& form : folder_.DiacriticForms(key)) {
      if (form.find(' ') == std::string::npos) longestWord_ = std::max(longestWord_, form.size());
      plain_[std::move(form)] = i;
    }
  }
}

const TGlossaryEntry* TNameGlossary::Find(std::string_view key, bool& folded) const {
  folded = false;
  if (const auto it = exact_.find(key); it != exact_.end()) return &entries_[it->second];
  if (!foldDiacritics_ || plain_.empty()) return nullptr;
  if (const auto it = plain_.find(folder_.FoldDiacritics(key)); it != plain_.end()) {
    folded = true;
    return &entries_[it->second];
  }
  return nullptr;
}

bool TNameGlossary::KnowsWord(std::string_view folded) const {
  bool byFold = false;
  return folded.find(' ') == std::string_view::npos && Find(folded, byFold) != nullptr;
}

}  // namespace qualtren
