// Tests of the locale's name from the environment and its code page.
#include "base/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace qualtren {
namespace {

// Restores the process's environment variable when the test ends.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    had_ = v != nullptr;
    if (had_) old_ = v;
  }
  ~EnvGuard() {
    if (had_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(Locale, LocaleNames) {
  EXPECT_EQ(CodePageForLocale("cs_CZ.UTF-8"), 1250);
  EXPECT_EQ(CodePageForLocale("hr_HR"), 1250);
  EXPECT_EQ(CodePageForLocale("sq_AL.UTF-8"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS@latin"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS.UTF-8@latin"), 1250);
  EXPECT_EQ(CodePageForLocale("sr_RS.UTF-8"), 1251);
  EXPECT_EQ(CodePageForLocale("sr"), 1251);
  EXPECT_EQ(CodePageForLocale("ru_RU.KOI8-R"), 1251);
  EXPECT_EQ(CodePageForLocale("mk_MK"), 1251);
  EXPECT_EQ(CodePageForLocale("el_GR.UTF-8"), 1253);
  EXPECT_EQ(CodePageForLocale("tr_TR"), 1254);
  EXPECT_EQ(CodePageForLocale("az_AZ"), 1254);
  EXPECT_EQ(CodePageForLocale("he_IL"), 1255);
  EXPECT_EQ(CodePageForLocale("fa_IR"), 1256);
  EXPECT_EQ(CodePageForLocale("ur_PK"), 1256);
  EXPECT_EQ(CodePageForLocale("lv_LV"), 1257);
  EXPECT_EQ(CodePageForLocale("vi_VN"), 1258);
  EXPECT_EQ(CodePageForLocale("th_TH.UTF-8"), 874);
  EXPECT_EQ(CodePageForLocale("C"), 1252);
  EXPECT_EQ(CodePageForLocale("POSIX"), 1252);
  EXPECT_EQ(CodePageForLocale("C.UTF-8"), 1252);
  EXPECT_EQ(CodePageForLocale("de_DE.UTF-8"), 1252);
  EXPECT_EQ(CodePageForLocale("CS_CZ"), 1250);
  EXPECT_EQ(CodePageForLocale(""), 1252);
  EXPECT_EQ(CodePageForLocale("csb_PL"), 1252);  // another language, not cs
}

TEST(Locale, LocaleFromEnvironment) {
  EnvGuard all("LC_ALL"), ctype("LC_CTYPE"), lang("LANG");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_CTYPE");
  ::unsetenv("LANG");
  EXPECT_EQ(LocaleNameFromEnvironment(), "C");
  ::setenv("LANG", "pl_PL.UTF-8", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "pl_PL.UTF-8");
  ::setenv("LC_CTYPE", "ru_RU.UTF-8", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "ru_RU.UTF-8");
  ::setenv("LC_ALL", "", 1);  // empty: falls through
  EXPECT_EQ(LocaleNameFromEnvironment(), "ru_RU.UTF-8");
  EXPECT_EQ(CodePageForLocale(LocaleNameFromEnvironment()), 1251);
  ::setenv("LC_ALL", "el_GR", 1);
  EXPECT_EQ(LocaleNameFromEnvironment(), "el_GR");
  ::setenv("LC_CTYPE", "", 1);
  ::unsetenv("LC_ALL");
  EXPECT_EQ(LocaleNameFromEnvironment(), "pl_PL.UTF-8");
}

TEST(Locale, CategoryAndLanguage) {
  EnvGuard all("LC_ALL"), numeric("LC_NUMERIC"), lang("LANG");
  ::unsetenv("LC_ALL");
  ::setenv("LANG", "hr_HR.UTF-8", 1);
  ::unsetenv("LC_NUMERIC");
  EXPECT_EQ(LocaleNameFor("LC_NUMERIC"), "hr_HR.UTF-8");
  ::setenv("LC_NUMERIC", "de_DE", 1);
  EXPECT_EQ(LocaleNameFor("LC_NUMERIC"), "de_DE");
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(LocaleNameFor("LC_NUMERIC"), "C");
  EXPECT_EQ(LocaleLanguage("DE_de.UTF-8"), "de");
  EXPECT_EQ(LocaleLanguage("sr@latin"), "sr");
  EXPECT_EQ(LocaleLanguage("C.UTF-8"), "c");
  EXPECT_EQ(LocaleLanguage(""), "");
}

}  // namespace
}  // namespace qualtren
