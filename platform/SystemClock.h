#pragma once
#include <cstdint>

#include "platform/CivilTime.h"

namespace quorvel {

// The system clock and the local zone's rules. Instants are seconds since
// 1970-01-01T00:00:00Z. The zone rules are read once per process, before their first use.
class SystemClock {
public:
    // The current time as UTC and as local wall-clock fields (isDst stays -1 for UTC).
    static void nowUtc(CivilTime &out);
    static void nowLocal(CivilTime &out);
    // The current instant, whole seconds.
    static int64_t nowInstant();

    // Local wall-clock fields to an instant, letting the zone rules decide daylight-saving time
    // (the mktime contract with isdst -1). Out-of-range fields are normalised; on success the
    // normalised fields, with dayOfWeek and isDst, are written back. False, fields unchanged,
    // when the platform cannot represent the time.
    static bool localToInstant(CivilTime &fields, int64_t &instant);
    // The local wall-clock fields of an instant (the localtime contract), with dayOfWeek and
    // isDst. False when the platform cannot represent the time.
    static bool instantToLocal(int64_t instant, CivilTime &out);

    // Reads the zone rules again, for a process that has changed its zone (the TZ variable).
    static void reloadZoneRules();
};

}  // namespace quorvel
