#include "support/RecordingLog.h"

#include <algorithm>

#include "foundation/text/StringBuffer.h"

namespace quorvel::test {

bool RecordingLog::add(const char *kind, const char *text) {
    lines.push_back(kind + std::string(text ? text : "(NULL)"));
    return true;
}

bool RecordingLog::logData(const char *tag, const char *value) {
    return add("data: ", (std::string(tag ? tag : "(NULL)") + "=" + (value ? value : "(NULL)")).c_str());
}

bool RecordingLog::getXml(StringBuffer &out) { return out.append(joined().c_str()); }

bool RecordingLog::has(const std::string &line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

bool RecordingLog::mentions(const std::string &text) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string &l) { return l.find(text) != std::string::npos; });
}

std::string RecordingLog::joined() const {
    std::string all;
    for (const auto &l : lines) all += l + "\n";
    return all;
}

}  // namespace quorvel::test
