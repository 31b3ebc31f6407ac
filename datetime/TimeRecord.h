#pragma once
#include <cstdint>

namespace quorvel {

struct CivilTime;

// A broken-down date and time, copied by value: the one record every date conversion and date
// format goes through. The fields are either local wall-clock time (isLocal) or UTC. An instant
// is a signed count of seconds since 1970-01-01T00:00:00Z.
//
// A fresh record is all zeros, UTC, with the daylight-saving flag unknown. Every operation that
// writes the fields forgets that flag, except the ones that take local fields from the zone rules
// (toLocal, setNowLocal), which keep the flag those rules give; code that writes the fields
// directly calls forgetDstFlag() itself. Where the wall clock repeats in autumn, a local record
// that knows its flag is the reading with that flag, one that does not is either reading. Fields
// out of their ranges (month 0, 30 February, hour 99) are normalised the way mktime and timegm
// do wherever an instant is computed from them.
class TimeRecord {
public:
    // The instants the 16-bit year can hold: 0000-01-01T00:00:00 to 65535-12-31T23:59:59.
    static constexpr int64_t kMinInstant = -62167219200;    // CivilCalendar::secondsFromCivil(0, 1, 1, 0, 0, 0)
    static constexpr int64_t kMaxInstant = 2005949145599;   // CivilCalendar::secondsFromCivil(65535, 12, 31, 23, 59, 59)

    uint16_t year = 0;
    uint16_t month = 0;      // 1-12
    uint16_t dayOfWeek = 0;  // 0-6, Sunday = 0
    uint16_t day = 0;        // 1-31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;  // always written as 0
    bool isLocal = false;
    // -1 until isDst() is asked; then the daylight-saving flag of these fields.
    int32_t dstFlag = -1;

    void clear() { *this = TimeRecord(); }
    void forgetDstFlag() { dstFlag = -1; }

    // ---- the clock
    void setNowUtc();
    void setNowLocal();

    // ---- instants and zones
    int64_t toInstant() const;
    // UTC fields of the instant, weekday computed. Instants beyond the 16-bit year are clamped
    // to the nearest one it can hold.
    void fromInstant(int64_t instant);
    // A UTC record becomes the local time of the same instant; a local record is left alone.
    void toLocal();
    // A local record becomes the UTC time of the same instant; a UTC record is left alone.
    void toUtc();
    // Seconds east of UTC that apply at the record's instant (+3600 for +01:00).
    int32_t utcOffset() const;
    // 1 during daylight-saving time, else 0; worked out once and kept in dstFlag.
    int32_t isDst();

    // ---- calendar
    // The date n days later (earlier for negative n), time of day, isLocal and weekday kept
    // consistent.
    void addDays(int32_t n);

    // ---- automation dates (days since 1899-12-30, the time of day as the fraction)
    // The fields as they stand, whatever isLocal says. An invalid date gives 2.0 (1900-01-01)
    // and false.
    bool toOleDate(double &out) const;
    // Valid for every time of day from 0100-01-01 to 9999-12-31, rounded to the nearest second;
    // the record becomes local time. Out of range (NaN included) the record is set to the
    // current UTC time and false returned.
    bool fromOleDate(double date);
    // The conversion alone: false, record untouched, when the date is out of range.
    bool setFromOleDate(double date, bool local);

private:
    void setFields(const CivilTime &fields, bool local);
    // The fields as local wall-clock time to an instant, the zone's daylight-saving rule
    // applied. isDstOut receives the rule's flag.
    int64_t localFieldsToInstant(int32_t *isDstOut) const;
};

}  // namespace quorvel
