#pragma once
#include <cstdint>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/log/LogEntry2.h"
#include "foundation/base/QuorvelObject.h"

namespace quorvel {

class StringBuffer;

// The log tree of one object and the stack of its open contexts. The root context
// "QuorvelLog" is part of the log itself, so it exists even when memory is exhausted; the
// contexts opened below it are kept, innermost last, in a non-owning array. Not locked: the
// Logger that holds it serialises every call.
class ErrorLog : public QuorvelObject {
public:
    static constexpr const char *kRootName = "QuorvelLog";

    ErrorLog();
    ~ErrorLog() override;
    ErrorLog(const ErrorLog &) = delete;
    ErrorLog &operator=(const ErrorLog &) = delete;

    // Opens a context under the current one; false when it could not be recorded (the current
    // context is full, or memory ran out). A context that was not recorded is still left by the
    // matching leaveContext, which then closes nothing.
    bool enterContext(const char *name);
    // Closes the innermost context (never the root). A nested context left without entries is
    // removed; a context directly under the root stays, so a method's own context always shows.
    bool leaveContext();
    // Error, information or raw line in the current context. Once a context holds
    // LogEntry2::kMaxEntries, further entries are dropped without a message; every add returns
    // whether its entry was recorded.
    bool addLine(char kind, const char *text);
    // Tagged data: the tag is trimmed and its spaces become '_'; an empty tag records nothing
    // and fails; an absent value is recorded as "(NULL)".
    bool addData(const char *tag, const char *value);
    // The tag as data entries record it: trimmed, spaces turned into '_'. False when nothing
    // is left (or memory ran out).
    static bool cleanDataTag(const char *tag, StringBuffer &clean);
    // Drops the whole tree; only the empty root remains.
    void clear();

    // Renderings, appended to out; on failure (memory) out is left as it was.
    bool appendText(StringBuffer &out) const;
    bool appendXml(StringBuffer &out) const;
    bool appendHtml(StringBuffer &out) const;

    // Nesting below the root, counting contexts that were not recorded.
    int32_t openDepth() const { return m_open.getSize() + m_unrecordedDepth; }

private:
    enum class Form { Text, Xml, Html };
    bool render(Form form, StringBuffer &out) const;
    LogEntry2 *current() const;
    bool addEntry(LogEntry2 *entry);

    LogEntry2 m_root;
    ExtPtrArray m_open;
    int32_t m_unrecordedDepth;
};

}  // namespace quorvel
