#include "platform/FileHandle.h"

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "foundation/text/StringBuffer.h"
#include "platform/SystemInfo.h"
#include "platform/internal/NativeFile.h"

namespace quorvel {

namespace {

constexpr uint32_t kSizeFailed = 0xFFFFFFFF;

}  // namespace

FileHandle::FileHandle() : m_handle(NativeFile::kNone), m_stream(nullptr) {}

FileHandle::~FileHandle() { close(); }

bool FileHandle::isOpen() const { return m_handle != NativeFile::kNone || m_stream != nullptr; }

void FileHandle::close() {
    if (m_handle != NativeFile::kNone) NativeFile::close(m_handle);
    if (m_stream) std::fclose(m_stream);
    m_handle = NativeFile::kNone;
    m_stream = nullptr;
}

void FileHandle::adoptStream(FILE *stream) {
    close();
    m_stream = stream;
}

bool FileHandle::openForRead(const char *pathUtf8, LogBase &log, FileOpenError *why) {
    return open(pathUtf8, Mode::Read, false, log, why);
}

bool FileHandle::openForWrite(const char *pathUtf8, bool hidden, LogBase &log, FileOpenError *why) {
    return open(pathUtf8, Mode::Write, hidden, log, why);
}

bool FileHandle::openForReadWrite(const char *pathUtf8, LogBase &log, FileOpenError *why) {
    return open(pathUtf8, Mode::ReadWrite, false, log, why);
}

bool FileHandle::openForAppend(const char *pathUtf8, LogBase &log, FileOpenError *why) {
    return open(pathUtf8, Mode::Append, false, log, why);
}

bool FileHandle::open(const char *pathUtf8, Mode mode, bool hidden, LogBase &log, FileOpenError *why) {
    if (why) *why = FileOpenError::None;
    close();
    LogContextExitor context(log, "openForWriteWin32", mode != Mode::Read);
    if (!pathUtf8 || !*pathUtf8) {
        log.logError("openFileWin32: file path is empty.");
        if (why) *why = FileOpenError::Other;
        return false;
    }
    StringBuffer usedPath;
    intptr_t handle = NativeFile::open(pathUtf8, mode, hidden, usedPath, log);
    if (handle == NativeFile::kNone) {
        uint32_t code = SystemInfo::lastErrorCode();
        log.logLastPlatformError();
        if (usedPath.isEmpty())
            log.logData("localWindowsFilePath", pathUtf8);
        else
            log.logDataSb("localWindowsFilePath", usedPath);
        if (why) *why = NativeFile::classify(code);
        return false;
    }
    m_handle = handle;
    if (mode == Mode::Append && !seekToEnd(log)) {
        close();
        if (why) *why = FileOpenError::Other;
        return false;
    }
    return true;
}

bool FileHandle::measure(int64_t &size) {
    size = 0;
    if (m_stream) {
        int64_t here = 0;
        if (!NativeFile::streamTell(m_stream, here)) return false;
        bool ok = NativeFile::streamSeek(m_stream, 0, true) && NativeFile::streamTell(m_stream, size);
        // The position is put back even when the end could not be measured.
        return NativeFile::streamSeek(m_stream, here, false) && ok;
    }
    return m_handle != NativeFile::kNone && NativeFile::size(m_handle, size);
}

bool FileHandle::fileSize64(int64_t &size, LogBase &log) {
    if (measure(size)) return true;
    size = 0;
    log.logError("Failed to get file size (64)");
    return false;
}

uint32_t FileHandle::fileSize32(LogBase &log) {
    int64_t size = 0;
    if (!measure(size)) {
        if (isOpen()) log.logLastPlatformError();
        log.logError("Failed to get file size (32)");
        return kSizeFailed;
    }
    if (size < 0 || size >= static_cast<int64_t>(kSizeFailed)) {
        // 4 GiB or more does not fit, and a size equal to the failure value could not be told
        // apart from a failure.
        log.logError("Failed to get file size (32)");
        log.logDataInt64("fileSize", size);
        return kSizeFailed;
    }
    return static_cast<uint32_t>(size);
}

bool FileHandle::seekToEnd(LogBase &log) {
    if (m_stream) {
        if (NativeFile::streamSeek(m_stream, 0, true)) return true;
        log.logError("Failed to fseek to end of file");
        return false;
    }
    if (m_handle != NativeFile::kNone && NativeFile::seek(m_handle, 0, true)) return true;
    log.logError("Failed to SetFilePointer to end of file.");
    return false;
}

bool FileHandle::seekTo(int64_t position, LogBase &log) {
    if (m_stream) {
        if (position >= 0 && NativeFile::streamSeek(m_stream, position, false)) return true;
        log.logError("Failed to fseek to absolute file position");
        log.logDataInt64("position", position);
        return false;
    }
    if (position >= 0 && m_handle != NativeFile::kNone && NativeFile::seek(m_handle, position, false)) return true;
    log.logError("Failed to SetFilePointer to absolute file position");
    log.logDataInt64("position", position);
    return false;
}

bool FileHandle::read(void *buf, uint32_t n, uint32_t &got, LogBase &log) {
    got = 0;
    if (!buf) {
        log.logError("NULL buf pointer.");
        return false;
    }
    if (!isOpen()) {
        log.logError("Failed to read because file is not open.");
        return false;
    }
    unsigned char *dest = static_cast<unsigned char *>(buf);
    if (m_stream) {
        got = static_cast<uint32_t>(std::fread(dest, 1, n, m_stream));
        if (got < n && std::ferror(m_stream)) {
            log.logError("fread failed.");
            return false;
        }
        return true;
    }
    // A single call may return less than asked before the end (pipes, signals), so keep going
    // until the end of the file says otherwise.
    while (got < n) {
        uint32_t step = 0;
        if (!NativeFile::read(m_handle, dest + got, n - got, step)) {
            log.logLastPlatformError();
            log.logError("Failed to read from file.");
            return false;
        }
        if (step == 0) break;
        got += step;
    }
    return true;
}

bool FileHandle::write(const void *bytes, uint32_t n, uint32_t &written, LogBase &log) {
    written = 0;
    if (!isOpen()) {
        log.logError("Failed to write because file is not open.");
        return false;
    }
    if (n == 0) return true;
    if (!bytes) {
        log.logError("NULL buf pointer.");
        return false;
    }
    const unsigned char *src = static_cast<const unsigned char *>(bytes);
    while (written < n) {
        uint32_t chunk = n - written < kWriteChunk ? n - written : kWriteChunk;
        if (m_stream) {
            uint32_t step = static_cast<uint32_t>(std::fwrite(src + written, 1, chunk, m_stream));
            written += step;
            if (step < chunk) {
                log.logError("fwrite failed.");
                return false;
            }
            continue;
        }
        uint32_t step = 0;
        bool ok = NativeFile::write(m_handle, src + written, chunk, step);
        if (ok && step == 0) {
            // No progress and no error would loop for ever; report it as the disk being full.
            SystemInfo::setLastErrorCode(NativeFile::diskFullCode());
            ok = false;
        }
        if (!ok) {
            LogContextExitor context(log, "WriteFileError");
            log.logLastPlatformError();
            return false;
        }
        written += step;
    }
    return true;
}

}  // namespace quorvel
