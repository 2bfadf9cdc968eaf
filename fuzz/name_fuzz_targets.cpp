// The fuzz target of the cutter of names into words and of the proposal of
// English names: the words must cover the name's letters and digits exactly,
// and a proposal must be made of known words only, over a glossary that the
// input may also give.
#include <cstdlib>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "base/exception.h"
#include "fuzz/fuzz_targets.h"
#include "trans/name_suggester.h"
#include "trans/name_words.h"

namespace qualtren::fuzz {

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The pieces cover the letters and digits of the name in order, each one a
// run of one class with only dropped bytes between it and the one before,
// and two runs of digits never side by side.
void CheckPieces(std::string_view name, const TWordFolder& folder) {
  auto kept = [&](char c) { return IsDigit(c) || folder.IsLetter(static_cast<uint8_t>(c)); };
  size_t at = 0;
  bool lastDigits = false;
  for (const TNamePiece& piece : CutNamePieces(name, folder)) {
    Require(!piece.Text.empty());
    for (char c : piece.Text)
      Require(piece.Digits ? IsDigit(c) : folder.IsLetter(static_cast<uint8_t>(c)));
    size_t start = at;
    while (start < name.size() && !kept(name[start]))
      ++start;
    Require(name.substr(start, piece.Text.size()) == piece.Text);
    Require(!(piece.Digits && lastDigits && start == at));
    lastDigits = piece.Digits;
    at = start + piece.Text.size();
  }
  for (; at < name.size(); ++at)
    Require(!kept(name[at]));
}

// Tables of a few one-word rows, with the letters č and đ of code page 1250.
TTransRows Rows() {
  TTransRows rows;
  rows[0] = {{1, "", "Ra\xE8un", "Invoice"}, {2, "", "Kupac", "Customer"}};
  rows[2] = {{1, "Kupac",
              "Me\xF0"
              "a",
              "Boundary"},
             {2, "Kupac", "Id", "Key"}};
  return rows;
}

}  // namespace

int NameWords(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const uint8_t options = data[0];
  const int codePage = ActiveCodePage();
  SetActiveCodePage(SupportedCodePages()[options % SupportedCodePages().size()]);
  // The name, and after a NUL byte the text of a glossary file.
  const size_t nul = input.find('\0');
  const std::string name = input.substr(0, nul);
  std::vector<TGlossaryText> glossaries = {
      {"g.csv", "Word,English\nstavka racuna,invoice item\nna,on\nstanju,hand\npdv,VAT\n"}};
  if (nul != std::string::npos) glossaries.push_back({"f.csv", input.substr(nul + 1)});
  const TWordFolder folder;
  CheckPieces(name, folder);
  TSuggestOptions suggest;
  if (options & 0x80) suggest.Style = static_cast<TNameStyle>((options >> 4) & 3);
  suggest.FoldDiacritics = (options & 0x08) != 0;
  try {
    const TNameSuggester suggester(Rows(), suggest, glossaries);
    const TNameKind kind = static_cast<TNameKind>((options >> 1) % 3);
    const TNameSuggestion s = suggester.Suggest(kind, name);
    Require(s.English == suggester.Propose(kind, name));
    if (s.English) {
      Require(s.Unknown.empty() && !s.Words.empty() && !s.English->empty());
      for (const TNamePiece& piece : CutNamePieces(*s.English, folder))
        Require(!piece.Text.empty());
    } else {
      Require(s.Words.empty());
    }
  } catch (const Exception&) {
    // A glossary text that cannot be read.
    Require(nul != std::string::npos);
  }
  SetActiveCodePage(codePage);
  return 0;
}

}  // namespace qualtren::fuzz
