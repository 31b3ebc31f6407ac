#pragma once
#include <cstddef>

namespace quorvel {

// Blocks whose address is a multiple of a power-of-two alignment, of any size (not only
// multiples of the alignment). Null when memory runs out or the size cannot be had.
void *alignedAllocate(size_t alignment, size_t size);

// The alignment for pages of many small blocks. POSIX gives the slack in front of an aligned
// block back to the heap, so large alignments cost nothing; Windows allocates the alignment on
// top of every block, so there it stays small.
#if defined(_WIN32)
inline constexpr size_t kPreferredPageAlignment = 4096;
#else
inline constexpr size_t kPreferredPageAlignment = 32768;
#endif
void alignedFree(void *block);

}  // namespace quorvel
