// Loading a whole file as text, the path every load-from-file operation takes.
#include "foundation/buffers/DataBuffer.h"
#include "foundation/buffers/FileHandle.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

bool StringBuffer::loadFileText(const char *pathUtf8, LogBase &log) {
    if (m_marker != kValidMarker) return false;
    clear();
    FileHandle file;
    if (!file.openForRead(pathUtf8, log)) return false;  // the file layer said why

    uint32_t size = file.fileSize32(log);
    if (size == 0xFFFFFFFFu) {
        log.logError("Failed to get file size when loading string from file");
        log.logData("filename", pathUtf8 ? pathUtf8 : "");
        return false;
    }
    if (size == 0) return true;

    // Four spare bytes leave room for a wide terminator.
    if (!ensureRoom(static_cast<uint64_t>(size) + 4)) {
        log.logError("Out of memory reading file into string m_buffer");
        log.logDataUint32("fileSize", size);
        return false;
    }

    uint32_t got = 0;
    bool readOk = file.read(m_data, size, got, log);
    if (got > size) got = size;
    setLength(got);
    if (!readOk) {
        log.logData("filename", pathUtf8 ? pathUtf8 : "");
        log.logError("Failed to read data from file");
        return false;
    }
    if (got != size) {
        log.logDataUint32("filesize", size);
        log.logDataUint32("bytes_received", got);
        log.logData("filename", pathUtf8 ? pathUtf8 : "");
        log.logError("Failed to read the entire file (3)");
        return false;
    }

    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(m_data);
    if (got >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        // UTF-16 with a byte-order mark; the converter drops the mark itself.
        uint32_t fromCodePage = bytes[0] == 0xFF ? 1200 : 1201;
        DataBuffer utf8;
        EncodingConvert converter;
        bool ok = converter.convert(fromCodePage, 65001, bytes, got, utf8, log);
        if (!ok && utf8.isEmpty()) {
            clear();
            log.logError("Failed to convert UTF-16 file text to UTF-8");
            log.logData("filename", pathUtf8 ? pathUtf8 : "");
            return false;
        }
        if (!takeData(utf8)) {
            clear();
            log.logError("Out of memory reading file into string m_buffer");
            log.logDataUint32("fileSize", size);
            return false;
        }
        return ok;
    }
    // A UTF-8 byte-order mark is not part of the text, even when nothing follows it.
    if (got >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) removeChunk(0, 3);
    // Trailing NUL bytes never count as text.
    uint32_t len = m_length;
    while (len > 0 && m_data[len - 1] == 0) --len;
    setLength(len);
    return true;
}

}  // namespace quorvel
