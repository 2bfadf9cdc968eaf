// The locale's number and date conventions, and the reading and writing of
// numbers and date-times by them.
#include "base/format.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/datetime.h"
#include "base/locale.h"

namespace qualtren {

namespace {

bool OneOf(const std::string& lang, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (lang == n) return true;
  return false;
}

TFormatSettings SettingsFromEnvironment() {
  TFormatSettings s;
  std::string numeric = LocaleLanguage(LocaleNameFor("LC_NUMERIC"));
  if (OneOf(numeric, {"de", "fr", "es", "it", "pt", "nl", "cs", "sk", "pl", "hr", "sl", "sr",
                      "bs", "hu", "ro", "ru", "uk", "be", "bg", "mk", "tr", "el", "da", "fi",
                      "sv", "nb", "nn", "et", "lt", "lv", "vi", "id", "sq", "az"}))
    s.DecimalSeparator = ',';
  std::string time = LocaleLanguage(LocaleNameFor("LC_TIME"));
  if (OneOf(time, {"de", "cs", "sk", "pl", "hr", "sl", "sr", "bs", "ru", "uk", "be", "bg",
                   "mk", "tr", "ro", "sq", "az", "da", "fi", "nb", "nn", "et", "lv"})) {
    s.DateOrder = "DMY";
    s.DateSeparator = '.';
  } else if (OneOf(time, {"fr", "es", "it", "pt", "el", "vi", "id"})) {
    s.DateOrder = "DMY";
    s.DateSeparator = '/';
  } else if (time == "nl") {
    s.DateOrder = "DMY";
    s.DateSeparator = '-';
  } else if (time == "hu") {
    s.DateSeparator = '.';
  }
  return s;
}

std::mutex& SnapshotMutex() {
  static std::mutex m;
  return m;
}

// Every snapshot made; they live as long as the process (they are replaced
// only by tests that pin them).
std::vector<std::unique_ptr<const TFormatSettings>>& Snapshots() {
  static std::vector<std::unique_ptr<const TFormatSettings>> snapshots;
  return snapshots;
}

const TFormatSettings* NewSnapshot(const TFormatSettings& settings) {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  Snapshots().push_back(std::make_unique<const TFormatSettings>(settings));
  return Snapshots().back().get();
}

// The settings in force: an immutable snapshot, replaced as a whole, so that
// threads reading them never see a half-written one.
std::atomic<const TFormatSettings*>& CurrentSettings() {
  static std::atomic<const TFormatSettings*> current{NewSnapshot(SettingsFromEnvironment())};
  return current;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A cursor over a date or time text.
struct Cursor {
  std::string_view s;
  size_t i = 0;

  bool AtEnd() const { return i >= s.size(); }
  bool Take(char c) {
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  // Reads minDigits to maxDigits digits; returns how many were read (0 when
  // fewer than minDigits stand there, leaving the cursor where it was).
  int Number(int minDigits, int maxDigits, int& value) {
    size_t start = i;
    value = 0;
    while (i < s.size() && IsDigit(s[i]) && static_cast<int>(i - start) < maxDigits)
      value = value * 10 + (s[i++] - '0');
    int n = static_cast<int>(i - start);
    if (n < minDigits || (i < s.size() && IsDigit(s[i]))) {
      i = start;
      return 0;
    }
    return n;
  }
};

// H[H]:M[M][:S[S][.m[m[m]]]]; the fraction of a second is read as a fraction.
bool ParseTime(Cursor& c, char sep, TDateTime& out) {
  int h, m, sec = 0, ms = 0;
  if (!c.Number(1, 2, h) || !c.Take(sep) || !c.Number(1, 2, m)) return false;
  if (c.Take(sep)) {
    if (!c.Number(1, 2, sec)) return false;
    if (c.Take('.')) {
      int n = c.Number(1, 3, ms);
      if (n == 0) return false;
      for (; n < 3; ++n)
        ms *= 10;
    }
  }
  return TryEncodeTime(h, m, sec, ms, out);
}

// Three numbers in the given order; a year of one or two digits lies in
// 1950-2049.
bool ParseDate(Cursor& c, std::string_view order, char sep, bool fourDigitYear, TDateTime& out) {
  int y = 0, m = 0, d = 0;
  for (size_t k = 0; k < 3; ++k) {
    if (k > 0 && !c.Take(sep)) return false;
    if (order[k] == 'Y') {
      int n = c.Number(fourDigitYear ? 4 : 1, 4, y);
      if (n == 0) return false;
      if (n <= 2) y += y < 50 ? 2000 : 1900;
    } else if (!c.Number(1, 2, order[k] == 'M' ? m : d)) {
      return false;
    }
  }
  return TryEncodeDate(y, m, d, out);
}

TDateTime Combine(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

// A date, a date and a time (after blanks, or after "T" when isoT is set),
// or a time alone; the whole text must be used.
bool ParseDateTime(std::string_view text, std::string_view order, char dateSep, char timeSep,
                   bool iso, TDateTime& out) {
  Cursor c{text};
  TDateTime date, time;
  if (ParseDate(c, order, dateSep, iso, date)) {
    if (c.AtEnd()) {
      out = date;
      return true;
    }
    if (!(iso && c.Take('T'))) {
      if (!c.Take(' ')) return false;
      while (c.Take(' ')) {
      }
    }
    if (!ParseTime(c, timeSep, time) || !c.AtEnd()) return false;
    out = Combine(date, time);
    return true;
  }
  c.i = 0;
  if (ParseTime(c, timeSep, time) && c.AtEnd()) {
    out = time;
    return true;
  }
  return false;
}

std::string Pad(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

}  // namespace

const TFormatSettings& FormatSettings() {
  return *CurrentSettings().load(std::memory_order_acquire);
}

void SetFormatSettings(const TFormatSettings& settings) {
  std::atomic<const TFormatSettings*>& current = CurrentSettings();
  current.store(NewSnapshot(settings), std::memory_order_release);
}

bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator) {
  std::string buf;
  size_t i = 0, n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int intDigits = 0, fracDigits = 0, leadingZeros = 0;
  bool significant = false;
  for (; i < n && IsDigit(text[i]); ++i, ++intDigits) {
    if (text[i] != '0') significant = true;
    if (!significant) ++leadingZeros;
    buf += text[i];
  }
  if (i < n && text[i] == decimalSeparator) {
    buf += '.';
    for (++i; i < n && IsDigit(text[i]); ++i, ++fracDigits)
      buf += text[i];
  }
  if (intDigits + fracDigits == 0) return false;
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    buf += 'e';
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      expNegative = text[i] == '-';
      buf += text[i++];
    }
    size_t start = i;
    for (; i < n && IsDigit(text[i]); ++i) {
      buf += text[i];
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (i == start) return false;
    if (expNegative) exponent = -exponent;
  }
  if (i != n) return false;
  double v = 0;
  auto r = std::from_chars(buf.data(), buf.data() + buf.size(), v);
  if (r.ptr != buf.data() + buf.size()) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Too large fails; too small to be told from zero is zero.
    if (intDigits - leadingZeros + exponent > 0) return false;
    v = 0;
  } else if (r.ec != std::errc()) {
    return false;
  }
  out = negative ? -v : v;
  return true;
}

bool TryStrToDateTime(std::string_view text, double& out) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  if (ParseDateTime(text, "YMD", '-', ':', true, out)) return true;
  const TFormatSettings& fs = FormatSettings();
  if (fs.DateOrder.size() != 3) return false;
  return ParseDateTime(text, fs.DateOrder, fs.DateSeparator, fs.TimeSeparator, false, out);
}

std::string FloatToStr(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  if (v == 0) return "0";
  char buf[64];
  // The shortest digits that read back as the same number decide the form:
  // plain below 1E15 and from 1E-5 on, else with an exponent.
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string sci(buf, r.ptr);
  size_t e = sci.find('e');
  int exponent = std::atoi(sci.c_str() + e + 1);
  std::string out;
  if (exponent >= -5 && exponent < 15) {
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.assign(buf, r.ptr);
  } else {
    out = sci.substr(0, e) + "E" + std::to_string(exponent);
  }
  char sep = FormatSettings().DecimalSeparator;
  for (char& c : out)
    if (c == '.') c = sep;
  return out;
}

std::string DateToStr(double dt) {
  const TFormatSettings& fs = FormatSettings();
  int y, m, d;
  DecodeDate(dt, y, m, d);
  std::string order = fs.DateOrder.size() == 3 ? fs.DateOrder : "YMD";
  std::string out;
  for (size_t k = 0; k < 3; ++k) {
    if (k > 0) out += fs.DateSeparator;
    out += order[k] == 'Y' ? Pad(y, 4) : Pad(order[k] == 'M' ? m : d, 2);
  }
  return out;
}

std::string TimeToStr(double dt) {
  const TFormatSettings& fs = FormatSettings();
  int h, m, s, ms;
  DecodeTime(dt, h, m, s, ms);
  std::string out = Pad(h, 2) + fs.TimeSeparator + Pad(m, 2) + fs.TimeSeparator + Pad(s, 2);
  if (ms != 0) out += "." + Pad(ms, 3);
  return out;
}

std::string DateTimeToStr(double dt) {
  std::string out = DateToStr(dt);
  if (DateTimeToTimeStamp(dt).Time != 0) out += " " + TimeToStr(dt);
  return out;
}

}  // namespace qualtren
