// Local time against UTC in real zones, the daylight-saving changes included: the process is put
// into each zone in turn. The last test holds in whatever zone the process has (under Wine, the
// one Wine reports).
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <vector>

#include "DateTestSupport.h"
#include "ZoneScope.h"
#include "datetime/TimeRecord.h"

namespace quorvel::test {
namespace {

struct Fields {
    int y, m, d, h, mi, s;
};

TimeRecord localOf(const Fields &f) { return localRecord(f.y, f.m, f.d, f.h, f.mi, f.s); }
TimeRecord utcOf(const Fields &f) { return utcRecord(f.y, f.m, f.d, f.h, f.mi, f.s); }

// An unambiguous local time: its UTC time, the zone's offset and flag, and its texts.
struct Fixed {
    Fields local;
    const char *utc;
    int32_t offset;
    int32_t dst;
    const char *rfc822;
    const char *iso8601;
};

// A wall-clock time the spring change skips: the platform picks either reading.
struct Gap {
    Fields local;
    Fields utcAsStandard, utcAsDaylight;
    const char *localOfStandard, *localOfDaylight;  // where those instants really are
};

// A wall-clock time the autumn change repeats: two instants show it.
struct Overlap {
    Fields local;
    Fields utcDaylight, utcStandard;
    int32_t offsetDaylight, offsetStandard;
};

struct Zone {
    std::vector<Fixed> fixed;
    std::vector<Gap> gaps;
    std::vector<Overlap> overlaps;
};

void checkZone(const Zone &zone) {
    for (const Fixed &f : zone.fixed) {
        SCOPED_TRACE(describe(localOf(f.local)));
        TimeRecord r = localOf(f.local);
        EXPECT_EQ(r.utcOffset(), f.offset);
        EXPECT_EQ(r.isDst(), f.dst);
        EXPECT_EQ(r.dstFlag, f.dst);
        EXPECT_EQ(rfc822Of(r), f.rfc822);
        EXPECT_EQ(iso8601Of(r), f.iso8601);
        r.toUtc();
        EXPECT_EQ(describe(r), f.utc);
        EXPECT_EQ(r.utcOffset(), f.offset);  // a UTC record answers for its instant
        r.toLocal();
        const TimeRecord expected = localOf(f.local);
        EXPECT_EQ(describe(r), describe(expected));
        r.toLocal();  // a local record stays as it is
        EXPECT_EQ(describe(r), describe(expected));
    }
    for (const Gap &g : zone.gaps) {
        SCOPED_TRACE(describe(localOf(g.local)));
        TimeRecord r = localOf(g.local);
        r.toUtc();
        const int64_t t = r.toInstant();
        EXPECT_TRUE(t == utcOf(g.utcAsStandard).toInstant() || t == utcOf(g.utcAsDaylight).toInstant()) << describe(r);
        TimeRecord standard = utcOf(g.utcAsStandard), daylight = utcOf(g.utcAsDaylight);
        standard.toLocal();
        daylight.toLocal();
        EXPECT_EQ(describe(standard), g.localOfStandard);
        EXPECT_EQ(describe(daylight), g.localOfDaylight);
    }
    for (const Overlap &o : zone.overlaps) {
        SCOPED_TRACE(describe(localOf(o.local)));
        TimeRecord r = localOf(o.local);
        r.toUtc();
        const int64_t t = r.toInstant();
        EXPECT_TRUE(t == utcOf(o.utcDaylight).toInstant() || t == utcOf(o.utcStandard).toInstant()) << describe(r);
        TimeRecord daylight = utcOf(o.utcDaylight), standard = utcOf(o.utcStandard);
        EXPECT_EQ(daylight.isDst(), 1);
        EXPECT_EQ(standard.isDst(), 0);
        EXPECT_EQ(daylight.utcOffset(), o.offsetDaylight);
        EXPECT_EQ(standard.utcOffset(), o.offsetStandard);
        daylight.toLocal();
        standard.toLocal();
        EXPECT_EQ(describe(daylight).substr(0, 19), describe(localOf(o.local)).substr(0, 19));
        EXPECT_EQ(describe(standard).substr(0, 19), describe(localOf(o.local)).substr(0, 19));
    }
}

// Holds in any zone: local and UTC fields of sampled instants from 1601 to 9999 convert into each
// other, the offset is the difference of the two, and the repeated hour of an autumn change is
// the only place where a wall-clock time maps back to another instant.
void checkConversionsAgree() {
    const int64_t first = utcRecord(1601, 1, 1).toInstant(), last = utcRecord(9999, 12, 1).toInstant();
    int repeated = 0, failures = 0;
    for (int64_t t = first; t < last && failures < 5; t += 86400 * 97 + 3599 * 7) {
        TimeRecord utc;
        utc.fromInstant(t);
        TimeRecord local = utc;
        local.toLocal();
        const int64_t offset = utcRecord(local.year, local.month, local.day, local.hour, local.minute, local.second).toInstant() - t;
        TimeRecord back = local;
        back.toUtc();
        bool ok = local.isLocal && utc.utcOffset() == offset && offset > -86400 && offset < 86400;
        if (back.toInstant() != t) {
            // Only a repeated wall-clock time may come back as its twin, which shows the same fields.
            TimeRecord twin = back;
            twin.toLocal();
            ok = ok && describe(twin) == describe(local);
            ++repeated;
        }
        if (!ok && ++failures <= 5) ADD_FAILURE() << describe(utc) << " -> " << describe(local) << " -> " << describe(back);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_LT(repeated, 100);
}

TEST(ZoneRules, Utc) {
    QUORVEL_IN_ZONE("UTC");
    checkZone({{
        {{2014, 1, 15, 12, 0, 0}, "2014-01-15 12:00:00 Wed UTC", 0, 0, "Wed, 15 Jan 2014 12:00:00 GMT", "2014-01-15T12:00:00Z"},
        {{2014, 7, 15, 12, 0, 0}, "2014-07-15 12:00:00 Tue UTC", 0, 0, "Tue, 15 Jul 2014 12:00:00 GMT", "2014-07-15T12:00:00Z"},
    }, {}, {}});
}

TEST(ZoneRules, EuropeBerlin) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    checkConversionsAgree();
    checkZone({
        {
            {{2014, 1, 15, 12, 0, 0}, "2014-01-15 11:00:00 Wed UTC", 3600, 0, "Wed, 15 Jan 2014 12:00:00 +0100", "2014-01-15T11:00:00Z"},
            {{2014, 7, 15, 12, 0, 0}, "2014-07-15 10:00:00 Tue UTC", 7200, 1, "Tue, 15 Jul 2014 12:00:00 +0200", "2014-07-15T10:00:00Z"},
            {{2014, 3, 21, 10, 0, 0}, "2014-03-21 09:00:00 Fri UTC", 3600, 0, "Fri, 21 Mar 2014 10:00:00 +0100", "2014-03-21T09:00:00Z"},
            // the last second before the spring change and the first after it
            {{2014, 3, 30, 1, 59, 59}, "2014-03-30 00:59:59 Sun UTC", 3600, 0, "Sun, 30 Mar 2014 01:59:59 +0100", "2014-03-30T00:59:59Z"},
            {{2014, 3, 30, 3, 0, 0}, "2014-03-30 01:00:00 Sun UTC", 7200, 1, "Sun, 30 Mar 2014 03:00:00 +0200", "2014-03-30T01:00:00Z"},
            {{2014, 10, 26, 3, 0, 0}, "2014-10-26 02:00:00 Sun UTC", 3600, 0, "Sun, 26 Oct 2014 03:00:00 +0100", "2014-10-26T02:00:00Z"},
        },
        {{{2014, 3, 30, 2, 30, 0}, {2014, 3, 30, 1, 30, 0}, {2014, 3, 30, 0, 30, 0},
          "2014-03-30 03:30:00 Sun local", "2014-03-30 01:30:00 Sun local"}},
        {{{2014, 10, 26, 2, 30, 0}, {2014, 10, 26, 0, 30, 0}, {2014, 10, 26, 1, 30, 0}, 7200, 3600}},
    });
}

TEST(ZoneRules, AmericaNewYork) {
    QUORVEL_IN_ZONE("America/New_York");
    checkConversionsAgree();
    checkZone({
        {
            {{2014, 1, 15, 12, 0, 0}, "2014-01-15 17:00:00 Wed UTC", -18000, 0, "Wed, 15 Jan 2014 12:00:00 -0500", "2014-01-15T17:00:00Z"},
            {{2014, 7, 15, 12, 0, 0}, "2014-07-15 16:00:00 Tue UTC", -14400, 1, "Tue, 15 Jul 2014 12:00:00 -0400", "2014-07-15T16:00:00Z"},
            {{2014, 3, 9, 1, 59, 59}, "2014-03-09 06:59:59 Sun UTC", -18000, 0, "Sun, 09 Mar 2014 01:59:59 -0500", "2014-03-09T06:59:59Z"},
            {{2014, 3, 9, 3, 0, 0}, "2014-03-09 07:00:00 Sun UTC", -14400, 1, "Sun, 09 Mar 2014 03:00:00 -0400", "2014-03-09T07:00:00Z"},
            {{2014, 3, 21, 22, 0, 0}, "2014-03-22 02:00:00 Sat UTC", -14400, 1, "Fri, 21 Mar 2014 22:00:00 -0400", "2014-03-22T02:00:00Z"},
        },
        {{{2014, 3, 9, 2, 30, 0}, {2014, 3, 9, 7, 30, 0}, {2014, 3, 9, 6, 30, 0},
          "2014-03-09 03:30:00 Sun local", "2014-03-09 01:30:00 Sun local"}},
        {{{2014, 11, 2, 1, 30, 0}, {2014, 11, 2, 5, 30, 0}, {2014, 11, 2, 6, 30, 0}, -14400, -18000}},
    });
}

TEST(ZoneRules, AsiaKolkata) {
    QUORVEL_IN_ZONE("Asia/Kolkata");
    checkConversionsAgree();
    checkZone({{
        {{2014, 3, 21, 10, 0, 0}, "2014-03-21 04:30:00 Fri UTC", 19800, 0, "Fri, 21 Mar 2014 10:00:00 +0530", "2014-03-21T04:30:00Z"},
        {{2014, 7, 15, 2, 0, 0}, "2014-07-14 20:30:00 Mon UTC", 19800, 0, "Tue, 15 Jul 2014 02:00:00 +0530", "2014-07-14T20:30:00Z"},
    }, {}, {}});
}

// Half an hour of daylight saving: +10:30 in winter, +11:00 in summer.
TEST(ZoneRules, AustraliaLordHowe) {
    QUORVEL_IN_ZONE("Australia/Lord_Howe");
    checkConversionsAgree();
    checkZone({
        {
            {{2014, 1, 15, 12, 0, 0}, "2014-01-15 01:00:00 Wed UTC", 39600, 1, "Wed, 15 Jan 2014 12:00:00 +1100", "2014-01-15T01:00:00Z"},
            {{2014, 7, 15, 12, 0, 0}, "2014-07-15 01:30:00 Tue UTC", 37800, 0, "Tue, 15 Jul 2014 12:00:00 +1030", "2014-07-15T01:30:00Z"},
            {{2014, 10, 5, 1, 59, 59}, "2014-10-04 15:29:59 Sat UTC", 37800, 0, "Sun, 05 Oct 2014 01:59:59 +1030", "2014-10-04T15:29:59Z"},
            {{2014, 10, 5, 2, 30, 0}, "2014-10-04 15:30:00 Sat UTC", 39600, 1, "Sun, 05 Oct 2014 02:30:00 +1100", "2014-10-04T15:30:00Z"},
        },
        {{{2014, 10, 5, 2, 15, 0}, {2014, 10, 4, 15, 45, 0}, {2014, 10, 4, 15, 15, 0},
          "2014-10-05 02:45:00 Sun local", "2014-10-05 01:45:00 Sun local"}},
        {{{2014, 4, 6, 1, 45, 0}, {2014, 4, 5, 14, 45, 0}, {2014, 4, 5, 15, 15, 0}, 39600, 37800}},
    });
}

// A zone whose offset is negative but less than an hour keeps its sign in the text.
TEST(ZoneRules, NegativeOffsetUnderAnHour) {
    QUORVEL_IN_ZONE("<-0030>0:30");
    checkZone({{
        {{2014, 3, 21, 10, 0, 0}, "2014-03-21 10:30:00 Fri UTC", -1800, 0, "Fri, 21 Mar 2014 10:00:00 -0030", "2014-03-21T10:30:00Z"},
    }, {}, {}});
}

// The dst flag is worked out once; operations that write the fields forget it.
TEST(ZoneRules, DstFlagIsCachedUntilTheFieldsChange) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    TimeRecord r = localRecord(2014, 7, 15, 12, 0, 0);
    EXPECT_EQ(r.dstFlag, -1);
    EXPECT_EQ(r.isDst(), 1);
    r.month = 1;  // written directly: the cached answer stands until forgotten
    EXPECT_EQ(r.isDst(), 1);
    r.forgetDstFlag();
    EXPECT_EQ(r.isDst(), 0);
    r.addDays(180);
    EXPECT_EQ(r.dstFlag, -1);
    EXPECT_EQ(r.isDst(), 1);
    r.toUtc();
    EXPECT_EQ(r.dstFlag, -1);
    EXPECT_EQ(r.isDst(), 1);
}

// East of UTC the last hour a record holds is already in the year after, locally.
TEST(ZoneRules, LocalTimeStopsAtTheLastSecondARecordHolds) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    TimeRecord r = utcRecord(65535, 12, 31, 23, 30, 0);
    r.toLocal();
    EXPECT_EQ(describe(r), "65535-12-31 23:59:59 Tue local");
    r = utcRecord(65535, 12, 31, 22, 30, 0);
    r.toLocal();
    EXPECT_EQ(describe(r), "65535-12-31 23:30:00 Tue local");
}

TEST(ZoneRules, ConversionsAgreeInTheProcessZone) {
    TimeRecord january = utcRecord(2014, 1, 15, 12), july = utcRecord(2014, 7, 15, 12);
    std::cout << "[ zone     ] offsets in this process: January " << january.utcOffset() << " s, July "
              << july.utcOffset() << " s" << std::endl;
    checkConversionsAgree();
}

}  // namespace
}  // namespace quorvel::test
