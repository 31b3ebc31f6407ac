#include "foundation/base/AllocationFailures.h"

namespace quorvel {

namespace {
thread_local uint64_t t_failures = 0;
}

void AllocationFailures::note() { ++t_failures; }

uint64_t AllocationFailures::count() { return t_failures; }

}  // namespace quorvel
