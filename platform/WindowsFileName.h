#pragma once
#include <string>
#include <vector>

namespace quorvel {

// The rewriting a path needs before the Windows file API takes it. Pure text rules, so they are
// kept apart from the API calls; only the Windows file layer applies them.
class WindowsFileName {
public:
    // One change made to a path (or the reason it was refused), for the caller's log: the
    // message as an error, then filename and modifiedFilename as data when they are not empty.
    struct Note {
        std::string message;
        std::string filename;          // the path before the change
        std::string modifiedFilename;  // the path after it, where the rule reports it
    };

    // Turns '/' into '\', removes CR and LF, replaces the characters Windows refuses (a colon
    // stays only as the drive or device separator within the first 8 characters; a '?' stays
    // only in a leading "\\?") and, when writing, puts '_' in front of a file name that starts
    // with a reserved device name and a dot ("con.txt" -> "_con.txt"). Each replacement adds a
    // note. False (with the note "openFileWin32: file path is empty.") for a path that is or
    // becomes empty, and when memory is exhausted.
    static bool makeAcceptable(std::string &path, bool forWriting, std::vector<Note> &notes);
    // The long-path form of an absolute path: \\?\ kept, \\.\x becomes \\?\x, \\server\x
    // becomes \\?\UNC\server\x, anything else gets \\?\ in front. False when memory is exhausted.
    static bool toLongPathForm(std::string &absolutePath);
};

}  // namespace quorvel
