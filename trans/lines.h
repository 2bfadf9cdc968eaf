// Splitting a text into lines and joining lines into a text, with the line
// break rules that the translation, the window and the command line share.
#pragma once

#include <string>
#include <vector>

namespace qualtren {

// Cuts the text into lines at CR, at LF and at the pair CR LF (one break;
// LF CR is two). A break at the very end starts no further line, a NUL byte
// ends the text, and the empty text gives no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Joins the lines with CR LF after every line, the last included; no lines
// give the empty text.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace qualtren
