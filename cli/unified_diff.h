// Unified diffs (the format of diff -u) between a text and its translation,
// for looking at a change before it is made.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_encoding.h"
#include "trans/translate.h"

namespace qualtren {

/// The unified diff of two texts: the headers "--- a/PATH" and "+++ b/PATH",
/// then hunks with three lines of context; the empty text when no line
/// differs. Lines are cut at CR, LF and CR LF and compared without their
/// break, so that CR LF against LF never makes a line differ; a last line
/// without a break differs from the same line with one, as in diff. Each
/// line is shown as it is, with its own break (a lone CR shown as CR LF);
/// a line without one is followed by "\ No newline at end of file". Both
/// texts are held in memory while the diff is made.
///
/// `image`, when given, tells for each line of the old text how many lines
/// of the new text it became, in order, as a translation makes them: the
/// texts are then compared a few dozen lines at a time from lines known
/// to correspond, so that the time stays linear however many lines change.
/// An image that does not fit the texts is not used.
std::string UnifiedDiff(std::string_view oldText, std::string_view newText, const std::string& path,
                        const std::vector<uint8_t>* image = nullptr);

/// The bytes of a text in `form` as a diff shows them: a UTF-16 text as
/// UTF-8 (a terminal and patch read no UTF-16), any other as it is, its
/// mark included (the same mark stands at the start of both texts).
std::string DiffableText(std::string bytes, const TTextForm& form);

/// Hears a translation and notes how many output lines each input line
/// became (two when a comment line came before it): the image that
/// UnifiedDiff takes.
class TLineImageObserver : public TLineObserver {
 public:
  void OnLine(const TLineResult& line) override { Image.push_back(line.Commented ? 2 : 1); }
  std::vector<uint8_t> Image;
};

}  // namespace qualtren
