#pragma once

namespace quorvel {

class LogBase;
class StringBuffer;

// The rewriting a path needs before the Windows file API takes it. Pure text rules, so they are
// kept apart from the API calls; only the Windows file layer applies them.
class WindowsFileName {
public:
    // Turns '/' into '\', removes CR and LF, replaces the characters Windows refuses (a colon
    // stays only as the drive or device separator within the first 8 characters; a '?' stays
    // only in a leading "\\?") and, when writing, puts '_' in front of a file name that starts
    // with a reserved device name and a dot ("con.txt" -> "_con.txt"). Each replacement is
    // logged. False (with "openFileWin32: file path is empty.") for a path that is or becomes
    // empty, and when memory is exhausted.
    static bool makeAcceptable(StringBuffer &path, bool forWriting, LogBase &log);
    // The long-path form of an absolute path: \\?\ kept, \\.\x becomes \\?\x, \\server\x
    // becomes \\?\UNC\server\x, anything else gets \\?\ in front. False when memory is exhausted.
    static bool toLongPathForm(StringBuffer &absolutePath);
};

}  // namespace quorvel
