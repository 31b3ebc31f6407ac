// The record's instants, calendar moves and the clock; zone conversions are in ZoneRulesTest.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "DateTestSupport.h"
#include "datetime/TimeRecord.h"
#include "platform/SystemClock.h"

namespace quorvel::test {
namespace {

TEST(TimeRecord, FreshRecordIsAllZerosUtcWithUnknownDst) {
    const TimeRecord r;
    EXPECT_EQ(describe(r), "0000-00-00 00:00:00 Sun UTC");
    EXPECT_EQ(r.milliseconds, 0);
    EXPECT_EQ(r.dstFlag, -1);
}

TEST(TimeRecord, InstantsAndUtcFields) {
    struct Case {
        int64_t instant;
        const char *fields;
    } cases[] = {
        {0, "1970-01-01 00:00:00 Thu UTC"},
        {-1, "1969-12-31 23:59:59 Wed UTC"},
        {1395396000, "2014-03-21 10:00:00 Fri UTC"},
        {951782400, "2000-02-29 00:00:00 Tue UTC"},
        {253402300799, "9999-12-31 23:59:59 Fri UTC"},
        {-2209161600, "1899-12-30 00:00:00 Sat UTC"},
        {TimeRecord::kMinInstant, "0000-01-01 00:00:00 Sat UTC"},
        {TimeRecord::kMaxInstant, "65535-12-31 23:59:59 Tue UTC"},
    };
    for (const Case &c : cases) {
        TimeRecord r = localRecord(1, 2, 3, 4, 5, 6);
        r.dstFlag = 1;
        r.fromInstant(c.instant);
        EXPECT_EQ(describe(r), c.fields) << c.instant;
        EXPECT_EQ(r.dstFlag, -1);
        EXPECT_EQ(r.toInstant(), c.instant);
    }
    // Beyond the 16-bit year the instant is clamped to the nearest one the record holds.
    TimeRecord r;
    r.fromInstant(INT64_MAX);
    EXPECT_EQ(describe(r), "65535-12-31 23:59:59 Tue UTC");
    r.fromInstant(INT64_MIN);
    EXPECT_EQ(describe(r), "0000-01-01 00:00:00 Sat UTC");
}

TEST(TimeRecord, UtcInstantOfFieldsOutOfRangeIsWellDefined) {
    // 30 February is 2 March; month 0 is the previous December; hour 99 runs into later days.
    EXPECT_EQ(utcRecord(2014, 2, 30, 10).toInstant(), utcRecord(2014, 3, 2, 10).toInstant());
    EXPECT_EQ(utcRecord(2014, 0, 1).toInstant(), utcRecord(2013, 12, 1).toInstant());
    EXPECT_EQ(utcRecord(2014, 3, 21, 99).toInstant(), utcRecord(2014, 3, 25, 3).toInstant());
    // The zero record is 0000-00-00, which is 30 November of the year before year 0.
    EXPECT_EQ(TimeRecord().toInstant(), TimeRecord::kMinInstant - 32 * 86400);
}

TEST(TimeRecord, AddDaysMovesTheDateAndKeepsTheRest) {
    struct Case {
        int y, m, d;
        int32_t n;
        const char *expected;
    } cases[] = {
        {2014, 3, 21, 1, "2014-03-22 10:20:30 Sat local"},
        {2014, 3, 21, -1, "2014-03-20 10:20:30 Thu local"},
        {2014, 12, 31, 1, "2015-01-01 10:20:30 Thu local"},
        {2015, 1, 1, -1, "2014-12-31 10:20:30 Wed local"},
        {2016, 2, 28, 1, "2016-02-29 10:20:30 Mon local"},
        {2100, 2, 28, 1, "2100-03-01 10:20:30 Mon local"},
        {2014, 3, 21, 36500, "2114-02-25 10:20:30 Sun local"},
        {2014, 3, 21, -735678, "0000-01-01 10:20:30 Sat local"},   // stops at the first day a record holds
        {65535, 12, 30, 5, "65535-12-31 10:20:30 Tue local"},      // and at the last
        {2014, 2, 30, 0, "2014-03-02 10:20:30 Sun local"},         // a day the month lacks becomes a real one
    };
    for (const Case &c : cases) {
        TimeRecord r = localRecord(c.y, c.m, c.d, 10, 20, 30);
        r.dstFlag = 0;
        r.addDays(c.n);
        EXPECT_EQ(describe(r), c.expected) << c.y << "-" << c.m << "-" << c.d << " + " << c.n;
        EXPECT_EQ(r.dstFlag, -1);
    }
}

TEST(TimeRecord, ClockGivesNowInUtcAndLocalTime) {
    TimeRecord utc, local;
    const int64_t before = SystemClock::nowInstant();
    utc.setNowUtc();
    local.setNowLocal();
    const int64_t after = SystemClock::nowInstant();
    EXPECT_FALSE(utc.isLocal);
    EXPECT_TRUE(local.isLocal);
    EXPECT_EQ(utc.milliseconds, 0);
    EXPECT_GE(utc.toInstant(), before);
    EXPECT_LE(utc.toInstant(), after);
    TimeRecord check;
    check.fromInstant(utc.toInstant());
    EXPECT_EQ(describe(check), describe(utc));
    // The local clock reads the same instant, give or take the moment between the two reads.
    TimeRecord localAsUtc = local;
    localAsUtc.toUtc();
    EXPECT_LE(std::llabs(localAsUtc.toInstant() - utc.toInstant()), 2);
    EXPECT_GT(after, 1700000000);  // the clock is not stuck at its epoch
}

}  // namespace
}  // namespace quorvel::test
