#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;

// Where a conversion writes: bytes are collected in a small local block and appended to the
// target buffer when it fills, so a character-by-character converter makes few appends.
// It also records the two ways a conversion can fall short: a dropped character (the output
// stays, the result is false) and a failed append (memory or the 4 GiB limit).
class ConvertOutput {
public:
    explicit ConvertOutput(DataBuffer &target);
    ConvertOutput(const ConvertOutput &) = delete;
    ConvertOutput &operator=(const ConvertOutput &) = delete;

    void put(unsigned char b) {
        if (m_used == kBlockSize) flush();
        m_block[m_used++] = b;
    }
    void putBytes(const unsigned char *bytes, uint32_t n);
    void putUtf16(uint32_t unit, bool bigEndian) {
        const auto lo = static_cast<unsigned char>(unit & 0xFF);
        const auto hi = static_cast<unsigned char>((unit >> 8) & 0xFF);
        put(bigEndian ? hi : lo);
        put(bigEndian ? lo : hi);
    }
    void putUtf32(uint32_t cp, bool bigEndian);

    // For loops that write many bytes at once: room for at least `need` bytes (at most the block
    // size) at the end of the block, flushing it first when short. The loop writes there and
    // hands back where it stopped.
    static constexpr uint32_t kBlockSize = 512;
    unsigned char *room(uint32_t need) {
        if (kBlockSize - m_used < need) flush();
        return m_block + m_used;
    }
    void commit(const unsigned char *end) { m_used = static_cast<uint32_t>(end - m_block); }

    void noteDropped() { m_dropped = true; }
    bool dropped() const { return m_dropped; }
    bool failed() const { return m_failed; }

    // Appends what is still in the block; false when some append failed.
    bool flush();

private:
    DataBuffer &m_target;
    unsigned char m_block[kBlockSize];
    uint32_t m_used = 0;
    bool m_dropped = false;
    bool m_failed = false;
};

}  // namespace quorvel
