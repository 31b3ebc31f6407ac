#pragma once
#include <cstdint>

namespace quorvel {

class DataOutput;
class LogBase;
class ProgressEvent;

// Something to read bytes from, chunk by chunk, with the same abort check as DataOutput.
class DataSource {
public:
    static constexpr uint32_t kCopyChunk = 32768;

    virtual ~DataSource() = default;
    // Reads up to maxBytes; got is 0 only at the end of the source (or for maxBytes 0). The
    // abort callback is consulted first ("Read source bytes aborted by application callback.").
    bool readSourceBytes(unsigned char *buf, uint32_t maxBytes, uint32_t &got, ProgressEvent *progress,
                         LogBase &log);
    // Copies everything that is left into the output in chunks of kCopyChunk, consulting the
    // abort callback before each ("Source read aborted by application callback.").
    bool copyToOutput(DataOutput &out, ProgressEvent *progress, LogBase &log);
    virtual bool endOfSource() const = 0;

protected:
    virtual bool readChunk(unsigned char *buf, uint32_t maxBytes, uint32_t &got, LogBase &log) = 0;
};

}  // namespace quorvel
