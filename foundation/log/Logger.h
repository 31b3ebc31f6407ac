#pragma once
#include "foundation/log/DebugLogFile.h"
#include "foundation/log/ErrorLog.h"
#include "foundation/log/LogBase.h"
#include "foundation/base/QuorvelCritSec.h"

namespace quorvel {

class XString;

// The log every public object keeps: the log tree of its last method call, and optionally a
// debug file that receives each entry as it is made. Each operation holds the Logger's own
// lock for its whole duration, the debug-file write included, so a log may be written on one
// thread and read on another.
class Logger : public LogBase, public QuorvelCritSec {
public:
    Logger() = default;
    ~Logger() override = default;
    Logger(const Logger &) = delete;
    Logger &operator=(const Logger &) = delete;

    bool getXml(StringBuffer &out) override;
    bool getHtml(StringBuffer &out) override;
    bool getText(StringBuffer &out) override;
    // Writes the XML form to the file, replacing it; the flag has no meaning here. The file
    // layer's messages are not added, so saving never changes the log being saved.
    bool saveXml(bool flag, const XString &path) override;
    bool logError(const char *text) override;
    bool logInfo(const char *text) override;
    // Recorded in the tree only, never in the debug file.
    bool logRaw(const char *text) override;
    void clearLog() override;
    bool enterContext(const char *name, bool flag) override;
    bool leaveContext() override;
    bool logData(const char *tag, const char *valueUtf8) override;

    // An empty path switches the debug file off.
    bool setDebugLogFilePath(const XString &path);
    void getDebugLogFilePath(XString &out);

private:
    ErrorLog m_log;
    DebugLogFile m_debugFile;
};

}  // namespace quorvel
