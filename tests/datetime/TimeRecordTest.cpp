// The record underneath every date: calendar arithmetic, the number reader under the date
// parsers, instants, calendar moves and the clock; automation dates (days since 1899-12-30, the
// time of day as the fraction) and the date object that takes them in and hands dates on as
// seven numbers. Zone conversions are in ZoneRulesTest.
#include <algorithm>
#include <climits>
#include <limits>

#include "DateTestSupport.h"
#include "datetime/ClsDateTime.h"
#include "datetime/ClsDtObj.h"
#include "datetime/IntScanner.h"
#include "platform/SystemClock.h"

namespace quorvel::test {
namespace {

// Each day from year 1 to 9999 has the next day number, comes back from it, and has the weekday
// of the leap-count rule: leap days before the year, the year, the days before the month, the day.
TEST(CivilCalendar, EveryDayOfTenThousandYearsRoundTripsWithItsWeekday) {
    int64_t expectedDays = CivilCalendar::daysFromCivil(1, 1, 1);
    int failures = 0;
    for (int64_t y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= CivilCalendar::daysInMonth(y, m); ++d, ++expectedDays) {
                const int64_t days = CivilCalendar::daysFromCivil(y, m, d), leapDays = (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 + 1;
                const int64_t leapBump = m > 2 && CivilCalendar::isLeapYear(y);
                const int64_t weekday = (leapDays % 7 + y % 7 + 20 + CivilCalendar::kDaysBeforeMonth[m - 1] + leapBump + d - 1) % 7;
                int64_t y2;
                int m2, d2;
                CivilCalendar::civilFromDays(days, y2, m2, d2);
                if ((days != expectedDays || y2 != y || m2 != m || d2 != d || CivilCalendar::weekdayFromDays(days) != weekday) &&
                    ++failures <= 5)
                    ADD_FAILURE() << y << "-" << m << "-" << d;
            }
    EXPECT_EQ(failures, 0);
}

// Fields out of range normalise as timegm does (30 February is 2 March, month 0 the December
// before); extreme ones are clamped well inside 64 bits.
TEST(CivilCalendar, FieldsOutOfRangeNormalise) {
    EXPECT_EQ(CivilCalendar::daysFromCivil(2014, 2, 30), CivilCalendar::daysFromCivil(2014, 3, 2));
    EXPECT_EQ(CivilCalendar::daysFromCivil(2014, -11, 1), CivilCalendar::daysFromCivil(2013, 1, 1));
    EXPECT_EQ(CivilCalendar::daysFromCivil(2014, 1, -364), CivilCalendar::daysFromCivil(2013, 1, 1));
    EXPECT_EQ(CivilCalendar::secondsFromCivil(2014, 3, 21, 34, -60, 3600), 1395396000 + 86400);
    EXPECT_EQ(TimeRecord().toInstant(), TimeRecord::kMinInstant - 32 * 86400);  // 0000-00-00: 30 November of year -1
    EXPECT_GT(CivilCalendar::secondsFromCivil(INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX), 0);
    EXPECT_LT(CivilCalendar::secondsFromCivil(INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN), 0);
}

// Every pattern the date parsers use, on inputs that fit 32 bits, read as sscanf reads them.
TEST(IntScanner, AgreesWithSscanfWhereNumbersFit) {
    const char *patterns[] = {"%d:%d:%d", "%d:%d", "%02d%02d", "%02d:%02d", "%d", "%d%d%d", "%04d%02d%02d"};
    const char *inputs[] = {"10:00:00", "10:00", " 9:5:7 x", "10 : 00", "+10:-5:07", "-", "+", "", "   ", "0530", "05:30",
                            "5", "-0500", "12345678", "2014 03 21", "20140321", "2014032", "2014 3", "x12", "1:2:3:4",
                            "007:008", "-1:-2", "21\t22\n23", "--5", "+-5", "2147483647", "-2147483648", "05 30", "0x10", "1:", ":1"};
    for (const char *pattern : patterns) {
        for (const char *input : inputs) {
            int32_t ours[3] = {-7, -7, -7};
            int theirs[3] = {-7, -7, -7};
            const int n = IntScanner::scan(input, pattern, ours, 3);
            const int m = std::max(0, std::sscanf(input, pattern, &theirs[0], &theirs[1], &theirs[2]));  // EOF counts as none
            ASSERT_EQ(n, m) << "'" << input << "' with " << pattern;
            for (int i = 0; i < n; ++i) EXPECT_EQ(ours[i], theirs[i]) << "'" << input << "' with " << pattern << " #" << i;
        }
    }
}

TEST(IntScanner, NumbersBeyond32BitsSaturate) {
    const std::pair<const char *, int32_t> cases[] = {{"2147483648", INT32_MAX}, {"99999999999999999999999999999", INT32_MAX},
                                                      {"-2147483649", INT32_MIN}, {"-99999999999999999999999999999", INT32_MIN},
                                                      {"000000000000000000000000000012", 12}};
    for (const auto &[text, expected] : cases) {
        int32_t v = 0;
        ASSERT_EQ(IntScanner::scan(text, "%d", &v, 1), 1) << text;
        EXPECT_EQ(v, expected) << text;
    }
    int32_t v[3] = {0, 0, 0};
    EXPECT_EQ(IntScanner::scan("99999999999:88888888888:7", "%d:%d:%d", v, 3), 3);
    EXPECT_TRUE(v[0] == INT32_MAX && v[1] == INT32_MAX && v[2] == 7);
    // Never more values than there is room for, and null text reads nothing.
    EXPECT_EQ(IntScanner::scan("1 2 3", "%d%d%d", v, 2) + IntScanner::scan(nullptr, "%d", v, 1), 2);
}

TEST(TimeRecord, InstantsAndUtcFields) {
    const TimeRecord fresh;  // all zeros, UTC, daylight saving unknown
    EXPECT_EQ(describe(fresh) + " " + std::to_string(fresh.milliseconds) + " " + std::to_string(fresh.dstFlag),
              "0000-00-00 00:00:00 Sun UTC 0 -1");
    const std::pair<int64_t, const char *> cases[] = {
        {0, "1970-01-01 00:00:00 Thu UTC"},           {-1, "1969-12-31 23:59:59 Wed UTC"},
        {1395396000, "2014-03-21 10:00:00 Fri UTC"},  {951782400, "2000-02-29 00:00:00 Tue UTC"},
        {253402300799, "9999-12-31 23:59:59 Fri UTC"}, {-2209161600, "1899-12-30 00:00:00 Sat UTC"},
        {TimeRecord::kMinInstant, "0000-01-01 00:00:00 Sat UTC"}, {TimeRecord::kMaxInstant, "65535-12-31 23:59:59 Tue UTC"}};
    for (const auto &[instant, fields] : cases) {
        TimeRecord r = localRecord(1, 2, 3, 4, 5, 6);
        r.dstFlag = 1;
        r.fromInstant(instant);
        EXPECT_EQ(describe(r), fields) << instant;
        EXPECT_EQ(r.dstFlag, -1);
        EXPECT_EQ(r.toInstant(), instant);
    }
    // Beyond the 16-bit year the instant is clamped to the nearest one the record holds.
    TimeRecord r;
    r.fromInstant(INT64_MAX);
    EXPECT_EQ(describe(r), "65535-12-31 23:59:59 Tue UTC");
    r.fromInstant(INT64_MIN);
    EXPECT_EQ(describe(r), "0000-01-01 00:00:00 Sat UTC");
}

TEST(TimeRecord, AddDaysMovesTheDateAndKeepsTheRest) {
    struct Case { int y, m, d; int32_t n; const char *expected; } cases[] = {
        {2014, 3, 21, 1, "2014-03-22 10:20:30 Sat local"},  {2014, 3, 21, -1, "2014-03-20 10:20:30 Thu local"},
        {2014, 12, 31, 1, "2015-01-01 10:20:30 Thu local"}, {2015, 1, 1, -1, "2014-12-31 10:20:30 Wed local"},
        {2016, 2, 28, 1, "2016-02-29 10:20:30 Mon local"},  {2100, 2, 28, 1, "2100-03-01 10:20:30 Mon local"},
        {2014, 3, 21, 36500, "2114-02-25 10:20:30 Sun local"},
        {2014, 3, 21, -735678, "0000-01-01 10:20:30 Sat local"},  // stops at the first day a record holds
        {65535, 12, 30, 5, "65535-12-31 10:20:30 Tue local"},     // and at the last
        {2014, 2, 30, 0, "2014-03-02 10:20:30 Sun local"},        // a day the month lacks becomes a real one
    };
    for (const Case &c : cases) {
        TimeRecord r = localRecord(c.y, c.m, c.d, 10, 20, 30);
        r.dstFlag = 0;
        r.addDays(c.n);
        EXPECT_EQ(describe(r), c.expected) << c.y << "-" << c.m << "-" << c.d << " + " << c.n;
        EXPECT_EQ(r.dstFlag, -1);
    }
}

// The clock is not stuck at its epoch, and the local clock reads the same instant, give or take
// the moment between the reads.
TEST(TimeRecord, ClockGivesNowInUtcAndLocalTime) {
    TimeRecord utc, local;
    const int64_t before = SystemClock::nowInstant();
    utc.setNowUtc();
    local.setNowLocal();
    EXPECT_TRUE(before > 1700000000 && utc.toInstant() >= before && utc.toInstant() <= SystemClock::nowInstant());
    EXPECT_TRUE(!utc.isLocal && local.isLocal && utc.milliseconds == 0);
    local.toUtc();
    EXPECT_LE(std::llabs(local.toInstant() - utc.toInstant()), 2);
}

constexpr double k21March2014At10 = 41719.0 + 10.0 / 24.0;

TEST(OleDate, FromFields) {
    struct Case { int y, m, d, h, mi, s; double expected; } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0.0}, {1899, 12, 31, 6, 0, 0, 1.25}, {1900, 1, 1, 0, 0, 0, 2.0},
        {1899, 12, 29, 6, 0, 0, -1.25}, {1899, 12, 29, 18, 0, 0, -1.75},  // before the epoch the fraction still counts forward
        {2014, 3, 21, 10, 0, 0, k21March2014At10}, {2000, 2, 29, 12, 0, 0, 36585.5}, {100, 1, 1, 0, 0, 0, -657434.0},
        {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400.0}, {1, 1, 1, 0, 0, 0, -693593.0},  // no lower bound on the year
        // A time of day out of range counts as zero in its place.
        {1899, 12, 31, 24, 0, 0, 1.0}, {1899, 12, 31, 6, 60, 0, 1.25}, {1899, 12, 31, 6, 0, 60, 1.25},
    };
    for (const Case &c : cases) {
        for (bool local : {false, true}) {  // the fields count as they stand
            const TimeRecord r = dateRecord(local, c.y, c.m, c.d, c.h, c.mi, c.s);
            double got = -99;
            EXPECT_TRUE(r.toOleDate(got)) << describe(r);
            EXPECT_DOUBLE_EQ(got, c.expected) << describe(r);
        }
    }
    // An invalid date, the zero record's month 0 among them, gives 1 January 1900 and fails.
    for (const TimeRecord &r : {TimeRecord(), utcRecord(2014, 13, 1), utcRecord(2014, 1, 0), utcRecord(2014, 2, 29),
                                utcRecord(1900, 2, 29), utcRecord(2100, 2, 29), utcRecord(2014, 4, 31), utcRecord(10000, 1, 1),
                                utcRecord(65535, 12, 31)}) {
        double got = -99;
        EXPECT_FALSE(r.toOleDate(got)) << describe(r);
        EXPECT_EQ(got, 2.0) << describe(r);
    }
}

TEST(OleDate, ToFields) {
    const std::pair<double, const char *> cases[] = {
        {0.0, "1899-12-30 00:00:00 Sat"}, {1.25, "1899-12-31 06:00:00 Sun"}, {2.0, "1900-01-01 00:00:00 Mon"},
        {-1.25, "1899-12-29 06:00:00 Fri"}, {-1.75, "1899-12-29 18:00:00 Fri"}, {k21March2014At10, "2014-03-21 10:00:00 Fri"},
        {-657434.0, "0100-01-01 00:00:00 Fri"}, {2958465.0, "9999-12-31 00:00:00 Fri"},
        // To the nearest second.
        {0.5 + 0.4999 / 86400, "1899-12-30 12:00:00 Sat"}, {0.5 + 0.5001 / 86400, "1899-12-30 12:00:01 Sat"},
        {0.99999999, "1899-12-31 00:00:00 Sun"},
        // A negative date that rounds up to midnight reaches the next calendar day, as a positive
        // one does: -0.99999999 is 1899-12-30 23:59:59.999.
        {-0.99999999, "1899-12-31 00:00:00 Sun"}, {-1.99999999, "1899-12-30 00:00:00 Sat"},
        {-657433.99999999, "0100-01-03 00:00:00 Sun"}, {2958464.99999999, "9999-12-31 00:00:00 Fri"},
        // The first and the last day hold every time of day.
        {-657434.5, "0100-01-01 12:00:00 Fri"}, {-657434.99999, "0100-01-01 23:59:59 Fri"},
        {2958465.5, "9999-12-31 12:00:00 Fri"}, {2958465.0 + 86399.0 / 86400.0, "9999-12-31 23:59:59 Fri"},
    };
    for (const auto &[date, expected] : cases) {
        TimeRecord r, utc;
        r.dstFlag = 0;
        EXPECT_TRUE(r.fromOleDate(date) && r.dstFlag == -1 && r.milliseconds == 0) << date;
        EXPECT_EQ(describe(r), expected + std::string(" local")) << date;
        EXPECT_TRUE(utc.setFromOleDate(date, false));
        EXPECT_EQ(describe(utc), expected + std::string(" UTC")) << date;
    }
}

TEST(OleDate, OutOfRangeGivesNowInUtc) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double d : {-657435.0, -657435.5, 2958466.0, 2958465.99999999, 1e300, -1e300, nan, inf, -inf}) {
        TimeRecord r = localRecord(2014, 3, 21, 10);
        EXPECT_TRUE(!r.fromOleDate(d) && !r.isLocal && secondsFromNow(r) <= 2) << d;
        // The plain conversion leaves the record alone.
        TimeRecord kept = localRecord(2014, 3, 21, 10);
        EXPECT_FALSE(kept.setFromOleDate(d, false));
        EXPECT_EQ(describe(kept), "2014-03-21 10:00:00 Fri local");
    }
}

