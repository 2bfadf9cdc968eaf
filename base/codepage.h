// The ANSI code page: which one the user's locale selects, byte <-> Unicode
// tables in which all 256 bytes round-trip, the ANSI upper-case mapping, the
// conversions between ANSI text, UTF-8 and UTF-16, and the locale's string
// collation used for sorting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qualtren {

// The code page that a locale name selects ("cs_CZ.UTF-8" -> 1250,
// "C" -> 1252); only the language part (and "@latin" for sr) matters.
int CodePageForLocale(std::string_view localeName);
// The first of LC_ALL, LC_CTYPE, LANG that is set and not empty, else "C".
std::string LocaleNameFromEnvironment();

// The process's code page: read from the environment on first use, or pinned
// by SetActiveCodePage (tests, the command line). Supported: 874, 1250-1258.
int ActiveCodePage();
void SetActiveCodePage(int codePage);
bool IsSupportedCodePage(int codePage);

// One byte of the active code page as a Unicode code point; a byte the code
// page leaves undefined maps to the code point of the same value.
char32_t AnsiToUnicode(uint8_t byte);
// A code point as one byte of the active code page; false when it has none.
bool UnicodeToAnsi(char32_t cp, uint8_t& byte);

// The ANSI upper-case form of one byte / a text under the active code page.
uint8_t AnsiUpperChar(uint8_t byte);
/// The active code page's upper-case mapping as a table of 256 bytes; it
/// stays valid for the life of the process.
const uint8_t* AnsiUpperTable();
std::string AnsiUpperCase(std::string_view text);

// ANSI text <-> UTF-8. A character the code page lacks becomes "?"; when
// lossless is given it is set to false in that case. Malformed UTF-8 bytes
// are taken one by one as code points of their own value.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8, bool* lossless = nullptr);
// ANSI text <-> UTF-16 code units.
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16, bool* lossless = nullptr);
// UTF-16 <-> UTF-8 (for wide strings shown or written as UTF-8).
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);

// The locale's string collation for sorting: <0, 0, >0. Letters compare by
// their base letter first, so that case and accents decide only between
// otherwise equal texts; ignoreCase makes texts that differ only in letter
// case equal.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

// The locale's number and date conventions, read once from the same
// environment variables (LC_ALL, LC_NUMERIC / LC_TIME, LANG).
struct TFormatSettings {
  char DecimalSeparator = '.';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  // Order of the date parts: "YMD" (ISO, the default), "DMY" or "MDY".
  std::string DateOrder = "YMD";
};
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);  // pinned by tests

// Reads a decimal number with the given decimal separator (an optional sign,
// digits, an optional fraction, an optional exponent, nothing else).
bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator);
// Reads a date, a time, or a date and a time by the format settings.
bool TryStrToDateTime(std::string_view text, double& out);
// Formats a number / a date-time by the format settings.
std::string FloatToStr(double v);
std::string DateTimeToStr(double dt);
std::string DateToStr(double dt);
std::string TimeToStr(double dt);

}  // namespace qualtren
