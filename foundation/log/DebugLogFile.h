#pragma once
#include <cstdint>
#include <cstdio>

namespace quorvel {

class StringBuffer;
class XString;

// The optional debug log file: every entry is appended as one line at the moment it is made.
// The file is opened and closed for each line so that what was written survives a crash of
// the process; a file that cannot be opened is skipped without a word. Lines are indented by
// four spaces per open context. Not locked: the Logger that holds it serialises every call.
class DebugLogFile {
public:
    DebugLogFile();
    ~DebugLogFile();
    DebugLogFile(const DebugLogFile &) = delete;
    DebugLogFile &operator=(const DebugLogFile &) = delete;

    // An empty path switches the file off; any other is copied. False when memory ran out
    // (the previous path is then kept).
    bool setPath(const XString &path);
    // The path, or empty when none is set.
    void getPath(XString &out) const;
    bool isOn() const { return m_path != nullptr; }

    // The depth follows the contexts whether or not a file is set, never going below 0.
    void enterContext(const char *name);
    void leaveContext();
    void resetDepth() { m_depth = 0; }
    int32_t depth() const { return m_depth; }

    void writeLine(const char *text);
    void writeData(const char *tag, const char *value);

private:
    // The file opened for appending one line, with the line's indentation in indent; null
    // when no file is set or it cannot be opened.
    std::FILE *openForLine(StringBuffer &indent) const;

    XString *m_path;
    int32_t m_depth;
};

}  // namespace quorvel
