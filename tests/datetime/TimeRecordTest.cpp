// The record underneath every date: calendar arithmetic, the number reader, instants, calendar
// moves, the clock, automation dates (days since 1899-12-30) and the date object over them.
#include <limits>

#include "DateTestSupport.h"
#include "datetime/ClsDateTime.h"
#include "datetime/ClsDtObj.h"
#include "datetime/IntScanner.h"
#include "platform/SystemClock.h"

namespace quorvel::test {
namespace {

// Each day of years 1-9999 has the next day number, comes back from it, and the next weekday (1
// January of year 1 was a Monday). Fields out of range normalise as timegm does; extremes clamp.
TEST(CivilCalendar, EveryDayOfTenThousandYearsAndFieldsOutOfRange) {
    int64_t expectedDays = CivilCalendar::daysFromCivil(1, 1, 1), weekday = 1, y2 = 0;
    int failures = 0, m2 = 0, d2 = 0;
    for (int64_t y = 1; y <= 9999; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= CivilCalendar::daysInMonth(y, m); ++d, ++expectedDays, weekday = (weekday + 1) % 7) {
                const int64_t days = CivilCalendar::daysFromCivil(y, m, d);
                CivilCalendar::civilFromDays(days, y2, m2, d2);
                if ((days != expectedDays || y2 != y || m2 != m || d2 != d || CivilCalendar::weekdayFromDays(days) != weekday) && ++failures <= 5)
                    ADD_FAILURE() << y << "-" << m << "-" << d;
            }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(CivilCalendar::daysFromCivil(2014, -11, 1), CivilCalendar::daysFromCivil(2013, 1, 1));
    EXPECT_EQ(CivilCalendar::secondsFromCivil(2014, 3, 21, 34, -60, 3600), 1395396000 + 86400);
    EXPECT_GT(CivilCalendar::secondsFromCivil(INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX), 0);
    EXPECT_LT(CivilCalendar::secondsFromCivil(INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN), 0);
}

// Numbers beyond 32 bits saturate; never more values than there is room for; null text reads nothing.
TEST(IntScanner, NumbersSaturate) {
    int32_t v[3] = {0, 0, 0};
    EXPECT_TRUE(IntScanner::scan("2147483648:-2147483649:000000000000000000000000000012", "%d:%d:%d", v, 3) == 3 &&
                v[0] == INT32_MAX && v[1] == INT32_MIN && v[2] == 12);
    EXPECT_EQ(IntScanner::scan("1 2 3", "%d%d%d", v, 2) + IntScanner::scan(nullptr, "%d", v, 1), 2);
}

// Instants become UTC fields, clamped to the 16-bit year; days move the date only, also clamped.
TEST(TimeRecord, InstantsAndAddDays) {
    const TimeRecord fresh;  // all zeros, UTC, daylight saving unknown
    EXPECT_TRUE(describe(fresh) == "0000-00-00 00:00:00 Sun UTC" && fresh.milliseconds == 0 && fresh.dstFlag == -1);
    const std::pair<int64_t, const char *> instants[] = {{-1, "1969-12-31 23:59:59 Wed UTC"}, {951782400, "2000-02-29 00:00:00 Tue UTC"},
        {TimeRecord::kMinInstant, "0000-01-01 00:00:00 Sat UTC"}, {TimeRecord::kMaxInstant, "65535-12-31 23:59:59 Tue UTC"},
        {INT64_MAX, "65535-12-31 23:59:59 Tue UTC"}, {INT64_MIN, "0000-01-01 00:00:00 Sat UTC"}};
    for (const auto &[instant, fields] : instants) {
        TimeRecord r = localRecord(1, 2, 3, 4, 5, 6);
        r.dstFlag = 1, r.fromInstant(instant);
        EXPECT_TRUE(describe(r) == fields && r.dstFlag == -1) << instant << ": " << describe(r);
        EXPECT_TRUE(instant == INT64_MAX || instant == INT64_MIN || r.toInstant() == instant) << instant;
    }
    struct Case { int y, m, d; int32_t n; const char *expected; } moves[] = {
        {2015, 1, 1, -1, "2014-12-31 10:20:30 Wed local"}, {2100, 2, 28, 1, "2100-03-01 10:20:30 Mon local"},
        {2014, 3, 21, -735678, "0000-01-01 10:20:30 Sat local"}, {65535, 12, 30, 5, "65535-12-31 10:20:30 Tue local"},
        {2014, 2, 30, 0, "2014-03-02 10:20:30 Sun local"},  // a day the month lacks becomes a real one
    };
    for (const Case &c : moves) {
        TimeRecord r = localRecord(c.y, c.m, c.d, 10, 20, 30);
        r.dstFlag = 0, r.addDays(c.n);
        EXPECT_TRUE(describe(r) == c.expected && r.dstFlag == -1) << c.n << ": " << describe(r);
    }
}

// The clock is not stuck at its epoch; the local clock reads the same instant.
TEST(TimeRecord, ClockGivesNowInUtcAndLocalTime) {
    TimeRecord utc, local;
    const int64_t before = SystemClock::nowInstant();
    utc.setNowUtc(), local.setNowLocal();
    EXPECT_TRUE(before > 1700000000 && utc.toInstant() >= before && utc.toInstant() <= SystemClock::nowInstant() && !utc.isLocal &&
                local.isLocal);
    EXPECT_LE((local.toUtc(), std::llabs(local.toInstant() - utc.toInstant())), 2);
}

constexpr double k21March2014At10 = 41719.0 + 10.0 / 24.0;

// Fields to automation dates ('>'), back to the nearest second ('<'), or both ways, local or UTC
// alike. Before the epoch the fraction still counts forward. Python checks thousands more.
TEST(OleDate, FromFieldsAndBack) {
    struct Case { char way; int y, m, d, h, mi, s; double date; } cases[] = {
        {'=', 1899, 12, 30, 0, 0, 0, 0.0}, {'=', 1899, 12, 29, 18, 0, 0, -1.75},
        {'=', 9999, 12, 31, 23, 59, 59, 2958465.0 + 86399.0 / 86400.0}, {'<', 100, 1, 1, 23, 59, 59, -657434.99999},
        {'>', 1, 1, 1, 0, 0, 0, -693593.0},  // no lower bound on the year
        {'>', 1899, 12, 31, 24, 0, 0, 1.0}, {'>', 1899, 12, 31, 6, 60, 0, 1.25},  // a time of day out of range counts as zero
        // Rounding up to midnight reaches the next day, also before the epoch: -0.99999999 is 1899-12-30 23:59:59.999.
        {'<', 1899, 12, 31, 0, 0, 0, -0.99999999}, {'<', 100, 1, 3, 0, 0, 0, -657433.99999999},
    };
    for (const Case &c : cases) {
        const TimeRecord local = localRecord(c.y, c.m, c.d, c.h, c.mi, c.s), utc = utcRecord(c.y, c.m, c.d, c.h, c.mi, c.s);
        double fromLocal = -99, fromUtc = -99;
        if (c.way != '<') {
            EXPECT_TRUE(local.toOleDate(fromLocal) && utc.toOleDate(fromUtc)) << c.date;
            EXPECT_DOUBLE_EQ(fromLocal, c.date);
            EXPECT_DOUBLE_EQ(fromUtc, c.date);
        }
        TimeRecord r, u;
        r.dstFlag = 0;
        if (c.way == '>') continue;
        EXPECT_TRUE(r.fromOleDate(c.date) && r.dstFlag == -1 && r.milliseconds == 0 && u.setFromOleDate(c.date, false));
        EXPECT_EQ(describe(r) + " / " + describe(u), describe(local) + " / " + describe(utc)) << c.date;
    }
    // An invalid date, the zero record's month 0 among them, gives 1 January 1900 and fails.
    for (const TimeRecord &r : {TimeRecord(), utcRecord(2014, 1, 0), utcRecord(1900, 2, 29), utcRecord(10000, 1, 1)}) {
        double got = -99;
        EXPECT_TRUE(!r.toOleDate(got) && got == 2.0) << describe(r);
    }
    // Out of range: now in UTC, or with the plain conversion the record left alone.
    for (double d : {-657435.0, 2958465.99999999, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        TimeRecord r = localRecord(2014, 3, 21, 10), kept = r;
        EXPECT_TRUE(!r.fromOleDate(d) && !r.isLocal && secondsFromNow(r) <= 2) << d;
        EXPECT_FALSE(kept.setFromOleDate(d, false) || describe(kept) != "2014-03-21 10:00:00 Fri local");
    }
}

std::string serialized(ClsDateTime &dt) { StringBuffer sb; EXPECT_TRUE(dt.serialize(sb)); return sb.getString(); }

std::string numbers(const ClsDtObj &o) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d %d %d %d %s", o.get_Year(), o.get_Month(), o.get_Day(), o.get_Hour(),
                  o.get_Minute(), o.get_Second(), o.get_Utc() ? "UTC" : "local");
    return text;
}

// A new object holds now in UTC. Serializing writes UTC, each number kept inside its range, and
// converts a local record in place; the numbers handed on are the kind asked for.
TEST(ClsDateTime, SerializesInUtcAndHandsOnEitherKind) {
    EXPECT_EQ(numbers(ClsDtObj()), "1900 1 1 0 0 0 local");
    ClsDateTime dt;
    EXPECT_TRUE(!dt.timeRecord().isLocal && secondsFromNow(dt.timeRecord()) <= 2);
    dt.timeRecord() = utcRecord(0, 0, 0);
    const std::string low = serialized(dt);
    dt.timeRecord() = utcRecord(65535, 13, 40, 99, 99, 99);
    EXPECT_EQ(low + " / " + serialized(dt), "1 1 1 0 0 0 1 / 9999 12 31 23 59 59 1");
    QUORVEL_IN_ZONE("Europe/Berlin");  // +01:00 in March
    ASSERT_TRUE(dt.setFromOleDate(true, k21March2014At10));
    const std::string text = serialized(dt);  // converts the record
    EXPECT_EQ(text + " / " + describe(dt.timeRecord()), "2014 3 21 9 0 0 1 / 2014-03-21 09:00:00 Fri UTC");
    ClsDtObj o;
    dt.toDtObj(true, o);
    EXPECT_EQ(numbers(o) + " / " + describe(dt.timeRecord()), "2014 3 21 10 0 0 local / 2014-03-21 10:00:00 Fri local");
    dt.toDtObj(false, o);
    EXPECT_EQ(numbers(o), "2014 3 21 9 0 0 UTC");
}

}  // namespace
}  // namespace quorvel::test
