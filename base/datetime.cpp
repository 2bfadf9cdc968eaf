// Conversions between the storage and native forms of dates and times.
#include "base/datetime.h"

#include <cmath>

#include "base/exception.h"

namespace qualtren {

namespace {
const int kDaysInMonth[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                 {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
}

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

namespace {
// A day number that an int32 cannot hold (or no number at all) is no date.
void CheckDayNumber(double days) {
  if (!(days >= -2147483648.0 && days <= 2147483647.0))
    throw EConvertError("Invalid argument to date encode");
}
}  // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
  // The time of day is the fraction's distance from zero, also before 1899.
  double ms = std::round(std::fabs(dt) * kMSecsPerDay);
  double days = std::trunc(ms / kMSecsPerDay);
  double whole = dt < 0 ? -days : days;
  CheckDayNumber(kDateDelta + whole);
  TTimeStamp ts;
  ts.Time = static_cast<int32_t>(ms - days * kMSecsPerDay);
  ts.Date = static_cast<int32_t>(kDateDelta + whole);
  return ts;
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
  double days = static_cast<double>(ts.Date) - kDateDelta;
  double frac = static_cast<double>(ts.Time) / kMSecsPerDay;
  return days < 0 ? days - frac : days + frac;
}

double TimeStampToMSecs(const TTimeStamp& ts) {
  return static_cast<double>(ts.Date) * kMSecsPerDay + ts.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  TTimeStamp ts;
  double days = std::floor(msecs / kMSecsPerDay);
  CheckDayNumber(days);
  ts.Date = static_cast<int32_t>(days);
  ts.Time = static_cast<int32_t>(msecs - days * kMSecsPerDay);
  return ts;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  if (day > kDaysInMonth[IsLeapYear(year)][month - 1]) return false;
  int y = year - 1;
  int32_t n = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m)
    n += kDaysInMonth[IsLeapYear(year)][m - 1];
  n += day;  // day number, 0001-01-01 = 1
  out = static_cast<double>(n - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out) {
  if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 ||
      msec >= 1000)
    return false;
  out = (static_cast<double>(hour) * 3600000 + min * 60000 + sec * 1000 + msec) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime r;
  if (!TryEncodeTime(hour, min, sec, msec, r))
    throw EConvertError("Invalid argument to time encode");
  return r;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  int32_t n = DateTimeToTimeStamp(dt).Date;  // day number from 0001-01-01 = 1
  if (n <= 0) {
    year = month = day = 0;
    return;
  }
  int32_t d = n - 1;
  int y400 = d / 146097;
  d %= 146097;
  int y100 = d / 36524;
  if (y100 == 4) y100 = 3;
  d -= y100 * 36524;
  int y4 = d / 1461;
  d %= 1461;
  int y1 = d / 365;
  if (y1 == 4) y1 = 3;
  d -= y1 * 365;
  year = y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1;
  const int* months = kDaysInMonth[IsLeapYear(year)];
  month = 1;
  while (d >= months[month - 1]) {
    d -= months[month - 1];
    ++month;
  }
  day = d + 1;
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  int32_t t = DateTimeToTimeStamp(dt).Time;
  hour = t / 3600000;
  t %= 3600000;
  min = t / 60000;
  t %= 60000;
  sec = t / 1000;
  msec = t % 1000;
}

}  // namespace qualtren
