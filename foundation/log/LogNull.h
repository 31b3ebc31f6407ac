#pragma once
#include "foundation/log/LogBase.h"

namespace quorvel {

// A log that records nothing: every operation succeeds, the getters leave their output as it is.
class LogNull : public LogBase {
public:
    bool getXml(StringBuffer &) override { return true; }
    bool getHtml(StringBuffer &) override { return true; }
    bool getText(StringBuffer &) override { return true; }
    bool saveXml(bool, const XString &) override { return true; }
    bool logError(const char *) override { return true; }
    bool logInfo(const char *) override { return true; }
    bool logRaw(const char *) override { return true; }
    void clearLog() override {}
    bool enterContext(const char *, bool) override { return true; }
    bool leaveContext() override { return true; }
    bool logData(const char *, const char *) override { return true; }
};

}  // namespace quorvel
