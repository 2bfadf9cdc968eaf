// The rule of an unknown name, and the walk over lines that applies it.
#include "trans/unknown_name.h"

#include <string>

#include "base/utf.h"
#include "trans/sql_words.h"

namespace qualtren {

bool IsUnknownName(std::string_view input, const TWordResult& word, bool quoted,
                   std::string_view utf8Word) {
  if (word.Result != TWordResult::Outcome::Kept || quoted) return false;
  const std::string_view text = input.substr(word.InputOffset, word.InputLength);
  const size_t after = word.InputOffset + word.InputLength;
  if (after < input.size() && input[after] == '(' && EqualsNoCase(text, "sqlExp")) return false;
  // A quoted name stands for a name even where it does not look like one.
  return LooksLikeName(utf8Word) || (word.Where == TLexKind::QuotedName && !utf8Word.empty());
}

void TUnknownNameFinder::OnLine(const TLineResult& line,
                                const std::function<void(const TWordResult&)>& found) {
  const std::string_view in = line.Input;
  size_t w = 0;
  std::string utf8;
  for (size_t c = 0; c < in.size();) {
    if (w < line.Words.size() && line.Words[w].InputOffset == c) {
      const TWordResult& word = line.Words[w];
      const bool quoted = line.Spans ? word.Where == TLexKind::String : inQuotes_;
      if (word.Result == TWordResult::Outcome::Kept && !quoted) {
        const std::string_view bytes = in.substr(word.InputOffset, word.InputLength);
        utf8 = utf8_ ? std::string(bytes) : AnsiToUtf8(bytes);
        if (IsUnknownName(in, word, quoted, utf8)) found(word);
      }
      c += word.InputLength;
      ++w;
      continue;
    }
    if (!line.Spans && in[c] == '\'') inQuotes_ = !inQuotes_;
    ++c;
  }
}

}  // namespace qualtren
