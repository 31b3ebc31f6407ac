#include "foundation/buffers/DataOutput.h"

#include "foundation/log/LogBase.h"
#include "foundation/base/ProgressEvent.h"

namespace quorvel {

bool DataOutput::writeBytes(const void *bytes, uint32_t n, ProgressEvent *progress, LogBase &log) {
    if (n == 0) return true;
    if (!bytes) return false;
    const unsigned char *p = static_cast<const unsigned char *>(bytes);
    uint32_t done = 0;
    while (done < n) {
        if (progress) {
            bool abort = false;
            progress->abortCheck(abort);
            if (abort) {
                log.logError("Output aborted by application callback.");
                return false;
            }
        }
        uint32_t chunk = n - done < kChunkSize ? n - done : kChunkSize;
        if (!writeChunk(p + done, chunk, log)) return false;
        done += chunk;
        m_written += chunk;
    }
    return true;
}

}  // namespace quorvel
