// Splitting a text into lines and joining lines into a text.
#include "trans/lines.h"

namespace qualtren {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] != '\0') {
    const size_t start = i;
    while (i < n && text[i] != '\0' && text[i] != '\r' && text[i] != '\n')
      ++i;
    lines.emplace_back(text, start, i - start);
    if (i < n && text[i] == '\r') {
      ++i;
      if (i < n && text[i] == '\n') ++i;
    } else if (i < n && text[i] == '\n') {
      ++i;
    }
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const std::string& line : lines)
    size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace qualtren
