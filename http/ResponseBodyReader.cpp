#include "http/ResponseBodyReader.h"

#include "foundation/base/ProgressEvent.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/text/StringBuffer.h"
#include "http/BufferedStreamReader.h"
#include "http/ChunkedBodyReader.h"
#include "http/HttpResult.h"

namespace quorvel {

namespace {

using Status = BufferedStreamReader::Status;

void logTooLarge(uint64_t maxSize, LogBase &log) {
    if (maxSize != 0) {
        log.logError("Response body larger than MaxResponseSize property set by application.");
        log.logDataInt64("MaxResponseSize", static_cast<int64_t>(maxSize));
    } else {
        log.logError("Response is too large for memory.");
    }
}

void logStatus(const BufferedStreamReader &reader, Status s, uint64_t maxSize, LogBase &log) {
    switch (s) {
        case Status::Ok:
            break;
        case Status::TooLong:
            logTooLarge(maxSize, log);
            break;
        case Status::NoMemory:
            log.logError("Failed to allocate memory for HTTP response data.");
            break;
        case Status::Aborted:
            log.logError("Aborted by application callback.");
            break;
        case Status::Ended:
            log.logError("The server closed the connection before the whole body was received.");
            break;
        case Status::Failed:
            log.logError("The connection failed while the body was received.");
            log.logData("readError", reader.error().text.c_str());
            break;
    }
}

}  // namespace

bool ResponseBodyReader::readUntilClose(BufferedStreamReader &reader, uint64_t maxSize, DataBuffer &body,
                                        LogBase &log) {
    log.logInfo("Non-chunked response with no Content-Length.");
    LogContextExitor context(log, "readingUntilServerClosesConnection");
    log.logInfo("Any errors reported within this context are not actual errors...");
    const uint64_t limit = maxSize != 0 && maxSize < kMaxReadUntilClose ? maxSize : kMaxReadUntilClose;
    // Only the server's orderly close ends such a body: a reset or a timeout leaves it cut short.
    const Status s = reader.readToEnd(body, limit);
    logStatus(reader, s, maxSize, log);
    return s == Status::Ok;
}

bool ResponseBodyReader::readContentLength(BufferedStreamReader &reader, int64_t length, uint64_t maxSize,
                                           DataBuffer &body, LogBase &log) {
    if (maxSize != 0 && static_cast<uint64_t>(length) > maxSize) {
        logTooLarge(maxSize, log);
        return false;
    }
    if (static_cast<uint64_t>(length) + body.getSize() > DataBuffer::kMaxSize) {
        log.logError("Response is too large for memory.");
        return false;
    }
    const uint32_t n = static_cast<uint32_t>(length);
    if (!body.ensureCapacity(body.getSize() + n)) {
        log.logError("Failed to allocate memory for HTTP response data.");
        log.logDataUint32("numBytes", n);
        return false;
    }
    const Status s = reader.readExactly(n, body);
    logStatus(reader, s, maxSize, log);
    return s == Status::Ok;
}

bool ResponseBodyReader::readResponseBody(BufferedStreamReader &reader, const HttpResult &result, uint64_t maxSize,
                                          ProgressEvent *sink, DataBuffer &body, bool &readToClose, LogBase &log) {
    LogContextExitor context(log, "readResponseBody");
    readToClose = false;
    if (result.statusCode() == 204) return true;
    const bool hasLength = result.contentLengthPresent();
    if (hasLength) log.logDataInt64("contentLength", result.contentLength());
    else log.logInfo("Response has no Content-Length header.");

    StringBuffer transferEncoding;
    result.responseHeader().getField("Transfer-Encoding", transferEncoding);
    transferEncoding.trim();
    const bool chunked = transferEncoding.equalsIgnoreCase("chunked");
    if (!chunked && hasLength && result.contentLength() == 0) return true;

    const int64_t expected = !chunked && hasLength ? result.contentLength() : -1;
    if (sink) sink->receiveBegin(expected);
    reader.beginBody(sink, expected);
    bool ok;
    if (chunked) {
        ok = ChunkedBodyReader::readChunkedResponse(reader, body, maxSize, log);
    } else if (!hasLength) {
        ok = readUntilClose(reader, maxSize, body, log);
        readToClose = true;
    } else {
        ok = readContentLength(reader, result.contentLength(), maxSize, body, log);
    }
    if (sink) sink->receiveEnd(reader.bytesReceived());
    reader.endBody();
    return ok;
}

}  // namespace quorvel
