#pragma once
// The creation of external date-time objects (IQvDateTime) for the Atom class: the class is
// created in-process; after a failure the thread's component library is initialised and
// creation is tried once more. Each failed try is logged with an explanation of its result.
#include "automation/com/Com.h"

namespace quorvel {
class LogBase;
}

namespace quorvel::automation {

// How classes are created and a thread made ready for it: the system's component library on
// Windows, the library's own class map on Linux.
class ClassCreator {
public:
    virtual ~ClassCreator() = default;
    virtual HRESULT createInProcess(REFCLSID clsid, REFIID iid, void **object) = 0;
    virtual void initialiseThread() = 0;
};

// The creator of this platform.
ClassCreator &platformClassCreator();

// A new date-time object held as the IDispatch its dual interface starts with, or null; the
// log receives the lines of the tries and "Success.\r\n" or "Failed.\r\n".
IDispatch *createDateTimeObject(ClassCreator &creator, LogBase &log);

// The explanation line of a creation result (the unknown ones with their code in hexadecimal);
// buffer holds the text for those.
const char *creationExplanation(HRESULT hr, char (&buffer)[40]);

}  // namespace quorvel::automation
