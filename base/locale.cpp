// Reading the locale's name from the environment and choosing the code page
// by its language.
#include "base/locale.h"

#include <cstdlib>
#include <utility>

#include "base/ascii.h"

namespace qualtren {

std::string LocaleNameFor(const char* categoryVariable) {
  for (const char* var : {"LC_ALL", categoryVariable, "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') return v;
  }
  return "C";
}

std::string LocaleNameFromEnvironment() {
  return LocaleNameFor("LC_CTYPE");
}

std::string LocaleLanguage(std::string_view localeName) {
  return LowerAscii(localeName.substr(0, localeName.find_first_of("_.@")));
}

int CodePageForLocale(std::string_view localeName) {
  // "ll_TT.charset@modifier": the language, the modifier and the territory.
  const std::string lang = LocaleLanguage(localeName);
  if (lang == "sr") {
    std::string modifier, territory;
    const size_t at = localeName.find('@');
    if (at != std::string_view::npos) {
      std::string_view m = localeName.substr(at + 1);
      modifier = LowerAscii(m.substr(0, m.find('.')));
    }
    const size_t us = localeName.find('_');
    if (us != std::string_view::npos && (at == std::string_view::npos || us < at)) {
      std::string_view t = localeName.substr(us + 1);
      territory = LowerAscii(t.substr(0, t.find_first_of(".@")));
    }
    return (modifier == "latin" || territory == "latn") ? 1250 : 1251;
  }
  static const std::pair<const char*, int> kLanguages[] = {
      {"cs", 1250}, {"hr", 1250}, {"hu", 1250}, {"pl", 1250}, {"ro", 1250}, {"sk", 1250},
      {"sl", 1250}, {"sq", 1250}, {"bs", 1250}, {"ru", 1251}, {"uk", 1251}, {"be", 1251},
      {"bg", 1251}, {"mk", 1251}, {"el", 1253}, {"tr", 1254}, {"az", 1254}, {"he", 1255},
      {"ar", 1256}, {"fa", 1256}, {"ur", 1256}, {"et", 1257}, {"lt", 1257}, {"lv", 1257},
      {"vi", 1258}, {"th", 874}};
  for (const auto& [name, cp] : kLanguages)
    if (lang == name) return cp;
  return 1252;
}

}  // namespace qualtren
