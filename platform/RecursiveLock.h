#pragma once

namespace quorvel {

// A recursive lock: the thread that holds it may enter again, and leaves once per entry. The
// destructor waits for a current holder by entering and leaving once before the lock is
// destroyed. The platform's lock object lives inside, so the header needs no system headers.
class RecursiveLock {
public:
    static constexpr unsigned kStorageSize = 64;
    static constexpr unsigned kStorageAlign = 16;
    using Storage = unsigned char[kStorageSize];

    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock &) = delete;
    RecursiveLock &operator=(const RecursiveLock &) = delete;

    void enter();
    void leave();

private:
    alignas(kStorageAlign) Storage m_storage;
};

}  // namespace quorvel
