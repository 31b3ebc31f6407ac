#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class LogBase;

// Whole-file reads and writes over the platform FileHandle; every failure is logged and
// reported by a false result. No partial file is ever deleted.
class FileAccess {
public:
    // Replaces out with the whole file (log context "loadFileX"); out is empty after a failure.
    static bool readWholeFile(const char *pathUtf8, DataBuffer &out, LogBase &log);
    // Creates or truncates the file and writes the bytes; no bytes leave an empty file.
    static bool writeWholeFile(const char *pathUtf8, const void *bytes, uint32_t n, LogBase &log);
    // Writes the bytes at the end of the file, creating it when missing.
    static bool appendToFile(const char *pathUtf8, const void *bytes, uint32_t n, LogBase &log);
    // Creates or truncates the file and writes the header block, then the data.
    static bool writeHeaderThenData(const char *pathUtf8, const void *header, uint32_t headerSize,
                                    const void *bytes, uint32_t n, LogBase &log);

    // Files with a length-prefixed header: a 4-byte little-endian header length, the header,
    // then the data. The two calls are each other's inverse. A failed load leaves header and
    // data unchanged.
    static bool saveWithHeader(const char *pathUtf8, const DataBuffer &header, const DataBuffer &data,
                               LogBase &log);
    static bool loadWithHeader(const char *pathUtf8, DataBuffer &header, DataBuffer &data, LogBase &log);

    static constexpr uint32_t kReadChunk = 65536;
    // Slack after the bytes of a file read whole, so that callers may terminate the text.
    static constexpr uint32_t kReadSlack = 32;
};

}  // namespace quorvel
