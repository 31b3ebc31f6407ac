#pragma once

namespace quorvel {

class XString;

// The members every public object shares, in their fixed order. The slot after the destructor
// is kept empty.
class ClsBaseI {
public:
    virtual ~ClsBaseI() = default;
    virtual void reservedSlot() = 0;

    virtual bool get_VerboseLogging() = 0;
    virtual void put_VerboseLogging(bool on) = 0;
    virtual void get_DebugLogFilePath(XString &out) = 0;
    virtual void put_DebugLogFilePath(const XString &path) = 0;
    virtual void get_LastErrorText(XString &out) = 0;
    virtual void get_LastErrorXml(XString &out) = 0;
    virtual void get_LastErrorHtml(XString &out) = 0;
    virtual bool SaveLastError(const XString &path) = 0;
    // One data entry "Exception" in the current log.
    virtual void logExceptionText(const char *text) = 0;
    // A whole method log for the error: the method's prologue, the message, the context left.
    virtual void logErrorInMethod(const char *methodName, const char *message) = 0;
};

}  // namespace quorvel
