#include "platform/RecursiveLock.h"

#include <mutex>
#include <new>

namespace quorvel {

namespace {
using Mutex = std::recursive_mutex;
}  // namespace

static_assert(sizeof(Mutex) <= sizeof(RecursiveLock::Storage), "the mutex must fit the lock's storage");
static_assert(alignof(Mutex) <= RecursiveLock::kStorageAlign, "the lock's storage is not aligned enough");

RecursiveLock::RecursiveLock() { new (m_storage) Mutex(); }

RecursiveLock::~RecursiveLock() {
    Mutex *mutex = std::launder(reinterpret_cast<Mutex *>(m_storage));
    // Wait for a thread that still holds the lock before it goes away.
    mutex->lock();
    mutex->unlock();
    mutex->~Mutex();
}

void RecursiveLock::enter() { std::launder(reinterpret_cast<Mutex *>(m_storage))->lock(); }

void RecursiveLock::leave() { std::launder(reinterpret_cast<Mutex *>(m_storage))->unlock(); }

}  // namespace quorvel
