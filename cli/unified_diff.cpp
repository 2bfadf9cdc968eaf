// Unified diffs: the lines of both texts, the shortest edit script between
// them from the dtl library, and the hunks of diff -u made from it.
#include "cli/unified_diff.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <vector>

namespace qualtren {

namespace {

constexpr size_t kContext = 3;

// One line and the break that ended it: "\r\n", "\n", "\r", or nothing for
// a last line without one. Lines are equal when their texts are and both or
// neither have a break.
struct TDiffLine {
  std::string_view Text;
  std::string_view Break;
  bool operator==(const TDiffLine& other) const {
    return Text == other.Text && Break.empty() == other.Break.empty();
  }
};

std::vector<TDiffLine> CutLines(std::string_view text) {
  std::vector<TDiffLine> lines;
  size_t p = 0;
  while (p < text.size()) {
    const size_t q = text.find_first_of("\r\n", p);
    if (q == std::string_view::npos) {
      lines.push_back({text.substr(p), {}});
      break;
    }
    const size_t breakLength =
        text[q] == '\r' && q + 1 < text.size() && text[q + 1] == '\n' ? 2 : 1;
    lines.push_back({text.substr(p, q - p), text.substr(q, breakLength)});
    p = q + breakLength;
  }
  return lines;
}

// One step of the edit script, with the number of lines of each text that
// come before it.
struct TStep {
  char Mark;  // ' ' both texts, '-' the old text only, '+' the new one only
  size_t OldBefore;
  size_t NewBefore;
};

// Appends the edit script of a[oldFrom, oldTo) against b[newFrom, newTo),
// made by dtl, to `steps`.
void AppendEditScript(const std::vector<TDiffLine>& a, size_t oldFrom, size_t oldTo,
                      const std::vector<TDiffLine>& b, size_t newFrom, size_t newTo,
                      std::vector<TStep>& steps) {
  const std::vector<TDiffLine> x(a.begin() + oldFrom, a.begin() + oldTo);
  const std::vector<TDiffLine> y(b.begin() + newFrom, b.begin() + newTo);
  size_t o = oldFrom, n = newFrom;
  if (x == y) {
    while (o < oldTo)
      steps.push_back({' ', o++, n++});
    return;
  }
  // Deletions first within each change, as diff shows them.
  dtl::Diff<TDiffLine> diff(x, y, true);
  diff.compose();
  for (const auto& [line, info] : diff.getSes().getSequence()) {
    (void)line;
    if (info.type == dtl::SES_COMMON) {
      steps.push_back({' ', o++, n++});
    } else if (info.type == dtl::SES_DELETE) {
      steps.push_back({'-', o++, n});
    } else {
      steps.push_back({'+', o, n++});
    }
  }
}

// Old lines compared at a time when the image of the translation is known.
constexpr size_t kPiece = 32;

std::vector<TStep> EditScript(const std::vector<TDiffLine>& a, const std::vector<TDiffLine>& b,
                              const std::vector<uint8_t>* image) {
  std::vector<TStep> steps;
  size_t newLines = 0;
  if (image != nullptr && image->size() == a.size()) {
    for (uint8_t n : *image)
      newLines += n;
  }
  if (image == nullptr || image->size() != a.size() || newLines != b.size()) {
    AppendEditScript(a, 0, a.size(), b, 0, b.size(), steps);
    return steps;
  }
  size_t o = 0, n = 0;
  while (o < a.size()) {
    const size_t oldTo = std::min(a.size(), o + kPiece);
    size_t newTo = n;
    for (size_t i = o; i < oldTo; ++i)
      newTo += (*image)[i];
    AppendEditScript(a, o, oldTo, b, n, newTo, steps);
    o = oldTo;
    n = newTo;
  }
  return steps;
}

// "start,count" of a hunk header, the count left out when it is 1; an empty
// range starts at the line before it.
std::string Range(size_t before, size_t count) {
  std::string out = std::to_string(count == 0 ? before : before + 1);
  if (count != 1) out += "," + std::to_string(count);
  return out;
}

void AppendLine(std::string& out, char mark, const TDiffLine& line) {
  out += mark;
  out += line.Text;
  if (line.Break.empty())
    out += "\n\\ No newline at end of file\n";
  else if (line.Break == "\r")
    out += "\r\n";
  else
    out += line.Break;
}

}  // namespace

std::string UnifiedDiff(std::string_view oldText, std::string_view newText, const std::string& path,
                        const std::vector<uint8_t>* image) {
  const std::vector<TDiffLine> a = CutLines(oldText);
  const std::vector<TDiffLine> b = CutLines(newText);
  if (a == b) return {};
  const std::vector<TStep> steps = EditScript(a, b, image);

  std::string out = "--- a/" + path + "\n+++ b/" + path + "\n";
  size_t i = 0;
  while (i < steps.size()) {
    while (i < steps.size() && steps[i].Mark == ' ')
      ++i;
    if (i == steps.size()) break;
    // A hunk runs from three lines before its first change to three lines
    // after its last, taking in every change that follows within twice the
    // context.
    const size_t first = i >= kContext ? i - kContext : 0;
    size_t last = i;  // the last change of the hunk
    for (size_t j = i + 1; j < steps.size() && j <= last + 2 * kContext + 1; ++j)
      if (steps[j].Mark != ' ') last = j;
    const size_t end = std::min(steps.size(), last + 1 + kContext);

    size_t oldCount = 0, newCount = 0;
    for (size_t j = first; j < end; ++j) {
      if (steps[j].Mark != '+') ++oldCount;
      if (steps[j].Mark != '-') ++newCount;
    }
    out += "@@ -" + Range(steps[first].OldBefore, oldCount) + " +" +
           Range(steps[first].NewBefore, newCount) + " @@\n";
    for (size_t j = first; j < end; ++j) {
      const TStep& s = steps[j];
      AppendLine(out, s.Mark, s.Mark == '+' ? b[s.NewBefore] : a[s.OldBefore]);
    }
    i = end;
  }
  return out;
}

std::string DiffableText(std::string bytes, const TTextForm& form) {
  if (form.Encoding == TTextEncoding::Utf16LE || form.Encoding == TTextEncoding::Utf16BE)
    return DecodeText(bytes, form);
  return bytes;
}

}  // namespace qualtren
