// The internal date-time object and its plain-number companion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DateTestSupport.h"
#include "ZoneScope.h"
#include "datetime/ClsDateTime.h"
#include "datetime/ClsDtObj.h"
#include "foundation/StringBuffer.h"

namespace quorvel::test {
namespace {

constexpr double k21March2014At10 = 41719.0 + 10.0 / 24.0;

std::string serialized(ClsDateTime &dt) {
    StringBuffer sb;
    EXPECT_TRUE(dt.serialize(sb));
    return sb.getString();
}

std::string numbers(const ClsDtObj &o) {
    return std::to_string(o.get_Year()) + " " + std::to_string(o.get_Month()) + " " + std::to_string(o.get_Day()) + " " +
           std::to_string(o.get_Hour()) + " " + std::to_string(o.get_Minute()) + " " + std::to_string(o.get_Second()) +
           (o.get_Utc() ? " UTC" : " local");
}

TEST(ClsDtObj, StartsAtTheFirstOf1900LocalTime) {
    ClsDtObj o;
    EXPECT_EQ(numbers(o), "1900 1 1 0 0 0 local");
}

TEST(ClsDateTime, NewObjectHoldsTheCurrentUtcTime) {
    TimeRecord now;
    now.setNowUtc();
    ClsDateTime dt;
    EXPECT_FALSE(dt.timeRecord().isLocal);
    EXPECT_LE(std::llabs(dt.timeRecord().toInstant() - now.toInstant()), 2);
}

TEST(ClsDateTime, SetFromOleDateTakesTheGivenKindOfTime) {
    ClsDateTime dt;
    EXPECT_TRUE(dt.setFromOleDate(true, k21March2014At10));
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 10:00:00 Fri local");
    EXPECT_TRUE(dt.setFromOleDate(false, k21March2014At10));
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 10:00:00 Fri UTC");
    // Out of range changes nothing.
    EXPECT_FALSE(dt.setFromOleDate(true, 3e6));
    EXPECT_FALSE(dt.setFromOleDate(true, -1e6));
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 10:00:00 Fri UTC");
}

TEST(ClsDateTime, SerializeGivesSevenNumbersInUtc) {
    ClsDateTime dt;
    dt.setFromOleDate(false, k21March2014At10);
    EXPECT_EQ(serialized(dt), "2014 3 21 10 0 0 1");
    // Each number is kept inside its range.
    dt.timeRecord() = utcRecord(0, 0, 0);
    EXPECT_EQ(serialized(dt), "1 1 1 0 0 0 1");
    dt.timeRecord() = utcRecord(65535, 13, 40, 99, 99, 99);
    EXPECT_EQ(serialized(dt), "9999 12 31 23 59 59 1");
    // Appended to what is there.
    StringBuffer sb("dt=");
    dt.setFromOleDate(false, 1.25);
    EXPECT_TRUE(dt.serialize(sb));
    EXPECT_STREQ(sb.getString(), "dt=1899 12 31 6 0 0 1");
}

TEST(ClsDateTime, LocalTimeSerializesAsUtc) {
    QUORVEL_IN_ZONE("Europe/Berlin");
    ClsDateTime dt;
    ASSERT_TRUE(dt.setFromOleDate(true, k21March2014At10));
    EXPECT_EQ(serialized(dt), "2014 3 21 9 0 0 1");
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 09:00:00 Fri UTC");  // converted in place
}

TEST(ClsDateTime, ToDtObjConvertsEitherWay) {
    QUORVEL_IN_ZONE("America/New_York");
    ClsDateTime dt;
    ASSERT_TRUE(dt.setFromOleDate(false, k21March2014At10));
    ClsDtObj o;
    dt.toDtObj(true, o);
    EXPECT_EQ(numbers(o), "2014 3 21 6 0 0 local");
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 06:00:00 Fri local");
    dt.toDtObj(false, o);
    EXPECT_EQ(numbers(o), "2014 3 21 10 0 0 UTC");
    EXPECT_EQ(describe(dt.timeRecord()), "2014-03-21 10:00:00 Fri UTC");
}

}  // namespace
}  // namespace quorvel::test
