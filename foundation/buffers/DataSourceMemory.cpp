#include "foundation/buffers/DataSourceMemory.h"

#include <cstring>

namespace quorvel {

DataSourceMemory::DataSourceMemory(const void *bytes, uint32_t n)
    : m_bytes(static_cast<const unsigned char *>(bytes)), m_size(bytes ? n : 0), m_pos(0) {}

bool DataSourceMemory::readChunk(unsigned char *buf, uint32_t maxBytes, uint32_t &got, LogBase &) {
    uint32_t left = m_size - m_pos;
    got = maxBytes < left ? maxBytes : left;
    if (got) std::memcpy(buf, m_bytes + m_pos, got);
    m_pos += got;
    return true;
}

}  // namespace quorvel
