#include "foundation/buffers/FileAccess.h"

#include <cstdlib>

#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/buffers/FileHandle.h"
#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/text/StringBuffer.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

// Reads until n bytes arrived or the file ended; false only on a read error.
bool readFully(FileHandle &file, unsigned char *buf, uint32_t n, uint32_t &total, LogBase &log) {
    total = 0;
    while (total < n) {
        uint32_t want = n - total;
        if (want > FileAccess::kReadChunk) want = FileAccess::kReadChunk;
        uint32_t got = 0;
        if (!file.read(buf + total, want, got, log)) return false;
        if (got == 0) break;
        total += got;
    }
    return true;
}

const char *orEmpty(const char *path) { return path ? path : ""; }

void logReadError(const char *path, LogBase &log) {
    log.logData("path", orEmpty(path));
    std::string dir;
    SystemInfo::currentDirectory(dir);
    log.logData("current_dir", dir.c_str());
}

// Opens for writing (truncating) or appending; an open failure logs filename and the message.
bool openOutput(FileHandle &file, const char *path, bool append, const char *openFailure, LogBase &log) {
    bool ok = append ? file.openForAppend(path, log) : file.openForWrite(path, false, log);
    if (!ok) {
        log.logData("filename", orEmpty(path));
        log.logError(openFailure);
    }
    return ok;
}

bool writeAll(FileHandle &file, const void *bytes, uint32_t n, LogBase &log) {
    if (n == 0) return true;
    if (!bytes) return false;
    uint32_t written = 0;
    return file.write(bytes, n, written, log) && written == n;
}

bool writeFile(const char *path, const void *bytes, uint32_t n, bool append, const char *openFailure,
               const char *writeFailure, LogBase &log) {
    FileHandle file;
    if (!openOutput(file, path, append, openFailure, log)) return false;
    if (!writeAll(file, bytes, n, log)) {
        log.logData("filename", orEmpty(path));
        log.logError(writeFailure);
        return false;
    }
    file.close();
    return true;
}

bool failWithPath(const char *message, const char *path, LogBase &log) {
    log.logError(message);
    log.logData("path", orEmpty(path));
    return false;
}

// The header part is an optional prefix followed by the header block.
bool writeHeaderParts(const char *path, const unsigned char *prefix, uint32_t prefixSize, const void *header,
                      uint32_t headerSize, const void *bytes, uint32_t n, LogBase &log) {
    FileHandle file;
    if (!openOutput(file, path, false, "Failed to write complete file (7)", log)) return false;
    if (!writeAll(file, prefix, prefixSize, log) || !writeAll(file, header, headerSize, log)) {
        log.logError("Failed to write header");
        return false;
    }
    if (!writeAll(file, bytes, n, log)) {
        log.logError("Failed to write file data after header.");
        return false;
    }
    file.close();
    return true;
}

}  // namespace

bool FileAccess::readWholeFile(const char *pathUtf8, DataBuffer &out, LogBase &log) {
    LogContextExitor ctx(log, "loadFileX");
    out.release();
    FileHandle file;
    if (!file.openForRead(pathUtf8, log)) return false;

    int64_t size = 0;
    if (!file.fileSize64(size, log)) {
        log.logError("Failed to get file size.");
        return false;
    }
    if (size == 0) return true;
    if (size < 0 || static_cast<uint64_t>(size) > DataBuffer::kMaxSize) {
        log.logError("Out of memory for data buffer");
        log.logDataInt64("fileSize", size);
        return false;
    }

    uint32_t fileSize = static_cast<uint32_t>(size);
    uint64_t allocSize = static_cast<uint64_t>(fileSize) + kReadSlack;
    if (allocSize > DataBuffer::kMaxSize) allocSize = DataBuffer::kMaxSize;
    unsigned char *block = static_cast<unsigned char *>(std::calloc(static_cast<size_t>(allocSize), 1));
    if (!block) {
        log.logError("Out of memory");
        log.logDataInt64("fileSize", size);
        return false;
    }

    uint32_t numRead = 0;
    if (!readFully(file, block, fileSize, numRead, log)) {
        logReadError(pathUtf8, log);
        std::free(block);
        return false;
    }
    if (numRead != fileSize) {
        log.logDataInt64("fileSize", size);
        log.logDataUint32("numBytesRead", numRead);
        log.logError("Failed to read the entire file (2)");
        std::free(block);
        return false;
    }
    out.adopt(block, static_cast<uint32_t>(allocSize));
    out.setSize(fileSize);
    return true;
}

