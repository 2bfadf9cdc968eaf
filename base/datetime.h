// Dates and times: the storage form (days since 1899-12-30 with the time of
// day as the fraction) and the native forms that fields exchange with the
// record store (day number from 0001-01-01 as day 1, milliseconds since
// midnight, milliseconds since 0001-01-01 00:00).
#pragma once

#include <cstdint>
#include <string>

namespace qualtren {

using TDateTime = double;

constexpr int32_t kDateDelta = 693594;  // day number of 1899-12-30
constexpr int32_t kMSecsPerDay = 86400000;

struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight
  int32_t Date = 0;  // day number, 0001-01-01 is day 1
};

TTimeStamp DateTimeToTimeStamp(TDateTime dt);
TDateTime TimeStampToDateTime(const TTimeStamp& ts);
double TimeStampToMSecs(const TTimeStamp& ts);
TTimeStamp MSecsToTimeStamp(double msecs);

bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
// Raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);

}  // namespace qualtren
