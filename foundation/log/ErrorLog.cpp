#include "foundation/log/ErrorLog.h"

#include "foundation/text/StringBuffer.h"

namespace quorvel {

ErrorLog::ErrorLog() : m_root(LogEntry2::kContext), m_open(false), m_unrecordedDepth(0) {}

ErrorLog::~ErrorLog() = default;

LogEntry2 *ErrorLog::current() const {
    LogEntry2 *top = static_cast<LogEntry2 *>(m_open.lastElement());
    return top ? top : const_cast<LogEntry2 *>(&m_root);
}

bool ErrorLog::addEntry(LogEntry2 *entry) {
    if (!entry) return false;
    if (!current()->appendEntry(entry)) {
        delete entry;
        return false;
    }
    return true;
}

bool ErrorLog::enterContext(const char *name) {
    LogEntry2 *parent = current();
    LogEntry2 *context = nullptr;
    if (!parent->isFull()) context = LogEntry2::create(LogEntry2::kContext, name ? name : "", nullptr);
    if (context && !parent->appendEntry(context)) {
        delete context;
        context = nullptr;
    }
    if (context && !m_open.append(context)) {
        delete parent->removeLastEntry();
        context = nullptr;
    }
    if (!context) {
        ++m_unrecordedDepth;
        return false;
    }
    return true;
}

bool ErrorLog::leaveContext() {
    if (m_unrecordedDepth > 0) {
        --m_unrecordedDepth;
        return true;
    }
    if (m_open.getSize() == 0) return false;
    m_open.removeAt(m_open.getSize() - 1);
    if (m_open.getSize() == 0) return true;
    LogEntry2 *top = current();
    LogEntry2 *last = top->lastEntry();
    if (last && last->isContext() && last->numEntries() == 0) delete top->removeLastEntry();
    return true;
}

bool ErrorLog::addLine(char kind, const char *text) {
    if (current()->isFull()) return false;
    return addEntry(LogEntry2::create(kind, nullptr, text ? text : ""));
}

bool ErrorLog::cleanDataTag(const char *tag, StringBuffer &clean) {
    clean.clear();
    if (!clean.append(tag)) return false;
    clean.trim();
    clean.replaceChar(' ', '_');
    return !clean.isEmpty();
}

bool ErrorLog::addData(const char *tag, const char *value) {
    StringBuffer cleanTag;
    if (!cleanDataTag(tag, cleanTag)) return false;
    if (current()->isFull()) return false;
    return addEntry(LogEntry2::create(LogEntry2::kData, cleanTag.getString(), value ? value : "(NULL)"));
}

void ErrorLog::clear() {
    m_open.removeAll();
    m_unrecordedDepth = 0;
    m_root.removeAllEntries();
}

}  // namespace quorvel
