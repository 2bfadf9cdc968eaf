// The user's locale as the environment names it: which variable names it for
// a category, the language part of a locale name, and the code page that the
// language selects.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// The first of LC_ALL, LC_CTYPE and LANG that is set and not empty, else "C".
std::string LocaleNameFromEnvironment();

/// The first of LC_ALL, the category's variable (such as "LC_NUMERIC") and
/// LANG that is set and not empty, else "C".
std::string LocaleNameFor(const char* categoryVariable);

/// The language part of a locale name, lowered ("de_DE.UTF-8" -> "de").
std::string LocaleLanguage(std::string_view localeName);

/// The code page that a locale name selects ("cs_CZ.UTF-8" -> 1250,
/// "C" -> 1252); only the language part (and "@latin" or "_Latn" for sr)
/// matters.
int CodePageForLocale(std::string_view localeName);

}  // namespace qualtren
