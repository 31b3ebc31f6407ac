#pragma once
#include <cstdint>

#include "platform/NetStream.h"

namespace quorvel {

class DataBuffer;
class ProgressEvent;

// Reads an HTTP response from a byte stream through a read-ahead buffer, so that bytes that
// arrive with the header are not lost to the body (nor a body's tail to the next response).
// Every wait for more bytes is limited by the timeout; the byte counts are 32-bit, and no
// read lets its output pass the limit it is given.
class BufferedStreamReader {
public:
    enum class Status {
        Ok,
        Ended,     // the peer closed the stream in order before the read was complete
        Failed,    // the stream failed (error() says why)
        TooLong,   // the output would pass its limit
        NoMemory,  // the output could not grow
        Aborted,   // the progress sink asked to stop
    };

    BufferedStreamReader() = default;
    BufferedStreamReader(const BufferedStreamReader &) = delete;
    BufferedStreamReader &operator=(const BufferedStreamReader &) = delete;

    // Reads from the stream from now on (null: none), dropping any buffered bytes.
    void attach(ByteStream *stream);
    void setTimeoutMs(uint32_t ms) { m_timeoutMs = ms; }
    // Starts the reads of a body: the sink (null: none) hears the running count against
    // expected (-1 when unknown) and may abort, and the NUL watch starts anew. endBody() drops
    // the sink; what the watch saw stays until the next body.
    void beginBody(ProgressEvent *sink, int64_t expected);
    void endBody() { m_sink = nullptr; }
    // Whether a NUL byte was among the bytes readExactly and readToEnd appended since
    // beginBody. They are looked at as they arrive, still in the cache, so that the text made
    // of a large body need not read it all again to find out.
    bool nulSeen() const { return m_nulSeen; }
    const NetError &error() const { return m_error; }
    uint64_t bytesReceived() const { return m_received; }

    // Appends bytes up to and including the first CR LF CR LF; TooLong when out would pass
    // maxBytes before it comes.
    Status readHeaderBlock(DataBuffer &out, uint32_t maxBytes);
    // Appends one line without its LF (and the CR before it); TooLong past maxBytes.
    Status readLine(DataBuffer &line, uint32_t maxBytes);
    // Appends exactly n bytes; out's capacity grows at most up to growthLimit (the limit of
    // the whole body it is part of).
    Status readExactly(uint32_t n, DataBuffer &out, uint64_t growthLimit = 0xFFFFFFFFu);
    // Appends everything until the peer closes the stream; TooLong when out would pass maxSize.
    Status readToEnd(DataBuffer &out, uint64_t maxSize);

private:
    static constexpr uint32_t kBufferSize = 16384;
    static constexpr uint32_t kDirectReadMax = 1u << 20;

    // Refills the empty buffer with one read.
    Status fill();
    // One read of up to n bytes appended straight to out (grown as appendGrowing does).
    Status readInto(DataBuffer &out, uint32_t n, uint64_t growthLimit, uint32_t &got);
    uint32_t available() const { return m_end - m_begin; }
    // Counts the bytes just appended to out for progress and watches them for a NUL.
    Status appended(const DataBuffer &out, uint32_t added);

    ByteStream *m_stream = nullptr;
    uint32_t m_timeoutMs = 20000;
    NetError m_error;
    ProgressEvent *m_sink = nullptr;
    int64_t m_expected = -1;
    uint64_t m_received = 0;
    bool m_nulSeen = false;
    unsigned char m_buffer[kBufferSize];
    uint32_t m_begin = 0;
    uint32_t m_end = 0;
};

}  // namespace quorvel
