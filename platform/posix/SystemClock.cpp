#include "platform/SystemClock.h"
#include "platform/internal/TmFields.h"

#include <climits>
#include <ctime>

namespace quorvel {

namespace {

// tzset once per process, before the first conversion that needs the zone rules
// (localtime_r, unlike localtime, need not read them itself).
void ensureZoneRules() {
    static const bool loaded = (tzset(), true);
    (void)loaded;
}

time_t nowSeconds() {
    timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return time(nullptr);
    return ts.tv_sec;
}

}  // namespace

void SystemClock::nowUtc(CivilTime &out) {
    const time_t now = nowSeconds();
    tm t{};
    if (gmtime_r(&now, &t)) fromTm(t, out);
    out.isDst = -1;
}

void SystemClock::nowLocal(CivilTime &out) {
    ensureZoneRules();
    const time_t now = nowSeconds();
    tm t{};
    if (localtime_r(&now, &t)) fromTm(t, out);
}

int64_t SystemClock::nowInstant() { return static_cast<int64_t>(nowSeconds()); }

bool SystemClock::localToInstant(CivilTime &fields, int64_t &instant) {
    ensureZoneRules();
    if (fields.year < INT_MIN + 1900) return false;
    tm t = toTm(fields);
    // mktime's -1 is also a real instant (one second before 1970); a weekday it filled in tells
    // the two apart.
    t.tm_wday = -1;
    const time_t result = mktime(&t);
    if (t.tm_wday < 0) return false;
    fromTm(t, fields);
    instant = static_cast<int64_t>(result);
    return true;
}

bool SystemClock::instantToLocal(int64_t instant, CivilTime &out) {
    ensureZoneRules();
    const time_t t = static_cast<time_t>(instant);
    if (static_cast<int64_t>(t) != instant) return false;
    tm local{};
    if (!localtime_r(&t, &local)) return false;
    fromTm(local, out);
    return true;
}

void SystemClock::reloadZoneRules() {
    ensureZoneRules();
    tzset();
}

}  // namespace quorvel
