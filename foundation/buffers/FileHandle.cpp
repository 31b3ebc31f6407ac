#include "foundation/buffers/FileHandle.h"

#include <string>
#include <vector>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "platform/SystemInfo.h"

namespace quorvel {

namespace {

constexpr uint32_t kSizeFailed = 0xFFFFFFFF;

// WindowsError and WindowsErrorCode for a platform error code, which also becomes the thread's
// last error as the failed call itself would have left it.
void logPlatformError(uint32_t code, LogBase &log) {
    SystemInfo::setLastErrorCode(code);
    log.logLastPlatformError();
}

void logNameNotes(const std::vector<WindowsFileName::Note> &notes, LogBase &log) {
    for (const WindowsFileName::Note &note : notes) {
        log.logError(note.message.c_str());
        if (!note.filename.empty()) log.logData("filename", note.filename.c_str());
        if (!note.modifiedFilename.empty()) log.logData("modifiedFilename", note.modifiedFilename.c_str());
    }
}

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
    std::string usedPath;
    std::vector<WindowsFileName::Note> notes;
    intptr_t handle = NativeFile::kNone;
    uint32_t code = NativeFile::open(pathUtf8, mode, hidden, handle, usedPath, notes);
    logNameNotes(notes, log);
    if (code != 0) {
        logPlatformError(code, log);
        log.logData("localWindowsFilePath", usedPath.empty() ? pathUtf8 : usedPath.c_str());
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

bool FileHandle::measure(int64_t &size, uint32_t &error) {
    size = 0;
    error = 0;
    if (m_stream) {
        int64_t here = 0;
        error = NativeFile::streamTell(m_stream, here);
        if (error != 0) return false;
        error = NativeFile::streamSeek(m_stream, 0, true);
        if (error == 0) error = NativeFile::streamTell(m_stream, size);
        // The position is put back even when the end could not be measured.
        uint32_t back = NativeFile::streamSeek(m_stream, here, false);
        if (error == 0) error = back;
        return error == 0;
    }
    if (m_handle == NativeFile::kNone) return false;
    error = NativeFile::size(m_handle, size);
    return error == 0;
}

bool FileHandle::fileSize64(int64_t &size, LogBase &log) {
    uint32_t error = 0;
    if (measure(size, error)) return true;
    size = 0;
    log.logError("Failed to get file size (64)");
    return false;
}

uint32_t FileHandle::fileSize32(LogBase &log) {
    int64_t size = 0;
    uint32_t error = 0;
    if (!measure(size, error)) {
        if (isOpen()) logPlatformError(error, log);
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
        if (NativeFile::streamSeek(m_stream, 0, true) == 0) return true;
        log.logError("Failed to fseek to end of file");
        return false;
    }
    if (m_handle != NativeFile::kNone && NativeFile::seek(m_handle, 0, true) == 0) return true;
    log.logError("Failed to SetFilePointer to end of file.");
    return false;
}

bool FileHandle::seekTo(int64_t position, LogBase &log) {
    if (m_stream) {
        if (position >= 0 && NativeFile::streamSeek(m_stream, position, false) == 0) return true;
        log.logError("Failed to fseek to absolute file position");
        log.logDataInt64("position", position);
        return false;
    }
    if (position >= 0 && m_handle != NativeFile::kNone && NativeFile::seek(m_handle, position, false) == 0) return true;
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
        if (uint32_t code = NativeFile::read(m_handle, dest + got, n - got, step)) {
            logPlatformError(code, log);
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
        uint32_t code = NativeFile::write(m_handle, src + written, chunk, step);
        // No progress and no error would loop for ever; it is reported as the disk being full.
        if (code == 0 && step == 0) code = NativeFile::diskFullCode();
        if (code != 0) {
            LogContextExitor context(log, "WriteFileError");
            logPlatformError(code, log);
            return false;
        }
        written += step;
    }
    return true;
}

}  // namespace quorvel
