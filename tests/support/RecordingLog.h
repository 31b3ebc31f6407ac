#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel::test {

// A log for tests: every entry becomes one line ("error: ...", "info: ...", "raw: ...",
// "data: tag=value", "enter: name", "leave") so that tests can assert what was logged.
class RecordingLog : public LogBase {
public:
    bool getXml(StringBuffer &out) override { return out.append(joined().c_str()); }
    bool getHtml(StringBuffer &out) override { return getXml(out); }
    bool getText(StringBuffer &out) override { return getXml(out); }
    bool saveXml(bool, const XString &) override { return true; }
    bool logError(const char *text) override { return add("error: ", text); }
    bool logInfo(const char *text) override { return add("info: ", text); }
    bool logRaw(const char *text) override { return add("raw: ", text); }
    void clearLog() override { lines.clear(); }
    bool enterContext(const char *name, bool) override { return add("enter: ", name); }
    bool leaveContext() override { lines.push_back("leave"); return true; }
    bool logData(const char *tag, const char *value) override {
        return add("data: ", (std::string(tag ? tag : "(NULL)") + "=" + (value ? value : "(NULL)")).c_str());
    }

    // True when some line equals the given one.
    bool has(const std::string &line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    // True when some line contains the given text.
    bool mentions(const std::string &text) const {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string &l) { return l.find(text) != std::string::npos; });
    }
    // All lines, each followed by a line feed.
    std::string joined() const {
        std::string all;
        for (const auto &l : lines) all += l + "\n";
        return all;
    }

    std::vector<std::string> lines;

private:
    // One line: the kind, then the text or "(NULL)".
    bool add(const char *kind, const char *text) {
        lines.push_back(kind + std::string(text ? text : "(NULL)"));
        return true;
    }
};

}  // namespace quorvel::test
