#pragma once
#include "foundation/base/ClsBaseI.h"
#include "foundation/log/Logger.h"
#include "foundation/base/QuorvelObject.h"
#include "foundation/text/XString.h"

namespace quorvel {

// Common base of the classes behind the public objects: the object's log and the properties
// every public interface exposes. Getters never add to the log. A concrete class adds its
// object lock (a QuorvelCritSec base) and runs each logging method inside a MethodFrame.
class ClsBase : public ClsBaseI, public QuorvelObject {
public:
    static constexpr const char *kVersion = "9.5.0.21";
    static constexpr const char *kDllDate = "Mar 21 2014";

    ClsBase();
    ~ClsBase() override;
    ClsBase(const ClsBase &) = delete;
    ClsBase &operator=(const ClsBase &) = delete;

    void get_Version(XString &out) const;

    void reservedSlot() override;
    bool get_VerboseLogging() override;
    void put_VerboseLogging(bool on) override;
    void get_DebugLogFilePath(XString &out) override;
    // An empty path switches the debug log file off.
    void put_DebugLogFilePath(const XString &path) override;
    // The log's forms with every line ending made CR LF.
    void get_LastErrorText(XString &out) override;
    void get_LastErrorXml(XString &out) override;
    void get_LastErrorHtml(XString &out) override;
    // The path is trimmed; an empty one writes nothing and fails. The XML form is written as it
    // is, replacing the file.
    bool SaveLastError(const XString &path) override;
    void logExceptionText(const char *text) override;
    void logErrorInMethod(const char *methodName, const char *message) override;
    // The log the methods write; the automation layer adds the lines of its own steps (the
    // creation of a date-time object for a result) after the method has returned.
    LogBase &log() { return m_log; }

protected:
    friend class MethodFrame;

    // The standard prologue: clears the log, opens the method's context and writes the entries
    // that identify the build and the caller.
    void beginMethod(const char *methodName);
    // Closes the method's context.
    void endMethod();

private:
    Logger m_log;
    bool m_verboseLogging;
};

}  // namespace quorvel
