#pragma once

namespace quorvel {

class LogBase;
class StringBuffer;

// The rewriting a path needs before the Windows file API takes it. Pure text rules, so they are
// kept apart from the API calls; only the Windows file layer applies them.
class WindowsFileName {
public:
    // Turns '/' into '\', replaces the characters Windows refuses, removes CR and LF and, when
    // writing, puts '_' in front of a reserved device name. Each change is logged. False (with
    // "openFileWin32: file path is empty.") for an empty path.
    static bool makeAcceptable(StringBuffer &path, bool forWriting, LogBase &log);
    // The long-path form of an absolute path: \\?\ kept, \\server\x becomes \\?\UNC\server\x,
    // anything else gets \\?\ in front.
    static void toLongPathForm(StringBuffer &absolutePath);
};

}  // namespace quorvel
