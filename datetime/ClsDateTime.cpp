#include "datetime/ClsDateTime.h"

#include <cstdio>

#include "datetime/ClsDtObj.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

int32_t clampTo(int32_t v, int32_t low, int32_t high) { return v < low ? low : (v > high ? high : v); }

}  // namespace

ClsDateTime::ClsDateTime() { m_time.setNowUtc(); }

bool ClsDateTime::setFromOleDate(bool isLocal, double date) {
    CritSecExitor lock(this);
    return m_time.setFromOleDate(date, isLocal);
}

void ClsDateTime::toDtObj(bool wantLocal, ClsDtObj &out) {
    CritSecExitor lock(this);
    if (wantLocal)
        m_time.toLocal();
    else
        m_time.toUtc();
    out.put_Year(m_time.year);
    out.put_Month(m_time.month);
    out.put_Day(m_time.day);
    out.put_Hour(m_time.hour);
    out.put_Minute(m_time.minute);
    out.put_Second(m_time.second);
    out.put_Utc(!wantLocal);
}

bool ClsDateTime::serialize(StringBuffer &out) {
    CritSecExitor lock(this);
    ClsDtObj dt;
    toDtObj(false, dt);
    char text[96];
    std::snprintf(text, sizeof text, "%d %d %d %d %d %d %d", static_cast<int>(clampTo(dt.get_Year(), 1, 9999)),
                  static_cast<int>(clampTo(dt.get_Month(), 1, 12)), static_cast<int>(clampTo(dt.get_Day(), 1, 31)),
                  static_cast<int>(clampTo(dt.get_Hour(), 0, 23)), static_cast<int>(clampTo(dt.get_Minute(), 0, 59)),
                  static_cast<int>(clampTo(dt.get_Second(), 0, 59)), dt.get_Utc() ? 1 : 0);
    return out.append(text);
}

}  // namespace quorvel
