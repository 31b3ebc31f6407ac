// ClsDateTime: the date as a number, Unix time, automation date or FAT (DOS) date-time.
#include <cstdint>
#include <cstdio>

#include "datetime/CivilCalendar.h"
#include "datetime/ClsDateTime.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = kFirstDosYear + 127;  // seven bits of years

bool hasValidFields(const TimeRecord &r) {
    return CivilCalendar::isValidDate(r.year, r.month, r.day) && r.hour <= 23 && r.minute <= 59 && r.second <= 59;
}

void logNumber(LogBase &log, const char *tag, double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    log.logData(tag, text);
}

}  // namespace

int ClsDateTime::GetAsUnixTime(bool bLocal) {
    MethodFrame frame(*this, this, "GetAsUnixTime");
    const TimeRecord r = copyAs(bLocal);
    const int64_t seconds = CivilCalendar::secondsFromCivil(r.year, r.month, r.day, r.hour, r.minute, r.second);
    if (seconds < INT32_MIN || seconds > INT32_MAX) {
        frame.log().logError("The date is outside the 32-bit Unix times (1901-12-13 to 2038-01-19); returning 0.");
        return 0;
    }
    return static_cast<int>(seconds);
}

void ClsDateTime::SetFromUnixTime(bool bLocal, int t) {
    CritSecExitor lock(this);
    setWallClock(t, bLocal);
}

double ClsDateTime::GetAsOleDate(bool bLocal) {
    MethodFrame frame(*this, this, "GetAsOleDate");
    double date = 0;
    if (!copyAs(bLocal).toOleDate(date))
        frame.log().logError("No automation date names this date; returning 2.0 (1900-01-01).");
    return date;
}

void ClsDateTime::SetFromOleDate(bool bLocal, double dt) {
    MethodFrame frame(*this, this, "SetFromOleDate");
    if (setFromOleDate(bLocal, dt)) return;
    frame.log().logError("The automation date is outside 0100-01-01 to 9999-12-31; the date-time is kept.");
    logNumber(frame.log(), "dt", dt);
}

int ClsDateTime::GetAsDosDate(bool bLocal) {
    MethodFrame frame(*this, this, "GetAsDosDate");
    const TimeRecord r = copyAs(bLocal);
    if (r.year < kFirstDosYear || r.year > kLastDosYear || !hasValidFields(r)) {
        frame.log().logError("The date is outside the DOS dates (1980 to 2107); returning 0.");
        return 0;
    }
    const uint32_t year = r.year - kFirstDosYear, month = r.month, hour = r.hour, minute = r.minute;
    const uint32_t date = year << 9 | month << 5 | r.day, time = hour << 11 | minute << 5 | r.second / 2u;
    return static_cast<int>(date << 16 | time);  // the same 32 bits, negative from 2044 on
}

void ClsDateTime::SetFromDosDate(bool bLocal, int t) {
    MethodFrame frame(*this, this, "SetFromDosDate");
    const uint32_t bits = static_cast<uint32_t>(t);
    const uint32_t date = bits >> 16, time = bits & 0xFFFF;
    const int year = kFirstDosYear + static_cast<int>(date >> 9), month = (date >> 5) & 15, day = date & 31;
    const int hour = static_cast<int>(time >> 11), minute = (time >> 5) & 63, second = (time & 31) * 2;
    if (!CivilCalendar::isValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59) {
        frame.log().logError("Not a DOS date-time; the date-time is kept.");
        frame.log().logDataInt("t", t);
        return;
    }
    setWallClock(CivilCalendar::secondsFromCivil(year, month, day, hour, minute, second), bLocal);
}

}  // namespace quorvel
