#pragma once
#include "platform/RecursiveLock.h"

namespace quorvel {

// The object lock: a recursive critical section, so a method may call another method of the
// same object. Destruction waits for a thread that still holds it (the platform lock enters
// and leaves once before it goes away).
class QuorvelCritSec {
public:
    QuorvelCritSec() = default;
    virtual ~QuorvelCritSec() = default;
    QuorvelCritSec(const QuorvelCritSec &) = delete;
    QuorvelCritSec &operator=(const QuorvelCritSec &) = delete;

    void enterCriticalSection() { m_lock.enter(); }
    void leaveCriticalSection() { m_lock.leave(); }

private:
    RecursiveLock m_lock;
};

}  // namespace quorvel
