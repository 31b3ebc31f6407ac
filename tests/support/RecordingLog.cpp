#include "support/RecordingLog.h"

#include "foundation/text/StringBuffer.h"

namespace quorvel::test {

namespace {
std::string orNull(const char *s) { return s ? s : "(NULL)"; }
}  // namespace

bool RecordingLog::getXml(StringBuffer &out) { return out.append(joined().c_str()); }
bool RecordingLog::getHtml(StringBuffer &out) { return out.append(joined().c_str()); }
bool RecordingLog::getText(StringBuffer &out) { return out.append(joined().c_str()); }

bool RecordingLog::logError(const char *text) {
    lines.push_back("error: " + orNull(text));
    return true;
}

bool RecordingLog::logInfo(const char *text) {
    lines.push_back("info: " + orNull(text));
    return true;
}

bool RecordingLog::logRaw(const char *text) {
    lines.push_back("raw: " + orNull(text));
    return true;
}

bool RecordingLog::enterContext(const char *name, bool) {
    lines.push_back("enter: " + orNull(name));
    return true;
}

bool RecordingLog::leaveContext() {
    lines.push_back("leave");
    return true;
}

bool RecordingLog::logData(const char *tag, const char *value) {
    lines.push_back("data: " + orNull(tag) + "=" + orNull(value));
    return true;
}

bool RecordingLog::has(const std::string &line) const {
    for (const auto &l : lines)
        if (l == line) return true;
    return false;
}

bool RecordingLog::mentions(const std::string &text) const {
    for (const auto &l : lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

std::string RecordingLog::joined() const {
    std::string all;
    for (const auto &l : lines) all += l + "\n";
    return all;
}

}  // namespace quorvel::test
