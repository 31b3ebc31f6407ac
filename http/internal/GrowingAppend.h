#pragma once
// Appending to a body that grows by many small pieces: the capacity doubles (up to the body's
// limit), so a body of hundreds of megabytes is moved a few times rather than once per step.
// Growth goes through realloc, which lets the C library move a large block by remapping its
// pages instead of copying (and touching) every byte again.
#include <cstdint>
#include <cstdlib>

#include "foundation/buffers/DataBuffer.h"

namespace quorvel::http_buffer {

namespace detail {

// Capacity exactly `capacity` (> the size), the bytes kept; false leaves out as it was.
inline bool reallocate(DataBuffer &out, uint32_t capacity) {
    if (out.isBorrowed() || out.isEmpty()) return out.ensureCapacity(capacity);
    uint32_t size = 0;
    unsigned char *block = out.detach(size);
    if (!block) return false;
    void *grown = std::realloc(block, capacity);
    if (!grown) {
        out.adopt(block, size);
        return false;
    }
    out.adopt(grown, capacity);
    out.setSize(size);
    return true;
}

}  // namespace detail

// Room for n more bytes after the size: the capacity doubles (capped at limit) or, when that
// cannot be had, grows to exactly what is needed.
inline bool reserveGrowing(DataBuffer &out, uint32_t n, uint64_t limit) {
    const uint64_t needed = static_cast<uint64_t>(out.getSize()) + n;
    if (needed > DataBuffer::kMaxSize) return false;
    if (needed <= out.getCapacity()) return true;
    uint64_t wanted = static_cast<uint64_t>(out.getCapacity()) * 2;
    if (wanted > limit) wanted = limit;
    if (wanted > DataBuffer::kMaxSize) wanted = DataBuffer::kMaxSize;
    if (wanted >= needed && detail::reallocate(out, static_cast<uint32_t>(wanted))) return true;
    return detail::reallocate(out, static_cast<uint32_t>(needed));
}

inline bool appendGrowing(DataBuffer &out, const void *bytes, uint32_t n, uint64_t limit) {
    return reserveGrowing(out, n, limit) && out.append(bytes, n);
}

}  // namespace quorvel::http_buffer
