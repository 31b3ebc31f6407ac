// Calendar arithmetic and the number reader under the date parsers.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>

#include "datetime/CivilCalendar.h"
#include "datetime/IntScanner.h"

namespace quorvel {
namespace {

// The weekday rule written out the long way: leap days before the year, the year itself, the
// days before the month and the day.
int weekdayByLeapCount(int64_t y, int64_t m, int64_t d) {
    const int64_t leapDays = (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 + 1;
    const int64_t leapBump = (m > 2 && CivilCalendar::isLeapYear(y)) ? 1 : 0;
    return static_cast<int>((leapDays % 7 + y % 7 + 20 + CivilCalendar::kDaysBeforeMonth[m - 1] + leapBump + d - 1) % 7);
}

TEST(CivilCalendar, EveryDayOfTenThousandYearsRoundTripsWithItsWeekday) {
    int64_t expectedDays = CivilCalendar::daysFromCivil(1, 1, 1);
    int failures = 0;
    for (int64_t y = 1; y <= 9999 && failures < 5; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= CivilCalendar::daysInMonth(y, m); ++d, ++expectedDays) {
                const int64_t days = CivilCalendar::daysFromCivil(y, m, d);
                int64_t y2;
                int m2, d2;
                CivilCalendar::civilFromDays(days, y2, m2, d2);
                const bool ok = days == expectedDays && y2 == y && m2 == m && d2 == d &&
                                CivilCalendar::weekdayFromDays(days) == weekdayByLeapCount(y, m, d);
                if (!ok && ++failures <= 5) ADD_FAILURE() << y << "-" << m << "-" << d;
            }
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(CivilCalendar, FieldsOutOfRangeNormaliseLikeTimegm) {
    struct Case {
        int64_t y, m, d;
        int64_t ey;
        int em, ed;
    } cases[] = {
        {2014, 2, 30, 2014, 3, 2},    // a day the month does not have
        {2016, 2, 30, 2016, 3, 1},
        {2014, 0, 1, 2013, 12, 1},    // month 0 is the previous December
        {2014, 13, 1, 2015, 1, 1},
        {2014, -11, 1, 2013, 1, 1},
        {2014, 3, 0, 2014, 2, 28},
        {2014, 1, -364, 2013, 1, 1},
        {0, 0, 0, -1, 11, 30},
    };
    for (const Case &c : cases) {
        int64_t y;
        int m, d;
        CivilCalendar::civilFromDays(CivilCalendar::daysFromCivil(c.y, c.m, c.d), y, m, d);
        EXPECT_EQ(y, c.ey) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(m, c.em) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(d, c.ed) << c.y << "-" << c.m << "-" << c.d;
    }
    EXPECT_EQ(CivilCalendar::secondsFromCivil(2014, 3, 21, 10, 0, 0), 1395396000);
    EXPECT_EQ(CivilCalendar::secondsFromCivil(2014, 3, 21, 34, -60, 3600), 1395396000 + 86400);
    // Extreme arguments are clamped and stay well inside 64 bits.
    EXPECT_GT(CivilCalendar::secondsFromCivil(INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX), 0);
    EXPECT_LT(CivilCalendar::secondsFromCivil(INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN), 0);
}

// Every pattern the date parsers use, on inputs that fit 32 bits, read as sscanf reads them.
TEST(IntScanner, AgreesWithSscanfWhereNumbersFit) {
    const char *patterns[] = {"%d:%d:%d", "%d:%d", "%02d%02d", "%02d:%02d", "%d", "%d%d%d", "%04d%02d%02d"};
    const char *inputs[] = {"10:00:00", "10:00", " 9:5:7 x", "10 : 00", "+10:-5:07", "-", "+", "", "   ",
                            "0530", "05:30", "5", "-0500", "12345678", "2014 03 21", "20140321", "2014032",
                            "2014 3", "x12", "1:2:3:4", "007:008", "-1:-2", "21\t22\n23", "--5", "+-5",
                            "2147483647", "-2147483648", "05 30", "0x10", "1:", ":1"};
    for (const char *pattern : patterns) {
        for (const char *input : inputs) {
            int32_t ours[3] = {-7, -7, -7};
            int theirs[3] = {-7, -7, -7};
            const int n = IntScanner::scan(input, pattern, ours, 3);
            int m = std::sscanf(input, pattern, &theirs[0], &theirs[1], &theirs[2]);
            if (m < 0) m = 0;  // EOF before the first conversion
            ASSERT_EQ(n, m) << "'" << input << "' with " << pattern;
            for (int i = 0; i < n; ++i) EXPECT_EQ(ours[i], theirs[i]) << "'" << input << "' with " << pattern << " #" << i;
        }
    }
}

TEST(IntScanner, NumbersBeyond32BitsSaturate) {
    struct Case {
        const char *text;
        int32_t expected;
    } cases[] = {
        {"2147483648", INT32_MAX},
        {"99999999999999999999999999999", INT32_MAX},
        {"-2147483649", INT32_MIN},
        {"-99999999999999999999999999999", INT32_MIN},
        {"000000000000000000000000000012", 12},
    };
    for (const Case &c : cases) {
        int32_t v = 0;
        ASSERT_EQ(IntScanner::scan(c.text, "%d", &v, 1), 1) << c.text;
        EXPECT_EQ(v, c.expected) << c.text;
    }
    int32_t v[3] = {0, 0, 0};
    EXPECT_EQ(IntScanner::scan("99999999999:88888888888:7", "%d:%d:%d", v, 3), 3);
    EXPECT_EQ(v[0], INT32_MAX);
    EXPECT_EQ(v[1], INT32_MAX);
    EXPECT_EQ(v[2], 7);
    // Never more values than there is room for, and null text reads nothing.
    EXPECT_EQ(IntScanner::scan("1 2 3", "%d%d%d", v, 2), 2);
    EXPECT_EQ(IntScanner::scan(nullptr, "%d", v, 1), 0);
}

}  // namespace
}  // namespace quorvel
