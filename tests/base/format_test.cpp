// Tests of reading and writing numbers and date-times by the format settings.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/datetime.h"
#include "base/format.h"

namespace qualtren {
namespace {

// Pins the format settings for one test and restores them afterwards.
class PinnedSettings {
 public:
  explicit PinnedSettings(const TFormatSettings& s) : old_(FormatSettings()) {
    SetFormatSettings(s);
  }
  ~PinnedSettings() { SetFormatSettings(old_); }

 private:
  TFormatSettings old_;
};

TFormatSettings Iso() {
  return TFormatSettings{};
}
TFormatSettings German() {
  TFormatSettings s;
  s.DecimalSeparator = ',';
  s.DateSeparator = '.';
  s.DateOrder = "DMY";
  return s;
}

TEST(Format, TryStrToFloat) {
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("1.5", v, '.'));
  EXPECT_EQ(v, 1.5);
  EXPECT_TRUE(TryStrToFloat("1,5", v, ','));
  EXPECT_EQ(v, 1.5);
  EXPECT_FALSE(TryStrToFloat("1,5", v, '.'));
  EXPECT_FALSE(TryStrToFloat("1.5", v, ','));
  EXPECT_TRUE(TryStrToFloat("-2", v, '.'));
  EXPECT_EQ(v, -2);
  EXPECT_TRUE(TryStrToFloat("+3.25e2", v, '.'));
  EXPECT_EQ(v, 325);
  EXPECT_TRUE(TryStrToFloat("1E-3", v, '.'));
  EXPECT_EQ(v, 0.001);
  EXPECT_TRUE(TryStrToFloat(".5", v, '.'));
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(TryStrToFloat("5.", v, '.'));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(TryStrToFloat("0.1", v, '.'));
  EXPECT_EQ(v, 0.1);
  EXPECT_TRUE(TryStrToFloat("1e-400", v, '.'));  // too small: zero
  EXPECT_EQ(v, 0);
  v = 7;
  for (const char* bad : {"", " 1", "1 ", "1.2.3", "e5", "1e", "1e+", "+", "-", ".", "1x", "0x10",
                          "inf", "nan", "1e400", "--1", "1,5"}) {
    EXPECT_FALSE(TryStrToFloat(bad, v, '.')) << bad;
  }
  EXPECT_EQ(v, 7);  // untouched by failures
}

TEST(Format, FloatToStr) {
  PinnedSettings pin(Iso());
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(-2), "-2");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(123456789012345), "123456789012345");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  {
    PinnedSettings de(German());
    EXPECT_EQ(FloatToStr(1.5), "1,5");
    EXPECT_EQ(FloatToStr(2.5e-10), "2,5E-10");
  }
  // Shortest text that reads back as the same number.
  for (double x : {0.1, 1.0 / 3, 2.0 / 3 * 1e100, -123.456, 5e-324, 1.7976931348623157e308, 1e15,
                   1e-5, 9.999999999999999e14}) {
    double back = 0;
    std::string s = FloatToStr(x);
    ASSERT_TRUE(TryStrToFloat(s, back, '.')) << s;
    EXPECT_EQ(back, x) << s;
  }
}

