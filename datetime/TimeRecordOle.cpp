#include <cmath>

#include "datetime/CivilCalendar.h"
#include "datetime/TimeRecord.h"

namespace quorvel {

namespace {

// Automation dates count days from 1899-12-30; a negative date keeps its time of day as a
// positive fraction (-1.25 is 1899-12-29 06:00).
constexpr int64_t kOleEpochDays = CivilCalendar::daysFromCivil(1899, 12, 30);
// The whole of the first and the last day a date can name: 0100-01-01 is -657434 (its times of
// day running towards -657435) and 9999-12-31 is 2958465 (its times running towards 2958466).
constexpr double kFirstDayEnd = -657435.0;
constexpr double kLastDayEnd = 2958466.0;
constexpr int64_t kLastDay = CivilCalendar::daysFromCivil(9999, 12, 31);
constexpr double kInvalidOleDate = 2.0;     // 1900-01-01

}  // namespace

bool TimeRecord::toOleDate(double &out) const {
    // A time of day out of range counts as its start, before the date is checked.
    const int64_t h = hour > 23 ? 0 : hour;
    const int64_t m = minute > 59 ? 0 : minute;
    const int64_t s = second > 59 ? 0 : second;
    if (year > 9999 || !CivilCalendar::isValidDate(year, month, day)) {
        out = kInvalidOleDate;
        return false;
    }
    const int64_t days = CivilCalendar::daysFromCivil(year, month, day) - kOleEpochDays;
    const double fraction = static_cast<double>(h * 3600 + m * 60 + s) / 86400.0;
    out = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    return true;
}

bool TimeRecord::setFromOleDate(double date, bool local) {
    if (!(date > kFirstDayEnd && date < kLastDayEnd)) return false;  // NaN fails here too
    const double whole = std::trunc(date);
    int64_t days = static_cast<int64_t>(whole);
    // To the nearest second. A time that rounds up to midnight is the start of the next
    // calendar day, for negative dates too (-0.9999999 is 1899-12-30 23:59:59.99, so
    // 1899-12-31 00:00:00).
    int64_t secondOfDay = static_cast<int64_t>(std::fabs(date - whole) * 86400.0 + 0.5);
    if (secondOfDay >= CivilCalendar::kSecondsPerDay) {
        secondOfDay -= CivilCalendar::kSecondsPerDay;
        ++days;
    }
    if (days + kOleEpochDays > kLastDay) return false;  // the last half second of 9999
    int64_t y;
    int mo, d;
    CivilCalendar::civilFromDays(days + kOleEpochDays, y, mo, d);
    year = static_cast<uint16_t>(y);
    month = static_cast<uint16_t>(mo);
    day = static_cast<uint16_t>(d);
    hour = static_cast<uint16_t>(secondOfDay / 3600);
    minute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    second = static_cast<uint16_t>(secondOfDay % 60);
    dayOfWeek = static_cast<uint16_t>(CivilCalendar::weekdayFromDays(days + kOleEpochDays));
    milliseconds = 0;
    isLocal = local;
    dstFlag = -1;
    return true;
}

bool TimeRecord::fromOleDate(double date) {
    if (setFromOleDate(date, true)) return true;
    setNowUtc();
    return false;
}

}  // namespace quorvel
