// Cutting names into words, folding words, and joining English words in a
// naming style.
#include "trans/name_words.h"

#include "base/codepage.h"

namespace qualtren {

namespace {

// The letters with diacritics that a plain letter stands for when diacritics
// are folded: c-caron and c-acute as C, s-caron as S, z-caron as Z,
// d-stroke as D (and DJ).
struct TPlainLetter {
  char32_t Upper, Lower;
  uint8_t Plain;
};
constexpr TPlainLetter kPlainLetters[] = {
    {0x010C, 0x010D, 'C'}, {0x0106, 0x0107, 'C'}, {0x0160, 0x0161, 'S'},
    {0x017D, 0x017E, 'Z'}, {0x0110, 0x0111, 'D'},
};

}  // namespace

std::optional<TNameStyle> NameStyleFromName(std::string_view name) {
  if (name == "pascal") return TNameStyle::Pascal;
  if (name == "camel") return TNameStyle::Camel;
  if (name == "snake") return TNameStyle::Snake;
  if (name == "upper-snake") return TNameStyle::UpperSnake;
  return std::nullopt;
}

TWordFolder::TWordFolder() {
  const TCodePageTable& page = ActiveCodePageTable();
  for (int b = 0; b < 256; ++b) {
    toUpper_[b] = page.Upper[b];
    toLower_[b] = static_cast<uint8_t>(b);
    plain_[b] = static_cast<uint8_t>(b);
  }
  for (int b = 0; b < 256; ++b) {
    const uint8_t up = page.Upper[b];
    if (up == b) continue;
    lower_[b] = true;
    if (!upper_[up]) toLower_[up] = static_cast<uint8_t>(b);
    upper_[up] = true;
  }
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = page.ToUnicode[b];
    if (b < 0x80)
      letter_[b] = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
    else
      letter_[b] =
          page.Defined[b] && (upper_[b] || lower_[b] || (cp >= 0xC0 && cp != 0xD7 && cp != 0xF7));
    for (const TPlainLetter& p : kPlainLetters) {
      if (p.Upper != cp && p.Lower != cp) continue;
      plain_[b] = p.Plain;
      dStroke_[b] = p.Plain == 'D';
    }
  }
}

std::string TWordFolder::Fold(std::string_view word) const {
  return Upper(word);
}

std::string TWordFolder::Upper(std::string_view word) const {
  std::string out(word);
  for (char& c : out)
    c = static_cast<char>(toUpper_[static_cast<uint8_t>(c)]);
  return out;
}

std::string TWordFolder::Lower(std::string_view word) const {
  std::string out(word);
  for (char& c : out)
    c = static_cast<char>(toLower_[static_cast<uint8_t>(c)]);
  return out;
}

std::string TWordFolder::FoldDiacritics(std::string_view folded) const {
  std::string out(folded);
  for (char& c : out)
    c = static_cast<char>(plain_[static_cast<uint8_t>(c)]);
  return out;
}

bool TWordFolder::HasDiacritics(std::string_view word) const {
  for (char c : word)
    if (plain_[static_cast<uint8_t>(c)] != static_cast<uint8_t>(c)) return true;
  return false;
}

std::vector<std::string> TWordFolder::DiacriticForms(std::string_view folded) const {
  std::vector<std::string> forms{""};
  for (char c : folded) {
    const uint8_t b = static_cast<uint8_t>(c);
    const size_t n = forms.size();
    if (dStroke_[b] && n < 16) {
      for (size_t i = 0; i < n; ++i)
        forms.push_back(forms[i] + "DJ");
      for (size_t i = 0; i < n; ++i)
        forms[i] += 'D';
      continue;
    }
    for (std::string& form : forms)
      form += static_cast<char>(plain_[b]);
  }
  return forms;
}

std::vector<TNamePiece> CutNamePieces(std::string_view name, const TWordFolder& folder) {
  std::vector<TNamePiece> pieces;
  auto isDigit = [](uint8_t b) { return b >= '0' && b <= '9'; };
  size_t i = 0;
  const size_t n = name.size();
  while (i < n) {
    const uint8_t b = static_cast<uint8_t>(name[i]);
    if (isDigit(b)) {
      size_t j = i;
      while (j < n && isDigit(static_cast<uint8_t>(name[j])))
        ++j;
      pieces.push_back({std::string(name.substr(i, j - i)), true});
      i = j;
      continue;
    }
    if (!folder.IsLetter(b)) {
      ++i;
      continue;
    }
    // A run of letters, cut at the changes of case.
    size_t j = i + 1;
    while (j < n) {
      const uint8_t c = static_cast<uint8_t>(name[j]);
      if (!folder.IsLetter(c)) break;
      const uint8_t prev = static_cast<uint8_t>(name[j - 1]);
      if (folder.IsUpper(c) && !folder.IsUpper(prev)) break;  // kolicinaNa
      if (folder.IsUpper(prev) && folder.IsUpper(c) && j + 1 < n &&
          folder.IsLower(static_cast<uint8_t>(name[j + 1])) && j > i)
        break;  // IDKupca: the capital before a small letter starts a word
      ++j;
    }
    pieces.push_back({std::string(name.substr(i, j - i)), false});
    i = j;
  }
  return pieces;
}

std::optional<TNameStyle> StyleOfName(std::string_view name, const TWordFolder& folder) {
  bool hasUpper = false, hasLower = false;
  std::optional<bool> firstUpper;  // of the first letter
  for (char c : name) {
    const uint8_t b = static_cast<uint8_t>(c);
    if (!folder.IsLetter(b)) continue;
    const bool upper = folder.IsUpper(b), lower = folder.IsLower(b);
    hasUpper = hasUpper || upper;
    hasLower = hasLower || lower;
    if (!firstUpper && (upper || lower)) firstUpper = upper;
  }
  if (name.find('_') != std::string_view::npos) {
    if (hasUpper && !hasLower) return TNameStyle::UpperSnake;
    if (hasLower && !hasUpper) return TNameStyle::Snake;
    return std::nullopt;
  }
  if (!hasUpper || !hasLower) return std::nullopt;
  return *firstUpper ? TNameStyle::Pascal : TNameStyle::Camel;
}

namespace {

// A word in small letters with a capital first letter.
std::string Capitalized(std::string_view word, const TWordFolder& folder) {
  std::string out = folder.Lower(word);
  if (!out.empty()) out.front() = folder.Upper(out.substr(0, 1)).front();
  return out;
}

}  // namespace

std::string ComposeName(const std::vector<TEnglishWord>& words, TNameStyle style,
                        const TWordFolder& folder) {
  std::string out;
  const bool snake = style == TNameStyle::Snake || style == TNameStyle::UpperSnake;
  bool first = true;
  for (const TEnglishWord& word : words) {
    if (snake) {
      if (!first) out += '_';
      out += style == TNameStyle::Snake ? folder.Lower(word.Text) : folder.Upper(word.Text);
    } else if (word.Digits) {
      out += word.Text;
    } else if (first && style == TNameStyle::Camel) {
      out += folder.Lower(word.Text);
    } else {
      out += word.KeepForm ? word.Text : Capitalized(word.Text, folder);
    }
    first = false;
  }
  return out;
}

}  // namespace qualtren
