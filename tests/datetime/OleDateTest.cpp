// Automation dates: days since 1899-12-30 with the time of day as the fraction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>

#include "DateTestSupport.h"
#include "datetime/CivilCalendar.h"
#include "datetime/TimeRecord.h"

namespace quorvel::test {
namespace {

TEST(OleDate, FromFields) {
    struct Case {
        int y, m, d, h, mi, s;
        double expected;
    } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0.0},
        {1899, 12, 31, 6, 0, 0, 1.25},
        {1900, 1, 1, 0, 0, 0, 2.0},
        {1899, 12, 29, 6, 0, 0, -1.25},  // before the epoch the fraction still counts forward
        {1899, 12, 29, 18, 0, 0, -1.75},
        {2014, 3, 21, 10, 0, 0, 41719.0 + 10.0 / 24.0},
        {2000, 2, 29, 12, 0, 0, 36585.5},
        {100, 1, 1, 0, 0, 0, -657434.0},
        {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400.0},
        {1, 1, 1, 0, 0, 0, -693593.0},   // no lower bound on the year
        // A time of day out of range counts as zero in its place.
        {1899, 12, 31, 24, 0, 0, 1.0},
        {1899, 12, 31, 6, 60, 0, 1.25},
        {1899, 12, 31, 6, 0, 60, 1.25},
    };
    for (const Case &c : cases) {
        for (bool local : {false, true}) {  // the fields count as they stand
            TimeRecord r = local ? localRecord(c.y, c.m, c.d, c.h, c.mi, c.s) : utcRecord(c.y, c.m, c.d, c.h, c.mi, c.s);
            double got = -99;
            EXPECT_TRUE(r.toOleDate(got)) << describe(r);
            EXPECT_DOUBLE_EQ(got, c.expected) << describe(r);
        }
    }
}

TEST(OleDate, InvalidDatesGiveJanuaryFirst1900AndFail) {
    const TimeRecord cases[] = {
        TimeRecord(),                      // the zero record: month 0
        utcRecord(2014, 13, 1),
        utcRecord(2014, 1, 0),
        utcRecord(2014, 2, 29),
        utcRecord(1900, 2, 29),
        utcRecord(2100, 2, 29),
        utcRecord(2014, 4, 31),
        utcRecord(10000, 1, 1),
        utcRecord(65535, 12, 31),
    };
    for (const TimeRecord &r : cases) {
        double got = -99;
        EXPECT_FALSE(r.toOleDate(got)) << describe(r);
        EXPECT_EQ(got, 2.0) << describe(r);
    }
}

TEST(OleDate, ToFields) {
    struct Case {
        double date;
        const char *expected;
    } cases[] = {
        {0.0, "1899-12-30 00:00:00 Sat local"},
        {1.25, "1899-12-31 06:00:00 Sun local"},
        {2.0, "1900-01-01 00:00:00 Mon local"},
        {-1.25, "1899-12-29 06:00:00 Fri local"},
        {-1.75, "1899-12-29 18:00:00 Fri local"},
        {41719.0 + 10.0 / 24.0, "2014-03-21 10:00:00 Fri local"},
        {-657434.0, "0100-01-01 00:00:00 Fri local"},
        {2958465.0, "9999-12-31 00:00:00 Fri local"},
        // To the nearest second.
        {0.5 + 0.4999 / 86400, "1899-12-30 12:00:00 Sat local"},
        {0.5 + 0.5001 / 86400, "1899-12-30 12:00:01 Sat local"},
        {0.99999999, "1899-12-31 00:00:00 Sun local"},
        // A negative date that rounds up to midnight reaches the next calendar day, as a
        // positive one does: -0.99999999 is 1899-12-30 23:59:59.999.
        {-0.99999999, "1899-12-31 00:00:00 Sun local"},
        {-1.99999999, "1899-12-30 00:00:00 Sat local"},
        {-657433.99999999, "0100-01-03 00:00:00 Sun local"},
        {2958464.99999999, "9999-12-31 00:00:00 Fri local"},
        // The first and the last day hold every time of day.
        {-657434.5, "0100-01-01 12:00:00 Fri local"},
        {-657434.99999, "0100-01-01 23:59:59 Fri local"},
        {2958465.5, "9999-12-31 12:00:00 Fri local"},
        {2958465.0 + 86399.0 / 86400.0, "9999-12-31 23:59:59 Fri local"},
    };
    for (const Case &c : cases) {
        TimeRecord r;
        r.dstFlag = 0;
        EXPECT_TRUE(r.fromOleDate(c.date)) << c.date;
        EXPECT_EQ(describe(r), c.expected) << c.date;
        EXPECT_EQ(r.dstFlag, -1);
        EXPECT_EQ(r.milliseconds, 0);
        TimeRecord utc;
        EXPECT_TRUE(utc.setFromOleDate(c.date, false));
        EXPECT_EQ(describe(utc).substr(0, 24), std::string(c.expected).substr(0, 24));
        EXPECT_FALSE(utc.isLocal);
    }
}

TEST(OleDate, OutOfRangeGivesNowInUtc) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (double d : {-657435.0, -657435.5, 2958466.0, 2958465.99999999, 1e300, -1e300, nan, inf, -inf}) {
        TimeRecord r = localRecord(2014, 3, 21, 10);
        TimeRecord now;
        now.setNowUtc();
        EXPECT_FALSE(r.fromOleDate(d)) << d;
        EXPECT_FALSE(r.isLocal);
        EXPECT_LE(std::llabs(r.toInstant() - now.toInstant()), 2) << d;
        // The plain conversion leaves the record alone.
        TimeRecord kept = localRecord(2014, 3, 21, 10);
        EXPECT_FALSE(kept.setFromOleDate(d, false));
        EXPECT_EQ(describe(kept), describe(localRecord(2014, 3, 21, 10)));
    }
}

// Every valid date, sampled with random times of day, comes back to the second.
TEST(OleDate, RoundTripOverTheWholeRange) {
    std::mt19937 rng(21032014);
    const int64_t firstDay = CivilCalendar::daysFromCivil(100, 1, 1), lastDay = CivilCalendar::daysFromCivil(9999, 12, 31);
    int failures = 0, checked = 0;
    for (int64_t days = firstDay; days <= lastDay && failures < 5; days += 1 + rng() % 29, ++checked) {
        int64_t y;
        int m, d;
        CivilCalendar::civilFromDays(days, y, m, d);
        const int second = static_cast<int>(rng() % 86400);
        const TimeRecord r = utcRecord(static_cast<int>(y), m, d, second / 3600, second / 60 % 60, second % 60);
        double ole = 0;
        TimeRecord back;
        const bool ok = r.toOleDate(ole) && back.setFromOleDate(ole, false) && back.year == r.year &&
                        back.month == r.month && back.day == r.day && back.hour == r.hour && back.minute == r.minute &&
                        back.second == r.second && back.dayOfWeek == r.dayOfWeek;
        if (!ok && ++failures <= 5) ADD_FAILURE() << describe(r) << " -> " << ole << " -> " << describe(back);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(checked, 200000);
}

}  // namespace
}  // namespace quorvel::test
