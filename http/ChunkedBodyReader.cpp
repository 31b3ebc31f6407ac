#include "http/ChunkedBodyReader.h"

#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/BufferedStreamReader.h"
#include "http/HttpControl.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

using Status = BufferedStreamReader::Status;

// A size line holds a number and perhaps an extension; nothing honest comes near this length.
constexpr uint32_t kMaxSizeLine = 65536;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void logReadFailure(const BufferedStreamReader &reader, Status s, LogBase &log) {
    if (s == Status::Failed && !reader.error().text.empty()) log.logData("readError", reader.error().text.c_str());
    else if (s == Status::Ended) log.logInfo("The server closed the connection.");
    else if (s == Status::Aborted) log.logError("Aborted by application callback.");
}

}  // namespace

ChunkedBodyReader::SizeParse ChunkedBodyReader::parseChunkSize(const char *line, uint32_t n, uint32_t &size) {
    uint32_t i = 0;
    while (i < n && http_text::isSpaceOrTab(line[i])) ++i;
    uint64_t value = 0;
    uint32_t digits = 0;
    for (; i < n && hexValue(line[i]) >= 0; ++i, ++digits) {
        value = value * 16 + static_cast<uint64_t>(hexValue(line[i]));
        if (value > 0xFFFFFFFFu) return SizeParse::TooLarge;
    }
    if (digits == 0) return SizeParse::NoDigits;
    size = static_cast<uint32_t>(value);
    return SizeParse::Ok;
}

bool ChunkedBodyReader::readTrailer(BufferedStreamReader &reader, uint32_t total, LogBase &log) {
    for (;;) {
        if (total >= HttpControl::kMaxResponseHeaderSize) {
            log.logError("chunk response error 4");
            return false;
        }
        DataBuffer line;
        const Status s = reader.readLine(line, HttpControl::kMaxResponseHeaderSize - total);
        if (s != Status::Ok) {
            log.logError(s == Status::TooLong ? "chunk response error 4" : "chunk response error 3");
            logReadFailure(reader, s, log);
            return false;
        }
        if (line.isEmpty()) return true;
        total += line.getSize() + 2;
        if (!line.find(":", 1)) {
            log.logError("chunk response error 4");
            return false;
        }
    }
}

bool ChunkedBodyReader::readChunkedResponse(BufferedStreamReader &reader, DataBuffer &body, uint64_t maxSize,
                                            LogBase &log) {
    LogContextExitor context(log, "readChunkedResponse");
    const uint64_t limit = maxSize == 0 || maxSize > DataBuffer::kMaxSize ? DataBuffer::kMaxSize : maxSize;
    for (;;) {
        DataBuffer line;
        Status s = reader.readLine(line, kMaxSizeLine);
        if (s != Status::Ok) {
            log.logError("Failed to get next chunk size.");
            logReadFailure(reader, s, log);
            return false;
        }
        uint32_t size = 0;
        const SizeParse parsed =
            parseChunkSize(reinterpret_cast<const char *>(line.getData()), line.getSize(), size);
        if (parsed != SizeParse::Ok) {
            log.logError("Failed to parse chunk length.");
            if (parsed == SizeParse::TooLarge) log.logError("The chunk size does not fit in 32 bits.");
            line.shorten(line.getSize() > 80 ? line.getSize() - 80 : 0);
            log.logDataQpBytes("chunkSizeLine", line.getData(), line.getSize());
            return false;
        }
        if (size == 0) {
            // The closing CR LF, or trailer fields up to an empty line.
            DataBuffer first;
            s = reader.readLine(first, HttpControl::kMaxResponseHeaderSize);
            if (s != Status::Ok) {
                log.logError(s == Status::TooLong ? "chunk response error 4" : "chunk response error 3");
                logReadFailure(reader, s, log);
                return false;
            }
            if (first.isEmpty()) return true;
            if (!first.find(":", 1)) {
                log.logError("chunk response error 4");
                return false;
            }
            return readTrailer(reader, first.getSize() + 2, log);
        }
        if (static_cast<uint64_t>(body.getSize()) + size > limit) {
            log.logError(limit == DataBuffer::kMaxSize && maxSize == 0 ? "Response is too large for memory."
                                                                       : "Chunked response is too large.");
            log.logDataInt64("maxContentLength", static_cast<int64_t>(limit));
            log.logDataUint32("receivedSoFar", body.getSize());
            log.logDataUint32("chunkSize", size);
            return false;
        }
        s = reader.readExactly(size, body, limit);
        if (s != Status::Ok) {
            log.logError("Failed to read chunk data.");
            logReadFailure(reader, s, log);
            return false;
        }
        DataBuffer crlf;
        s = reader.readExactly(2, crlf);
        if (s != Status::Ok || crlf.getData()[0] != '\r' || crlf.getData()[1] != '\n') {
            log.logError("Failed to read trailing CRLF after chunk.");
            logReadFailure(reader, s, log);
            return false;
        }
    }
}

}  // namespace quorvel
