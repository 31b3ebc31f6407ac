#include "http/BufferedStreamReader.h"

#include <cstring>

#include "foundation/base/ProgressEvent.h"
#include "foundation/buffers/DataBuffer.h"
#include "http/internal/GrowingAppend.h"
#include "platform/MemoryPages.h"

namespace quorvel {

using Status = BufferedStreamReader::Status;

void BufferedStreamReader::attach(ByteStream *stream) {
    m_stream = stream;
    m_begin = m_end = 0;
    m_error.clear();
}

void BufferedStreamReader::beginBody(ProgressEvent *sink, int64_t expected) {
    m_sink = sink;
    m_expected = expected;
    m_received = 0;
    m_nulSeen = false;
}

Status BufferedStreamReader::fill() {
    m_begin = m_end = 0;
    if (!m_stream) {
        m_error.set(NetError::Kind::Closed, 0, "No connection.");
        return Status::Failed;
    }
    size_t got = 0;
    if (!m_stream->readSome(m_buffer, kBufferSize, got, m_timeoutMs, m_error)) return Status::Failed;
    if (got == 0) return Status::Ended;
    m_end = static_cast<uint32_t>(got);
    return Status::Ok;
}

Status BufferedStreamReader::appended(const DataBuffer &out, uint32_t added) {
    if (!m_nulSeen && std::memchr(out.getData() + out.getSize() - added, 0, added)) m_nulSeen = true;
    m_received += added;
    if (!m_sink) return Status::Ok;
    bool abort = false;
    m_sink->receiveProgress(m_received, m_expected, abort);
    return abort ? Status::Aborted : Status::Ok;
}

Status BufferedStreamReader::readHeaderBlock(DataBuffer &out, uint32_t maxBytes) {
    static constexpr unsigned char kEnd[4] = {'\r', '\n', '\r', '\n'};
    // How many bytes of CR LF CR LF the output already ends with.
    uint32_t matched = 0;
    for (;;) {
        if (available() == 0) {
            const Status s = fill();
            if (s != Status::Ok) return s;
        }
        uint32_t i = m_begin;
        while (i < m_end && matched < 4) {
            const unsigned char c = m_buffer[i++];
            matched = c == kEnd[matched] ? matched + 1 : (c == '\r' ? 1 : 0);
        }
        const uint32_t take = i - m_begin;
        if (static_cast<uint64_t>(out.getSize()) + take > maxBytes) return Status::TooLong;
        if (!out.append(m_buffer + m_begin, take)) return Status::NoMemory;
        m_begin = i;
        if (matched == 4) return Status::Ok;
    }
}

Status BufferedStreamReader::readLine(DataBuffer &line, uint32_t maxBytes) {
    for (;;) {
        if (available() == 0) {
            const Status s = fill();
            if (s != Status::Ok) return s;
        }
        const void *lf = std::memchr(m_buffer + m_begin, '\n', available());
        const uint32_t take = lf ? static_cast<uint32_t>(static_cast<const unsigned char *>(lf) - (m_buffer + m_begin))
                                 : available();
        if (static_cast<uint64_t>(line.getSize()) + take > maxBytes) return Status::TooLong;
        if (!line.append(m_buffer + m_begin, take)) return Status::NoMemory;
        m_begin += take;
        if (lf) {
            ++m_begin;
            if (!line.isEmpty() && line.lastByte() == '\r') line.shorten(1);
            return Status::Ok;
        }
    }
}

Status BufferedStreamReader::readInto(DataBuffer &out, uint32_t n, uint64_t growthLimit, uint32_t &got) {
    got = 0;
    if (!m_stream) {
        m_error.set(NetError::Kind::Closed, 0, "No connection.");
        return Status::Failed;
    }
    if (!http_buffer::reserveGrowing(out, n, growthLimit)) return Status::NoMemory;
    size_t received = 0;
    unsigned char *room = out.getData() + out.getSize();
    backPagesForWriting(room, n);
    if (!m_stream->readSome(room, n, received, m_timeoutMs, m_error)) return Status::Failed;
    if (received == 0) return Status::Ended;
    got = static_cast<uint32_t>(received);
    out.setSize(out.getSize() + got);
    return Status::Ok;
}

Status BufferedStreamReader::readExactly(uint32_t n, DataBuffer &out, uint64_t growthLimit) {
    if (static_cast<uint64_t>(out.getSize()) + n > DataBuffer::kMaxSize) return Status::TooLong;
    while (n > 0) {
        uint32_t take = 0;
        if (available() > 0) {
            take = available() < n ? available() : n;
            if (!http_buffer::appendGrowing(out, m_buffer + m_begin, take, growthLimit)) return Status::NoMemory;
            m_begin += take;
        } else if (n >= kBufferSize && !out.isBorrowed()) {
            // A large rest goes from the stream straight into the output, with no stop in the
            // read-ahead buffer. Each read is capped, so the output grows with what arrives
            // rather than with what the server announced.
            const Status s = readInto(out, n < kDirectReadMax ? n : kDirectReadMax, growthLimit, take);
            if (s != Status::Ok) return s;
        } else {
            const Status s = fill();
            if (s != Status::Ok) return s;
            continue;
        }
        n -= take;
        const Status s = appended(out, take);
        if (s != Status::Ok) return s;
    }
    return Status::Ok;
}

Status BufferedStreamReader::readToEnd(DataBuffer &out, uint64_t maxSize) {
    if (maxSize > DataBuffer::kMaxSize) maxSize = DataBuffer::kMaxSize;
    for (;;) {
        if (available() == 0) {
            const Status s = fill();
            if (s == Status::Ended) return Status::Ok;
            if (s != Status::Ok) return s;
        }
        const uint32_t take = available();
        if (static_cast<uint64_t>(out.getSize()) + take > maxSize) return Status::TooLong;
        if (!http_buffer::appendGrowing(out, m_buffer + m_begin, take, maxSize)) return Status::NoMemory;
        m_begin += take;
        const Status s = appended(out, take);
        if (s != Status::Ok) return s;
    }
}

}  // namespace quorvel
