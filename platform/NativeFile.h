#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/WindowsFileName.h"

namespace quorvel {

// Why an open failed, for callers that report it. A missing file counts as PathNotFound too.
enum class FileOpenError { None, AccessDenied, PathNotFound, Other };

// How a file is opened: Read shares the file with others; the writing modes have it to
// themselves (Windows). Write creates or truncates, ReadWrite and Append create a missing file.
enum class FileOpenMode { Read, Write, ReadWrite, Append };

// The operating system's file calls, one implementation in posix/ and one in win32/. Paths are
// UTF-8. Nothing is logged here: each call returns 0 on success or the platform's error code
// (errno, GetLastError; never 0 on a failure) for the caller to report.
//
// On Windows the name is first made acceptable to the file API (see WindowsFileName) and long
// or non-ANSI paths take the \\?\ form; on POSIX the path is used exactly as given. A write
// refused on an existing read-only file (the read-only attribute on Windows, no owner write
// permission on POSIX) is retried once after making the file writable.
class NativeFile {
public:
    static constexpr intptr_t kNone = -1;

    // Opens a non-empty path into handle (kNone on failure). usedPath receives the path as it was
    // handed to the system, empty when it was refused before; notes, the changes made to the name.
    // hidden sets the hidden attribute on Windows and means nothing on POSIX.
    static uint32_t open(const char *pathUtf8, FileOpenMode mode, bool hidden, intptr_t &handle,
                         std::string &usedPath, std::vector<WindowsFileName::Note> &notes);
    // The kind of failure an error code of open stands for.
    static FileOpenError classify(uint32_t code);
    static void close(intptr_t handle);
    static uint32_t size(intptr_t handle, int64_t &size);
    static uint32_t seek(intptr_t handle, int64_t position, bool fromEnd);
    // One read; got 0 means the end of the file.
    static uint32_t read(intptr_t handle, void *buf, uint32_t n, uint32_t &got);
    // One write; written may fall short of n.
    static uint32_t write(intptr_t handle, const void *bytes, uint32_t n, uint32_t &written);

    // The platform's error code for a full disk.
    static uint32_t diskFullCode();

    // 64-bit positioning of a C-runtime stream.
    static uint32_t streamSeek(FILE *stream, int64_t position, bool fromEnd);
    static uint32_t streamTell(FILE *stream, int64_t &position);
};

}  // namespace quorvel
