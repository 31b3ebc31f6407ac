#include "platform/AlignedMemory.h"

#include <malloc.h>

namespace quorvel {

void *alignedAllocate(size_t alignment, size_t size) { return _aligned_malloc(size == 0 ? 1 : size, alignment); }

void alignedFree(void *block) { _aligned_free(block); }

}  // namespace quorvel
