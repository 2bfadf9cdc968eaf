// Splitting a text into lines and joining lines into a text.
#include "trans/lines.h"

namespace qualtren {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
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

std::string NormalizeLineBreaks(std::string_view text) {
  std::string normalized;
  normalized.reserve(text.size() + text.size() / 32 + 2);
  ForEachLine(text, [&normalized](std::string_view line) {
    normalized += line;
    normalized += "\r\n";
  });
  return normalized;
}

}  // namespace qualtren
