#pragma once
#include <cstdint>

namespace quorvel {

// The proleptic Gregorian calendar as plain arithmetic, independent of any zone. Day numbers
// count from 1970-01-01 (day 0). Months and days out of their ranges are normalised as the C
// library's timegm does (month 13 is January of the next year, 30 February is 2 March), so
// every input gives a well-defined date; arguments are clamped to +-2^31, which keeps every
// intermediate value far inside 64 bits. All of it is constexpr, so constants derived from it
// need no start-up code.
class CivilCalendar {
public:
    static constexpr int64_t kSecondsPerDay = 86400;
    // Days before each month in a common year; the last entry is the year's length.
    static constexpr uint16_t kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

    static constexpr int64_t floorDiv(int64_t a, int64_t b) {
        const int64_t q = a / b;
        return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
    }
    static constexpr int64_t floorMod(int64_t a, int64_t b) { return a - floorDiv(a, b) * b; }

    static constexpr bool isLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

    // Length of a month 1-12; 0 for any other month.
    static constexpr int daysInMonth(int64_t year, int64_t month) {
        if (month < 1 || month > 12) return 0;
        if (month == 2 && isLeapYear(year)) return 29;
        return kDaysBeforeMonth[month] - kDaysBeforeMonth[month - 1];
    }

    static constexpr bool isValidDate(int64_t year, int64_t month, int64_t day) {
        return day >= 1 && day <= daysInMonth(year, month);
    }

    static constexpr int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
        year = clampArgument(year);
        month = clampArgument(month);
        day = clampArgument(day);
        // Month first into 1-12, carrying whole years; the day then counts on linearly.
        year += floorDiv(month - 1, 12);
        month = floorMod(month - 1, 12) + 1;
        // Years start in March here, so that the leap day is the last day of a year.
        if (month <= 2) --year;
        const int64_t era = floorDiv(year, 400);
        const int64_t yearOfEra = year - era * 400;
        const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5;
        const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * kDaysPer400Years + dayOfEra - kEpochShift + (day - 1);
    }

    static constexpr void civilFromDays(int64_t days, int64_t &year, int &month, int &day) {
        const int64_t z = days + kEpochShift;
        const int64_t era = floorDiv(z, kDaysPer400Years);
        const int64_t dayOfEra = z - era * kDaysPer400Years;
        const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
        const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
        const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
        day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
        month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
        year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    }

    // 0-6, Sunday = 0 (1970-01-01 was a Thursday).
    static constexpr int weekdayFromDays(int64_t days) { return static_cast<int>(floorMod(days + 4, 7)); }
    static constexpr int weekdayOf(int64_t year, int64_t month, int64_t day) {
        return weekdayFromDays(daysFromCivil(year, month, day));
    }

    // Seconds since 1970-01-01T00:00:00 of the fields read as UTC, every field normalised.
    static constexpr int64_t secondsFromCivil(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
                                              int64_t second) {
        return daysFromCivil(year, month, day) * kSecondsPerDay + clampArgument(hour) * 3600 +
               clampArgument(minute) * 60 + clampArgument(second);
    }

private:
    static constexpr int64_t kArgumentLimit = int64_t{1} << 31;
    // Days from 0000-03-01 to 1970-01-01, and the length of one 400-year cycle.
    static constexpr int64_t kEpochShift = 719468;
    static constexpr int64_t kDaysPer400Years = 146097;

    static constexpr int64_t clampArgument(int64_t v) {
        return v < -kArgumentLimit ? -kArgumentLimit : (v > kArgumentLimit ? kArgumentLimit : v);
    }
};

static_assert(CivilCalendar::daysFromCivil(1970, 1, 1) == 0);
static_assert(CivilCalendar::daysFromCivil(1899, 12, 30) == -25569);
static_assert(CivilCalendar::weekdayOf(2014, 3, 21) == 5);

}  // namespace quorvel
