#pragma once
#include <cstdint>

namespace quorvel {

class BufferedStreamReader;
class DataBuffer;
class HttpResult;
class LogBase;
class ProgressEvent;

// Reads the body that follows a response header (log context "readResponseBody"): none for
// 204, chunked when Transfer-Encoding says so, else Content-Length bytes, else everything up to
// the server's close. The body never passes maxSize (0: no limit below 4 GiB), checked as it
// grows. readToClose is set when the body ended with the connection.
class ResponseBodyReader {
public:
    // Read-until-close bodies stop here even without a size limit.
    static constexpr uint64_t kMaxReadUntilClose = 17179869184ull;

    static bool readResponseBody(BufferedStreamReader &reader, const HttpResult &result, uint64_t maxSize,
                                 ProgressEvent *sink, DataBuffer &body, bool &readToClose, LogBase &log);

private:
    static bool readUntilClose(BufferedStreamReader &reader, uint64_t maxSize, DataBuffer &body, LogBase &log);
    static bool readContentLength(BufferedStreamReader &reader, int64_t length, uint64_t maxSize, DataBuffer &body,
                                  LogBase &log);
};

}  // namespace quorvel
