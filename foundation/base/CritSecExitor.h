#pragma once
#include "foundation/base/QuorvelCritSec.h"

namespace quorvel {

// Holds a QuorvelCritSec for the lifetime of the guard; given none, it guards nothing (an
// object that relies on another object's lock passes null).
class CritSecExitor {
public:
    explicit CritSecExitor(QuorvelCritSec *lock) : m_lock(lock) {
        if (m_lock) m_lock->enterCriticalSection();
    }
    ~CritSecExitor() {
        if (m_lock) m_lock->leaveCriticalSection();
    }
    CritSecExitor(const CritSecExitor &) = delete;
    CritSecExitor &operator=(const CritSecExitor &) = delete;

private:
    QuorvelCritSec *m_lock;
};

}  // namespace quorvel
