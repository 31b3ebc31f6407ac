// DataBuffer: in-place edits, comparison and search, XOR and block-cipher padding.
#include <cstdlib>
#include <cstring>
#include <random>

#include "foundation/base/AllocationFailures.h"
#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

namespace {

uint16_t unitAt(const unsigned char *p) {
    uint16_t u;
    std::memcpy(&u, p, 2);
    return u;
}

}  // namespace

void DataBuffer::shorten(uint32_t n) { m_size = n >= m_size ? 0 : m_size - n; }

void DataBuffer::setSize(uint32_t n) { m_size = n > m_capacity ? m_capacity : n; }

bool DataBuffer::removeChunk(uint32_t offset, uint32_t n) {
    if (offset >= m_size || n == 0) return true;
    if (static_cast<uint64_t>(offset) + n >= m_size) {
        m_size = offset;
        return true;
    }
    if (!ensureOwned()) return false;
    std::memmove(m_data + offset, m_data + offset + n, m_size - offset - n);
    m_size -= n;
    return true;
}

uint32_t DataBuffer::replaceByte(unsigned char from, unsigned char to) {
    if (from == to || !m_size || !std::memchr(m_data, from, m_size)) return 0;
    if (!ensureOwned()) return 0;
    uint32_t count = 0;
    for (uint32_t i = 0; i < m_size; ++i)
        if (m_data[i] == from) {
            m_data[i] = to;
            ++count;
        }
    return count;
}

bool DataBuffer::reverseBytes() {
    if (m_size < 2) return true;
    if (!ensureOwned()) return false;
    for (uint32_t i = 0, j = m_size - 1; i < j; ++i, --j) {
        unsigned char t = m_data[i];
        m_data[i] = m_data[j];
        m_data[j] = t;
    }
    return true;
}

bool DataBuffer::swapBytes16() {
    if (m_size < 2) return true;
    if (!ensureOwned()) return false;
    for (uint32_t i = 0; i + 1 < m_size; i += 2) {
        unsigned char t = m_data[i];
        m_data[i] = m_data[i + 1];
        m_data[i + 1] = t;
    }
    return true;
}

bool DataBuffer::swapBytes32() {
    if (m_size < 2) return true;
    if (!ensureOwned()) return false;
    uint32_t i = 0;
    for (; i + 3 < m_size; i += 4) {
        unsigned char b0 = m_data[i], b1 = m_data[i + 1];
        m_data[i] = m_data[i + 3];
        m_data[i + 1] = m_data[i + 2];
        m_data[i + 2] = b1;
        m_data[i + 3] = b0;
    }
    // A trailing 2 or 3 bytes: the first and last of them trade places.
    uint32_t rest = m_size - i;
    if (rest >= 2) {
        unsigned char t = m_data[i];
        m_data[i] = m_data[m_size - 1];
        m_data[m_size - 1] = t;
    }
    return true;
}

uint32_t DataBuffer::removeUnits16(uint16_t value) {
    uint32_t units = m_size / 2;
    uint32_t found = 0;
    for (uint32_t i = 0; i < units; ++i)
        if (unitAt(m_data + 2 * i) == value) ++found;
    if (found == 0 || !ensureOwned()) return 0;
    uint32_t out = 0;
    for (uint32_t i = 0; i < units; ++i) {
        if (unitAt(m_data + 2 * i) == value) continue;
        if (out != i) std::memcpy(m_data + 2 * out, m_data + 2 * i, 2);
        ++out;
    }
    if (m_size & 1) m_data[2 * out] = m_data[m_size - 1];
    m_size -= 2 * found;
    return found;
}

void DataBuffer::cutAtUnit16(uint16_t value) {
    for (uint32_t i = 0; i + 1 < m_size; i += 2)
        if (unitAt(m_data + i) == value) {
            m_size = i;
            return;
        }
}

// ---- compare and search

bool DataBuffer::equals(const DataBuffer &other) const { return equals(other.m_data, other.m_size); }

bool DataBuffer::equals(const void *bytes, uint32_t n) const {
    if (n != m_size) return false;
    if (n == 0) return true;
    return bytes && std::memcmp(m_data, bytes, n) == 0;
}

const unsigned char *DataBuffer::find(const void *sequence, uint32_t n) const {
    if (!sequence || n == 0 || n > m_size) return nullptr;
    const unsigned char *seq = static_cast<const unsigned char *>(sequence);
    const unsigned char *p = m_data;
    const unsigned char *last = m_data + (m_size - n);  // last possible start
    while (p <= last) {
        p = static_cast<const unsigned char *>(std::memchr(p, seq[0], static_cast<size_t>(last - p) + 1));
        if (!p) return nullptr;
        if (std::memcmp(p, seq, n) == 0) return p;
        ++p;
    }
    return nullptr;
}

bool DataBuffer::readBytesAt(uint32_t offset, uint32_t n, bool reversed, unsigned char *out) const {
    if (!out || n > 40 || static_cast<uint64_t>(offset) + n > m_size) return false;
    for (uint32_t i = 0; i < n; ++i) out[i] = reversed ? m_data[offset + n - 1 - i] : m_data[offset + i];
    return true;
}

// ---- combine

bool DataBuffer::setXor(const DataBuffer &a, const DataBuffer &b) {
    if (a.m_size != b.m_size) return false;
    uint32_t n = a.m_size;
    if (n == 0) {
        clear();
        return true;
    }
    // Built in a new block so that a or b may be this buffer.
    unsigned char *block = static_cast<unsigned char *>(std::malloc(n));
    if (!block) {
        AllocationFailures::note();
        return false;
    }
    for (uint32_t i = 0; i < n; ++i) block[i] = a.m_data[i] ^ b.m_data[i];
    freeStorage();
    m_data = block;
    m_size = m_capacity = n;
    return true;
}

// ---- padding

bool DataBuffer::appendPadding(uint32_t scheme, uint32_t blockSize) {
    if (scheme > 4) return false;
    uint32_t block = blockSize == 8 ? 8 : 16;
    uint32_t pad = block - (m_size % block);
    if (scheme >= 3) {
        if (pad == block) return true;
        return appendByteN(scheme == 3 ? 0 : ' ', pad);
    }
    unsigned char bytes[16];
    unsigned char count = static_cast<unsigned char>(pad);
    if (scheme == 0) {
        std::memset(bytes, count, pad);
    } else if (scheme == 1) {
        std::memset(bytes, 0, pad - 1);
    } else {
        // ISO 10126 asks only for unpredictable filler, not for key-grade randomness.
        uint32_t seed;
        try {
            std::random_device device;
            seed = device();
        } catch (...) {
            seed = objectSerial() ^ static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
        }
        std::mt19937 gen(seed);
        for (uint32_t i = 0; i + 1 < pad; ++i) bytes[i] = static_cast<unsigned char>(gen() & 0xFF);
    }
    bytes[pad - 1] = count;
    return append(bytes, pad);
}

}  // namespace quorvel
