#include <cstdio>
#include <cstdlib>

#include "datetime/CivilCalendar.h"
#include "datetime/DateNames.h"
#include "datetime/DateParser.h"
#include "datetime/TimeRecord.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// "+hhmm" / "-hhmm" of an offset in minutes. The sign is the offset's own, so -00:30 stays
// negative.
void formatOffset(int32_t minutes, char (&out)[16]) {
    const int32_t magnitude = std::abs(minutes);
    std::snprintf(out, sizeof out, "%c%02d%02d", minutes < 0 ? '-' : '+', static_cast<int>(magnitude / 60),
                  static_cast<int>(magnitude % 60));
}

const char *dayName(const TimeRecord &r) { return DateNames::kOutputDays[r.dayOfWeek > 6 ? 0 : r.dayOfWeek]; }

const char *monthName(const TimeRecord &r) {
    return DateNames::kOutputMonths[r.month == 0 || r.month > 12 ? 0 : r.month - 1];
}

}  // namespace

bool DateParser::formatRfc822Date(const TimeRecord &record, StringBuffer &out) {
    char zone[16] = "GMT";
    TimeRecord shown = record;
    if (record.isLocal) {
        const int32_t offset = record.utcOffset();
        const int32_t minutes = offset / 60;
        if (minutes != 0) formatOffset(minutes, zone);
        // The zone is written in whole minutes; the seconds it cannot carry (the local mean time
        // of old dates, +00:53:28 in Berlin) come off the clock, so that the text still names the
        // record's instant.
        if (const int32_t seconds = offset - minutes * 60; seconds != 0) {
            shown.fromInstant(CivilCalendar::secondsFromCivil(record.year, record.month, record.day, record.hour,
                                                              record.minute, record.second) -
                              seconds);
        }
    }
    char text[96];
    std::snprintf(text, sizeof text, "%s, %02d %s %d %02d:%02d:%02d %s", dayName(shown), shown.day, monthName(shown),
                  shown.year, shown.hour, shown.minute, shown.second, zone);
    return out.append(text);
}

bool DateParser::formatIso8601Date(const TimeRecord &record, StringBuffer &out) {
    TimeRecord utc = record;
    utc.toUtc();
    char text[64];
    std::snprintf(text, sizeof text, "%d-%02d-%02dT%02d:%02d:%02dZ", utc.year, utc.month, utc.day, utc.hour, utc.minute,
                  utc.second);
    return out.append(text);
}

bool DateParser::currentRfc822Date(StringBuffer &out) {
    TimeRecord now;
    now.setNowLocal();
    char zone[16];
    formatOffset(now.utcOffset() / 60, zone);
    char text[96];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %s", dayName(now), now.day, monthName(now), now.year,
                  now.hour, now.minute, now.second, zone);
    return out.append(text);
}

}  // namespace quorvel
