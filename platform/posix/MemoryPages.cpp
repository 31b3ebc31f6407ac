#include "platform/MemoryPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace quorvel {

void backPagesForWriting(void *begin, size_t n) {
#ifdef MADV_POPULATE_WRITE
    static const uintptr_t pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(begin);
    if (pageSize == 0 || n < pageSize || start > UINTPTR_MAX - n) return;
    const uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const uintptr_t last = (start + n) & ~(pageSize - 1);
    // Kernels before 5.14 refuse the advice (EINVAL); the pages then fault in as they are written.
    if (last > first) madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)n;
#endif
}

}  // namespace quorvel
