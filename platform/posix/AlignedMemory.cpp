#include "platform/AlignedMemory.h"

#include <cstdlib>

namespace quorvel {

// posix_memalign gives the slack before an aligned block back to the heap, so a small block
// costs about its own size whatever the alignment.
void *alignedAllocate(size_t alignment, size_t size) {
    void *block = nullptr;
    return posix_memalign(&block, alignment, size == 0 ? 1 : size) == 0 ? block : nullptr;
}

void alignedFree(void *block) { std::free(block); }

}  // namespace quorvel
