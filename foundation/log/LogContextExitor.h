#pragma once
#include "foundation/log/LogBase.h"

namespace quorvel {

// Enters a log context for the lifetime of the guard; with enabled = false it does nothing.
class LogContextExitor {
public:
    LogContextExitor(LogBase &log, const char *name, bool enabled = true)
        : m_log(enabled ? &log : nullptr) {
        if (m_log) m_log->enterContext(name, true);
    }
    ~LogContextExitor() {
        if (m_log) m_log->leaveContext();
    }
    LogContextExitor(const LogContextExitor &) = delete;
    LogContextExitor &operator=(const LogContextExitor &) = delete;

private:
    LogBase *m_log;
};

}  // namespace quorvel
