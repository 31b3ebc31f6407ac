// Local time against UTC in real zones, the daylight-saving changes included, and the texts
// written for it: the process is put into each zone in turn (under Wine, only the one it has).
#include "DateTestSupport.h"

namespace quorvel::test {
namespace {

struct Fields {
    int y, m, d, h, mi, s;
    TimeRecord local() const { return localRecord(y, m, d, h, mi, s); }
    TimeRecord utc() const { return utcRecord(y, m, d, h, mi, s); }
};

// A zone's plain local time with its UTC time, offset, dst flag and texts; where the zone changes, a
// time spring skips (either reading) and one autumn repeats (two instants, daylight first).
struct Fixed { Fields local; const char *utc; int32_t offset, dst; const char *texts; };
struct Gap { Fields local, utcAsStandard, utcAsDaylight; };
struct Overlap { Fields local, utcDaylight, utcStandard; int32_t offsetDaylight, offsetStandard; };
struct Zone { const char *name; Fixed fixed; bool changes; Gap gap; Overlap overlap; };

const Zone kZones[] = {
    {"Europe/Berlin", {{2014, 3, 21, 10, 0, 0}, "2014-03-21 09:00:00 Fri UTC", 3600, 0, "Fri, 21 Mar 2014 10:00:00 +0100 2014-03-21T09:00:00Z"},
     true, {{2014, 3, 30, 2, 30, 0}, {2014, 3, 30, 1, 30, 0}, {2014, 3, 30, 0, 30, 0}},
     {{2014, 10, 26, 2, 30, 0}, {2014, 10, 26, 0, 30, 0}, {2014, 10, 26, 1, 30, 0}, 7200, 3600}},
    {"America/New_York", {{2014, 3, 21, 22, 0, 0}, "2014-03-22 02:00:00 Sat UTC", -14400, 1, "Fri, 21 Mar 2014 22:00:00 -0400 2014-03-22T02:00:00Z"},
     true, {{2014, 3, 9, 2, 30, 0}, {2014, 3, 9, 7, 30, 0}, {2014, 3, 9, 6, 30, 0}},
     {{2014, 11, 2, 1, 30, 0}, {2014, 11, 2, 5, 30, 0}, {2014, 11, 2, 6, 30, 0}, -14400, -18000}},
    {"Asia/Kolkata", {{2014, 3, 21, 10, 0, 0}, "2014-03-21 04:30:00 Fri UTC", 19800, 0, "Fri, 21 Mar 2014 10:00:00 +0530 2014-03-21T04:30:00Z"},
     false, {}, {}},
    // Half an hour of daylight saving: +10:30 in winter, +11:00 in summer.
    {"Australia/Lord_Howe", {{2014, 10, 5, 2, 30, 0}, "2014-10-04 15:30:00 Sat UTC", 39600, 1, "Sun, 05 Oct 2014 02:30:00 +1100 2014-10-04T15:30:00Z"},
     true, {{2014, 10, 5, 2, 15, 0}, {2014, 10, 4, 15, 45, 0}, {2014, 10, 4, 15, 15, 0}},
     {{2014, 4, 6, 1, 45, 0}, {2014, 4, 5, 14, 45, 0}, {2014, 4, 5, 15, 15, 0}, 39600, 37800}},
    // A negative offset of less than an hour keeps its sign in the text.
    {"<-0030>0:30", {{2014, 3, 21, 10, 0, 0}, "2014-03-21 10:30:00 Fri UTC", -1800, 0, "Fri, 21 Mar 2014 10:00:00 -0030 2014-03-21T10:30:00Z"},
     false, {}, {}},
};

// The record's RFC 822 and ISO 8601 texts read back to its instant.
bool readsBack(const TimeRecord &r) {
    TimeRecord rfc, iso;
    LogNull log;
    return DateParser::parseRfc822Date(rfc822Of(r).c_str(), rfc, log) && DateParser::parseIso8601Date(iso8601Of(r).c_str(), iso) &&
           rfc.toInstant() == r.toInstant() && iso.toInstant() == r.toInstant();
}

// Any zone: local and UTC fields of instants 1601-9999 convert both ways, a repeated hour included
// (the local record knows its reading); texts read back to the instant, local ones too, whose
// offset may have seconds (local mean time). The current date, offset and all, reads as now.
void checkProcessZone() {
    const int64_t first = utcRecord(1601, 1, 1).toInstant(), last = utcRecord(9999, 12, 1).toInstant();
    int failures = 0;
    for (int64_t t = first; t < last; t += 86400 * 97 + 3599 * 7) {
        TimeRecord utc, local, back;
        utc.fromInstant(t);
        (local = utc).toLocal();
        (back = local).toUtc();
        const int64_t offset = utcRecord(local.year, local.month, local.day, local.hour, local.minute, local.second).toInstant() - t;
        const bool ok = local.isLocal && utc.utcOffset() == offset && offset > -86400 && offset < 86400 && readsBack(utc) &&
                        readsBack(local) && back.toInstant() == t;
        if (!ok && ++failures <= 5) ADD_FAILURE() << describe(utc) << " -> " << describe(local) << " -> " << describe(back);
    }
    EXPECT_EQ(failures, 0);
    StringBuffer sb;
    ASSERT_TRUE(DateParser::currentRfc822Date(sb));
    TimeRecord parsed;
    LogNull log;
    EXPECT_TRUE(DateParser::parseRfc822Date(sb.getString(), parsed, log) && secondsFromNow(parsed) <= 2) << sb.getString();
}

// The local record's instant is one of the two.
bool isOneOf(TimeRecord local, const Fields &a, const Fields &b) {
    local.toUtc();
    return local.toInstant() == a.utc().toInstant() || local.toInstant() == b.utc().toInstant();
}

std::string localOf(const Fields &utc) { TimeRecord r = utc.utc(); r.toLocal(); return describe(r); }

void checkZone(const Zone &zone) {
    const Fixed &f = zone.fixed;
    TimeRecord r = f.local.local();
    EXPECT_TRUE(r.utcOffset() == f.offset && r.isDst() == f.dst && r.dstFlag == f.dst);
    EXPECT_EQ(rfc822Of(r) + " " + iso8601Of(r), f.texts);
    r.toUtc();
    EXPECT_TRUE(describe(r) == f.utc && r.utcOffset() == f.offset) << describe(r);  // a UTC record answers for its instant
    r.toLocal(), r.toLocal();  // a local record stays as it is
    EXPECT_EQ(describe(r), describe(f.local.local()));
    if (!zone.changes) return;
    const Gap &g = zone.gap;
    EXPECT_TRUE(isOneOf(g.local.local(), g.utcAsStandard, g.utcAsDaylight) && readsBack(g.local.local())) << describe(g.local.local());
    const Overlap &o = zone.overlap;
    const std::string wall = describe(o.local.local()).substr(0, 19);
    TimeRecord daylight = o.utcDaylight.utc(), standard = o.utcStandard.utc();
    EXPECT_TRUE(isOneOf(o.local.local(), o.utcDaylight, o.utcStandard) && daylight.isDst() == 1 && standard.isDst() == 0 &&
                daylight.utcOffset() == o.offsetDaylight && standard.utcOffset() == o.offsetStandard) << wall;
    // Each instant of the repeated hour, as local time, shows the repeated wall clock and is itself
    // again: as UTC, in its offset and in its texts.
    for (const auto &[utc, offset] : {std::pair{o.utcDaylight, o.offsetDaylight}, {o.utcStandard, o.offsetStandard}}) {
        TimeRecord local = utc.utc(), back;
        local.toLocal();
        (back = local).toUtc();
        EXPECT_TRUE(describe(local).substr(0, 19) == wall && describe(back) == describe(utc.utc()) &&
                    local.utcOffset() == offset && readsBack(local)) << wall << " " << rfc822Of(local);
    }
}

TEST(ZoneRules, FixedTimesAndDaylightSavingChanges) {
    checkProcessZone();  // the zone the process has
    int entered = 0;
    for (const Zone &zone : kZones) {
        ZoneScope scope(zone.name);
        if (!scope.active()) continue;
        SCOPED_TRACE(zone.name);
        ++entered, checkProcessZone(), checkZone(zone);
    }
    if (entered == 0) GTEST_SKIP() << "no zone of the table can be entered here";
}

TEST(ZoneRules, DstFlagIsCachedUntilTheFieldsChange) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    TimeRecord r = localRecord(2014, 7, 15, 12, 0, 0);
    std::string flags;  // the flag, then what isDst() answers
    const auto note = [&] { const int32_t cached = r.dstFlag; flags += std::to_string(cached) + ">" + std::to_string(r.isDst()) + " "; };
    note();
    r.addDays(180), note();
    r.addDays(-180), r.toUtc(), note();
    EXPECT_EQ(flags, "-1>1 -1>0 -1>1 ");
    // East of UTC the last hour a record holds is already in the year after, locally.
    EXPECT_EQ(localOf({65535, 12, 31, 23, 30, 0}) + " / " + localOf({65535, 12, 31, 22, 30, 0}),
              "65535-12-31 23:59:59 Tue local / 65535-12-31 23:30:00 Tue local");
}

}  // namespace
}  // namespace quorvel::test
