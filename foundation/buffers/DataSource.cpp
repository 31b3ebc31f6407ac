#include "foundation/buffers/DataSource.h"

#include "foundation/buffers/DataOutput.h"
#include "foundation/log/LogBase.h"
#include "foundation/base/ProgressEvent.h"

namespace quorvel {

namespace {

bool abortRequested(ProgressEvent *progress) {
    if (!progress) return false;
    bool abort = false;
    progress->abortCheck(abort);
    return abort;
}

}  // namespace

bool DataSource::readSourceBytes(unsigned char *buf, uint32_t maxBytes, uint32_t &got, ProgressEvent *progress,
                                 LogBase &log) {
    got = 0;
    if (abortRequested(progress)) {
        log.logError("Read source bytes aborted by application callback.");
        return false;
    }
    if (maxBytes == 0) return true;
    if (!buf) return false;
    return readChunk(buf, maxBytes, got, log);
}

bool DataSource::copyToOutput(DataOutput &out, ProgressEvent *progress, LogBase &log) {
    unsigned char buf[kCopyChunk];
    while (!endOfSource()) {
        if (abortRequested(progress)) {
            log.logError("Source read aborted by application callback.");
            return false;
        }
        uint32_t got = 0;
        if (!readChunk(buf, kCopyChunk, got, log)) return false;
        if (got == 0) break;
        // The callback was consulted for this chunk already.
        if (!out.writeBytes(buf, got, nullptr, log)) return false;
    }
    return true;
}

}  // namespace quorvel
