// Unified diffs (the format of diff -u) between a text and its translation,
// for looking at a change before it is made.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// The unified diff of two texts: the headers "--- a/PATH" and "+++ b/PATH",
/// then hunks with three lines of context; the empty text when no line
/// differs. Lines are cut at CR, LF and CR LF and compared without their
/// break, so that CR LF against LF never makes a line differ; a last line
/// without a break differs from the same line with one, as in diff. Each
/// line is shown as it is, with its own break (a lone CR shown as CR LF);
/// a line without one is followed by "\ No newline at end of file". Both
/// texts are held in memory while the diff is made.
std::string UnifiedDiff(std::string_view oldText, std::string_view newText,
                        const std::string& path);

}  // namespace qualtren
