// RFC 822 dates as RSS feeds write them, and everything the reader tolerates or refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DateTestSupport.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

struct Parsed {
    const char *text;
    const char *utc;  // the record afterwards
};

void expectParses(const std::vector<Parsed> &cases) {
    for (const Parsed &c : cases) {
        RecordingLog log;
        TimeRecord r = localRecord(1999, 1, 2, 3, 4, 5);
        r.dstFlag = 1;
        EXPECT_TRUE(DateParser::parseRfc822Date(c.text, r, log)) << c.text << "\n" << log.joined();
        EXPECT_EQ(describe(r), c.utc) << c.text;
        EXPECT_EQ(r.dstFlag, -1) << c.text;
        EXPECT_EQ(log.joined(), "") << c.text;
    }
}

TEST(Rfc822Parse, CommonShapes) {
    expectParses({
        {"Fri, 21 Mar 2014 10:00:00 -0500", "2014-03-21 15:00:00 Fri UTC"},
        {"Fri, 21 Mar 2014 10:00:00 +0100", "2014-03-21 09:00:00 Fri UTC"},
        {"Fri, 21 Mar 2014 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
        {"21-Mar-14 10:00 PST", "2014-03-21 18:00:00 Fri UTC"},
        {"21-Mar-2014 10:00:00 +0000", "2014-03-21 10:00:00 Fri UTC"},
        {"Friday, 21 March 2014 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
        {"Sun,23 Mar 2014 10:00:00 GMT", "2014-03-23 10:00:00 Sun UTC"},
        {"  Fri ,\t21  Mar\t2014   10:00:00   GMT  ", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00", "2014-03-21 10:00:00 Fri UTC"},  // no zone: UTC
        {"021 Mar 2014 10:00:00", "2014-03-21 10:00:00 Fri UTC"},  // three digits of day
        {"1 Jan 2014 0:0:0 GMT", "2014-01-01 00:00:00 Wed UTC"},
        {"Wed, 31 Dec 2014 23:30:00 -0100", "2015-01-01 00:30:00 Thu UTC"},
        {"Thu, 01 Jan 2015 00:30:00 +0100", "2014-12-31 23:30:00 Wed UTC"},
        {"29 Feb 2016 12:00:00 GMT", "2016-02-29 12:00:00 Mon UTC"},
        // Days the month lacks run on into the next month.
        {"30 Feb 2014 10:00:00 GMT", "2014-03-02 10:00:00 Sun UTC"},
        {"31 Apr 2014 10:00:00 GMT", "2014-05-01 10:00:00 Thu UTC"},
    });
}

TEST(Rfc822Parse, QuotesAreRemoved) {
    expectParses({
        {"\"Fri, 21 Mar 2014 10:00:00 -0500\"", "2014-03-21 15:00:00 Fri UTC"},
        {"\"Fri, 21 \"Mar\" 2014 10:00:00 GMT\"", "2014-03-21 10:00:00 Fri UTC"},
        {"\"2014-03-21T10:00:00+01:00\"", "2014-03-21 09:00:00 Fri UTC"},
    });
}

TEST(Rfc822Parse, MonthsFromBothTables) {
    expectParses({
        {"21 dez 2014 10:00:00", "2014-12-21 10:00:00 Sun UTC"},
        {"21 ian 2014 10:00:00", "2014-01-21 10:00:00 Tue UTC"},
        {"21 fev 2014 10:00:00", "2014-02-21 10:00:00 Fri UTC"},
        {"21 mai 2014 10:00:00", "2014-05-21 10:00:00 Wed UTC"},
        {"21 set 2014 10:00:00", "2014-09-21 10:00:00 Sun UTC"},
        {"21 okt 2014 10:00:00", "2014-10-21 10:00:00 Tue UTC"},
        {"21 JUN 2014 10:00:00", "2014-06-21 10:00:00 Sat UTC"},
        {"21 Augus 2014 10:00:00", "2014-08-21 10:00:00 Thu UTC"},
    });
}

TEST(Rfc822Parse, Years) {
    expectParses({
        {"21 Mar 14 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 0 10:00:00 GMT", "2000-03-21 10:00:00 Tue UTC"},
        {"21 Mar 49 10:00:00 GMT", "2049-03-21 10:00:00 Sun UTC"},
        {"21 Mar 50 10:00:00 GMT", "1950-03-21 10:00:00 Tue UTC"},
        {"21 Mar 99 10:00:00 GMT", "1999-03-21 10:00:00 Sun UTC"},
        // three digits count from 1900, as C's tm_year does
        {"21 Mar 114 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
        // four digits are taken as written
        {"1 Jan 1850 00:00:00 GMT", "1850-01-01 00:00:00 Tue UTC"},
        {"21 Mar 1000 10:00:00 GMT", "1000-03-21 10:00:00 Fri UTC"},
        {"21 Mar 02014 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"},
    });
}

TEST(Rfc822Parse, ZoneNamesAndOffsets) {
    struct Zone {
        const char *zone;
        const char *utc;
    } zones[] = {
        {"UT", "2014-03-21 10:00:00 Fri UTC"},  {"GMT", "2014-03-21 10:00:00 Fri UTC"},
        {"Z", "2014-03-21 10:00:00 Fri UTC"},   {"EST", "2014-03-21 15:00:00 Fri UTC"},
        {"EDT", "2014-03-21 14:00:00 Fri UTC"}, {"CST", "2014-03-21 16:00:00 Fri UTC"},
        {"CDT", "2014-03-21 15:00:00 Fri UTC"}, {"MST", "2014-03-21 17:00:00 Fri UTC"},
        {"MDT", "2014-03-21 16:00:00 Fri UTC"}, {"PST", "2014-03-21 18:00:00 Fri UTC"},
        {"PDT", "2014-03-21 17:00:00 Fri UTC"}, {"pdt", "2014-03-21 17:00:00 Fri UTC"},
        {"A", "2014-03-21 11:00:00 Fri UTC"},   {"M", "2014-03-21 22:00:00 Fri UTC"},
        {"N", "2014-03-21 09:00:00 Fri UTC"},   {"Y", "2014-03-20 22:00:00 Thu UTC"},
        // names nobody knows count as UTC
        {"UTC", "2014-03-21 10:00:00 Fri UTC"}, {"CET", "2014-03-21 10:00:00 Fri UTC"},
        {"Eastern", "2014-03-21 10:00:00 Fri UTC"},
        // numeric forms
        {"-0500", "2014-03-21 15:00:00 Fri UTC"},  {"+0530", "2014-03-21 04:30:00 Fri UTC"},
        {"0530", "2014-03-21 04:30:00 Fri UTC"},   {"+05:30", "2014-03-21 04:30:00 Fri UTC"},
        {"-03:30", "2014-03-21 13:30:00 Fri UTC"}, {"+5", "2014-03-21 05:00:00 Fri UTC"},
        {"-5", "2014-03-21 15:00:00 Fri UTC"},     {"-0030", "2014-03-21 10:30:00 Fri UTC"},
        {"+1400", "2014-03-20 20:00:00 Thu UTC"},  {"-1200", "2014-03-21 22:00:00 Fri UTC"},
        {"+0100 (CET)", "2014-03-21 09:00:00 Fri UTC"},
    };
    for (const Zone &z : zones) {
        const std::string text = std::string("Fri, 21 Mar 2014 10:00:00 ") + z.zone;
        expectParses({{text.c_str(), z.utc}});
    }
}

TEST(Rfc822Parse, TwelveHourClock) {
    expectParses({
        {"21 Mar 2014 10:00:00 PM", "2014-03-21 22:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 am", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 2014 12:30:00 PM", "2014-03-21 12:30:00 Fri UTC"},
        {"21 Mar 2014 12:30:00 AM", "2014-03-21 00:30:00 Fri UTC"},  // the half hour after midnight
        {"21 Mar 2014 10:00 pm +0100", "2014-03-21 21:00:00 Fri UTC"},
        {"21 Mar 2014 10:00 pm EST", "2014-03-22 03:00:00 Sat UTC"},
        // The long US names, only behind AM or PM and only as the whole rest of the text.
        {"21 Mar 2014 10:00:00 PM Eastern Standard Time", "2014-03-22 03:00:00 Sat UTC"},
        {"21 Mar 2014 10:00:00 AM Central Standard Time", "2014-03-21 16:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 AM Mountain Standard Time", "2014-03-21 17:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 AM Pacific Standard Time", "2014-03-21 18:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 AM Eastern Daylight Time", "2014-03-21 14:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 AM Central Daylight Time", "2014-03-21 15:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 AM Mountain Daylight Time", "2014-03-21 16:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 PM Pacific Daylight Time", "2014-03-22 05:00:00 Sat UTC"},
        {"21 Mar 2014 10:00:00 Eastern Standard Time", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 PM Eastern Standard Time Zone", "2014-03-21 22:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 PM Eastern", "2014-03-21 22:00:00 Fri UTC"},
    });
}

// Numbers too large for their fields saturate; the date is clamped to what a record holds.
TEST(Rfc822Parse, HugeNumbersSaturate) {
    expectParses({
        {"21 Mar 2014 99999999999:00:00 GMT", "65535-12-31 23:59:59 Tue UTC"},
        {"21 Mar 2014 10:99999999999999999999 GMT", "6097-04-12 12:07:00 Fri UTC"},  // 2^31-1 minutes
        {"21 Mar 2014 -99999999999:00:00 GMT", "0000-01-01 00:00:00 Sat UTC"},
        {"21 Mar 999999 10:00:00 GMT", "65535-12-31 23:59:59 Tue UTC"},
        {"21 Mar 2014 10:00:00 +9999999999", "2014-03-17 05:21:00 Mon UTC"},  // 99 hours 99 minutes
        {"21 Mar 2014 -5:00:00 GMT", "2014-03-20 19:00:00 Thu UTC"},
        {"21 Mar 2014 25:61:61 GMT", "2014-03-22 02:02:01 Sat UTC"},
    });
}

TEST(Rfc822Parse, IsoTextIsHandedOn) {
    expectParses({
        {"2014-03-21T23:30:00-05:00", "2014-03-22 04:30:00 Sat UTC"},
        {"2014-03-21T10:00:00Z", "2014-03-21 10:00:00 Fri UTC"},
    });
    // The ISO reader writes no log and leaves a partial record on failure.
    RecordingLog log;
    TimeRecord r;
    EXPECT_FALSE(DateParser::parseRfc822Date("2014-03-21T10:00Z", r, log));
    EXPECT_EQ(log.joined(), "");
    EXPECT_EQ(describe(r), "2014-03-21 00:00:00 Fri UTC");
}

TEST(Rfc822Parse, FailuresSayWhyAndGiveNowInLocalTime) {
    struct Failure {
        const char *text;
        const char *log;
    } cases[] = {
        {nullptr, "error: parseRfc822Date: empty string\n"},
        {"20140321T10:00:00Z", "error: parseRfc822Date: day part contains non-numeric chars\n"},
        {"2014 Mar 21 10:00:00", "error: parseRfc822Date: day part contains non-numeric chars\n"},
        {"0 Mar 2014 10:00:00", "error: parseRfc822Date: day out of range (1-31)\n"},
        {"32 Mar 2014 10:00:00", "error: parseRfc822Date: day out of range (1-31)\n"},
        {"Fri, Mar 21 2014 10:00:00", "error: parseRfc822Date: day out of range (1-31)\n"},
        {"21 September 2014 10:00:00 GMT", "error: parseRfc822Date: month string is too long\n"},
        {"21 Mar 2014123 10:00:00", "error: parseRfc822Date: year string is too long\n"},
        {"21 Foo 2014 10:00:00", "error: parseRfc822Date: invalid month abbreviation\ndata: monthAbbrev=foo\n"},
        {"21 2014 10:00:00", "error: parseRfc822Date: invalid month abbreviation\ndata: monthAbbrev=2014\n"},
        {"21 Mar 2014", "error: parseRfc822Date: HH:MM:SS not found\n"},
        {"21 Mar 2014 10h00", "error: parseRfc822Date: HH:MM:SS not found\n"},
        {"21 Mar 2014 10 : 00", "error: parseRfc822Date: HH:MM:SS not found\n"},
        {"21 Mar 2014 10:00:00 -x", "error: parseRfc822Date: invalid timezone\n"},
        {"21 Mar 2014 10:00:00 -", "error: parseRfc822Date: invalid timezone\n"},
    };
    for (const Failure &c : cases) {
        RecordingLog log;
        TimeRecord r = utcRecord(1999, 1, 2);
        TimeRecord now;
        now.setNowLocal();
        EXPECT_FALSE(DateParser::parseRfc822Date(c.text, r, log)) << (c.text ? c.text : "(null)");
        EXPECT_EQ(log.joined(), std::string(c.log) + "error: Returning current date/time\n");
        EXPECT_TRUE(r.isLocal);
        TimeRecord a = r, b = now;
        a.isLocal = b.isLocal = false;  // compare the wall clocks
        EXPECT_LE(std::llabs(a.toInstant() - b.toInstant()), 2) << describe(r);
    }
}

TEST(Rfc822Parse, BlankTextOrADayNameAloneFailsSilently) {
    for (const char *text : {"", "  \t ", "Fri", "Fri, ", "friday ,  ", "\"\""}) {
        RecordingLog log;
        TimeRecord r = utcRecord(1999, 1, 2, 3, 4, 5);
        EXPECT_FALSE(DateParser::parseRfc822Date(text, r, log)) << text;
        EXPECT_EQ(describe(r), "1999-01-02 03:04:05 Sat UTC");
        EXPECT_EQ(log.joined(), "");
    }
}

TEST(Rfc822Parse, VerboseLogShowsInputAndZone) {
    RecordingLog log;
    log.setVerbose(true);
    TimeRecord r;
    EXPECT_TRUE(DateParser::parseRfc822Date("Fri, 21 Mar 2014 10:00:00 -0500", r, log));
    EXPECT_EQ(log.joined(), "data: parseRfc822Date=Fri, 21 Mar 2014 10:00:00 -0500\ndata: zoneStr=-0500\n");
    log.clearLog();
    EXPECT_TRUE(DateParser::parseRfc822Date("21 Mar 2014 10:00:00", r, log));
    EXPECT_EQ(log.joined(), "data: parseRfc822Date=21 Mar 2014 10:00:00\ndata: zoneStr=GMT\n");
}

// Only the first 199 bytes are read; what lies beyond cannot change the date.
TEST(Rfc822Parse, LongTextIsReadUpToItsLimit) {
    const std::string date = "Fri, 21 Mar 2014 10:00:00 PM Eastern Standard Time";
    std::string padded = date;
    padded.insert(26, 199 - date.size(), ' ');  // the zone words end exactly at byte 199
    expectParses({{padded.c_str(), "2014-03-22 03:00:00 Sat UTC"}});
    padded.insert(26, 1, ' ');  // now "time" is cut to "tim"
    expectParses({{padded.c_str(), "2014-03-21 22:00:00 Fri UTC"}});
    const std::string longer = "21 Mar 2014 10:00:00 " + std::string(100000, 'x');
    expectParses({{longer.c_str(), "2014-03-21 10:00:00 Fri UTC"}});
}

}  // namespace
}  // namespace quorvel::test
