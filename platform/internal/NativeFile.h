#pragma once
#include <cstdint>
#include <cstdio>

#include "platform/FileHandle.h"

namespace quorvel {

class LogBase;
class StringBuffer;

// The operating-system calls behind FileHandle, one implementation in posix/ and one in win32/.
// FileHandle keeps the logging and the messages, so that they are the same everywhere; these
// calls only report success and leave the platform error as the thread's last error.
// Only the platform layer sees it: headers under internal/ are not installed.
class NativeFile {
public:
    using Mode = FileHandle::Mode;
    static constexpr intptr_t kNone = -1;

    // Opens a non-empty path; kNone on failure. usedPath receives the path as it was handed to
    // the system, for the failure log. Changes made to the name are logged here.
    static intptr_t open(const char *pathUtf8, Mode mode, bool hidden, StringBuffer &usedPath, LogBase &log);
    // The kind of failure a platform error code stands for.
    static FileOpenError classify(uint32_t code);
    static void close(intptr_t handle);
    static bool size(intptr_t handle, int64_t &size);
    static bool seek(intptr_t handle, int64_t position, bool fromEnd);
    // One read; got 0 means the end of the file.
    static bool read(intptr_t handle, void *buf, uint32_t n, uint32_t &got);
    // One write; written may fall short of n.
    static bool write(intptr_t handle, const void *bytes, uint32_t n, uint32_t &written);

    // The platform's error code for a full disk.
    static uint32_t diskFullCode();

    // 64-bit positioning of a C-runtime stream.
    static bool streamSeek(FILE *stream, int64_t position, bool fromEnd);
    static bool streamTell(FILE *stream, int64_t &position);
};

}  // namespace quorvel
