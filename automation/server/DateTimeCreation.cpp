#include "automation/server/DateTimeCreation.h"

#include <cstdio>

#include "automation/generated/QuorvelMembers.h"
#include "automation/server/GuidText.h"
#include "foundation/log/LogBase.h"

namespace quorvel::automation {

const char *creationExplanation(HRESULT hr, char (&buffer)[40]) {
    switch (hr) {
    case S_OK:
        return "An instance of the specified object class was successfully created.\r\n";
    case REGDB_E_CLASSNOTREG:
        return "A specified class is not registered in the registration database. Also can indicate that the type "
               "of server you requested in the CLSCTX enumeration is not registered or the values for the server "
               "types in the registry are corrupt.";
    case CLASS_E_NOAGGREGATION:
        return "This class cannot be created as part of an aggregate.";
    case E_NOINTERFACE:
        return "The specified class does not implement the requested interface, or the controlling IUnknown does "
               "not expose the requested interface.";
    default:
        std::snprintf(buffer, sizeof buffer, "CoCreateInstance returned 0x%x\r\n", static_cast<unsigned>(hr));
        return buffer;
    }
}

namespace {

// One try: the object, or null with the failure line and its explanation logged.
IDispatch *tryCreate(ClassCreator &creator, const char *failureLine, LogBase &log) {
    const GUID clsid = comGuid(kQvDateTimeClass.clsid);
    const GUID iid = comGuid(kIQvDateTime.iid);  // the interface the class is created for
    void *object = nullptr;
    HRESULT hr = creator.createInProcess(clsid, iid, &object);
    if (SUCCEEDED(hr) && object) return static_cast<IDispatch *>(object);
    if (SUCCEEDED(hr)) hr = E_NOINTERFACE;  // success without an object is no object
    char buffer[40];
    log.logRaw(failureLine);
    log.logRaw(creationExplanation(hr, buffer));
    return nullptr;
}

}  // namespace

IDispatch *createDateTimeObject(ClassCreator &creator, LogBase &log) {
    IDispatch *object = tryCreate(creator, "CoCreateInstance (QvDateTime) 1st try failed.\r\n", log);
    if (!object) {
        creator.initialiseThread();
        object = tryCreate(creator, "CoCreateInstance (QvDateTime) 2nd try failed.\r\n", log);
    }
    log.logRaw(object ? "Success.\r\n" : "Failed.\r\n");
    return object;
}

}  // namespace quorvel::automation
