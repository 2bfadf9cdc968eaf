// Case folding of the letters A to Z only, for the places where no locale
// may play a part (keywords, file names, the translation engine's rules).
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// The letter lowered when it is one of A to Z; every other byte unchanged.
constexpr char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/// The letter raised when it is one of a to z; every other byte unchanged.
constexpr char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

/// True when both texts are equal with the letters A to Z lowered; texts of
/// different lengths never are.
constexpr bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

/// The text with the letters A to Z lowered.
inline std::string LowerAscii(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered)
    c = LowerAscii(c);
  return lowered;
}

/// The text with the letters a to z raised.
inline std::string UpperAscii(std::string_view text) {
  std::string raised(text);
  for (char& c : raised)
    c = UpperAscii(c);
  return raised;
}

}  // namespace qualtren
