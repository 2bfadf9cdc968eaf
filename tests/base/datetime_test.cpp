// Tests of the conversions between the storage and native date-time forms.
#include "base/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/exception.h"

namespace qualtren {
namespace {

TEST(DateTime, DayNumbers) {
  EXPECT_EQ(DateTimeToTimeStamp(0).Date, 693594);
  EXPECT_EQ(DateTimeToTimeStamp(0).Time, 0);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(2000, 1, 1)).Date, 730120);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(TimeStampToMSecs(DateTimeToTimeStamp(EncodeDate(2000, 1, 1) + 0.5)), 63082411200000.0);
  TTimeStamp ts = MSecsToTimeStamp(63082411200000.0);
  EXPECT_EQ(ts.Date, 730120);
  EXPECT_EQ(ts.Time, 43200000);
  EXPECT_EQ(TimeStampToDateTime(ts), 36526.5);
}

TEST(DateTime, NegativeDatesKeepTheTimeAsDistanceFromZero) {
  // 1899-12-29 06:00 is -1.25: one day back, a quarter of a day of time.
  TTimeStamp ts = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(ts.Date, 693593);
  EXPECT_EQ(ts.Time, 6 * 3600000);
  EXPECT_EQ(TimeStampToDateTime(ts), -1.25);
  // -0.5: the day 1899-12-30 at noon.
  ts = DateTimeToTimeStamp(-0.5);
  EXPECT_EQ(ts.Date, 693594);
  EXPECT_EQ(ts.Time, 12 * 3600000);
  int y, m, d, h, mi, s, ms;
  DecodeDate(EncodeDate(1800, 6, 15) - EncodeTime(18, 30, 0, 0), y, m, d);
  DecodeTime(EncodeDate(1800, 6, 15) - EncodeTime(18, 30, 0, 0), h, mi, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18000615);
  EXPECT_EQ(h * 100 + mi, 1830);
}

TEST(DateTime, EncodeDecodeRoundTripsEveryDay) {
  int checked = 0;
  for (int year : {1, 2, 4, 99, 100, 400, 1582, 1899, 1900, 1999, 2000, 2023, 2024, 2100, 9999}) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        TDateTime dt;
        if (!TryEncodeDate(year, month, day, dt)) {
          EXPECT_GT(day, 27) << year << "-" << month << "-" << day;
          continue;
        }
        int y, m, d;
        DecodeDate(dt, y, m, d);
        EXPECT_EQ(y, year);
        EXPECT_EQ(m, month);
        EXPECT_EQ(d, day);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 15 * 365 + 4);  // leap years among them: 4, 400, 2000, 2024
}

TEST(DateTime, EncodeErrors) {
  TDateTime dt;
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, dt));
  EXPECT_TRUE(TryEncodeDate(2024, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(2000, 0, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2000, 1, 0, dt));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, dt));
  EXPECT_FALSE(TryEncodeTime(0, -1, 0, 0, dt));
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to date encode");
  }
  try {
    EncodeTime(12, 60, 0, 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to time encode");
  }
  EXPECT_EQ(EncodeTime(23, 59, 59, 999), (86400000.0 - 1) / 86400000);
}

TEST(DateTime, ValuesNoDayNumberHoldsAreRejected) {
  EXPECT_THROW(DateTimeToTimeStamp(1e300), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(-1e300), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(std::numeric_limits<double>::quiet_NaN()), EConvertError);
  EXPECT_THROW(DateTimeToTimeStamp(std::numeric_limits<double>::infinity()), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(1e300), EConvertError);
  EXPECT_THROW(MSecsToTimeStamp(std::numeric_limits<double>::quiet_NaN()), EConvertError);
  // The last day that fits still converts.
  EXPECT_EQ(DateTimeToTimeStamp(2147483647.0 - kDateDelta).Date, 2147483647);
}

}  // namespace
}  // namespace qualtren
