// The date formats and automation dates checked against Python's standard library on generated
// samples: email.utils.parsedate_tz for RFC 822, datetime.fromisoformat for ISO 8601, and exact
// rational arithmetic with datetime for automation dates.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "DateTestSupport.h"
#include "datetime/CivilCalendar.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "foundation/LogNull.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

constexpr int kSamples = 4000;
const char kNoPython[] = "python3 with its standard library is not available";

// Python's instant of each text must equal ours ("fail" where we refused it).
const char kRfc822Script[] = R"PY(
import calendar
from email.utils import parsedate_tz
for i, (text, ours) in enumerate(records):
    t = parsedate_tz(text.decode())
    theirs = 'fail' if t is None or t[9] is None else str(calendar.timegm(t[:6] + (0, 0, 0)) - t[9])
    if theirs != ours.decode(): fail(i, '%r: python %s, ours %s' % (text, theirs, ours))
)PY";

const char kIso8601Script[] = R"PY(
import calendar
from datetime import datetime, timezone
for i, (text, ours) in enumerate(records):
    dt = datetime.fromisoformat(text.decode())
    if dt.tzinfo is None: dt = dt.replace(tzinfo=timezone.utc)
    theirs = str(calendar.timegm(dt.astimezone(timezone.utc).timetuple()))
    if theirs != ours.decode(): fail(i, '%r: python %s, ours %s' % (text, theirs, ours))
)PY";

// An automation date is whole days from 1899-12-30 plus the time of day, the fraction counting
// forward even when the days are negative; read back, it is rounded to the nearest second.
const char kOleScript[] = R"PY(
import math
from datetime import date, datetime, timedelta
from fractions import Fraction
EPOCH = date(1899, 12, 30)
def exact(y, mo, d, h, mi, s):
    days = (date(y, mo, d) - EPOCH).days
    frac = Fraction(h * 3600 + mi * 60 + s, 86400)
    return days + frac if days >= 0 else days - frac
def fields(value):
    value = Fraction(value)
    whole = math.trunc(value)
    seconds = math.floor(abs(value - whole) * 86400 + Fraction(1, 2))
    t = datetime(1899, 12, 30) + timedelta(days=whole, seconds=seconds)
    return '%d %d %d %d %d %d %d' % (t.year, t.month, t.day, t.hour, t.minute, t.second, (t.weekday() + 1) % 7)
for i, (kind, a, b) in enumerate(records):
    a, b = a.decode(), b.decode()
    if kind == b'record':
        y, mo, d, h, mi, s = map(int, a.split())
        ours = float(b)
        if abs(Fraction(ours) - exact(y, mo, d, h, mi, s)) > 2 * Fraction(math.ulp(ours)): fail(i, '%s: ours %r' % (a, ours))
        if fields(ours) != a + ' %d' % ((date(y, mo, d).weekday() + 1) % 7): fail(i, '%s: %r reads back as %s' % (a, ours, fields(ours)))
    elif fields(float(a)) != b:
        fail(i, '%s: python %s, ours %s' % (a, fields(float(a)), b))
)PY";

std::string instantOrFail(bool ok, const TimeRecord &r) { return ok ? std::to_string(r.toInstant()) : "fail"; }

template <typename T>
const T &pick(std::mt19937 &rng, const std::vector<T> &v) {
    return v[rng() % v.size()];
}

// "Fri, 21 Mar 2014 10:00:00 -0500" and its relatives: with and without day names, one- and
// two-digit days, two- and four-digit years, seconds or none, numeric zones and named ones;
// the old "21-Mar-14" form too. Days past the month's end are included: both sides run them on
// into the next month.
std::string rfc822Sample(std::mt19937 &rng) {
    static const std::vector<std::string> days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Thursday", "fri"};
    static const std::vector<std::string> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const std::vector<std::string> zones = {"UT", "GMT", "Z", "EST", "EDT", "CST", "CDT", "MST", "MDT", "PST", "PDT",
                                                   "gmt", "pst", "Est"};
    std::string month = pick(rng, months);
    if (rng() % 5 == 0) for (char &c : month) c = static_cast<char>(c | 0x20);
    if (rng() % 9 == 0) for (char &c : month) c = static_cast<char>(c & ~0x20);
    const int day = 1 + static_cast<int>(rng() % 31);
    char dayText[8], yearText[8], timeText[16], zone[8];
    std::snprintf(dayText, sizeof dayText, rng() % 3 == 0 ? "%02d" : "%d", day);
    // Two-digit years: both sides put 00-49 in the 2000s and 69-99 in the 1900s.
    const int shortYear = static_cast<int>(rng() % 81);
    if (rng() % 4 == 0)
        std::snprintf(yearText, sizeof yearText, "%02d", shortYear < 50 ? shortYear : shortYear + 19);
    else
        std::snprintf(yearText, sizeof yearText, "%d", 1900 + static_cast<int>(rng() % 200));
    const int h = static_cast<int>(rng() % 24), mi = static_cast<int>(rng() % 60), s = static_cast<int>(rng() % 60);
    if (rng() % 4 == 0)
        std::snprintf(timeText, sizeof timeText, "%02d:%02d", h, mi);
    else
        std::snprintf(timeText, sizeof timeText, rng() % 5 == 0 ? "%d:%02d:%02d" : "%02d:%02d:%02d", h, mi, s);
    if (rng() % 2 == 0) {
        std::snprintf(zone, sizeof zone, "%s", pick(rng, zones).c_str());
    } else {
        // A negative zero means "unknown" to Python, so zero is always written with '+'.
        const int hours = static_cast<int>(rng() % 15), minutes = static_cast<int>(rng() % 4) * 15;
        const bool minus = (hours || minutes) && rng() % 2 == 0;
        std::snprintf(zone, sizeof zone, "%c%02d%02d", minus ? '-' : '+', hours, minutes);
    }
    if (rng() % 6 == 0) return std::string(dayText) + "-" + month + "-" + yearText + " " + timeText + " " + zone;
    const std::string dayName = rng() % 2 == 0 ? pick(rng, days) + ", " : "";
    return dayName + dayText + " " + month + " " + yearText + " " + timeText + " " + zone;
}

