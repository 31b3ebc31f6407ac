#pragma once
#include <cstdint>
#include <cstdio>

#include "platform/NativeFile.h"

namespace quorvel {

class LogBase;

// An open file: a platform handle, or an adopted C-runtime stream. Paths are UTF-8 and go to the
// platform's NativeFile, which rewrites them for Windows and makes read-only files writable for
// writing. Every failure is logged here, the changes made to a name as well, and the opening
// modes that write do so inside the log context "openForWriteWin32".
class FileHandle {
public:
    static constexpr uint32_t kReadChunk = 65536;
    static constexpr uint32_t kWriteChunk = 10000000;
    // How a file is opened; the open* calls below pick one.
    using Mode = FileOpenMode;

    FileHandle();
    ~FileHandle();
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    // Opens an existing file; others may read and write it meanwhile.
    bool openForRead(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Creates the file or truncates it; exclusive while open (Windows). hidden sets the hidden
    // attribute on Windows and means nothing on POSIX.
    bool openForWrite(const char *pathUtf8, bool hidden, LogBase &log, FileOpenError *why = nullptr);
    // Opens (creating when missing) without truncating; exclusive while open (Windows).
    bool openForReadWrite(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Opens for writing at the end, creating the file when missing.
    bool openForAppend(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Takes over a C-runtime stream (null leaves the handle closed); it is closed with the handle.
    void adoptStream(FILE *stream);

    bool isOpen() const;
    void close();

    // 0xFFFFFFFF on failure, also for files of 4 GiB - 1 bytes or more.
    uint32_t fileSize32(LogBase &log);
    bool fileSize64(int64_t &size, LogBase &log);
    bool seekToEnd(LogBase &log);
    // A negative position fails.
    bool seekTo(int64_t position, LogBase &log);

    // Reads up to n bytes; got < n only at the end of the file. False on a read error.
    bool read(void *buf, uint32_t n, uint32_t &got, LogBase &log);
    // Writes all n bytes, in chunks of at most 10 MB; written tells how many made it.
    bool write(const void *bytes, uint32_t n, uint32_t &written, LogBase &log);

private:
    bool open(const char *pathUtf8, Mode mode, bool hidden, LogBase &log, FileOpenError *why);
    // error: the platform's code of a failure, 0 when the file is not open.
    bool measure(int64_t &size, uint32_t &error);

    intptr_t m_handle;  // platform handle, -1 when none
    FILE *m_stream;     // adopted C-runtime stream, or null
};

}  // namespace quorvel
