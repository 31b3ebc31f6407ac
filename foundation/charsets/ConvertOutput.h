#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;

// Where a conversion writes. While the target has free capacity the bytes go straight into
// it; otherwise they are collected in a small local block that is appended when it fills, so a
// character-by-character converter makes few appends and the target grows as appends grow it.
// It also records the two ways a conversion can fall short: a dropped character (the output
// stays, the result is false) and a failed append (memory or the 4 GiB limit).
// The target takes in the bytes written at the latest with flush, and must not be used
// otherwise until then.
class ConvertOutput {
public:
    explicit ConvertOutput(DataBuffer &target);
    ConvertOutput(const ConvertOutput &) = delete;
    ConvertOutput &operator=(const ConvertOutput &) = delete;

    void put(unsigned char b) {
        if (m_cursor == m_limit) makeRoom(1);
        *m_cursor++ = b;
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
    // size). The loop writes there and hands back where it stopped.
    static constexpr uint32_t kBlockSize = 512;
    unsigned char *room(uint32_t need) {
        if (static_cast<uint32_t>(m_limit - m_cursor) < need) makeRoom(need);
        return m_cursor;
    }
    void commit(unsigned char *end) { m_cursor = end; }

    void noteDropped() { m_dropped = true; }
    bool dropped() const { return m_dropped; }
    bool failed() const { return m_failed; }

    // Hands everything written to the target; false when some append failed.
    bool flush();

private:
    // Hands what is written to the target, then points the cursor at room for need bytes.
    void makeRoom(uint32_t need);
    void settle();

    DataBuffer &m_target;
    unsigned char *m_cursor;
    unsigned char *m_limit;
    bool m_direct = false;  // the cursor is in the target's own storage
    bool m_dropped = false;
    bool m_failed = false;
    unsigned char m_block[kBlockSize];
};

}  // namespace quorvel
