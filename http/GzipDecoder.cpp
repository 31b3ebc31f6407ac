#include "http/GzipDecoder.h"

#include <zlib.h>

#include <cstring>

#include "codecs/Crc32.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/log/LogBase.h"
#include "http/internal/GrowingAppend.h"
#include "platform/MemoryPages.h"

namespace quorvel {

namespace {

constexpr uint32_t kFixedHeader = 10;
constexpr uint32_t kTrailer = 8;
constexpr unsigned char kFlagHeaderCrc = 2, kFlagExtra = 4, kFlagName = 8, kFlagComment = 16;
constexpr unsigned char kReservedFlags = 0xE0;
constexpr uint32_t kOutputStep = 65536;
constexpr uint32_t kInflateWindow = 262144;

uint32_t readLe32(const unsigned char *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Skips a zero-terminated field; false when the terminator is missing.
bool skipZeroTerminated(const unsigned char *data, uint32_t n, uint32_t &at) {
    while (at < n && data[at] != 0) ++at;
    if (at == n) return false;
    ++at;
    return true;
}

}  // namespace

uint32_t GzipDecoder::memberHeaderLength(const unsigned char *data, uint32_t n, LogBase &log) {
    if (n < kFixedHeader || data[0] != 0x1F || data[1] != 0x8B) {
        log.logError("Not gzip data.");
        return 0;
    }
    if (data[2] != 8) {
        log.logError("Invalid GZip compression method");
        log.logDataInt("compressionMethod", data[2]);
        return 0;
    }
    const unsigned char flags = data[3];
    if (flags & kReservedFlags) {
        log.logError("Reserved gzip header flags are set.");
        return 0;
    }
    uint32_t at = kFixedHeader;
    bool ok = true;
    if (flags & kFlagExtra) {
        ok = n - at >= 2;
        if (ok) {
            const uint32_t extraLength = static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8;
            at += 2;
            ok = n - at >= extraLength;
            if (ok) at += extraLength;
        }
    }
    if (ok && (flags & kFlagName)) ok = skipZeroTerminated(data, n, at);
    if (ok && (flags & kFlagComment)) ok = skipZeroTerminated(data, n, at);
    if (ok && (flags & kFlagHeaderCrc)) {
        ok = n - at >= 2;
        if (ok) at += 2;
    }
    if (!ok) {
        log.logError("The gzip header ends early.");
        return 0;
    }
    return at;
}

bool GzipDecoder::inflateMember(const unsigned char *data, uint32_t n, DataBuffer &out, uint64_t maxOut,
                                uint32_t &consumed, bool &nulSeen, LogBase &log) {
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
        log.logError("Failed to initialise the inflater.");
        return false;
    }
    zs.next_in = const_cast<Bytef *>(data);
    zs.avail_in = n;
    const uint32_t startSize = out.getSize();
    const uint64_t growthLimit = maxOut < DataBuffer::kMaxSize ? maxOut + 1 : DataBuffer::kMaxSize;
    uint32_t crc = 0;
    int rc = Z_OK;
    bool ok = true;
    while (ok && rc != Z_STREAM_END) {
        // Inflates straight into the output's free room, grown a step at a time; room for one
        // byte past maxOut is enough to notice an output that would pass it.
        const uint64_t room = growthLimit - out.getSize();
        const uint32_t step = room < kOutputStep ? static_cast<uint32_t>(room) : kOutputStep;
        if (step > 0 && !http_buffer::reserveGrowing(out, step, growthLimit)) {
            log.logAllocationFailure("ungzip", static_cast<uint64_t>(out.getSize()) + step);
            ok = false;
            break;
        }
        const uint32_t freeRoom = out.getCapacity() - out.getSize();
        if (freeRoom == 0) {
            log.logError("The decompressed body would be larger than the maximum response size.");
            ok = false;
            break;
        }
        // A window at a time, so that the CRC and the NUL search read bytes still in the cache.
        const uint32_t space = freeRoom < kInflateWindow ? freeRoom : kInflateWindow;
        unsigned char *at = out.getData() + out.getSize();
        backPagesForWriting(at, space);
        zs.next_out = at;
        zs.avail_out = space;
        rc = inflate(&zs, Z_NO_FLUSH);
        const uint32_t produced = space - zs.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && produced > 0)) {
            if (rc == Z_BUF_ERROR) log.logError("The gzip data ends early.");
            else log.logData("zlibError", zs.msg ? zs.msg : zError(rc));
            ok = false;
            break;
        }
        if (static_cast<uint64_t>(out.getSize()) + produced > maxOut) {
            log.logError("The decompressed body would be larger than the maximum response size.");
            log.logDataInt64("maxResponseSize", static_cast<int64_t>(maxOut));
            ok = false;
            break;
        }
        out.setSize(out.getSize() + produced);
        crc = crc32Update(crc, at, produced);
        if (!nulSeen && std::memchr(at, 0, produced)) nulSeen = true;
        if (rc == Z_OK && produced == 0 && zs.avail_in == 0) {
            log.logError("The gzip data ends early.");
            ok = false;
        }
    }
    const uint32_t used = n - zs.avail_in;
    inflateEnd(&zs);
    if (!ok) return false;

    if (n - used < kTrailer) {
        log.logError("The gzip data ends early.");
        return false;
    }
    const uint32_t inflated = out.getSize() - startSize;
    if (readLe32(data + used) != crc) {
        log.logError("The gzip CRC-32 does not match the data.");
        return false;
    }
    if (readLe32(data + used + 4) != inflated) {
        log.logError("The gzip size does not match the data.");
        return false;
    }
    consumed = used + kTrailer;
    return true;
}

bool GzipDecoder::ungzip(const unsigned char *data, uint32_t n, DataBuffer &out, uint64_t maxOut, LogBase &log,
                         bool *nulSeen) {
    if (maxOut == 0 || maxOut > DataBuffer::kMaxSize) maxOut = DataBuffer::kMaxSize;
    bool sawNul = false;
    uint32_t at = 0;
    do {
        const uint32_t header = memberHeaderLength(data + at, n - at, log);
        if (header == 0) return false;
        uint32_t consumed = 0;
        if (!inflateMember(data + at + header, n - at - header, out, maxOut, consumed, sawNul, log)) return false;
        at += header + consumed;
    } while (n - at >= kFixedHeader && data[at] == 0x1F && data[at + 1] == 0x8B);
    if (at < n) {
        log.logInfo("Ignoring bytes after the gzip data.");
        log.logDataUint32("ignoredBytes", n - at);
    }
    if (nulSeen) *nulSeen = sawNul;
    return true;
}

}  // namespace quorvel
