#include "foundation/buffers/DataOutputFile.h"

namespace quorvel {

bool DataOutputFile::openNew(const char *pathUtf8, LogBase &log) {
    m_file.close();
    return m_file.openForWrite(pathUtf8, false, log);
}

bool DataOutputFile::openAppend(const char *pathUtf8, LogBase &log) {
    m_file.close();
    return m_file.openForAppend(pathUtf8, log);
}

bool DataOutputFile::close(LogBase &) {
    m_file.close();
    return true;
}

bool DataOutputFile::writeChunk(const unsigned char *bytes, uint32_t n, LogBase &log) {
    uint32_t written = 0;
    return m_file.write(bytes, n, written, log) && written == n;
}

}  // namespace quorvel
