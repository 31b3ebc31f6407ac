// The decoding half of DeflateCodec.
#include <zlib.h>

#include "codecs/DeflateCodec.h"
#include "codecs/internal/ZlibOutput.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

constexpr int kRawWindowBits = -15;
constexpr char kInflateFailed[] = "Inflate from source failed.";

void logZlibDetail(const z_stream &zs, int rc, LogBase &log) {
    log.logData("zlibError", zs.msg ? zs.msg : zError(rc));
    log.logDataInt("zlibStatus", rc);
}

}  // namespace

DeflateCodec::InflateEnd DeflateCodec::inflateStream(const void *bytes, uint32_t n, DataBuffer &out, LogBase &log) {
    if (!bytes && n != 0) {
        log.logError(kInflateFailed);
        log.logError("No data to inflate.");
        return InflateEnd::kDamaged;
    }
    z_stream zs{};
    int rc = inflateInit2(&zs, kRawWindowBits);
    if (rc != Z_OK) {
        log.logError(kInflateFailed);
        logZlibDetail(zs, rc, log);
        return rc == Z_MEM_ERROR ? InflateEnd::kOutOfMemory : InflateEnd::kDamaged;
    }

    // Text commonly expands four to ten times: a generous first block rarely has to move, and it
    // is cut to size at the end (pages never written are never touched). Beyond it the block
    // doubles.
    ZlibOutput output(out, static_cast<uint64_t>(n) * 8);
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    uint32_t offset = 0;
    bool roomRefused = false;
    bool truncated = false;
    while (rc == Z_OK || rc == Z_BUF_ERROR) {
        if (zs.avail_in == 0) {
            if (offset == n) {
                truncated = true;
                break;
            }
            const uint32_t chunk = n - offset < kInputChunk ? n - offset : kInputChunk;
            zs.next_in = const_cast<Bytef *>(in + offset);
            zs.avail_in = chunk;
            offset += chunk;
        }
        if (!output.open(zs)) {
            roomRefused = true;
            break;
        }
        rc = inflate(&zs, Z_NO_FLUSH);
        output.commit(zs);
    }

    const bool ok = rc == Z_STREAM_END;
    // zlib allocates its window on the first block; that failing is memory too.
    const bool outOfMemory = !ok && ((roomRefused && !output.atCeiling()) || rc == Z_MEM_ERROR);
    if (!ok) {
        log.logError(kInflateFailed);
        if (roomRefused && output.atCeiling()) {
            log.logError("Inflated data would reach 4 GiB.");
        } else if (roomRefused) {
            log.logAllocationFailure("inflateOutput", output.lastRequest());
        } else if (truncated) {
            log.logError("The deflated data ends before the last block.");
        } else {
            logZlibDetail(zs, rc, log);
        }
        log.logDataUint32("inflatedBytes", output.produced());
    }
    inflateEnd(&zs);
    return ok ? InflateEnd::kComplete : outOfMemory ? InflateEnd::kOutOfMemory : InflateEnd::kDamaged;
}

}  // namespace quorvel