TEST(Format, TryStrToDateTimeIso) {
  PinnedSettings pin(Iso());
  double dt = 0;
  ASSERT_TRUE(TryStrToDateTime("2000-01-01", dt));
  EXPECT_EQ(dt, 36526);
  ASSERT_TRUE(TryStrToDateTime("2000-01-01 12:00", dt));
  EXPECT_EQ(dt, 36526.5);
  ASSERT_TRUE(TryStrToDateTime("2000-01-01T06:00:00", dt));
  EXPECT_EQ(dt, 36526.25);
  ASSERT_TRUE(TryStrToDateTime("2000-01-01  18:00:00.500", dt));
  EXPECT_DOUBLE_EQ(dt, 36526.75 + 0.5 / 86400);
  ASSERT_TRUE(TryStrToDateTime("12:30", dt));
  EXPECT_DOUBLE_EQ(dt, 12.5 / 24);
  ASSERT_TRUE(TryStrToDateTime("1899-12-30", dt));
  EXPECT_EQ(dt, 0);
  // Before 1899 the time of day is the distance from zero.
  ASSERT_TRUE(TryStrToDateTime("1899-12-29 12:00", dt));
  EXPECT_EQ(dt, -1.5);
  for (const char* bad :
       {"", "2000-13-01", "2000-02-30", "2000-01-01 24:00", "2000-01-01 12", "2000-01-01x", "12:60",
        "2000/01/01", "abc", "2000-01-01T", "1.1.2000", "20000-01-01", "2000-01-01 12:00:00.1234"})
    EXPECT_FALSE(TryStrToDateTime(bad, dt)) << bad;
}

TEST(Format, TryStrToDateTimeBySettings) {
  PinnedSettings pin(German());
  double dt = 0;
  ASSERT_TRUE(TryStrToDateTime("15.01.2024", dt));
  EXPECT_EQ(dt, EncodeDate(2024, 1, 15));
  ASSERT_TRUE(TryStrToDateTime("5.1.2024 8:05:09", dt));
  EXPECT_DOUBLE_EQ(dt, EncodeDate(2024, 1, 5) + EncodeTime(8, 5, 9, 0));
  ASSERT_TRUE(TryStrToDateTime("2024-01-15", dt));  // ISO always reads
  EXPECT_EQ(dt, EncodeDate(2024, 1, 15));
  ASSERT_TRUE(TryStrToDateTime("15.01.24", dt));  // two-digit year
  EXPECT_EQ(dt, EncodeDate(2024, 1, 15));
  ASSERT_TRUE(TryStrToDateTime("15.01.99", dt));
  EXPECT_EQ(dt, EncodeDate(1999, 1, 15));
  EXPECT_FALSE(TryStrToDateTime("2024.01.15", dt));  // wrong order
  EXPECT_FALSE(TryStrToDateTime("31.02.2024", dt));
  TFormatSettings us;
  us.DateOrder = "MDY";
  us.DateSeparator = '/';
  SetFormatSettings(us);
  ASSERT_TRUE(TryStrToDateTime("01/15/2024", dt));
  EXPECT_EQ(dt, EncodeDate(2024, 1, 15));
  EXPECT_FALSE(TryStrToDateTime("15/01/2024", dt));
}

TEST(Format, DateTimeToStr) {
  PinnedSettings pin(Iso());
  double noon = EncodeDate(2024, 3, 7) + EncodeTime(12, 0, 0, 0);
  EXPECT_EQ(DateTimeToStr(noon), "2024-03-07 12:00:00");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 7)), "2024-03-07");  // no time part
  EXPECT_EQ(DateToStr(noon), "2024-03-07");
  EXPECT_EQ(TimeToStr(EncodeTime(8, 5, 9, 0)), "08:05:09");
  EXPECT_EQ(TimeToStr(EncodeTime(8, 5, 9, 250)), "08:05:09.250");
  EXPECT_EQ(DateTimeToStr(-1.5), "1899-12-29 12:00:00");
  {
    PinnedSettings de(German());
    EXPECT_EQ(DateTimeToStr(noon), "07.03.2024 12:00:00");
  }
  // What is written reads back.
  for (double dt : {noon, -1.5, 0.0, EncodeDate(1, 1, 1), EncodeDate(9999, 12, 31) + 0.999,
                    EncodeDate(2000, 2, 29) + EncodeTime(23, 59, 59, 1)}) {
    double back = 0;
    ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(dt), back)) << DateTimeToStr(dt);
    EXPECT_EQ(DateTimeToTimeStamp(back).Date, DateTimeToTimeStamp(dt).Date);
    EXPECT_EQ(DateTimeToTimeStamp(back).Time, DateTimeToTimeStamp(dt).Time);
  }
}

}  // namespace
}  // namespace qualtren
