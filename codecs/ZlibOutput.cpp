#include "codecs/internal/ZlibOutput.h"

#include <cstdlib>
#include <initializer_list>

#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

ZlibOutput::~ZlibOutput() {
    if (!m_taken) return;
    if (m_size == 0) {
        std::free(m_block);
        return;
    }
    // Shrinking in place practically never fails; when it does the larger block serves as well.
    if (m_capacity > m_size) {
        if (void *exact = std::realloc(m_block, m_size)) m_block = static_cast<unsigned char *>(exact);
    }
    m_out.adopt(m_block, m_size);
}

bool ZlibOutput::atCeiling() const { return m_size == DataBuffer::kMaxSize; }

// The buffer's bytes become the start of the block (a borrowed block is copied first). The
// capacity is not known from outside, so it counts as the size: the first growth finds out.
bool ZlibOutput::take() {
    const uint32_t had = m_out.getSize();
    uint32_t size = 0;
    unsigned char *block = m_out.detach(size);
    if (!block && had != 0) return false;
    m_block = block;
    m_start = m_size = m_capacity = size;
    m_taken = true;
    return true;
}

// Doubles what this stream has produced (the guess at first), so a long output costs few steps;
// a refused large block falls back to the minimum, and the 4 GiB ceiling caps both.
bool ZlibOutput::grow() {
    if (m_size == DataBuffer::kMaxSize) return false;
    uint64_t growth = produced() == 0 ? m_firstGrowth : produced();
    if (growth < kMinRoom) growth = kMinRoom;
    const uint64_t ceiling = DataBuffer::kMaxSize - m_size;
    for (uint64_t room : {growth, static_cast<uint64_t>(kMinRoom)}) {
        const uint64_t capacity = m_size + (room < ceiling ? room : ceiling);
        m_lastRequest = capacity;
        if (void *bigger = std::realloc(m_block, static_cast<size_t>(capacity))) {
            m_block = static_cast<unsigned char *>(bigger);
            m_capacity = static_cast<uint32_t>(capacity);
            return true;
        }
    }
    return false;
}

bool ZlibOutput::open(z_stream &zs) {
    if (!m_taken && !take()) return false;
    // Without growth the last free bytes still serve.
    if (m_capacity - m_size < kMinRoom && !grow() && m_capacity == m_size) return false;
    zs.next_out = m_block + m_size;
    zs.avail_out = m_capacity - m_size;
    return true;
}

void ZlibOutput::commit(const z_stream &zs) { m_size += static_cast<uint32_t>(zs.next_out - (m_block + m_size)); }

}  // namespace quorvel
