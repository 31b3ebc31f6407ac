#include "platform/RecursiveLock.h"

#include <windows.h>

#include <new>

namespace quorvel {

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(RecursiveLock::Storage),
              "the critical section must fit the lock's storage");
static_assert(alignof(CRITICAL_SECTION) <= RecursiveLock::kStorageAlign, "the lock's storage is not aligned enough");

namespace {
CRITICAL_SECTION *section(unsigned char *storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION *>(storage));
}
}  // namespace

RecursiveLock::RecursiveLock() {
    new (m_storage) CRITICAL_SECTION;
    InitializeCriticalSection(section(m_storage));
}

RecursiveLock::~RecursiveLock() {
    // Wait for a thread that still holds the lock before it goes away.
    EnterCriticalSection(section(m_storage));
    LeaveCriticalSection(section(m_storage));
    DeleteCriticalSection(section(m_storage));
}

void RecursiveLock::enter() { EnterCriticalSection(section(m_storage)); }

void RecursiveLock::leave() { LeaveCriticalSection(section(m_storage)); }

}  // namespace quorvel
