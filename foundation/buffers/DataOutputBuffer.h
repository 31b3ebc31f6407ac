#pragma once
#include <cstdint>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/buffers/DataOutput.h"
#include "foundation/buffers/DataOutputFile.h"

namespace quorvel {

// Output into a DataBuffer (not owned), which grows to half again of the size it needs. It can
// be told to move to a file once the bytes held would pass a size; from then on the buffer is
// empty and everything, earlier bytes included, is in the file.
class DataOutputBuffer : public DataOutput {
public:
    explicit DataOutputBuffer(DataBuffer &target) : m_target(target) {}

    // Reroutes to the file at pathUtf8 (created or truncated) when a write would take the buffer
    // past rerouteSize bytes; a null path or size 0 turns rerouting off. False when memory is
    // exhausted.
    bool setRerouteFile(const char *pathUtf8, uint32_t rerouteSize);
    bool isRerouted() const { return m_rerouted; }
    bool close(LogBase &log) override;

protected:
    bool writeChunk(const unsigned char *bytes, uint32_t n, LogBase &log) override;

private:
    bool reroute(LogBase &log);
    // Room for needed bytes in all: half again as much when memory allows.
    bool growTarget(uint32_t needed, LogBase &log);

    DataBuffer &m_target;
    DataBuffer m_reroutePath;  // NUL-terminated UTF-8, empty when rerouting is off
    uint32_t m_rerouteSize = 0;
    bool m_rerouted = false;
    DataOutputFile m_file;
};

}  // namespace quorvel
