#pragma once
#include <cstdint>

namespace quorvel {

// Counts, for the calling thread, the allocations the component gave up on (after any smaller
// second try). Most calls report memory running out in their result; a call whose result is an
// object or a text, where "none" and "no memory" look alike, tells the two apart by watching
// the count.
class AllocationFailures {
public:
    static void note();
    static uint64_t count();
};

// Watches one stretch of code for allocations given up on.
class AllocationFailureWatch {
public:
    AllocationFailureWatch() : m_start(AllocationFailures::count()) {}
    bool ranShort() const { return AllocationFailures::count() != m_start; }

private:
    uint64_t m_start;
};

}  // namespace quorvel
