#pragma once
#include <cstdint>
#include <cstdio>

namespace quorvel {

class LogBase;

// Why an open failed, for callers that report it.
enum class FileOpenError { None, AccessDenied, PathNotFound, Other };

// An open file: a platform handle, or an adopted C-runtime stream. Paths are UTF-8. On Windows
// the name is first made acceptable to the file API (see WindowsFileName) and long paths take
// the \\?\ form; on POSIX the path is used exactly as given. Every failure is logged.
class FileHandle {
public:
    static constexpr uint32_t kReadChunk = 65536;
    static constexpr uint32_t kWriteChunk = 10000000;

    FileHandle();
    ~FileHandle();
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    bool openForRead(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Creates the file or truncates it; exclusive while open.
    bool openForWrite(const char *pathUtf8, bool hidden, LogBase &log, FileOpenError *why = nullptr);
    // Opens (creating when missing) without truncating.
    bool openForReadWrite(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Opens for writing at the end, creating the file when missing.
    bool openForAppend(const char *pathUtf8, LogBase &log, FileOpenError *why = nullptr);
    // Takes over a C-runtime stream; it is closed with the handle.
    void adoptStream(FILE *stream);

    bool isOpen() const;
    void close();

    // 0xFFFFFFFF on failure (also for files of 4 GiB or more).
    uint32_t fileSize32(LogBase &log);
    bool fileSize64(int64_t &size, LogBase &log);
    bool seekToEnd(LogBase &log);
    bool seekTo(int64_t position, LogBase &log);

    // Reads up to n bytes; got < n only at the end of the file. False on a read error.
    bool read(void *buf, uint32_t n, uint32_t &got, LogBase &log);
    // Writes all n bytes, in chunks of at most 10 MB; written tells how many made it.
    bool write(const void *bytes, uint32_t n, uint32_t &written, LogBase &log);

private:
    bool open(const char *pathUtf8, int mode, bool hidden, LogBase &log, FileOpenError *why);

    intptr_t m_handle;  // platform handle, -1 when none
    FILE *m_stream;     // adopted C-runtime stream, or null
};

}  // namespace quorvel
