// The locale's number and date conventions, and the reading and writing of
// numbers and date-times by them.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// The locale's number and date conventions, read once from the environment
/// (LC_ALL, LC_NUMERIC / LC_TIME, LANG).
struct TFormatSettings {
  char DecimalSeparator = '.';
  char DateSeparator = '-';
  char TimeSeparator = ':';
  // Order of the date parts: "YMD" (ISO, the default), "DMY" or "MDY".
  std::string DateOrder = "YMD";
};

/// The settings in force: an immutable snapshot that stays valid for the
/// whole run, safe to read from several threads.
const TFormatSettings& FormatSettings();
/// Replaces the settings in force by a new snapshot (tests pin them).
void SetFormatSettings(const TFormatSettings& settings);

/// Reads a decimal number with the given decimal separator (an optional sign,
/// digits, an optional fraction, an optional exponent, nothing else); false
/// for any other text and for a number too large for a double.
bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator);
/// Reads a date, a time, or a date and a time by the format settings (ISO
/// dates are always understood).
bool TryStrToDateTime(std::string_view text, double& out);

/// Formats a number / a date-time / a date / a time by the format settings.
std::string FloatToStr(double v);
std::string DateTimeToStr(double dt);
std::string DateToStr(double dt);
std::string TimeToStr(double dt);

}  // namespace qualtren
