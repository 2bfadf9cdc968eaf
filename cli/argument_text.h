// The text of a command-line argument as the engine takes it: given in the
// terminal's UTF-8, written into each text in that text's own encoding.
#pragma once

#include <string_view>

#include "trans/translate_options.h"

namespace qualtren {

/// An argument (in the terminal's UTF-8) in both forms a working text may
/// need. An argument that is no well-formed UTF-8 is taken as bytes of the
/// code page, as arguments always were. Reads the active code page: call it
/// once --code-page is in force.
TOuterText ArgumentText(std::string_view text);

}  // namespace qualtren