std::string serialized(ClsDateTime &dt) {
    StringBuffer sb;
    EXPECT_TRUE(dt.serialize(sb));
    return sb.getString();
}

std::string numbers(const ClsDtObj &o) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d %d %d %d %s", o.get_Year(), o.get_Month(), o.get_Day(), o.get_Hour(),
                  o.get_Minute(), o.get_Second(), o.get_Utc() ? "UTC" : "local");
    return text;
}

// A new object holds now in UTC; automation dates come in as the caller's kind of time, and out
// of range change nothing; the seven numbers are UTC, each kept inside its range.
TEST(ClsDateTime, TakesAutomationDatesAndSerializesInUtc) {
    EXPECT_EQ(numbers(ClsDtObj()), "1900 1 1 0 0 0 local");
    ClsDateTime dt;
    EXPECT_TRUE(!dt.timeRecord().isLocal && secondsFromNow(dt.timeRecord()) <= 2);
    EXPECT_TRUE(dt.setFromOleDate(true, k21March2014At10));
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 10:00:00 Fri local");
    EXPECT_TRUE(dt.setFromOleDate(false, k21March2014At10));
    EXPECT_FALSE(dt.setFromOleDate(true, 3e6) || dt.setFromOleDate(true, -1e6));
    EXPECT_EQ(describe(dt.timeRecord()) + " / " + serialized(dt), "2014-03-21 10:00:00 Fri UTC / 2014 3 21 10 0 0 1");
    dt.timeRecord() = utcRecord(0, 0, 0);
    EXPECT_EQ(serialized(dt), "1 1 1 0 0 0 1");
    dt.timeRecord() = utcRecord(65535, 13, 40, 99, 99, 99);
    EXPECT_EQ(serialized(dt), "9999 12 31 23 59 59 1");
    StringBuffer sb("dt=");  // appended to what is there
    dt.setFromOleDate(false, 1.25);
    EXPECT_TRUE(dt.serialize(sb));
    EXPECT_STREQ(sb.getString(), "dt=1899 12 31 6 0 0 1");
}

// Local time at +01:00 serializes as UTC; the record is converted in place.
TEST(ClsDateTime, LocalTimeSerializesAsUtc) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    ClsDateTime dt;
    ASSERT_TRUE(dt.setFromOleDate(true, k21March2014At10));
    EXPECT_EQ(serialized(dt), "2014 3 21 9 0 0 1");
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 09:00:00 Fri UTC");
}

TEST(ClsDateTime, ToDtObjConvertsEitherWay) {
    QUORVEL_IN_ZONE("America/New_York");
    ClsDateTime dt;
    ASSERT_TRUE(dt.setFromOleDate(false, k21March2014At10));
    ClsDtObj o;
    dt.toDtObj(true, o);
    EXPECT_EQ(numbers(o) + " / " + describe(dt.timeRecord()), "2014 3 21 6 0 0 local / 2014-03-21 06:00:00 Fri local");
    dt.toDtObj(false, o);
    EXPECT_EQ(numbers(o) + " / " + describe(dt.timeRecord()), "2014 3 21 10 0 0 UTC / 2014-03-21 10:00:00 Fri UTC");
}

}  // namespace
}  // namespace quorvel::test
