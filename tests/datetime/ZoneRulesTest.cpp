// Local time against UTC in real zones, the daylight-saving changes included, and the texts
// written for it: the process is put into each zone in turn. The last test holds in whatever
// zone the process has (under Wine, the one Wine reports).

#include <iostream>
#include <regex>

#include "DateTestSupport.h"

namespace quorvel::test {
namespace {

struct Fields {
    int y, m, d, h, mi, s;
    TimeRecord local() const { return localRecord(y, m, d, h, mi, s); }
    TimeRecord utc() const { return utcRecord(y, m, d, h, mi, s); }
};

// A zone's unambiguous local times with their UTC time, offset, dst flag and texts; wall-clock
// times the spring change skips (the platform picks either reading, and where those instants
// really are); wall-clock times the autumn change repeats (two instants show them).
struct Fixed { Fields local; const char *utc; int32_t offset, dst; const char *rfc822, *iso8601; };
struct Gap { Fields local, utcAsStandard, utcAsDaylight; const char *localOfStandard, *localOfDaylight; };
struct Overlap { Fields local, utcDaylight, utcStandard; int32_t offsetDaylight, offsetStandard; };
struct Zone { const char *name; std::vector<Fixed> fixed; std::vector<Gap> gaps; std::vector<Overlap> overlaps; };

// The record's RFC 822 and ISO 8601 texts read back to its instant.
bool readsBack(const TimeRecord &r) {
    TimeRecord fromRfc, fromIso;
    LogNull log;
    return DateParser::parseRfc822Date(rfc822Of(r).c_str(), fromRfc, log) && DateParser::parseIso8601Date(iso8601Of(r).c_str(), fromIso) &&
           fromRfc.toInstant() == r.toInstant() && fromIso.toInstant() == r.toInstant();
}

// Holds in any zone: local and UTC fields of sampled instants from 1601 to 9999 convert into each
// other, the offset is the difference of the two, and the repeated hour of an autumn change is
// the only place where a wall-clock time maps back to another instant. Written and read again,
// UTC fields keep their instant, and local fields too through their numeric offset, which counts
// whole minutes from 1971 on.
void checkConversionsAgree() {
    const int64_t first = utcRecord(1601, 1, 1).toInstant(), last = utcRecord(9999, 12, 1).toInstant();
    int repeated = 0, failures = 0;
    for (int64_t t = first; t < last; t += 86400 * 97 + 3599 * 7) {
        TimeRecord utc, local, back;
        utc.fromInstant(t);
        local = utc;
        local.toLocal();
        back = local;
        back.toUtc();
        const int64_t offset = utcRecord(local.year, local.month, local.day, local.hour, local.minute, local.second).toInstant() - t;
        bool ok = local.isLocal && utc.utcOffset() == offset && offset > -86400 && offset < 86400 && readsBack(utc) &&
                  (local.year < 1971 || readsBack(local));
        if (back.toInstant() != t) {  // only a repeated wall-clock time, whose twin shows the same fields
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

// The current date carries the offset of the moment, "+0000" included; read back, it is now.
void checkCurrentDate() {
    StringBuffer sb;
    ASSERT_TRUE(DateParser::currentRfc822Date(sb));
    const std::string text = sb.getString();
    static const std::regex shape("(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                  "[0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-5][0-9] [+-][0-9]{4}");
    EXPECT_TRUE(std::regex_match(text, shape)) << text;
    TimeRecord parsed, local;
    LogNull log;
    ASSERT_TRUE(DateParser::parseRfc822Date(text.c_str(), parsed, log)) << text;
    EXPECT_LE(secondsFromNow(parsed), 2) << text;
    local.setNowLocal();
    const std::string ofLocal = rfc822Of(local);  // the same offset, but "GMT" for none
    EXPECT_EQ(text.substr(text.size() - 5), ofLocal.substr(ofLocal.size() - 4) == " GMT" ? "+0000" : ofLocal.substr(ofLocal.size() - 5));
}

// The local record's instant is one of the two.
bool isOneOf(TimeRecord local, const Fields &a, const Fields &b) {
    local.toUtc();
    return local.toInstant() == a.utc().toInstant() || local.toInstant() == b.utc().toInstant();
}

std::string localOf(const Fields &utc) {
    TimeRecord r = utc.utc();
    r.toLocal();
    return describe(r);
}

void checkZone(const Zone &zone) {
    for (const Fixed &f : zone.fixed) {
        SCOPED_TRACE(describe(f.local.local()));
        TimeRecord r = f.local.local();
        EXPECT_EQ(r.utcOffset(), f.offset);
        EXPECT_EQ(r.isDst(), f.dst);
        EXPECT_EQ(r.dstFlag, f.dst);
        EXPECT_EQ(rfc822Of(r) + " " + iso8601Of(r), std::string(f.rfc822) + " " + f.iso8601);
        r.toUtc();
        EXPECT_EQ(describe(r), f.utc);
        EXPECT_EQ(r.utcOffset(), f.offset);  // a UTC record answers for its instant
        r.toLocal();
        r.toLocal();  // a local record stays as it is
        EXPECT_EQ(describe(r), describe(f.local.local()));
    }
    for (const Gap &g : zone.gaps) {
        SCOPED_TRACE(describe(g.local.local()));
        EXPECT_TRUE(isOneOf(g.local.local(), g.utcAsStandard, g.utcAsDaylight) && readsBack(g.local.local()));
        EXPECT_EQ(localOf(g.utcAsStandard), g.localOfStandard);
        EXPECT_EQ(localOf(g.utcAsDaylight), g.localOfDaylight);
    }
    for (const Overlap &o : zone.overlaps) {
        SCOPED_TRACE(describe(o.local.local()));
        EXPECT_TRUE(isOneOf(o.local.local(), o.utcDaylight, o.utcStandard));
        TimeRecord daylight = o.utcDaylight.utc(), standard = o.utcStandard.utc();
        EXPECT_TRUE(daylight.isDst() == 1 && standard.isDst() == 0);
        EXPECT_TRUE(daylight.utcOffset() == o.offsetDaylight && standard.utcOffset() == o.offsetStandard);
        EXPECT_EQ(localOf(o.utcDaylight).substr(0, 19), describe(o.local.local()).substr(0, 19));
        EXPECT_EQ(localOf(o.utcStandard).substr(0, 19), describe(o.local.local()).substr(0, 19));
    }
}

const Zone kZones[] = {
    {"UTC", {
        {{2014, 1, 15, 12, 0, 0}, "2014-01-15 12:00:00 Wed UTC", 0, 0, "Wed, 15 Jan 2014 12:00:00 GMT", "2014-01-15T12:00:00Z"},
    }, {}, {}},
    {"Europe/Berlin", {
        {{2014, 7, 15, 12, 0, 0}, "2014-07-15 10:00:00 Tue UTC", 7200, 1, "Tue, 15 Jul 2014 12:00:00 +0200", "2014-07-15T10:00:00Z"},
        {{2014, 3, 21, 10, 0, 0}, "2014-03-21 09:00:00 Fri UTC", 3600, 0, "Fri, 21 Mar 2014 10:00:00 +0100", "2014-03-21T09:00:00Z"},
        // the last second before the spring change and the first after it
        {{2014, 3, 30, 1, 59, 59}, "2014-03-30 00:59:59 Sun UTC", 3600, 0, "Sun, 30 Mar 2014 01:59:59 +0100", "2014-03-30T00:59:59Z"},
        {{2014, 3, 30, 3, 0, 0}, "2014-03-30 01:00:00 Sun UTC", 7200, 1, "Sun, 30 Mar 2014 03:00:00 +0200", "2014-03-30T01:00:00Z"},
        {{2014, 10, 26, 3, 0, 0}, "2014-10-26 02:00:00 Sun UTC", 3600, 0, "Sun, 26 Oct 2014 03:00:00 +0100", "2014-10-26T02:00:00Z"},
    }, {{{2014, 3, 30, 2, 30, 0}, {2014, 3, 30, 1, 30, 0}, {2014, 3, 30, 0, 30, 0},
         "2014-03-30 03:30:00 Sun local", "2014-03-30 01:30:00 Sun local"}},
       {{{2014, 10, 26, 2, 30, 0}, {2014, 10, 26, 0, 30, 0}, {2014, 10, 26, 1, 30, 0}, 7200, 3600}}},
    {"America/New_York", {
        {{2014, 3, 9, 1, 59, 59}, "2014-03-09 06:59:59 Sun UTC", -18000, 0, "Sun, 09 Mar 2014 01:59:59 -0500", "2014-03-09T06:59:59Z"},
        {{2014, 3, 9, 3, 0, 0}, "2014-03-09 07:00:00 Sun UTC", -14400, 1, "Sun, 09 Mar 2014 03:00:00 -0400", "2014-03-09T07:00:00Z"},
        {{2014, 3, 21, 22, 0, 0}, "2014-03-22 02:00:00 Sat UTC", -14400, 1, "Fri, 21 Mar 2014 22:00:00 -0400", "2014-03-22T02:00:00Z"},
    }, {{{2014, 3, 9, 2, 30, 0}, {2014, 3, 9, 7, 30, 0}, {2014, 3, 9, 6, 30, 0},
         "2014-03-09 03:30:00 Sun local", "2014-03-09 01:30:00 Sun local"}},
       {{{2014, 11, 2, 1, 30, 0}, {2014, 11, 2, 5, 30, 0}, {2014, 11, 2, 6, 30, 0}, -14400, -18000}}},
    {"Asia/Kolkata", {
        {{2014, 3, 21, 10, 0, 0}, "2014-03-21 04:30:00 Fri UTC", 19800, 0, "Fri, 21 Mar 2014 10:00:00 +0530", "2014-03-21T04:30:00Z"},
    }, {}, {}},
    // Half an hour of daylight saving: +10:30 in winter, +11:00 in summer.
    {"Australia/Lord_Howe", {
        {{2014, 10, 5, 1, 59, 59}, "2014-10-04 15:29:59 Sat UTC", 37800, 0, "Sun, 05 Oct 2014 01:59:59 +1030", "2014-10-04T15:29:59Z"},
        {{2014, 10, 5, 2, 30, 0}, "2014-10-04 15:30:00 Sat UTC", 39600, 1, "Sun, 05 Oct 2014 02:30:00 +1100", "2014-10-04T15:30:00Z"},
    }, {{{2014, 10, 5, 2, 15, 0}, {2014, 10, 4, 15, 45, 0}, {2014, 10, 4, 15, 15, 0},
         "2014-10-05 02:45:00 Sun local", "2014-10-05 01:45:00 Sun local"}},
       {{{2014, 4, 6, 1, 45, 0}, {2014, 4, 5, 14, 45, 0}, {2014, 4, 5, 15, 15, 0}, 39600, 37800}}},
    // A negative offset of less than an hour keeps its sign in the text.
    {"<-0030>0:30", {
        {{2014, 3, 21, 10, 0, 0}, "2014-03-21 10:30:00 Fri UTC", -1800, 0, "Fri, 21 Mar 2014 10:00:00 -0030", "2014-03-21T10:30:00Z"},
    }, {}, {}},
};

// Each zone this platform can enter (under Wine only the one it reports).
TEST(ZoneRules, FixedTimesAndDaylightSavingChanges) {
    int entered = 0;
    for (const Zone &zone : kZones) {
        ZoneScope scope(zone.name);
        if (!scope.active()) continue;
        SCOPED_TRACE(zone.name);
        ++entered;
        checkConversionsAgree();
        checkCurrentDate();
        checkZone(zone);
    }
    if (entered == 0) GTEST_SKIP() << "no zone of the table can be entered here";
}

// The dst flag is worked out once; operations that write the fields forget it.
TEST(ZoneRules, DstFlagIsCachedUntilTheFieldsChange) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    TimeRecord r = localRecord(2014, 7, 15, 12, 0, 0);
    std::string flags;  // the flag, then what isDst() answers
    const auto note = [&] {
        const int32_t cached = r.dstFlag;
        flags += std::to_string(cached) + ">" + std::to_string(r.isDst()) + " ";
    };
    note();
    r.month = 1;  // written directly: the cached answer stands until forgotten
    note();
    r.forgetDstFlag();
    note();
    r.addDays(180);
    note();
    r.toUtc();
    note();
    EXPECT_EQ(flags, "-1>1 1>1 -1>0 -1>1 -1>1 ");
    // East of UTC the last hour a record holds is already in the year after, locally.
    r = utcRecord(65535, 12, 31, 23, 30, 0);
    r.toLocal();
    EXPECT_EQ(describe(r), "65535-12-31 23:59:59 Tue local");
    r = utcRecord(65535, 12, 31, 22, 30, 0);
    r.toLocal();
    EXPECT_EQ(describe(r), "65535-12-31 23:30:00 Tue local");
}

TEST(ZoneRules, ConversionsAgreeInTheProcessZone) {
    std::cout << "[ zone     ] offsets in this process: January " << utcRecord(2014, 1, 15, 12).utcOffset() << " s, July "
              << utcRecord(2014, 7, 15, 12).utcOffset() << " s" << std::endl;
    checkConversionsAgree();
    checkCurrentDate();
}

}  // namespace
}  // namespace quorvel::test
