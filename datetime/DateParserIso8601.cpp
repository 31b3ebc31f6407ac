#include <cstdint>
#include <cstring>

#include "datetime/CivilCalendar.h"
#include "datetime/DateParser.h"
#include "datetime/IntScanner.h"
#include "datetime/TimeRecord.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

constexpr int64_t kMinutesPerDay = 1440;

uint16_t toField(int64_t v) { return static_cast<uint16_t>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v)); }

// The n bytes at text as a string of their own; false when memory runs out.
bool copyPart(const char *text, size_t n, StringBuffer &out) {
    return n <= UINT32_MAX && out.appendN(text, static_cast<uint32_t>(n));
}

// Minutes to add to the clock time to reach UTC, from "+01:00", "-0500", "+05" and the like;
// false when no number is there.
bool readZoneOffset(const char *zoneText, int64_t &minutesToUtc) {
    StringBuffer zone;
    if (!zone.setString(zoneText)) return false;
    zone.removeCharOccurrences(':');
    zone.removeCharOccurrences('+');
    const char *z = zone.getString();
    // Ahead of UTC means the clock is ahead: going back reaches UTC.
    int64_t sign = -1;
    if (*z == '-') {
        sign = 1;
        ++z;
    }
    int32_t hm[2] = {0, 0};
    if (IntScanner::scan(z, "%02d%02d", hm, 2) != 2) {
        hm[1] = 0;
        if (IntScanner::scan(z, "%d", hm, 1) != 1) return false;
    }
    minutesToUtc = sign * (static_cast<int64_t>(hm[0]) * 60 + hm[1]);
    return true;
}

}  // namespace

bool DateParser::parseIso8601Date(const char *text, TimeRecord &record) {
    if (!text) return false;
    const char *t = std::strchr(text, 'T');

    // Date: "2014-03-21", or the basic form "20140321".
    StringBuffer datePart;
    if (!copyPart(text, t ? static_cast<size_t>(t - text) : std::strlen(text), datePart)) return false;
    datePart.replaceChar('-', ' ');
    int32_t date[3] = {0, 0, 0};
    int n = IntScanner::scan(datePart.getString(), "%d%d%d", date, 3);
    if (n == 1) n = IntScanner::scan(datePart.getString(), "%04d%02d%02d", date, 3);
    if (n < 3) return false;
    record.year = toField(date[0]);
    record.month = toField(date[1]);
    record.day = toField(date[2]);
    record.dayOfWeek = static_cast<uint16_t>(CivilCalendar::weekdayOf(record.year, record.month, record.day));
    record.milliseconds = 0;
    record.forgetDstFlag();

    // Time: everything after the 'T' up to a zone offset; seconds are required, a fraction of a
    // second is ignored.
    if (!t) return false;
    const char *timeText = t + 1;
    const char *plus = std::strchr(timeText, '+');
    const char *minus = std::strchr(timeText, '-');
    size_t timeLength = std::strlen(timeText);
    if (plus) timeLength = static_cast<size_t>(plus - timeText);
    if (minus && static_cast<size_t>(minus - timeText) < timeLength) timeLength = static_cast<size_t>(minus - timeText);
    StringBuffer timePart;
    if (!copyPart(timeText, timeLength, timePart)) return false;
    if (timePart.lastChar() == 'Z') timePart.shorten(1);
    timePart.replaceChar(':', ' ');
    int32_t clock[3] = {0, 0, 0};
    if (IntScanner::scan(timePart.getString(), "%d%d%d", clock, 3) != 3) return false;

    int64_t minutesToUtc = 0;
    if (const char *zone = plus ? plus : minus) {
        if (!readZoneOffset(zone, minutesToUtc)) return false;
    }
    // Moving to UTC may cross midnight either way (hour 24 at +00:00 is the next day's start).
    int64_t minuteOfDay = static_cast<int64_t>(clock[0]) * 60 + clock[1] + minutesToUtc;
    const int64_t dayShift = CivilCalendar::floorDiv(minuteOfDay, kMinutesPerDay);
    minuteOfDay -= dayShift * kMinutesPerDay;
    if (dayShift != 0) {
        const int64_t bounded = dayShift < INT32_MIN ? INT32_MIN : (dayShift > INT32_MAX ? INT32_MAX : dayShift);
        record.addDays(static_cast<int32_t>(bounded));
    }
    record.hour = static_cast<uint16_t>(minuteOfDay / 60);
    record.minute = static_cast<uint16_t>(minuteOfDay % 60);
    record.second = toField(clock[2]);
    record.isLocal = false;
    record.forgetDstFlag();
    return true;
}

}  // namespace quorvel
