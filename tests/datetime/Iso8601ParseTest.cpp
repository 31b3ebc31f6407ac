// ISO 8601 / RFC 3339 dates as Atom feeds write them.
#include <gtest/gtest.h>

#include <vector>

#include "DateTestSupport.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"

namespace quorvel::test {
namespace {

struct Case {
    const char *text;
    bool ok;
    const char *record;  // afterwards, starting from 1999-01-02 03:04:05 local
};

void expectIso(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        TimeRecord r = localRecord(1999, 1, 2, 3, 4, 5);
        r.dstFlag = 1;
        EXPECT_EQ(DateParser::parseIso8601Date(c.text, r), c.ok) << (c.text ? c.text : "(null)");
        EXPECT_EQ(describe(r), c.record) << (c.text ? c.text : "(null)");
        if (c.ok) {
            EXPECT_EQ(r.dstFlag, -1);
        }
    }
}

TEST(Iso8601Parse, ExtendedAndBasicForms) {
    expectIso({
        {"2014-03-21T10:00:00Z", true, "2014-03-21 10:00:00 Fri UTC"},
        {"2014-03-21T10:00:00", true, "2014-03-21 10:00:00 Fri UTC"},
        {"2014-03-21T10:00:00.123456Z", true, "2014-03-21 10:00:00 Fri UTC"},
        {"2014-3-5T1:2:3Z", true, "2014-03-05 01:02:03 Wed UTC"},
        {"20140321T10:00:00Z", true, "2014-03-21 10:00:00 Fri UTC"},
        {"20140321T10:00:00+01:00", true, "2014-03-21 09:00:00 Fri UTC"},
        {" 2014-03-21T10:00:00Z", true, "2014-03-21 10:00:00 Fri UTC"},
    });
}

TEST(Iso8601Parse, OffsetsAndDayRollover) {
    expectIso({
        {"2014-03-21T10:00:00+01:00", true, "2014-03-21 09:00:00 Fri UTC"},
        {"2014-03-21T10:00:00+0100", true, "2014-03-21 09:00:00 Fri UTC"},
        {"2014-03-21T10:00:00+01", true, "2014-03-21 09:00:00 Fri UTC"},
        {"2014-03-21T10:00:00-05:30", true, "2014-03-21 15:30:00 Fri UTC"},
        {"2014-03-21T10:00:00.999+05:45", true, "2014-03-21 04:15:00 Fri UTC"},
        {"2014-03-21T10:00:00+14:00", true, "2014-03-20 20:00:00 Thu UTC"},
        {"2014-03-21T10:00:00-12:00", true, "2014-03-21 22:00:00 Fri UTC"},
        {"2014-03-21T23:30:00-05:00", true, "2014-03-22 04:30:00 Sat UTC"},
        {"2014-03-21T00:30:00+01:00", true, "2014-03-20 23:30:00 Thu UTC"},
        {"2014-12-31T23:30:00-01:00", true, "2015-01-01 00:30:00 Thu UTC"},
        {"2015-01-01T00:30:00+01:00", true, "2014-12-31 23:30:00 Wed UTC"},
        {"2016-02-28T23:00:00-02:00", true, "2016-02-29 01:00:00 Mon UTC"},
        {"2016-03-01T00:30:00+01:00", true, "2016-02-29 23:30:00 Mon UTC"},
        {"2014-03-21T24:00:00Z", true, "2014-03-22 00:00:00 Sat UTC"},
    });
}

TEST(Iso8601Parse, FailuresMayLeaveAPartialRecord) {
    expectIso({
        {nullptr, false, "1999-01-02 03:04:05 Sat local"},
        {"", false, "1999-01-02 03:04:05 Sat local"},
        {"garbage", false, "1999-01-02 03:04:05 Sat local"},
        {"2014-03T10:00:00Z", false, "1999-01-02 03:04:05 Sat local"},
        // the date is stored before the time is found wanting
        {"2014-03-21", false, "2014-03-21 03:04:05 Fri local"},
        {"2014-03-21T10:00Z", false, "2014-03-21 03:04:05 Fri local"},
        {"2014-03-21T10:00:00+xx", false, "2014-03-21 03:04:05 Fri local"},
    });
}

// Numbers too large for their fields saturate; the date stops at what a record holds.
TEST(Iso8601Parse, HugeNumbersSaturate) {
    expectIso({
        {"99999999999-03-21T10:00:00Z", true, "65535-03-21 10:00:00 Thu UTC"},
        {"2014-03-21T99999999999:00:00Z", true, "65535-12-31 07:00:00 Tue UTC"},
        {"2014-03-21T10:00:00+99999999999", true, "2014-03-17 05:21:00 Mon UTC"},
        {"2014-03-21T10:00:00-99999999999", true, "2014-03-25 14:39:00 Tue UTC"},
        {"2014-13-40T10:00:00+01:00", true, "2014-13-40 09:00:00 Mon UTC"},
        {"2014-13-40T00:30:00+01:00", true, "2015-02-08 23:30:00 Sun UTC"},
    });
}

}  // namespace
}  // namespace quorvel::test
