// Unicode letter properties of the scripts that the code pages hold (Latin,
// Greek, Cyrillic, Hebrew, Arabic, Thai, Vietnamese): simple upper case,
// letters, combining marks and base letters without accents.
#pragma once

namespace qualtren {

/// The simple (one code point to one) upper case of a letter; every other
/// code point is its own upper case.
char32_t SimpleUpper(char32_t c);

/// Whether a code point is a letter of one of those scripts.
bool IsLetter(char32_t c);

/// Whether a code point is a combining mark (accents, Hebrew points, Arabic
/// vowel signs, Thai vowel and tone marks).
bool IsCombiningMark(char32_t c);

/// The letter without its accents, its case kept ("č" -> "c", "Ά" -> "Α").
char32_t BaseLetter(char32_t c);

}  // namespace qualtren
