#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class LogBase;

// Raw DEFLATE (RFC 1951) through zlib: no zlib header, no Adler-32 trailer, no gzip wrapper.
// The compressor runs with a 32 KiB window, memory level 8 and the default strategy over input
// chunks of 32768 bytes; the decoder reads any raw DEFLATE stream (stored, fixed and dynamic
// Huffman blocks). Both append to the output, which never passes 4 GiB; the input must not lie
// inside the output buffer.
class DeflateCodec {
public:
    static constexpr int kDefaultLevel = 6;
    static constexpr uint32_t kInputChunk = 32768;

    // Compresses the whole input as one stream at the level (0-9, or -1 for zlib's default)
    // and appends it to out. Empty input gives the two-byte empty stream. On failure out is as
    // it was and the log says why ("Failed to allocated deflate buffer" when memory runs out).
    static bool deflateFromSource(const void *bytes, uint32_t n, DataBuffer &out, int level, LogBase &log);

    // How decoding a stream ended.
    enum class InflateEnd { kComplete, kDamaged, kOutOfMemory };

    // Decodes one raw DEFLATE stream and appends the bytes; anything after the end of the
    // stream is ignored. A damaged or truncated stream, or an output that would reach 4 GiB,
    // fails with "Inflate from source failed." and the decoder's detail, and out keeps the
    // bytes decoded before the failure.
    static bool inflateFromSource(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) {
        return inflateStream(bytes, n, out, log) == InflateEnd::kComplete;
    }
    // The same, telling a damaged stream (whose decoded part may still serve) from memory
    // running out (which leaves a part that means nothing).
    static InflateEnd inflateStream(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log);
};

}  // namespace quorvel
