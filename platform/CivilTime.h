#pragma once
#include <cstdint>

namespace quorvel {

// Broken-down wall-clock time as the platform's clock and zone rules exchange it. Fields are
// plain integers so that out-of-range values can be handed over for normalisation.
struct CivilTime {
    int32_t year = 0;       // full year (2014)
    int32_t month = 0;      // 1-12
    int32_t day = 0;        // 1-31
    int32_t hour = 0;       // 0-23
    int32_t minute = 0;     // 0-59
    int32_t second = 0;     // 0-59
    int32_t dayOfWeek = 0;  // 0-6, Sunday = 0
    int32_t isDst = -1;     // -1 unknown, 0 standard time, 1 daylight-saving time
};

}  // namespace quorvel
