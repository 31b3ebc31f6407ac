#include "foundation/log/LogEntry2.h"

#include <new>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

LogEntry2::LogEntry2(char kind)
    : m_children(nullptr), m_kind(kind), m_tag(nullptr), m_text(nullptr), m_nextPending(nullptr) {}

LogEntry2::~LogEntry2() {
    removeAllEntries();
    delete m_children;
    delete m_tag;
    delete m_text;
}

LogEntry2 *LogEntry2::create(char kind, const char *tag, const char *text) {
    LogEntry2 *entry = new (std::nothrow) LogEntry2(kind);
    if (!entry) return nullptr;
    if (tag && !(entry->m_tag = StringBuffer::createNewFrom(tag))) {
        delete entry;
        return nullptr;
    }
    if (text && !(entry->m_text = StringBuffer::createNewFrom(text))) {
        delete entry;
        return nullptr;
    }
    return entry;
}

const char *LogEntry2::tag() const { return m_tag ? m_tag->getString() : ""; }

const char *LogEntry2::text() const { return m_text ? m_text->getString() : ""; }

int32_t LogEntry2::numEntries() const { return m_children ? m_children->getSize() : 0; }

const LogEntry2 *LogEntry2::entryAt(int32_t index) const {
    return m_children ? static_cast<const LogEntry2 *>(m_children->elementAt(index)) : nullptr;
}

LogEntry2 *LogEntry2::lastEntry() const {
    return m_children ? static_cast<LogEntry2 *>(m_children->lastElement()) : nullptr;
}

bool LogEntry2::appendEntry(LogEntry2 *entry) {
    if (!entry || !isContext() || isFull()) return false;
    if (!m_children) {
        m_children = new (std::nothrow) ExtPtrArray(true);
        if (!m_children) return false;
    }
    return m_children->append(entry);
}

LogEntry2 *LogEntry2::removeLastEntry() {
    if (!m_children || m_children->getSize() == 0) return nullptr;
    return static_cast<LogEntry2 *>(m_children->removeAt(m_children->getSize() - 1));
}

void LogEntry2::removeAllEntries() {
    // Depth-first through a pending list linked inside the entries: a context is deleted only
    // once its own entries are gone, so no destructor below ever recurses.
    LogEntry2 *pending = this;
    m_nextPending = nullptr;
    while (pending) {
        LogEntry2 *child = pending->removeLastEntry();
        if (!child) {
            LogEntry2 *done = pending;
            pending = done->m_nextPending;
            if (done != this) delete done;
            continue;
        }
        if (child->numEntries() > 0) {
            child->m_nextPending = pending;
            pending = child;
        } else {
            delete child;
        }
    }
    if (m_children) m_children->removeAll();
}

}  // namespace quorvel
