#pragma once
// The module's counts: live objects and locks (LockServer and references to class objects). The
// module may be unloaded when both are zero.
#include <atomic>

#include "automation/com/Com.h"
#include "platform/RecursiveLock.h"

namespace quorvel::automation {

class ServerModule {
public:
    // The module of this library; the tests make their own.
    static ServerModule &instance();

    void objectCreated() { m_objects.fetch_add(1); }
    void objectDestroyed() { m_objects.fetch_sub(1); }
    void lock() { m_locks.fetch_add(1); }
    // False, changing nothing, when no lock is held: an unmatched unlock cannot make the module
    // unloadable while objects still count on it.
    bool unlock();

    long objectCount() const { return m_objects.load(); }
    // Objects and locks together.
    long lockCount() const { return m_objects.load() + m_locks.load(); }
    // S_OK when nothing holds the module, else S_FALSE.
    HRESULT canUnloadNow() const { return lockCount() == 0 ? S_OK : S_FALSE; }

    // Serialises the creation of the class objects.
    RecursiveLock &criticalSection() { return m_criticalSection; }

private:
    std::atomic<long> m_objects{0};
    std::atomic<long> m_locks{0};
    RecursiveLock m_criticalSection;
};

}  // namespace quorvel::automation
