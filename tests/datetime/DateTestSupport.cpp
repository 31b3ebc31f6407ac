#include "DateTestSupport.h"

#include <cstdio>

#include "datetime/CivilCalendar.h"
#include "datetime/DateParser.h"
#include "foundation/StringBuffer.h"

namespace quorvel::test {

namespace {

TimeRecord record(int year, int month, int day, int hour, int minute, int second, bool local) {
    TimeRecord r;
    r.year = static_cast<uint16_t>(year);
    r.month = static_cast<uint16_t>(month);
    r.day = static_cast<uint16_t>(day);
    r.hour = static_cast<uint16_t>(hour);
    r.minute = static_cast<uint16_t>(minute);
    r.second = static_cast<uint16_t>(second);
    r.dayOfWeek = static_cast<uint16_t>(CivilCalendar::weekdayOf(year, month, day));
    r.isLocal = local;
    return r;
}

}  // namespace

TimeRecord utcRecord(int year, int month, int day, int hour, int minute, int second) {
    return record(year, month, day, hour, minute, second, false);
}

TimeRecord localRecord(int year, int month, int day, int hour, int minute, int second) {
    return record(year, month, day, hour, minute, second, true);
}

std::string describe(const TimeRecord &r) {
    static const char *const kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %s %s", r.year, r.month, r.day, r.hour, r.minute,
                  r.second, r.dayOfWeek < 7 ? kDays[r.dayOfWeek] : "???", r.isLocal ? "local" : "UTC");
    return text;
}

std::string rfc822Of(const TimeRecord &r) {
    StringBuffer sb;
    DateParser::formatRfc822Date(r, sb);
    return sb.getString();
}

std::string iso8601Of(const TimeRecord &r) {
    StringBuffer sb;
    DateParser::formatIso8601Date(r, sb);
    return sb.getString();
}

}  // namespace quorvel::test
