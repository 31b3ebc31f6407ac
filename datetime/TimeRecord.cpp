#include "datetime/TimeRecord.h"

#include "datetime/CivilCalendar.h"
#include "platform/SystemClock.h"

namespace quorvel {

namespace {

// The Gregorian calendar repeats exactly every 400 years, weekdays included. The platform's zone
// rules cover a limited span (1970 to 3000 on Windows); a time outside it is converted as the
// same wall-clock time a whole number of 400-year cycles nearer, then moved back.
constexpr int64_t kSecondsPer400Years = 146097LL * CivilCalendar::kSecondsPerDay;
constexpr int64_t kRulesBaseYear = 1972;

int64_t cyclesAwayFromRules(int64_t year) { return CivilCalendar::floorDiv(year - kRulesBaseYear, 400); }

uint16_t toField(int64_t v) { return static_cast<uint16_t>(v < 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v)); }

// The local fields of an instant, moved by whole 400-year cycles where the platform's rules
// do not reach.
bool instantToLocalAnywhere(int64_t instant, CivilTime &out) {
    if (SystemClock::instantToLocal(instant, out)) return true;
    int64_t year;
    int month, day;
    CivilCalendar::civilFromDays(CivilCalendar::floorDiv(instant, CivilCalendar::kSecondsPerDay), year, month, day);
    const int64_t cycles = cyclesAwayFromRules(year);
    if (cycles == 0 || !SystemClock::instantToLocal(instant - cycles * kSecondsPer400Years, out)) return false;
    out.year += static_cast<int32_t>(cycles * 400);
    return true;
}

// In a repeated hour one wall clock names two instants, one on each side of the change. The one
// whose daylight-saving flag is wantDst, when the change is one of the usual sizes; else the
// instant found.
int64_t readingWithFlag(const CivilTime &wall, int64_t instant, int32_t wantDst) {
    static constexpr int64_t kChanges[] = {3600, -3600, 1800, -1800, 7200, -7200};
    for (const int64_t change : kChanges) {
        CivilTime local;
        if (!instantToLocalAnywhere(instant + change, local)) continue;
        if (local.isDst == wantDst && local.year == wall.year && local.month == wall.month && local.day == wall.day &&
            local.hour == wall.hour && local.minute == wall.minute && local.second == wall.second)
            return instant + change;
    }
    return instant;
}

}  // namespace

static_assert(TimeRecord::kMinInstant == CivilCalendar::secondsFromCivil(0, 1, 1, 0, 0, 0));
static_assert(TimeRecord::kMaxInstant == CivilCalendar::secondsFromCivil(65535, 12, 31, 23, 59, 59));

void TimeRecord::setFields(const CivilTime &fields, bool local) {
    if (fields.year < 0 || fields.year > 0xFFFF) {
        // Local time just beyond the 16-bit year stops at its first or last second.
        fromInstant(fields.year < 0 ? kMinInstant : kMaxInstant);
        isLocal = local;
        return;
    }
    year = toField(fields.year);
    month = toField(fields.month);
    day = toField(fields.day);
    hour = toField(fields.hour);
    minute = toField(fields.minute);
    second = toField(fields.second);
    dayOfWeek = toField(fields.dayOfWeek);
    milliseconds = 0;
    isLocal = local;
    // Local fields from the zone rules come with their flag, which tells the two readings of a
    // repeated hour apart.
    dstFlag = local && fields.isDst >= 0 ? fields.isDst : -1;
}

void TimeRecord::setNowUtc() {
    CivilTime now;
    SystemClock::nowUtc(now);
    setFields(now, false);
}

void TimeRecord::setNowLocal() {
    CivilTime now;
    SystemClock::nowLocal(now);
    setFields(now, true);
}

