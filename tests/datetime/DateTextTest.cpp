// Dates as feeds write them, RFC 822 (RSS) and ISO 8601 (Atom): what the readers tolerate or
// refuse, what the writers produce, and both against Python. Local times are in ZoneRulesTest.
#include "DateTestSupport.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

// Each text parses, or fails, without a log line, into the record shown; a parse forgets the dst flag.
void expectParsed(bool iso, bool ok, std::initializer_list<std::pair<const char *, const char *>> cases) {
    for (const auto &[text, record] : cases) {
        RecordingLog log;
        TimeRecord r = localRecord(1999, 1, 2, 3, 4, 5);
        r.dstFlag = 1;
        const bool parsed = iso ? DateParser::parseIso8601Date(text, r) : DateParser::parseRfc822Date(text, r, log);
        EXPECT_TRUE(parsed == ok && (!ok || r.dstFlag == -1)) << (text ? text : "(null)");
        EXPECT_EQ(describe(r) + log.joined(), record) << (text ? text : "(null)");
    }
}

// Python's samples (below) cover the common shapes; these are the edges.
TEST(Rfc822Parse, ShapesZonesAndTheTwelveHourClock) {
    expectParsed(false, true, {
        {"Friday, 21 March 2014 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"}, {"21 dez 2014 10:00:00", "2014-12-21 10:00:00 Sun UTC"},
        {"  Fri ,\t021  Mar\t2014   10:00:00  ", "2014-03-21 10:00:00 Fri UTC"},  // three digits of day; no zone: UTC
        {"30 Feb 2014 23:30:00 -0100", "2014-03-03 00:30:00 Mon UTC"},  // runs on into the next month
        // Quotes go wherever they stand once the text starts with one; ISO text goes to the ISO reader.
        {"\"Fri, 21 \"Mar\" 2014 10:00:00 GMT\"", "2014-03-21 10:00:00 Fri UTC"}, {"2014-03-21T23:30:00-05:00", "2014-03-22 04:30:00 Sat UTC"},
        // Two digits: 00-49 in the 2000s, 50-99 in the 1900s; three count from 1900.
        {"21 Mar 49 10:00:00 GMT", "2049-03-21 10:00:00 Sun UTC"}, {"21 Mar 50 10:00:00 GMT", "1950-03-21 10:00:00 Tue UTC"},
        {"21 Mar 114 10:00:00 GMT", "2014-03-21 10:00:00 Fri UTC"}, {"21 Augus 2014 10:00:00", "2014-08-21 10:00:00 Thu UTC"},
        // Numbers too large for their fields saturate; the date is clamped to what a record holds.
        {"21 Mar 2014 99999999999:00:00 GMT", "65535-12-31 23:59:59 Tue UTC"}, {"21 Mar 2014 -99999999999:00:00 GMT", "0000-01-01 00:00:00 Sat UTC"},
        {"21 Mar 2014 10:00:00 +9999999999", "2014-03-17 05:21:00 Mon UTC"},  // 99 hours 99 minutes
        {"21 Mar 2014 10:00:00 Y", "2014-03-20 22:00:00 Thu UTC"}, {"21 Mar 2014 10:00:00 +05:30", "2014-03-21 04:30:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 Eastern", "2014-03-21 10:00:00 Fri UTC"},  // names nobody knows count as UTC
        {"21 Mar 2014 12:30:00 AM", "2014-03-21 00:30:00 Fri UTC"}, {"21 Mar 2014 10:00 pm EST", "2014-03-22 03:00:00 Sat UTC"},
        // The long US names, only behind AM or PM and only as the whole rest of the text.
        {"21 Mar 2014 10:00:00 PM Pacific Daylight Time", "2014-03-22 05:00:00 Sat UTC"},
        {"21 Mar 2014 10:00:00 Eastern Standard Time", "2014-03-21 10:00:00 Fri UTC"},
        {"21 Mar 2014 10:00:00 PM Eastern Standard Time Zone", "2014-03-21 22:00:00 Fri UTC"},
    });
    // Only the first 199 bytes are read: the zone words end exactly there; one byte more cuts "Time".
    std::string padded = "Fri, 21 Mar 2014 10:00:00 PM Eastern Standard Time";
    padded.insert(26, 199 - padded.size(), ' ');
    expectParsed(false, true, {{padded.c_str(), "2014-03-22 03:00:00 Sat UTC"}, {(" " + padded).c_str(), "2014-03-21 22:00:00 Fri UTC"}});
}

