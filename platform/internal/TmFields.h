#pragma once
// The C library's broken-down time as civil fields, shared by both clock implementations.
#include <ctime>

#include "platform/CivilTime.h"

namespace quorvel {

inline void fromTm(const tm &t, CivilTime &out) {
    out.year = t.tm_year + 1900;
    out.month = t.tm_mon + 1;
    out.day = t.tm_mday;
    out.hour = t.tm_hour;
    out.minute = t.tm_min;
    out.second = t.tm_sec;
    out.dayOfWeek = t.tm_wday;
    out.isDst = t.tm_isdst > 0 ? 1 : (t.tm_isdst == 0 ? 0 : -1);
}

}  // namespace quorvel
