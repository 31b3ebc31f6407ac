#pragma once
#include <cstdint>

#include "foundation/DataBuffer.h"

namespace quorvel {

// The decoders' counterpart of TextBlockWriter: bytes are gathered in a local block and
// appended to the target a block at a time. finish() reports whether every append succeeded
// and, when one failed, takes the target back to its size at the start, so a decoder that runs
// out of memory changes nothing.
class ByteBlockWriter {
public:
    static constexpr uint32_t kBlockSize = 2048;

    explicit ByteBlockWriter(DataBuffer &target) : m_target(target), m_start(target.getSize()) {}
    ByteBlockWriter(const ByteBlockWriter &) = delete;
    ByteBlockWriter &operator=(const ByteBlockWriter &) = delete;

    // Grows the target once for about n more bytes, so that a long decoding does not
    // reallocate block after block. Only a hint: a refusal is not an error here.
    void expect(uint32_t n) {
        uint64_t wanted = static_cast<uint64_t>(m_target.getSize()) + n;
        if (wanted <= DataBuffer::kMaxSize) m_target.ensureCapacity(static_cast<uint32_t>(wanted));
    }

    void put(unsigned char b) {
        if (m_used == kBlockSize) flush();
        m_block[m_used++] = b;
    }
    void put2(unsigned char a, unsigned char b) {
        unsigned char *p = room(2);
        p[0] = a;
        p[1] = b;
        m_used += 2;
    }
    // Space for k (at most the block size) contiguous bytes; the caller writes them and calls
    // commit() with the number written.
    unsigned char *room(uint32_t k) {
        if (kBlockSize - m_used < k) flush();
        return m_block + m_used;
    }
    void commit(uint32_t k) { m_used += k; }
    void putBytes(const unsigned char *bytes, uint32_t n) {
        flush();
        if (m_ok && n != 0) m_ok = m_target.append(bytes, n);
    }

    bool finish() {
        flush();
        if (!m_ok) m_target.shorten(m_target.getSize() - m_start);
        return m_ok;
    }

private:
    void flush() {
        if (m_used != 0 && m_ok) m_ok = m_target.append(m_block, m_used);
        m_used = 0;
    }

    DataBuffer &m_target;
    uint32_t m_start;
    uint32_t m_used = 0;
    bool m_ok = true;
    unsigned char m_block[kBlockSize];
};

}  // namespace quorvel
