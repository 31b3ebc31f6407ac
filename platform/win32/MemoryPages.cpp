#include "platform/MemoryPages.h"

namespace quorvel {

// The heap's blocks are committed already and Windows has no call that backs committed
// private pages ahead of their first touch, so the read's own writes do it.
void backPagesForWriting(void *, size_t) {}

}  // namespace quorvel
