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

// The fields for mktime: the daylight-saving flag left for it to find.
inline tm toTm(const CivilTime &fields) {
    tm t{};
    t.tm_year = fields.year - 1900;
    t.tm_mon = fields.month - 1;
    t.tm_mday = fields.day;
    t.tm_hour = fields.hour;
    t.tm_min = fields.minute;
    t.tm_sec = fields.second;
    t.tm_isdst = -1;
    return t;
}

}  // namespace quorvel
