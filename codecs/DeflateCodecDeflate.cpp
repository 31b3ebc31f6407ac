// The compressing half of DeflateCodec.
#include <zlib.h>

#include "codecs/DeflateCodec.h"
#include "codecs/internal/ZlibOutput.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

// Raw stream: negative window bits leave out the zlib header and trailer.
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;

void logZlibDetail(const z_stream &zs, int rc, LogBase &log) {
    log.logData("zlibError", zs.msg ? zs.msg : zError(rc));
    log.logDataInt("zlibStatus", rc);
}

}  // namespace

bool DeflateCodec::deflateFromSource(const void *bytes, uint32_t n, DataBuffer &out, int level, LogBase &log) {
    if (!bytes && n != 0) {
        log.logError("No data to deflate.");
        return false;
    }
    z_stream zs{};
    int rc = deflateInit2(&zs, level, Z_DEFLATED, kRawWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) {
        log.logError(rc == Z_MEM_ERROR ? "Failed to allocated deflate buffer" : "Failed to start deflate.");
        logZlibDetail(zs, rc, log);
        log.logDataInt("level", level);
        return false;
    }

    // Room for the worst case up front, so the output never moves; the block is cut to size
    // at the end, and pages never written are never touched.
    ZlibOutput output(out, deflateBound(&zs, n));
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    uint32_t offset = 0;
    bool roomRefused = false;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH && !roomRefused && rc != Z_STREAM_ERROR) {
        const uint32_t chunk = n - offset < kInputChunk ? n - offset : kInputChunk;
        zs.next_in = const_cast<Bytef *>(in + offset);
        zs.avail_in = chunk;
        offset += chunk;
        flush = offset == n ? Z_FINISH : Z_NO_FLUSH;
        // zlib is called until it leaves output room unused: then the chunk is consumed (and,
        // when finishing, the stream is complete).
        do {
            if (!output.open(zs)) {
                roomRefused = true;
                break;
            }
            rc = deflate(&zs, flush);
            output.commit(zs);
        } while (zs.avail_out == 0 && rc != Z_STREAM_ERROR);
    }

    const bool ok = !roomRefused && rc == Z_STREAM_END;
    if (!ok) {
        if (roomRefused && output.atCeiling()) {
            log.logError("Deflated data would reach 4 GiB.");
        } else if (roomRefused) {
            log.logError("Failed to allocated deflate buffer");
            log.logAllocationFailure("deflateOutput", output.lastRequest());
        } else {
            log.logError("Deflate failed.");
            logZlibDetail(zs, rc, log);
        }
        output.discard();
    }
    deflateEnd(&zs);
    return ok;
}

}  // namespace quorvel
