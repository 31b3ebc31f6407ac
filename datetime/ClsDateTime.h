#pragma once
#include "datetime/ClsDtObj.h"
#include "datetime/TimeRecord.h"
#include "foundation/base/ClsBase.h"
#include "foundation/base/QuorvelCritSec.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

// The internal date-time object: one TimeRecord behind the object lock. A new one holds the
// current UTC time.
class ClsDateTime : public ClsBase, public QuorvelCritSec {
public:
    ClsDateTime();

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
    TimeRecord m_time;
};

}  // namespace quorvel