int64_t TimeRecord::localFieldsToInstant(int32_t *isDstOut) const {
    CivilTime fields;
    fields.year = year;
    fields.month = month;
    fields.day = day;
    fields.hour = hour;
    fields.minute = minute;
    fields.second = second;
    int64_t instant = 0;
    CivilTime attempt = fields;
    bool ok = SystemClock::localToInstant(attempt, instant);
    const int64_t cycles = cyclesAwayFromRules(year);
    if (!ok && cycles != 0) {
        attempt = fields;
        attempt.year = static_cast<int32_t>(year - cycles * 400);
        ok = SystemClock::localToInstant(attempt, instant);
        if (ok) instant += cycles * kSecondsPer400Years;
    }
    if (ok && dstFlag >= 0 && attempt.isDst >= 0 && attempt.isDst != dstFlag) {
        // The rules took the other reading of a repeated hour: the record knows which it is.
        const int64_t other = readingWithFlag(fields, instant, dstFlag);
        if (other != instant) {
            instant = other;
            attempt.isDst = dstFlag;
        }
    }
    if (isDstOut) *isDstOut = ok && attempt.isDst > 0 ? 1 : 0;
    // With no zone rules at all the wall clock is taken as UTC.
    return ok ? instant : CivilCalendar::secondsFromCivil(year, month, day, hour, minute, second);
}

int64_t TimeRecord::toInstant() const {
    if (isLocal) return localFieldsToInstant(nullptr);
    return CivilCalendar::secondsFromCivil(year, month, day, hour, minute, second);
}

void TimeRecord::fromInstant(int64_t instant) {
    if (instant < kMinInstant) instant = kMinInstant;
    if (instant > kMaxInstant) instant = kMaxInstant;
    const int64_t days = CivilCalendar::floorDiv(instant, CivilCalendar::kSecondsPerDay);
    const int64_t secondOfDay = instant - days * CivilCalendar::kSecondsPerDay;
    int64_t y;
    int m, d;
    CivilCalendar::civilFromDays(days, y, m, d);
    year = toField(y);
    month = static_cast<uint16_t>(m);
    day = static_cast<uint16_t>(d);
    hour = static_cast<uint16_t>(secondOfDay / 3600);
    minute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    second = static_cast<uint16_t>(secondOfDay % 60);
    dayOfWeek = static_cast<uint16_t>(CivilCalendar::weekdayFromDays(days));
    milliseconds = 0;
    isLocal = false;
    dstFlag = -1;
}

void TimeRecord::toLocal() {
    if (isLocal) return;
    CivilTime local;
    if (instantToLocalAnywhere(toInstant(), local)) {
        setFields(local, true);
    } else {
        // No zone rules reach this instant: the wall clock stays at UTC.
        isLocal = true;
        dstFlag = -1;
    }
}

void TimeRecord::toUtc() {
    if (!isLocal) return;
    fromInstant(toInstant());
}

int32_t TimeRecord::utcOffset() const {
    int64_t offset = 0;
    if (isLocal) {
        offset = CivilCalendar::secondsFromCivil(year, month, day, hour, minute, second) - localFieldsToInstant(nullptr);
    } else {
        // Taken from the instant itself: the local fields alone cannot tell the two readings of
        // a repeated autumn hour apart.
        const int64_t instant = toInstant();
        CivilTime local;
        if (!instantToLocalAnywhere(instant, local)) return 0;
        offset = CivilCalendar::secondsFromCivil(local.year, local.month, local.day, local.hour, local.minute, local.second) -
                 instant;
    }
    // Zone offsets stay within a day; anything else means the rules could not be applied.
    return offset < -86400 || offset > 86400 ? 0 : static_cast<int32_t>(offset);
}

int32_t TimeRecord::isDst() {
    if (dstFlag != -1) return dstFlag;
    int32_t flag = 0;
    if (isLocal) {
        localFieldsToInstant(&flag);
    } else {
        // A UTC record has the flag of the local time at its instant.
        CivilTime local;
        flag = instantToLocalAnywhere(toInstant(), local) && local.isDst > 0 ? 1 : 0;
    }
    dstFlag = flag;
    return dstFlag;
}

void TimeRecord::addDays(int32_t n) {
    // Dates beyond the 16-bit year stop at its first or last day.
    constexpr int64_t firstDay = CivilCalendar::daysFromCivil(0, 1, 1);
    constexpr int64_t lastDay = CivilCalendar::daysFromCivil(0xFFFF, 12, 31);
    int64_t days = CivilCalendar::daysFromCivil(year, month, day) + n;
    days = days < firstDay ? firstDay : (days > lastDay ? lastDay : days);
    int64_t y;
    int m, d;
    CivilCalendar::civilFromDays(days, y, m, d);
    year = static_cast<uint16_t>(y);
    month = static_cast<uint16_t>(m);
    day = static_cast<uint16_t>(d);
    dayOfWeek = static_cast<uint16_t>(CivilCalendar::weekdayFromDays(days));
    dstFlag = -1;
}

}  // namespace quorvel
