#include "platform/SystemClock.h"
#include "platform/internal/TmFields.h"

#include <windows.h>

#include <time.h>

namespace quorvel {

namespace {

// 100-nanosecond intervals between 1601-01-01 (the file-time epoch) and 1970-01-01.
constexpr int64_t kFileTimeUnixEpoch = 116444736000000000LL;
constexpr int64_t kFileTimeTicksPerSecond = 10000000LL;

// _tzset once per process, before the first conversion that needs the zone rules.
void ensureZoneRules() {
    static const bool loaded = (_tzset(), true);
    (void)loaded;
}

void fromSystemTime(const SYSTEMTIME &st, CivilTime &out) {
    out.year = st.wYear;
    out.month = st.wMonth;
    out.day = st.wDay;
    out.hour = st.wHour;
    out.minute = st.wMinute;
    out.second = st.wSecond;
    out.dayOfWeek = st.wDayOfWeek;
    out.isDst = -1;
}

}  // namespace

void SystemClock::nowUtc(CivilTime &out) {
    SYSTEMTIME st;
    GetSystemTime(&st);
    fromSystemTime(st, out);
}

void SystemClock::nowLocal(CivilTime &out) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    fromSystemTime(st, out);
}

int64_t SystemClock::nowInstant() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return static_cast<int64_t>(_time64(nullptr));
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return (ticks - kFileTimeUnixEpoch) / kFileTimeTicksPerSecond;
}

bool SystemClock::localToInstant(CivilTime &fields, int64_t &instant) {
    ensureZoneRules();
    // The C runtime's range is 1970 to 3000; anything far outside cannot be a tm year.
    if (fields.year < 1000 || fields.year > 4000) return false;
    tm t = toTm(fields);
    const __time64_t result = _mktime64(&t);
    if (result == static_cast<__time64_t>(-1)) return false;  // never a valid result: the range starts at 0
    fromTm(t, fields);
    instant = static_cast<int64_t>(result);
    return true;
}

bool SystemClock::instantToLocal(int64_t instant, CivilTime &out) {
    ensureZoneRules();
    const __time64_t t = static_cast<__time64_t>(instant);
    const tm *local = _localtime64(&t);
    if (!local) return false;
    fromTm(*local, out);
    return true;
}

void SystemClock::reloadZoneRules() {
    ensureZoneRules();
    _tzset();
}

}  // namespace quorvel
