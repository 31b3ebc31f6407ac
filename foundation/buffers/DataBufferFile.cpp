// DataBuffer: the whole-file group, carried out by FileAccess.
#include "foundation/buffers/DataBuffer.h"
#include "foundation/buffers/FileAccess.h"

namespace quorvel {

bool DataBuffer::loadFile(const char *pathUtf8, LogBase &log) {
    if (!isValidObject()) return false;
    return FileAccess::readWholeFile(pathUtf8, *this, log);
}

bool DataBuffer::saveToFile(const char *pathUtf8, LogBase &log) const {
    if (!isValidObject()) return false;
    return FileAccess::writeWholeFile(pathUtf8, m_data, m_size, log);
}

bool DataBuffer::appendToFile(const char *pathUtf8, LogBase &log) const {
    if (!isValidObject()) return false;
    return FileAccess::appendToFile(pathUtf8, m_data, m_size, log);
}

bool DataBuffer::saveToFileWithHeader(const char *pathUtf8, const DataBuffer &header, LogBase &log) const {
    if (!isValidObject()) return false;
    return FileAccess::saveWithHeader(pathUtf8, header, *this, log);
}

bool DataBuffer::loadFileWithHeader(const char *pathUtf8, DataBuffer &header, LogBase &log) {
    if (!isValidObject()) return false;
    return FileAccess::loadWithHeader(pathUtf8, header, *this, log);
}

}  // namespace quorvel
