#pragma once
// What the dispatcher needs from the server object it serves: the internal objects behind object
// arguments, new automation objects for object results, the host checks and the progress sink.
// The server objects (automation/server/) implement it; dispatch tests use a fake.
#include <memory>

#include "automation/com/Com.h"

namespace quorvel {
class ClsAtom;
class ClsDateTime;
class ClsRss;
class ClsXml;
class LogBase;
class ProgressEvent;
}  // namespace quorvel

namespace quorvel::automation {

class ObjectServices {
public:
    virtual ~ObjectServices() = default;

    // The internal object behind an object argument, found by a run-time type check against this
    // server's own implementation class; null for a null pointer or another implementation.
    virtual ClsXml *xmlOf(IDispatch *object) = 0;
    virtual ClsRss *rssOf(IDispatch *object) = 0;
    virtual ClsAtom *atomOf(IDispatch *object) = 0;

    // A new automation object of the class (reference count 1) over a fresh internal object,
    // found again through xmlOf, rssOf or atomOf; null when memory runs out. It is made before
    // a member with such a result is called, so that the member's effect (a child added, say)
    // never stands without the object that reports it.
    virtual IDispatch *newXmlObject() = 0;
    virtual IDispatch *newRssObject() = 0;
    virtual IDispatch *newAtomObject() = 0;

    // Date-time objects at the Atom boundary: the UTC automation date an IQvDateTime argument
    // holds (its GetAsOleDate with bLocal 0), and a new external date-time object carrying a
    // value (created through the date-time class, with the creation log lines in log).
    virtual bool utcOleDateOf(IDispatch *dateTime, double &oleDate) = 0;
    virtual IDispatch *newDateTime(const ClsDateTime &value, LogBase &log) = 0;

    // True when the object's client site is a web browser (the file-system members then fail
    // with E_FAIL before doing anything).
    virtual bool sitedInBrowser() = 0;

    // The object's progress sink, handed to the downloads.
    virtual ProgressEvent *progressSink() = 0;
};

}  // namespace quorvel::automation
