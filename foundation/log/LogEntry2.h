#pragma once
#include <cstdint>

#include "foundation/base/QuorvelObject.h"

namespace quorvel {

class ExtPtrArray;
class StringBuffer;

// One node of the log tree: a context with its entries, or an error, information, raw or
// tagged data line. Tag and text are owned and may be absent (a context has no text, an error
// no tag). A context's child array is created with its first entry.
class LogEntry2 : public QuorvelObject {
public:
    static constexpr char kContext = 'C';
    static constexpr char kError = 'E';
    static constexpr char kInfo = 'I';
    static constexpr char kRaw = 'X';
    static constexpr char kData = 'T';
    // Entries one context accepts; this bounds what a runaway loop can spend on logging.
    static constexpr int32_t kMaxEntries = 10000;

    explicit LogEntry2(char kind);
    // Frees the whole subtree without recursion, so a deeply nested log cannot exhaust the stack.
    ~LogEntry2() override;
    LogEntry2(const LogEntry2 &) = delete;
    LogEntry2 &operator=(const LogEntry2 &) = delete;

    // A heap entry with copies of tag and text (null pointers stay absent); null when memory is
    // exhausted.
    static LogEntry2 *create(char kind, const char *tag, const char *text);

    char kind() const { return m_kind; }
    bool isContext() const { return m_kind == kContext; }
    // Tag and text, "" when absent.
    const char *tag() const;
    const char *text() const;

    int32_t numEntries() const;
    const LogEntry2 *entryAt(int32_t index) const;
    LogEntry2 *lastEntry() const;
    bool isFull() const { return numEntries() >= kMaxEntries; }
    // Adopts the entry; false (entry not adopted) when this is full or memory is exhausted.
    bool appendEntry(LogEntry2 *entry);
    // Detaches the last entry and hands it to the caller; null when there is none.
    LogEntry2 *removeLastEntry();
    // Deletes every entry below this one.
    void removeAllEntries();

private:
    ExtPtrArray *m_children;
    char m_kind;
    StringBuffer *m_tag;
    StringBuffer *m_text;
    // Link of the pending list that removeAllEntries walks instead of recursing.
    LogEntry2 *m_nextPending;
};

}  // namespace quorvel
