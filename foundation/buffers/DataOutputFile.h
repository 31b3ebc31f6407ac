#pragma once
#include <cstdint>

#include "foundation/buffers/DataOutput.h"
#include "foundation/buffers/FileHandle.h"

namespace quorvel {

// Output into a file. The file is closed by close() or with the object.
class DataOutputFile : public DataOutput {
public:
    DataOutputFile() = default;
    DataOutputFile(const DataOutputFile &) = delete;
    DataOutputFile &operator=(const DataOutputFile &) = delete;

    // Creates the file or truncates it.
    bool openNew(const char *pathUtf8, LogBase &log);
    // Writes after the current end, creating the file when missing.
    bool openAppend(const char *pathUtf8, LogBase &log);
    bool isOpen() const { return m_file.isOpen(); }
    bool close(LogBase &log) override;

protected:
    bool writeChunk(const unsigned char *bytes, uint32_t n, LogBase &log) override;

private:
    FileHandle m_file;
};

}  // namespace quorvel