TEST(Rfc822Parse, FailuresSayWhyAndGiveNowInLocalTime) {
    const std::pair<const char *, const char *> cases[] = {
        {nullptr, "empty string"}, {"20140321T10:00:00Z", "day part contains non-numeric chars"},
        {"32 Mar 2014 10:00:00", "day out of range (1-31)"}, {"21 September 2014 10:00:00 GMT", "month string is too long"},
        {"21 Mar 2014123 10:00:00", "year string is too long"}, {"21 Mar 2014 10h00", "HH:MM:SS not found"},
        {"21 Foo 2014 10:00:00", "invalid month abbreviation\ndata: monthAbbrev=foo"}, {"21 Mar 2014 10:00:00 -x", "invalid timezone"},
    };
    for (const auto &[text, logged] : cases) {
        RecordingLog log;
        TimeRecord r = utcRecord(1999, 1, 2);
        EXPECT_TRUE(!DateParser::parseRfc822Date(text, r, log) && r.isLocal && secondsFromNow(r) <= 2) << describe(r);
        EXPECT_EQ(log.joined(), "error: parseRfc822Date: " + std::string(logged) + "\nerror: Returning current date/time\n");
    }
    // Blank text, or a bare day name, fails without a word or a change; refused ISO text leaves what that reader left.
    expectParsed(false, false, {{"  \t ", "1999-01-02 03:04:05 Sat local"}, {"friday ,  ", "1999-01-02 03:04:05 Sat local"},
                                {"2014-03-21T10:00Z", "2014-03-21 03:04:05 Fri local"}});
}

TEST(Iso8601Parse, FormsOffsetsAndRollovers) {
    expectParsed(true, true, {
        {"2014-3-5T1:2:3", "2014-03-05 01:02:03 Wed UTC"}, {"20140321T10:00:00Z", "2014-03-21 10:00:00 Fri UTC"},
        {"2014-03-21T10:00:00.999+05:45", "2014-03-21 04:15:00 Fri UTC"}, {"2015-01-01T00:30:00+01", "2014-12-31 23:30:00 Wed UTC"},
        {"2014-03-21T24:00:00Z", "2014-03-22 00:00:00 Sat UTC"},
        // Numbers too large for their fields saturate; the date stops at what a record holds.
        {"99999999999-03-21T10:00:00Z", "65535-03-21 10:00:00 Thu UTC"}, {"2014-03-21T10:00:00-99999999999", "2014-03-25 14:39:00 Tue UTC"},
        {"2014-13-40T10:00:00+01:00", "2014-13-40 09:00:00 Mon UTC"}, {"2014-13-40T00:30:00+01:00", "2015-02-08 23:30:00 Sun UTC"},
    });
    // A failure may leave a partial record: the date is stored before the time is found wanting.
    expectParsed(true, false, {
        {nullptr, "1999-01-02 03:04:05 Sat local"}, {"2014-03T10:00:00Z", "1999-01-02 03:04:05 Sat local"},
        {"2014-03-21", "2014-03-21 03:04:05 Fri local"}, {"2014-03-21T10:00Z", "2014-03-21 03:04:05 Fri local"},
    });
}

TEST(DateFormat, UtcRecords) {
    TimeRecord odd = utcRecord(2014, 13, 99, 99, 99, 99);  // names out of range: the first of their table
    odd.dayOfWeek = 7;
    EXPECT_EQ(rfc822Of(TimeRecord()) + " | " + rfc822Of(utcRecord(2014, 3, 21, 9)) + " | " + rfc822Of(odd),
              "Sun, 00 Jan 0 00:00:00 GMT | Fri, 21 Mar 2014 09:00:00 GMT | Sun, 99 Jan 2014 99:99:99 GMT");
    StringBuffer sb("updated: ");  // appended to what is there
    EXPECT_TRUE(DateParser::formatIso8601Date(utcRecord(2014, 3, 21, 9), sb));
    EXPECT_EQ(iso8601Of(TimeRecord()) + " | " + sb.getString(), "0-00-00T00:00:00Z | updated: 2014-03-21T09:00:00Z");
}

