// Command-line arguments as outer texts of the engine.
#include "cli/argument_text.h"

#include "base/utf.h"

namespace qualtren {

TOuterText ArgumentText(std::string_view text) {
  return IsValidUtf8(text) ? TOuterText::FromUtf8(text) : TOuterText::FromAnsi(text);
}

}  // namespace qualtren
