// The date-time object's automation members: each number and text form both ways, what each
// refuses (the value then kept), daylight saving and offsets in a fixed zone, calendar moves.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "DateTestSupport.h"
#include "datetime/ClsDateTime.h"
#include "platform/SystemClock.h"

namespace quorvel::test {
namespace {

XString x(const char *text) { XString s; s.setFromUtf8(text); return s; }
std::string rfc(ClsDateTime &dt, bool local = false) { XString s; dt.GetAsRfc822(local, s); return s.getUtf8(); }
std::string ser(ClsDateTime &dt) { XString s; dt.Serialize(s); return s.getUtf8(); }
bool logged(ClsDateTime &dt, const char *phrase) { XString s; dt.get_LastErrorText(s); return std::strstr(s.getUtf8(), phrase); }
int dosBits(int y, int mo, int d, int h, int mi, int halfSeconds) {
    return static_cast<int>(static_cast<uint32_t>((y - 1980) << 9 | mo << 5 | d) << 16 | (h << 11 | mi << 5 | halfSeconds));
}

// Unix, automation and DOS numbers of UTC times, each set and read back, and set and read as local
// time (which holds in any zone); the local reading differs by the offset; DOS times have even seconds.
TEST(DateTimeMembers, NumbersBothWays) {
    struct Case { int unix; double ole; int dos; const char *text; } cases[] = {
        {0, 25569.0, 0, "Thu, 01 Jan 1970 00:00:00 GMT"},
        {INT_MIN, 713.86518518518519, 0, "Fri, 13 Dec 1901 20:45:52 GMT"},
        {INT_MAX, 50424.134803240741, 1949505987, "Tue, 19 Jan 2038 03:14:07 GMT"},
        {315532800, 29221.0, 2162688, "Tue, 01 Jan 1980 00:00:00 GMT"},
        {1395396000, 41719.0 + 10.0 / 24.0, 1148538880, "Fri, 21 Mar 2014 10:00:00 GMT"},
    };
    for (const Case &c : cases) {
        ClsDateTime dt, local;
        dt.SetFromUnixTime(false, c.unix);
        EXPECT_TRUE(dt.GetAsUnixTime(false) == c.unix && rfc(dt) == c.text && dt.GetAsDosDate(false) == c.dos) << c.text;
        EXPECT_TRUE(std::fabs(dt.GetAsOleDate(false) - c.ole) < 1e-9 && (dt.SetFromOleDate(false, c.ole), dt.GetAsUnixTime(false) == c.unix));
        EXPECT_TRUE(c.unix == INT_MIN || c.unix == INT_MAX || dt.GetAsUnixTime(true) - c.unix == dt.get_UtcOffset()) << c.text;
        local.SetFromUnixTime(true, c.unix);
        EXPECT_TRUE(local.GetAsUnixTime(true) == c.unix && local.GetAsOleDate(true) == dt.GetAsOleDate(false)) << c.text;
        if (c.dos == 0) continue;
        local.SetFromDosDate(true, c.dos), dt.SetFromDosDate(false, c.dos);
        EXPECT_TRUE(local.GetAsDosDate(true) == c.dos && dt.GetAsUnixTime(false) == (c.unix & ~1)) << c.text;  // even seconds
    }
    // DOS date-times are negative from 2044 on.
    ClsDateTime dt;
    for (const auto &[dos, text] : {std::pair{-6307971, "Sat, 31 Dec 2107 23:59:58 GMT"}, {2141175677, "Thu, 31 Dec 2043 23:59:58 GMT"}})
        EXPECT_TRUE((dt.SetFromDosDate(false, dos), dt.GetAsDosDate(false) == dos && rfc(dt) == text)) << text;
}

// Out of a form's range a reader gives its failure value and logs; a setter logs and keeps the value.
TEST(DateTimeMembers, OutOfRangeNumbers) {
    ClsDateTime dt;
    struct Case { const char *text; bool noUnixTime, noDosDate; } cases[] = {{"19 Jan 2038 03:14:08 GMT", true, false},
        {"13 Dec 1901 20:45:51 GMT", true, true}, {"31 Dec 1979 23:59:59 GMT", false, true}, {"01 Jan 2108 00:00:00 GMT", true, true}};
    for (const Case &c : cases) {
        ASSERT_TRUE(dt.SetFromRfc822(x(c.text))) << c.text;
        EXPECT_TRUE(!c.noUnixTime || (dt.GetAsUnixTime(false) == 0 && logged(dt, "outside the 32-bit Unix times"))) << c.text;
        EXPECT_TRUE(!c.noDosDate || (dt.GetAsDosDate(false) == 0 && logged(dt, "outside the DOS dates"))) << c.text;
    }
    dt.timeRecord() = utcRecord(10000, 1, 1);
    EXPECT_TRUE(dt.GetAsOleDate(false) == 2.0 && logged(dt, "No automation date"));
    dt.SetFromUnixTime(false, 1395396000);
    for (double ole : {-657435.0, 2958466.0, std::nan("")})
        EXPECT_TRUE((dt.SetFromOleDate(true, ole), logged(dt, "the date-time is kept")) && dt.GetAsUnixTime(false) == 1395396000) << ole;
    // Month 0, 30 February, hour 24, minute 60, second 60: no DOS date-time.
    for (int dos : {0, dosBits(1981, 2, 30, 0, 0, 0), dosBits(1980, 1, 1, 24, 0, 0), dosBits(1980, 1, 1, 0, 60, 0), dosBits(1980, 1, 1, 0, 0, 30)})
        EXPECT_TRUE((dt.SetFromDosDate(false, dos), logged(dt, "Not a DOS date-time")) && dt.GetAsUnixTime(false) == 1395396000) << dos;
}

// Texts in: RFC 822 and ISO 8601, a day the month lacks rolling on; malformed ones fail and keep the value.
TEST(DateTimeMembers, TextsAndSerialization) {
    const std::pair<const char *, const char *> good[] = {{"Fri, 21 Mar 2014 10:00:00 -0500", "Fri, 21 Mar 2014 15:00:00 GMT"},
        {"2014-03-21T23:30:00-05:00", "Sat, 22 Mar 2014 04:30:00 GMT"}, {"2014-02-30T10:00:00Z", "Sun, 02 Mar 2014 10:00:00 GMT"}};
    ClsDateTime dt;
    for (const auto &[in, out] : good) EXPECT_TRUE(dt.SetFromRfc822(x(in)) && rfc(dt) == out) << in;
    for (const char *bad : {"", "  ", "Friday", "32 Mar 2014 10:00:00", "21 Foo 2014 10:00:00", "21 Mar 2014", "2014-03-21T10:00Z",
                            "21 Mar 999999 10:00:00 GMT", "0000-01-01T00:00:00Z"}) {
        EXPECT_FALSE(dt.SetFromRfc822(x(bad))) << bad;
        EXPECT_TRUE(rfc(dt) == "Sun, 02 Mar 2014 10:00:00 GMT" && logged(dt, "the date-time is kept")) << bad;
    }
    // Local texts carry the offset and read back to the same instant in any zone.
    ClsDateTime back;
    EXPECT_TRUE(back.SetFromRfc822(x(rfc(dt, true).c_str())) && back.GetAsUnixTime(false) == dt.GetAsUnixTime(false)) << rfc(dt, true);

    // Seven numbers both ways; flag 0 is local wall-clock time.
    EXPECT_TRUE((dt.DeSerialize(x(" 2014 3 21 9 0 0 1\r\n")), ser(dt) == "2014 3 21 9 0 0 1" && rfc(dt) == "Fri, 21 Mar 2014 09:00:00 GMT"));
    EXPECT_TRUE((back.DeSerialize(x(ser(dt).c_str())), back.GetAsUnixTime(false) == dt.GetAsUnixTime(false)));
    EXPECT_EQ((dt.DeSerialize(x("2016 2 29 10 0 0 0")), dt.GetAsUnixTime(true)), 1456740000);
    for (const char *bad : {"", "2014 3 21 9 0 0", "2014 3 21 9 0 0 1 5", "2014 3 21 9 0 0 1x", "2014 2 29 0 0 0 1", "2014 3 21 24 0 0 1",
                            "0 1 1 0 0 0 1", "10000 1 1 0 0 0 1", "2014 3 21 9 0 0 2", "2014-3-21 9 0 0 1"}) {
        dt.DeSerialize(x(bad));
        EXPECT_TRUE(logged(dt, "the date-time is kept") && dt.GetAsUnixTime(true) == 1456740000) << bad;
    }
    dt.SetFromCurrentSystemTime();
    EXPECT_LE(std::llabs(dt.GetAsUnixTime(false) - SystemClock::nowInstant()), 2);
}

// Whole days across month, year and leap-day boundaries, time of day kept; leaving years 1-9999 fails.
TEST(DateTimeMembers, AddDays) {
    struct Case { const char *from; int n; const char *to; } cases[] = {
        {"31 Jan 2014", 1, "Sat, 01 Feb 2014"}, {"28 Feb 2016", 1, "Mon, 29 Feb 2016"}, {"29 Feb 2016", 365, "Tue, 28 Feb 2017"},
        {"31 Dec 2014", 1, "Thu, 01 Jan 2015"}, {"01 Mar 2000", -1, "Tue, 29 Feb 2000"}, {"28 Feb 2100", 1, "Mon, 01 Mar 2100"},
        {"31 Dec 9999", -3652058, "Mon, 01 Jan 1"}};  // the year unpadded
    ClsDateTime dt;
    for (const Case &c : cases) {
        ASSERT_TRUE(dt.SetFromRfc822(x((std::string(c.from) + " 10:20:30 GMT").c_str()))) << c.from;
        EXPECT_TRUE(dt.AddDays(c.n) && rfc(dt) == std::string(c.to) + " 10:20:30 GMT") << c.from << " " << rfc(dt);
    }
    for (int n : {-1, INT_MIN, 3652059, INT_MAX})
        EXPECT_TRUE(!dt.AddDays(n) && rfc(dt) == "Mon, 01 Jan 1 10:20:30 GMT" && logged(dt, "years 1 to 9999")) << n;
}

// In Berlin: winter +01:00, summer +02:00 with daylight saving; a local day later keeps the wall clock across the change.
TEST(DateTimeMembers, DaylightSavingAndOffsetInAFixedZone) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    ClsDateTime dt;
    ASSERT_TRUE(dt.SetFromRfc822(x("Fri, 21 Mar 2014 10:00:00 GMT")));
    EXPECT_TRUE(!dt.get_IsDst() && dt.get_UtcOffset() == 3600 && rfc(dt, true) == "Fri, 21 Mar 2014 11:00:00 +0100");
    EXPECT_NEAR(dt.GetAsOleDate(true) - dt.GetAsOleDate(false), 1.0 / 24, 1e-9);
    ASSERT_TRUE(dt.SetFromRfc822(x("Sat, 21 Jun 2014 10:00:00 GMT")));
    EXPECT_TRUE(dt.get_IsDst() && dt.get_UtcOffset() == 7200 && dt.GetAsUnixTime(true) - dt.GetAsUnixTime(false) == 7200);
    EXPECT_EQ(dt.GetAsDosDate(true), dosBits(2014, 6, 21, 12, 0, 0));
    dt.DeSerialize(x("2014 3 29 10 0 0 0"));
    EXPECT_TRUE(!dt.get_IsDst() && dt.AddDays(1) && dt.get_IsDst() && rfc(dt, true) == "Sun, 30 Mar 2014 10:00:00 +0200" &&
                rfc(dt) == "Sun, 30 Mar 2014 08:00:00 GMT");
}

}  // namespace
}  // namespace quorvel::test