// Extended and basic dates, with and without fractions of a second, "Z", offsets in three
// forms, or nothing.
std::string iso8601Sample(std::mt19937 &rng) {
    const int y = 1000 + static_cast<int>(rng() % 8999), m = 1 + static_cast<int>(rng() % 12);
    const int d = 1 + static_cast<int>(rng() % CivilCalendar::daysInMonth(y, m));
    const int h = static_cast<int>(rng() % 24), mi = static_cast<int>(rng() % 60), s = static_cast<int>(rng() % 60);
    char text[64];
    int n = std::snprintf(text, sizeof text, rng() % 5 == 0 ? "%04d%02d%02dT%02d:%02d:%02d" : "%04d-%02d-%02dT%02d:%02d:%02d", y,
                          m, d, h, mi, s);
    if (rng() % 3 == 0) n += std::snprintf(text + n, sizeof text - n, rng() % 2 ? ".%03d" : ".%06d", static_cast<int>(rng() % 1000));
    const int hours = static_cast<int>(rng() % 15), minutes = static_cast<int>(rng() % 4) * 15;
    const char sign = rng() % 2 ? '+' : '-';
    switch (rng() % 5) {
    case 0: std::snprintf(text + n, sizeof text - n, "Z"); break;
    case 1: break;
    case 2: std::snprintf(text + n, sizeof text - n, "%c%02d:%02d", sign, hours, minutes); break;
    case 3: std::snprintf(text + n, sizeof text - n, "%c%02d%02d", sign, hours, minutes); break;
    default: std::snprintf(text + n, sizeof text - n, "%c%02d", sign, hours); break;
    }
    return text;
}

TEST(DateOracle, Rfc822AgreesWithPythonEmail) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    std::mt19937 rng(822);
    std::vector<Record> records, replies;
    LogNull log;
    int parsed = 0;
    for (int i = 0; i < kSamples; ++i) {
        const std::string text = rfc822Sample(rng);
        TimeRecord r;
        const bool ok = DateParser::parseRfc822Date(text.c_str(), r, log);
        parsed += ok;
        records.push_back({text, instantOrFail(ok, r)});
    }
    EXPECT_EQ(parsed, kSamples);
    EXPECT_EQ(runPythonOracle("date_rfc822", kRfc822Script, records, replies), "");
}

TEST(DateOracle, Iso8601AgreesWithPythonDatetime) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    std::mt19937 rng(8601);
    std::vector<Record> records, replies;
    for (int i = 0; i < kSamples; ++i) {
        const std::string text = iso8601Sample(rng);
        TimeRecord r;
        records.push_back({text, instantOrFail(DateParser::parseIso8601Date(text.c_str(), r), r)});
    }
    EXPECT_EQ(runPythonOracle("date_iso8601", kIso8601Script, records, replies), "");
}

TEST(DateOracle, AutomationDatesAgreeWithExactArithmetic) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    std::mt19937 rng(1899);
    std::vector<Record> records, replies;
    const int64_t firstDay = CivilCalendar::daysFromCivil(100, 1, 1), lastDay = CivilCalendar::daysFromCivil(9999, 12, 31);
    char a[64], b[64];
    for (int i = 0; i < kSamples; ++i) {
        // Fields to an automation date, which must also read back to the same second.
        int64_t y;
        int m, d;
        CivilCalendar::civilFromDays(firstDay + static_cast<int64_t>(rng() % (lastDay - firstDay + 1)), y, m, d);
        const int s = static_cast<int>(rng() % 86400);
        const TimeRecord r = utcRecord(static_cast<int>(y), m, d, s / 3600, s / 60 % 60, s % 60);
        double ole = 0;
        ASSERT_TRUE(r.toOleDate(ole)) << describe(r);
        std::snprintf(a, sizeof a, "%d %d %d %d %d %d", r.year, r.month, r.day, r.hour, r.minute, r.second);
        std::snprintf(b, sizeof b, "%.17g", ole);
        records.push_back({"record", a, b});
        // Any automation date in range to fields; a quarter of them near the edges of a day.
        std::uniform_real_distribution<double> anywhere(-657434.99, 2958465.99);
        double value = anywhere(rng);
        if (i % 4 == 0) value = static_cast<double>(static_cast<int64_t>(value)) + (value < 0 ? -1 : 1) * (rng() % 2 ? 1e-7 : 1 - 1e-7);
        TimeRecord back;
        ASSERT_TRUE(back.setFromOleDate(value, false)) << value;
        std::snprintf(a, sizeof a, "%.17g", value);
        std::snprintf(b, sizeof b, "%d %d %d %d %d %d %d", back.year, back.month, back.day, back.hour, back.minute,
                      back.second, back.dayOfWeek);
        records.push_back({"date", a, b});
    }
    EXPECT_EQ(runPythonOracle("date_ole", kOleScript, records, replies), "");
}

}  // namespace
}  // namespace quorvel::test
