#pragma once
#include "datetime/ClsDtObj.h"
#include "datetime/TimeRecord.h"
#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

// The internal date-time object: one TimeRecord behind the object lock. A new one holds the
// current UTC time.
//
// The public members serve the date-time class of the automation server. Every bLocal argument
// picks the kind of time a number stands for: the local wall clock of the process's zone (true)
// or UTC (false). The Get members convert a copy. A member given a value it cannot take logs
// why and keeps the value it had.
class ClsDateTime : public ClsBase, public QuorvelCritSec {
public:
    ClsDateTime();

    // ---- automation members
    // Daylight-saving time in force at the held instant.
    bool get_IsDst();
    // Seconds east of UTC at the held instant (+3600 for +01:00).
    int get_UtcOffset();
    // The current time (held as UTC).
    void SetFromCurrentSystemTime();
    // An RFC 822 date ("Fri, 21 Mar 2014 10:00:00 GMT") or an ISO 8601 one
    // ("2014-03-21T10:00:00Z"), held as UTC; a day the month lacks rolls on (30 February is
    // 2 March). A date outside the years 1 to 9999 fails.
    bool SetFromRfc822(const XString &rfc822Str);
    // Seconds since 1970-01-01T00:00:00, of the wall clock read as if it were UTC when bLocal.
    // Outside the signed 32-bit range (1901-12-13T20:45:52 to 2038-01-19T03:14:07) 0 and a log
    // entry.
    int GetAsUnixTime(bool bLocal);
    // Days since 1899-12-30 with the time of day as the fraction; 2.0 (1900-01-01) and a log
    // entry for a year past 9999.
    double GetAsOleDate(bool bLocal);
    // The FAT date-time: the date ((year - 1980) << 9 | month << 5 | day) in the upper 16 bits,
    // the time (hour << 11 | minute << 5 | second / 2) in the lower, as the 32 bits of an int
    // (negative from 2044 on). Before 1980 or after 2107: 0, which is no DOS date, and a log entry.
    int GetAsDosDate(bool bLocal);
    // Any 32-bit value is a time (1901 to 2038).
    void SetFromUnixTime(bool bLocal, int t);
    // Valid from 0100-01-01 to 9999-12-31, to the nearest second.
    void SetFromOleDate(bool bLocal, double dt);
    // The bits as GetAsDosDate writes them; a month, day, hour, minute or second out of its
    // range is refused.
    void SetFromDosDate(bool bLocal, int t);
    // The seven numbers of serialize below (which holds the value as UTC from then on).
    void Serialize(XString &out);
    // Seven numbers as Serialize writes them, blanks around them allowed: year 1-9999, month,
    // day valid for the month, hour 0-23, minute and second 0-59, then 1 for UTC or 0 for local.
    void DeSerialize(const XString &serializedDateTime);
    // The calendar date numDays later (earlier when negative), the time of day and the kind of
    // time kept. A result outside the years 1 to 9999 (those Serialize writes) fails.
    bool AddDays(int numDays);
    // "Fri, 21 Mar 2014 09:00:00 GMT", or the wall clock with its offset when bLocal
    // ("Fri, 21 Mar 2014 10:00:00 +0100").
    void GetAsRfc822(bool bLocal, XString &out);

    // ---- for the feeds
    // An automation date taken as local time or as UTC clock time. Out of range (see
    // TimeRecord::setFromOleDate) nothing changes and false is returned.
    bool setFromOleDate(bool isLocal, double date);
    // The date and time as local time (wantLocal) or UTC. The record itself is converted too;
    // it still names the same instant.
    void toDtObj(bool wantLocal, ClsDtObj &out);
    // Seven numbers, "2014 3 21 9 0 0 1": the UTC year, month, day, hour, minute, second,
    // each clamped to its range, and 1 for UTC. Appended to out; false only when memory runs out.
    bool serialize(StringBuffer &out);

    // The record itself, for callers that fill or read it directly under their own lock.
    TimeRecord &timeRecord() { return m_time; }
    const TimeRecord &timeRecord() const { return m_time; }

private:
    // A copy of the record as local time (wantLocal) or UTC.
    TimeRecord copyAs(bool wantLocal) const;
    // Holds the fields of the seconds since 1970 (read as UTC) as local time or UTC.
    void setWallClock(int64_t seconds, bool local);

    TimeRecord m_time;
};

}  // namespace quorvel
