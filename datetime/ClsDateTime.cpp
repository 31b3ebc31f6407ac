#include "datetime/ClsDateTime.h"

#include <cstdio>

#include "datetime/CivilCalendar.h"
#include "datetime/ClsDtObj.h"
#include "datetime/DateParser.h"
#include "datetime/IntScanner.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

int32_t clampTo(int32_t v, int32_t low, int32_t high) { return v < low ? low : (v > high ? high : v); }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first and last day the members accept: the years Serialize writes.
constexpr int64_t kFirstDay = CivilCalendar::daysFromCivil(1, 1, 1);
constexpr int64_t kLastDay = CivilCalendar::daysFromCivil(9999, 12, 31);

}  // namespace

ClsDateTime::ClsDateTime() { m_time.setNowUtc(); }

TimeRecord ClsDateTime::copyAs(bool wantLocal) const {
    TimeRecord copy = m_time;
    if (wantLocal)
        copy.toLocal();
    else
        copy.toUtc();
    return copy;
}

void ClsDateTime::setWallClock(int64_t seconds, bool local) {
    m_time.fromInstant(seconds);
    m_time.isLocal = local;
}

bool ClsDateTime::get_IsDst() {
    CritSecExitor lock(this);
    return m_time.isDst() != 0;
}

int ClsDateTime::get_UtcOffset() {
    CritSecExitor lock(this);
    return m_time.utcOffset();
}

void ClsDateTime::SetFromCurrentSystemTime() {
    CritSecExitor lock(this);
    m_time.setNowUtc();
}

bool ClsDateTime::SetFromRfc822(const XString &rfc822Str) {
    MethodFrame frame(*this, this, "SetFromRfc822");
    LogBase &log = frame.log();
    TimeRecord parsed;
    if (!DateParser::parseRfc822Date(rfc822Str.getUtf8(), parsed, log)) {
        log.logError("Not an RFC 822 or ISO 8601 date; the date-time is kept.");
        log.logDataX("rfc822Str", rfc822Str);
        return frame.finish(false);
    }
    parsed.fromInstant(parsed.toInstant());  // an ISO 8601 date's fields out of range roll on
    const int64_t day = CivilCalendar::daysFromCivil(parsed.year, parsed.month, parsed.day);
    if (day < kFirstDay || day > kLastDay) {
        log.logError("The date is outside the years 1 to 9999; the date-time is kept.");
        log.logDataX("rfc822Str", rfc822Str);
        return frame.finish(false);
    }
    m_time = parsed;
    return frame.finish(true);
}

void ClsDateTime::Serialize(XString &out) {
    StringBuffer text;
    if (!serialize(text) || !out.setFromSb(text)) out.clear();
}

void ClsDateTime::DeSerialize(const XString &serializedDateTime) {
    MethodFrame frame(*this, this, "DeSerialize");
    LogBase &log = frame.log();
    int32_t v[7] = {};
    const char *end = nullptr;
    const int n = IntScanner::scan(serializedDateTime.getUtf8(), "%d %d %d %d %d %d %d", v, 7, &end);
    while (end && isBlank(*end)) ++end;
    const bool valid = n == 7 && end && *end == '\0' && v[0] >= 1 && v[0] <= 9999 &&
                       CivilCalendar::isValidDate(v[0], v[1], v[2]) && v[3] >= 0 && v[3] <= 23 && v[4] >= 0 &&
                       v[4] <= 59 && v[5] >= 0 && v[5] <= 59 && (v[6] == 0 || v[6] == 1);
    if (!valid) {
        log.logError("Not seven numbers \"year month day hour minute second utc\" in range; the date-time is kept.");
        log.logDataX("serializedDateTime", serializedDateTime);
        return;
    }
    setWallClock(CivilCalendar::secondsFromCivil(v[0], v[1], v[2], v[3], v[4], v[5]), v[6] == 0);
}

bool ClsDateTime::AddDays(int numDays) {
    MethodFrame frame(*this, this, "AddDays");
    const int64_t day = CivilCalendar::daysFromCivil(m_time.year, m_time.month, m_time.day) + numDays;
    if (day < kFirstDay || day > kLastDay) {
        frame.log().logError("The date would leave the years 1 to 9999; the date-time is kept.");
        frame.log().logDataInt("numDays", numDays);
        return frame.finish(false);
    }
    m_time.addDays(numDays);
    return frame.finish(true);
}

void ClsDateTime::GetAsRfc822(bool bLocal, XString &out) {
    CritSecExitor lock(this);
    StringBuffer text;
    if (!DateParser::formatRfc822Date(copyAs(bLocal), text) || !out.setFromSb(text)) out.clear();
}

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
