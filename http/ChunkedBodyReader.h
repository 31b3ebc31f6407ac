#pragma once
#include <cstdint>

namespace quorvel {

class BufferedStreamReader;
class DataBuffer;
class LogBase;

// Reads a chunked body (log context "readChunkedResponse"): size lines with their extensions,
// the chunk data, and after the last chunk either the closing CR LF or trailer fields up to an
// empty line (read and dropped). The body never passes maxSize (0: no limit below 4 GiB); a
// size that would take it past is refused before its data is read.
class ChunkedBodyReader {
public:
    enum class SizeParse { Ok, NoDigits, TooLarge };

    // The leading hexadecimal number of a size line; the extension after it is ignored. Sizes
    // are 32-bit: a larger number is TooLarge.
    static SizeParse parseChunkSize(const char *line, uint32_t n, uint32_t &size);

    static bool readChunkedResponse(BufferedStreamReader &reader, DataBuffer &body, uint64_t maxSize, LogBase &log);

private:
    // The trailer fields after the first one (total: the bytes read so far), dropped; together
    // they are bounded like a header.
    static bool readTrailer(BufferedStreamReader &reader, uint32_t total, LogBase &log);
};

}  // namespace quorvel
