#pragma once

namespace quorvel {

// A recursive lock: the thread that holds it may enter again. The destructor waits for a
// current holder by entering and leaving once before the lock is destroyed.
class RecursiveLock {
public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock &) = delete;
    RecursiveLock &operator=(const RecursiveLock &) = delete;

    void enter();
    void leave();

private:
    alignas(16) unsigned char m_storage[64];  // the platform's lock object lives here
};

}  // namespace quorvel
