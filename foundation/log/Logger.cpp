#include "foundation/log/Logger.h"

#include "foundation/base/CritSecExitor.h"
#include "foundation/buffers/FileAccess.h"
#include "foundation/log/LogNull.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

bool Logger::getXml(StringBuffer &out) {
    CritSecExitor lock(this);
    return m_log.appendXml(out);
}

bool Logger::getHtml(StringBuffer &out) {
    CritSecExitor lock(this);
    return m_log.appendHtml(out);
}

bool Logger::getText(StringBuffer &out) {
    CritSecExitor lock(this);
    return m_log.appendText(out);
}

bool Logger::saveXml(bool, const XString &path) {
    CritSecExitor lock(this);
    StringBuffer xml;
    if (!m_log.appendXml(xml)) return false;
    LogNull quiet;
    return FileAccess::writeWholeFile(path.getUtf8(), xml.getString(), xml.getSize(), quiet);
}

bool Logger::logError(const char *text) {
    CritSecExitor lock(this);
    bool recorded = m_log.addLine(LogEntry2::kError, text);
    m_debugFile.writeLine(text);
    return recorded;
}

bool Logger::logInfo(const char *text) {
    CritSecExitor lock(this);
    bool recorded = m_log.addLine(LogEntry2::kInfo, text);
    m_debugFile.writeLine(text);
    return recorded;
}

bool Logger::logRaw(const char *text) {
    CritSecExitor lock(this);
    return m_log.addLine(LogEntry2::kRaw, text);
}

void Logger::clearLog() {
    CritSecExitor lock(this);
    m_log.clear();
    m_debugFile.resetDepth();
}

bool Logger::enterContext(const char *name, bool) {
    CritSecExitor lock(this);
    bool recorded = m_log.enterContext(name);
    m_debugFile.enterContext(name);
    return recorded;
}

bool Logger::leaveContext() {
    CritSecExitor lock(this);
    bool left = m_log.leaveContext();
    m_debugFile.leaveContext();
    return left;
}

bool Logger::logData(const char *tag, const char *valueUtf8) {
    CritSecExitor lock(this);
    bool recorded = m_log.addData(tag, valueUtf8);
    if (m_debugFile.isOn()) {
        StringBuffer cleanTag;
        if (ErrorLog::cleanDataTag(tag, cleanTag)) m_debugFile.writeData(cleanTag.getString(), valueUtf8);
    }
    return recorded;
}

bool Logger::setDebugLogFilePath(const XString &path) {
    CritSecExitor lock(this);
    return m_debugFile.setPath(path);
}

void Logger::getDebugLogFilePath(XString &out) {
    CritSecExitor lock(this);
    m_debugFile.getPath(out);
}

}  // namespace quorvel
