#pragma once
#include <string>
#include <vector>

#include "foundation/log/LogBase.h"

namespace quorvel::test {

// A log for tests: every entry becomes one line ("error: ...", "info: ...", "raw: ...",
// "data: tag=value", "enter: name", "leave") so that tests can assert what was logged.
class RecordingLog : public LogBase {
public:
    bool getXml(StringBuffer &out) override;
    bool getHtml(StringBuffer &out) override { return getXml(out); }
    bool getText(StringBuffer &out) override { return getXml(out); }
    bool saveXml(bool, const XString &) override { return true; }
    bool logError(const char *text) override { return add("error: ", text); }
    bool logInfo(const char *text) override { return add("info: ", text); }
    bool logRaw(const char *text) override { return add("raw: ", text); }
    void clearLog() override { lines.clear(); }
    bool enterContext(const char *name, bool) override { return add("enter: ", name); }
    bool leaveContext() override { lines.push_back("leave"); return true; }
    bool logData(const char *tag, const char *value) override;

    // True when some line equals the given one.
    bool has(const std::string &line) const;
    // True when some line contains the given text.
    bool mentions(const std::string &text) const;
    // All lines, each followed by a line feed.
    std::string joined() const;

    std::vector<std::string> lines;

private:
    bool add(const char *kind, const char *text);  // one line: the kind, then the text or "(NULL)"
};

}  // namespace quorvel::test
