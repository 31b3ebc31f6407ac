#pragma once
#include <cstddef>

namespace quorvel::test {

// The hardening tests' allocator. It replaces the C allocator of the whole test program (and so
// operator new, zlib's and OpenSSL's allocations too) with one that counts the blocks alive and
// can make one chosen allocation fail, as a system out of memory would.
namespace failing_allocator {

// From now on the n-th allocation (1 for the next one) returns null; 0 fails none but still
// counts them.
void failAllocation(std::size_t n);
// Stops failing. Returns the allocations made since failAllocation.
std::size_t stop();
// Whether the chosen allocation was reached (and failed) since failAllocation.
bool failureHappened();
// Whether the failed allocation was asked for by code of the named shared library ("libcrypto").
bool failureCameFrom(const char *library);
// Blocks allocated and not yet freed, over the whole program.
long long liveBlocks();

}  // namespace failing_allocator
}  // namespace quorvel::test
