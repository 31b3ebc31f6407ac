#pragma once
#include <cstdint>

#include "foundation/StringBuffer.h"

namespace quorvel {

// Collects an encoder's output in a local block of N bytes and appends it to the target in one
// call whenever the block fills, so that a long encoding costs one append per block instead of
// one per character. finish() appends the rest; when any append failed it takes the target back
// to the length it had when the writer was made, so a failed encoding leaves no partial text.
template <uint32_t N>
class TextBlockWriter {
    static_assert(N >= 16, "a block must hold the largest unit an encoder writes at once");

public:
    explicit TextBlockWriter(StringBuffer &target) : m_target(target), m_start(target.getSize()) {}
    TextBlockWriter(const TextBlockWriter &) = delete;
    TextBlockWriter &operator=(const TextBlockWriter &) = delete;

    void put(char c) {
        if (m_used == N) flush();
        m_block[m_used++] = c;
    }
    void put2(char a, char b) {
        char *p = room(2);
        p[0] = a;
        p[1] = b;
        m_used += 2;
    }
    void put3(char a, char b, char c) {
        char *p = room(3);
        p[0] = a;
        p[1] = b;
        p[2] = c;
        m_used += 3;
    }
    void putText(const char *text) {
        while (*text) put(*text++);
    }
    // Space for k (at most the block size) contiguous bytes; the caller writes them and calls
    // commit() with the number written.
    char *room(uint32_t k) {
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
        if (m_used != 0 && m_ok) m_ok = m_target.appendN(m_block, m_used);
        m_used = 0;
    }

    StringBuffer &m_target;
    uint32_t m_start;
    uint32_t m_used = 0;
    bool m_ok = true;
    char m_block[N];
};

}  // namespace quorvel