// Python makes samples and answers: email.utils reads RFC 822 texts of every shape, datetime ISO
// 8601 ones of every form and offset, and exact fractions give automation dates' fields (the way
// back is pinned at its edges in TimeRecordTest).
const char kScript[] = R"PY(
import calendar, math
from datetime import datetime, timedelta, timezone
from email.utils import parsedate_tz
from fractions import Fraction
rng = random.Random(1899); pick = rng.choice
def rfc822():
    month = pick((str, str, str, str, str.lower, str.upper))(pick('Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec'.split()))
    day = pick(('%d', '%02d')) % rng.randint(1, 31)
    year = '%02d' % pick(list(range(50)) + list(range(69, 100))) if rng.random() < .25 else str(rng.randint(1900, 2099))
    h, mi, s = rng.randrange(24), rng.randrange(60), rng.randrange(60)
    time = pick(('%02d:%02d' % (h, mi), '%d:%02d:%02d' % (h, mi, s), '%02d:%02d:%02d' % (h, mi, s)))
    hours, minutes = rng.randrange(15), rng.randrange(4) * 15
    zone = ('-' if (hours or minutes) and rng.random() < .5 else '+') + '%02d%02d' % (hours, minutes)
    zone = pick('UT GMT Z EST EDT CST CDT MST MDT PST PDT gmt pst Est'.split()) if rng.random() < .5 else zone
    if rng.random() < 1 / 6: return '%s-%s-%s %s %s' % (day, month, year, time, zone)
    return pick(('', pick('Sun Mon Tue Wed Thu Fri Sat Thursday fri'.split()) + ', ')) + ' '.join((day, month, year, time, zone))
def iso8601():
    y, m = rng.randint(1000, 9998), rng.randint(1, 12)
    text = pick(('%04d%02d%02dT', '%04d-%02d-%02dT')) % (y, m, rng.randint(1, calendar.monthrange(y, m)[1]))
    text += '%02d:%02d:%02d' % (rng.randrange(24), rng.randrange(60), rng.randrange(60))
    text += pick(('', '', '.%03d' % rng.randrange(1000), '.%06d' % rng.randrange(1000)))
    sign, hours, minutes = pick('+-'), rng.randrange(15), rng.randrange(4) * 15
    return text + pick(('Z', '', '%s%02d:%02d' % (sign, hours, minutes), '%s%02d%02d' % (sign, hours, minutes), '%s%02d' % (sign, hours)))
def fields(value):
    value = Fraction(value); whole = math.trunc(value)
    t = datetime(1899, 12, 30) + timedelta(days=whole, seconds=math.floor(abs(value - whole) * 86400 + Fraction(1, 2)))
    return '%d %d %d %d %d %d %d' % (t.year, t.month, t.day, t.hour, t.minute, t.second, (t.weekday() + 1) % 7)
for i in range(int(records[0][0])):
    text = rfc822(); t = parsedate_tz(text)
    theirs = b'fail' if t is None or t[9] is None else b'%d' % (calendar.timegm(t[:6] + (0, 0, 0)) - t[9])
    replies.append([b'rfc822', text.encode(), theirs])
    text = iso8601(); dt = datetime.fromisoformat(text)
    dt = dt.replace(tzinfo=timezone.utc) if dt.tzinfo is None else dt
    replies.append([b'iso8601', text.encode(), b'%d' % calendar.timegm(dt.astimezone(timezone.utc).timetuple())])
    value = rng.uniform(-657434.99, 2958465.99)
    value = math.trunc(value) + math.copysign(pick((1e-7, 1 - 1e-7)), value) if i % 4 == 0 else value
    replies.append([b'date', repr(value).encode(), fields(value).encode()])
)PY";
std::string ours(const std::string &kind, const std::string &input) {
    TimeRecord r;
    LogNull log;
    if (kind == "rfc822") return DateParser::parseRfc822Date(input.c_str(), r, log) ? std::to_string(r.toInstant()) : "fail";
    if (kind == "iso8601") return DateParser::parseIso8601Date(input.c_str(), r) ? std::to_string(r.toInstant()) : "fail";
    char text[64];
    if (!r.setFromOleDate(std::stod(input), false)) return "fail";
    std::snprintf(text, sizeof text, "%d %d %d %d %d %d %d", r.year, r.month, r.day, r.hour, r.minute, r.second, r.dayOfWeek);
    return text;
}

TEST(DateOracle, DatesAgreeWithPython) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 with its standard library is not available";
    std::vector<Record> samples;
    ASSERT_EQ(runPythonOracle("dates", kScript, {{"2000"}}, samples), "");
    ASSERT_EQ(samples.size(), 6000u);
    int failures = 0;
    for (const Record &s : samples) {
        const std::string got = ours(s[0], s[1]);
        if (got != s[2] && ++failures <= 5) ADD_FAILURE() << s[0] << " '" << s[1] << "': python " << s[2] << ", ours " << got;
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace quorvel::test
