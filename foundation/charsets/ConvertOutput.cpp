#include "foundation/charsets/ConvertOutput.h"

#include <cstring>

#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

ConvertOutput::ConvertOutput(DataBuffer &target) : m_target(target), m_cursor(m_block), m_limit(m_block) {}

void ConvertOutput::putBytes(const unsigned char *bytes, uint32_t n) {
    while (n != 0) {
        const uint32_t step = n < kBlockSize ? n : kBlockSize;
        unsigned char *w = room(step);
        std::memcpy(w, bytes, step);
        commit(w + step);
        bytes += step;
        n -= step;
    }
}

void ConvertOutput::putUtf32(uint32_t cp, bool bigEndian) {
    unsigned char *w = room(4);
    for (int k = 0; k < 4; ++k) w[k] = static_cast<unsigned char>(cp >> (bigEndian ? 24 - 8 * k : 8 * k));
    commit(w + 4);
}

void ConvertOutput::settle() {
    if (m_direct) {
        m_target.setSize(static_cast<uint32_t>(m_cursor - m_target.getData()));
    } else if (m_cursor != m_block && !m_failed) {
        // After one failed append the output is abandoned by the caller; later bytes are not
        // kept so that nothing is written out of order.
        if (!m_target.append(m_block, static_cast<uint32_t>(m_cursor - m_block))) m_failed = true;
    }
    m_direct = false;
    m_cursor = m_limit = m_block;
}

void ConvertOutput::makeRoom(uint32_t need) {
    settle();
    unsigned char *spare = m_failed ? nullptr : m_target.spareRoom(need);
    if (spare != nullptr) {
        m_direct = true;
        m_cursor = spare;
        m_limit = m_target.getData() + m_target.getCapacity();
    } else {
        m_limit = m_block + kBlockSize;
    }
}

bool ConvertOutput::flush() {
    settle();
    return !m_failed;
}

}  // namespace quorvel
