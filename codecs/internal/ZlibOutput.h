#pragma once
#include <cstdint>
#include <zlib.h>

namespace quorvel {

class DataBuffer;

// Lets zlib write straight into a DataBuffer's storage. For the length of one stream the buffer's
// block is taken out of it and grown with realloc, which large blocks mostly do without moving
// any byte; at the end the block, cut to its size, goes back into the buffer. Only the codec
// sources include it: zlib's header stays out of the installed interface.
class ZlibOutput {
public:
    static constexpr uint32_t kMinRoom = 32768;

    // firstGrowth: the room to take when the block first has to grow (a guess at the output size).
    ZlibOutput(DataBuffer &out, uint64_t firstGrowth) : m_out(out), m_firstGrowth(firstGrowth) {}
    // Hands the block back to the buffer, holding everything kept.
    ~ZlibOutput();
    ZlibOutput(const ZlibOutput &) = delete;
    ZlibOutput &operator=(const ZlibOutput &) = delete;

    // Points the stream's output at the free space after the data, growing the block when less
    // than kMinRoom is free. False when no byte of room can be had: memory is exhausted or the
    // data is at its 4 GiB ceiling (see atCeiling).
    bool open(z_stream &zs);
    // Takes what zlib wrote since open() into the size.
    void commit(const z_stream &zs);

    uint32_t produced() const { return m_size - m_start; }
    bool atCeiling() const;
    // The bytes the last failed growth asked for, for the allocation-failure log.
    uint64_t lastRequest() const { return m_lastRequest; }
    // Drops what this stream produced: the buffer gets back exactly what it had.
    void discard() { m_size = m_start; }

private:
    bool take();
    bool grow();

    DataBuffer &m_out;
    uint64_t m_firstGrowth;
    uint64_t m_lastRequest = 0;
    unsigned char *m_block = nullptr;
    uint32_t m_start = 0;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
    bool m_taken = false;
};

}  // namespace quorvel
