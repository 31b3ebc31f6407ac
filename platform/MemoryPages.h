#pragma once
#include <cstddef>

namespace quorvel {

// Backs the whole pages inside [begin, begin + n) of writable memory the caller owns with
// memory now, in one request, instead of one page fault per page as a large read fills them.
// The zeroed pages are still in the cache when the read lands. Only a hint: it reports
// nothing, and where the system cannot do it the first write backs each page as usual.
void backPagesForWriting(void *begin, size_t n);

}  // namespace quorvel
