// Written dates, and what the reader makes of them again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>
#include <string>

#include "DateTestSupport.h"
#include "ZoneScope.h"
#include "datetime/CivilCalendar.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "foundation/LogNull.h"
#include "foundation/StringBuffer.h"

namespace quorvel::test {
namespace {

std::string currentDate() {
    StringBuffer sb;
    EXPECT_TRUE(DateParser::currentRfc822Date(sb));
    return sb.getString();
}

TEST(DateFormat, Rfc822OfUtcRecords) {
    EXPECT_EQ(rfc822Of(TimeRecord()), "Sun, 00 Jan 0 00:00:00 GMT");
    EXPECT_EQ(rfc822Of(utcRecord(2014, 3, 21, 9)), "Fri, 21 Mar 2014 09:00:00 GMT");
    EXPECT_EQ(rfc822Of(utcRecord(2014, 12, 7, 23, 59, 59)), "Sun, 07 Dec 2014 23:59:59 GMT");
    EXPECT_EQ(rfc822Of(utcRecord(5, 6, 1)), "Wed, 01 Jun 5 00:00:00 GMT");  // the year is not padded
    EXPECT_EQ(rfc822Of(utcRecord(65535, 12, 31)), "Tue, 31 Dec 65535 00:00:00 GMT");
    // Names out of range fall back to the first of their table.
    TimeRecord odd = utcRecord(2014, 13, 99, 99, 99, 99);
    odd.dayOfWeek = 7;
    EXPECT_EQ(rfc822Of(odd), "Sun, 99 Jan 2014 99:99:99 GMT");
    odd.dayOfWeek = 65535;
    odd.month = 65535;
    EXPECT_EQ(rfc822Of(odd), "Sun, 99 Jan 2014 99:99:99 GMT");
}

TEST(DateFormat, Iso8601IsAlwaysUtc) {
    EXPECT_EQ(iso8601Of(utcRecord(2014, 3, 21, 9)), "2014-03-21T09:00:00Z");
    EXPECT_EQ(iso8601Of(utcRecord(2014, 1, 2, 3, 4, 5)), "2014-01-02T03:04:05Z");
    EXPECT_EQ(iso8601Of(TimeRecord()), "0-00-00T00:00:00Z");
    // Appended to what is there.
    StringBuffer sb("updated: ");
    EXPECT_TRUE(DateParser::formatIso8601Date(utcRecord(2014, 3, 21, 9), sb));
    EXPECT_STREQ(sb.getString(), "updated: 2014-03-21T09:00:00Z");
}

TEST(DateFormat, LocalRecordAtZeroOffsetIsGmt) {
    QUORVEL_IN_ZONE("UTC");
    EXPECT_EQ(rfc822Of(localRecord(2014, 3, 21, 10)), "Fri, 21 Mar 2014 10:00:00 GMT");
    EXPECT_EQ(iso8601Of(localRecord(2014, 3, 21, 10)), "2014-03-21T10:00:00Z");
    const std::string now = currentDate();
    EXPECT_EQ(now.substr(now.size() - 6), " +0000") << now;
}

// The current date carries the offset of the moment; read back, it is now.
void expectCurrentDateIsNow() {
    const std::string text = currentDate();
    static const std::regex shape(
        "(Sun|Mon|Tue|Wed|Thu|Fri|Sat), [0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} "
        "[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [+-][0-9]{4}");
    EXPECT_TRUE(std::regex_match(text, shape)) << text;
    TimeRecord now, parsed;
    now.setNowUtc();
    LogNull log;
    ASSERT_TRUE(DateParser::parseRfc822Date(text.c_str(), parsed, log)) << text;
    EXPECT_LE(std::llabs(parsed.toInstant() - now.toInstant()), 2) << text;
    TimeRecord local;
    local.setNowLocal();
    const int32_t minutes = local.utcOffset() / 60;
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d%02d", minutes < 0 ? '-' : '+', std::abs(minutes) / 60, std::abs(minutes) % 60);
    EXPECT_EQ(text.substr(text.size() - 5), offset);
}

TEST(DateFormat, CurrentDateInTheProcessZone) { expectCurrentDateIsNow(); }

TEST(DateFormat, CurrentDateInChosenZones) {
    for (const char *zone : {"Europe/Berlin", "America/New_York", "Asia/Kolkata", "Australia/Lord_Howe", "<-0030>0:30"}) {
        ZoneScope scope(zone);
        if (!scope.active()) GTEST_SKIP() << scope.whyNot();
        SCOPED_TRACE(zone);
        expectCurrentDateIsNow();
    }
}

// Written and read again, a record keeps its instant: UTC records exactly, local records through
// their numeric offset.
void expectRoundTrips(bool local) {
    std::mt19937 rng(2014);
    LogNull log;
    int failures = 0;
    for (int i = 0; i < 20000 && failures < 5; ++i) {
        const int64_t days = CivilCalendar::daysFromCivil(1971, 1, 1) + rng() % (CivilCalendar::daysFromCivil(2037, 1, 1) -
                                                                                 CivilCalendar::daysFromCivil(1971, 1, 1));
        int64_t y;
        int m, d;
        CivilCalendar::civilFromDays(days, y, m, d);
        const int s = static_cast<int>(rng() % 86400);
        TimeRecord r = local ? localRecord(static_cast<int>(y), m, d, s / 3600, s / 60 % 60, s % 60)
                             : utcRecord(static_cast<int>(y), m, d, s / 3600, s / 60 % 60, s % 60);
        TimeRecord fromRfc, fromIso;
        const std::string rfc = rfc822Of(r), iso = iso8601Of(r);
        const bool ok = DateParser::parseRfc822Date(rfc.c_str(), fromRfc, log) &&
                        DateParser::parseIso8601Date(iso.c_str(), fromIso) && fromRfc.toInstant() == r.toInstant() &&
                        fromIso.toInstant() == r.toInstant() && !fromRfc.isLocal && !fromIso.isLocal;
        if (!ok && ++failures <= 5) ADD_FAILURE() << describe(r) << " -> " << rfc << " / " << iso;
    }
    EXPECT_EQ(failures, 0);
}

TEST(DateFormat, RoundTripOfUtcRecords) { expectRoundTrips(false); }

TEST(DateFormat, RoundTripOfLocalRecordsInTheProcessZone) { expectRoundTrips(true); }

TEST(DateFormat, RoundTripOfLocalRecordsInChosenZones) {
    for (const char *zone : {"Europe/Berlin", "America/New_York", "Asia/Kolkata", "Australia/Lord_Howe", "<-0030>0:30"}) {
        ZoneScope scope(zone);
        if (!scope.active()) GTEST_SKIP() << scope.whyNot();
        SCOPED_TRACE(zone);
        expectRoundTrips(true);
    }
}

}  // namespace
}  // namespace quorvel::test
