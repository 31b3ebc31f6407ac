#pragma once
#include <cstdint>
#include <type_traits>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

// Collects a codec's output in a local block of N units and appends it to the target (an
// encoder's StringBuffer or a decoder's DataBuffer) in one call whenever the block fills, so a
// long run costs one append per block instead of one per character. finish() appends the rest;
// when any append failed it takes the target back to the size it had when the writer was made,
// so a codec that runs out of memory leaves no partial output.
template <class Target, uint32_t N = 2048>
class BlockWriter {
    static_assert(std::is_same_v<Target, StringBuffer> || std::is_same_v<Target, DataBuffer>);
    static_assert(N >= 16, "a block must hold the largest unit a codec writes at once");

public:
    // Text is built of chars, byte buffers of unsigned chars.
    using Unit = std::conditional_t<std::is_same_v<Target, StringBuffer>, char, unsigned char>;
    static constexpr uint32_t kBlockSize = N;

    explicit BlockWriter(Target &target) : m_target(target), m_start(target.getSize()) {}
    BlockWriter(const BlockWriter &) = delete;
    BlockWriter &operator=(const BlockWriter &) = delete;

    // Grows the target once for about n more units, so that a long run does not reallocate
    // block after block. Only a hint: a refusal is not an error here.
    void expect(uint32_t n) {
        if constexpr (std::is_same_v<Target, StringBuffer>) {
            m_target.reserve(n);
        } else {
            uint64_t wanted = static_cast<uint64_t>(m_target.getSize()) + n;
            if (wanted <= DataBuffer::kMaxSize) m_target.ensureCapacity(static_cast<uint32_t>(wanted));
        }
    }

    void put(Unit u) {
        if (m_used == N) flush();
        m_block[m_used++] = u;
    }
    void put2(Unit a, Unit b) {
        Unit *p = room(2);
        p[0] = a;
        p[1] = b;
        m_used += 2;
    }
    void put3(Unit a, Unit b, Unit c) {
        Unit *p = room(3);
        p[0] = a;
        p[1] = b;
        p[2] = c;
        m_used += 3;
    }
    // Space for k (at most N) contiguous units; the caller writes them and calls commit() with
    // the number written.
    Unit *room(uint32_t k) {
        if (N - m_used < k) flush();
        return m_block + m_used;
    }
    void commit(uint32_t k) { m_used += k; }

    bool finish() {
        flush();
        if (!m_ok) m_target.shorten(m_target.getSize() - m_start);
        return m_ok;
    }

private:
    void flush() {
        if (m_used != 0 && m_ok) {
            if constexpr (std::is_same_v<Target, StringBuffer>) {
                m_ok = m_target.appendN(m_block, m_used);
            } else {
                m_ok = m_target.append(m_block, m_used);
            }
        }
        m_used = 0;
    }

    Target &m_target;
    uint32_t m_start;
    uint32_t m_used = 0;
    bool m_ok = true;
    Unit m_block[N];
};

}  // namespace quorvel