bool FileAccess::writeWholeFile(const char *pathUtf8, const void *bytes, uint32_t n, LogBase &log) {
    return writeFile(pathUtf8, bytes, n, false, "Failed to write complete file (7)",
                     "Failed to write complete file (1)", log);
}

bool FileAccess::appendToFile(const char *pathUtf8, const void *bytes, uint32_t n, LogBase &log) {
    return writeFile(pathUtf8, bytes, n, true, "Failed to write complete file (2)",
                     "Failed to write complete file (2)", log);
}

bool FileAccess::writeHeaderThenData(const char *pathUtf8, const void *header, uint32_t headerSize,
                                     const void *bytes, uint32_t n, LogBase &log) {
    return writeHeaderParts(pathUtf8, nullptr, 0, header, headerSize, bytes, n, log);
}

bool FileAccess::saveWithHeader(const char *pathUtf8, const DataBuffer &header, const DataBuffer &data,
                                LogBase &log) {
    uint32_t headerSize = header.getSize();
    unsigned char prefix[4];
    for (int i = 0; i < 4; ++i) prefix[i] = static_cast<unsigned char>(headerSize >> (8 * i));
    return writeHeaderParts(pathUtf8, prefix, 4, header.getData(), headerSize, data.getData(), data.getSize(), log);
}

bool FileAccess::loadWithHeader(const char *pathUtf8, DataBuffer &header, DataBuffer &data, LogBase &log) {
    FileHandle file;
    if (!file.openForRead(pathUtf8, log)) {
        log.logData("path", orEmpty(pathUtf8));
        return false;
    }
    int64_t size = 0;
    if (!file.fileSize64(size, log)) return failWithPath("Failed to get file size.", pathUtf8, log);
    if (size < 4) return failWithPath("File is empty or too small", pathUtf8, log);

    unsigned char prefix[4];
    uint32_t got = 0;
    if (!readFully(file, prefix, 4, got, log) || got != 4)
        return failWithPath("Failed to read the entire header", pathUtf8, log);
    uint32_t headerSize = static_cast<uint32_t>(prefix[0]) | static_cast<uint32_t>(prefix[1]) << 8 |
                          static_cast<uint32_t>(prefix[2]) << 16 | static_cast<uint32_t>(prefix[3]) << 24;
    if (static_cast<uint64_t>(headerSize) > static_cast<uint64_t>(size) - 4)
        return failWithPath("Invalid header size", pathUtf8, log);

    DataBuffer newHeader;
    if (!newHeader.ensureCapacity(headerSize)) return failWithPath("Out of memory for header.", pathUtf8, log);
    if (!readFully(file, newHeader.getData(), headerSize, got, log) || got != headerSize)
        return failWithPath("Failed to read the entire header", pathUtf8, log);
    newHeader.setSize(headerSize);

    uint64_t rest = static_cast<uint64_t>(size) - 4 - headerSize;
    DataBuffer newData;
    if (rest > DataBuffer::kMaxSize || !newData.ensureCapacity(static_cast<uint32_t>(rest)))
        return failWithPath("Out of memory reading file after header", pathUtf8, log);
    uint32_t dataSize = static_cast<uint32_t>(rest);
    if (!readFully(file, newData.getData(), dataSize, got, log) || got != dataSize)
        return failWithPath("Failed to read the entire file (1)", pathUtf8, log);
    newData.setSize(dataSize);

    header.takeData(newHeader);
    data.takeData(newData);
    return true;
}

}  // namespace quorvel
