#pragma once
#include <gtest/gtest.h>

#include <cstdio>

#include "datetime/CivilCalendar.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "support/RecordingLog.h"
#include "support/ZoneScope.h"

namespace quorvel::test {

// A record with the given fields and the date's weekday, as local wall-clock time or UTC.
inline TimeRecord dateRecord(bool local, int year, int month, int day, int hour, int minute, int second) {
    TimeRecord r;
    const auto u16 = [](int v) { return static_cast<uint16_t>(v); };
    r.year = u16(year), r.month = u16(month), r.day = u16(day), r.hour = u16(hour), r.minute = u16(minute), r.second = u16(second);
    r.dayOfWeek = u16(CivilCalendar::weekdayOf(year, month, day)), r.isLocal = local;
    return r;
}
inline TimeRecord utcRecord(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return dateRecord(false, y, mo, d, h, mi, s); }
inline TimeRecord localRecord(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) { return dateRecord(true, y, mo, d, h, mi, s); }

// "2014-03-21 10:00:00 Fri UTC" (or "local"), the fields as they stand, for exact comparisons.
inline std::string describe(const TimeRecord &r) {
    static const char *const kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %s %s", r.year, r.month, r.day, r.hour, r.minute,
                  r.second, r.dayOfWeek < 7 ? kDays[r.dayOfWeek] : "???", r.isLocal ? "local" : "UTC");
    return text;
}

inline std::string rfc822Of(const TimeRecord &r) { StringBuffer sb; DateParser::formatRfc822Date(r, sb); return sb.getString(); }
inline std::string iso8601Of(const TimeRecord &r) { StringBuffer sb; DateParser::formatIso8601Date(r, sb); return sb.getString(); }

// Seconds between the record's fields and the clock's current ones of the same kind.
inline int64_t secondsFromNow(TimeRecord r) {
    TimeRecord now;
    r.isLocal ? now.setNowLocal() : now.setNowUtc();
    r.isLocal = now.isLocal = false;  // compare the fields as they stand
    return std::llabs(r.toInstant() - now.toInstant());
}

}  // namespace quorvel::test
