#pragma once
#include <cstdint>

namespace quorvel {

class LogBase;
class ProgressEvent;

// Where a producer writes its bytes, chunk by chunk. Before each chunk of at most kChunkSize
// bytes the abort callback of the progress event (when given) is consulted; an abort fails the
// write with "Output aborted by application callback.".
class DataOutput {
public:
    static constexpr uint32_t kChunkSize = 65536;

    virtual ~DataOutput() = default;
    // No bytes is a successful no-op; null bytes with n > 0 fail.
    bool writeBytes(const void *bytes, uint32_t n, ProgressEvent *progress, LogBase &log);
    uint64_t bytesWritten() const { return m_written; }
    virtual bool close(LogBase &log) = 0;

protected:
    virtual bool writeChunk(const unsigned char *bytes, uint32_t n, LogBase &log) = 0;

private:
    uint64_t m_written = 0;
};

}  // namespace quorvel
