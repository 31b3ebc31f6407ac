#pragma once
// Appending to a body that grows by many small pieces: the capacity doubles (up to the body's
// limit), so a body of hundreds of megabytes is moved a few times rather than once per step.
#include <cstdint>

#include "foundation/buffers/DataBuffer.h"

namespace quorvel::http_buffer {

inline bool appendGrowing(DataBuffer &out, const void *bytes, uint32_t n, uint64_t limit) {
    const uint64_t needed = static_cast<uint64_t>(out.getSize()) + n;
    if (needed > DataBuffer::kMaxSize) return false;
    if (needed > out.getCapacity()) {
        uint64_t wanted = static_cast<uint64_t>(out.getCapacity()) * 2;
        if (wanted > limit) wanted = limit;
        if (wanted > DataBuffer::kMaxSize) wanted = DataBuffer::kMaxSize;
        if (wanted < needed || !out.ensureCapacity(static_cast<uint32_t>(wanted))) {
            if (!out.ensureCapacity(static_cast<uint32_t>(needed))) return false;
        }
    }
    return out.append(bytes, n);
}

}  // namespace quorvel::http_buffer
