#include "platform/WindowsFileName.h"

#include <initializer_list>

#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

const char kEmptyPath[] = "openFileWin32: file path is empty.";
const char kOutOfMemory[] = "Out of memory rewriting the file path.";

// Index of the first occurrence of c at or after start, or -1.
int64_t findByte(const StringBuffer &s, char c, uint32_t start) {
    const char *p = s.getString();
    for (uint32_t i = start; i < s.getSize(); ++i)
        if (p[i] == c) return i;
    return -1;
}

// Characters (not UTF-8 continuation bytes) before the byte index.
uint32_t charIndex(const StringBuffer &s, uint32_t byteIndex) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(s.getString());
    uint32_t count = 0;
    for (uint32_t i = 0; i < byteIndex; ++i)
        if ((p[i] & 0xC0) != 0x80) ++count;
    return count;
}

// Replaces every c at or after start by '_'. False only when memory is exhausted.
bool replaceFrom(StringBuffer &s, uint32_t start, char c, bool &changed) {
    changed = findByte(s, c, start) >= 0;
    if (!changed) return true;
    StringBuffer rest;
    if (!rest.append(s.getString() + start)) return false;
    rest.replaceChar(c, '_');
    StringBuffer out;
    if (!out.appendN(s.getString(), start) || !out.append(rest)) return false;
    s.takeString(out);
    return true;
}

void logChange(LogBase &log, const char *message, const StringBuffer &before, const StringBuffer *after) {
    log.logError(message);
    log.logDataSb("filename", before);
    if (after) log.logDataSb("modifiedFilename", *after);
}

// The colon is allowed once, as the drive or device separator near the start ("C:", "\\?\C:");
// anywhere else Windows would read it as a stream name, so it becomes '_'.
bool applyColonRule(StringBuffer &path, LogBase &log) {
    int64_t first = findByte(path, ':', 0);
    if (first < 0) return true;
    uint32_t index = charIndex(path, static_cast<uint32_t>(first));
    StringBuffer before;
    if (!before.setString(path)) return false;
    bool changed = false;
    if (index >= 1 && index <= 7) {
        if (!replaceFrom(path, static_cast<uint32_t>(first) + 1, ':', changed)) return false;
        if (changed)
            logChange(log, "The : character is not allowed in Windows filenames..", before, &path);
    } else {
        // Index 0 is no drive prefix either, so it is treated like a colon further on.
        if (!replaceFrom(path, 0, ':', changed)) return false;
        logChange(log, "The : character is not allowed in Windows filenames.", before, &path);
    }
    return true;
}

bool applyCharRule(StringBuffer &path, char c, uint32_t start, const char *message, LogBase &log) {
    if (findByte(path, c, start) < 0) return true;
    StringBuffer before;
    if (!before.setString(path)) return false;
    bool changed = false;
    if (!replaceFrom(path, start, c, changed)) return false;
    logChange(log, message, before, nullptr);
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// prefix is lower case.
bool startsWithNoCase(const char *s, const char *prefix) {
    for (; *prefix; ++s, ++prefix)
        if (*s == '\0' || asciiLower(*s) != *prefix) return false;
    return true;
}

// True when the name starts with a device name Windows reserves, followed by a dot.
bool startsWithDeviceName(const char *name) {
    for (const char *reserved : {"con.", "prn.", "aux.", "nul.", "clock$."})
        if (startsWithNoCase(name, reserved)) return true;
    for (const char *stem : {"com", "lpt"})
        if (startsWithNoCase(name, stem) && isDigit(name[3]) && name[4] == '.') return true;
    return false;
}

// A reserved device name is refused as a file name, so "con.txt" is written as "_con.txt".
// Only the last component of the path is the file name.
bool applyDeviceNameRule(StringBuffer &path) {
    const char *p = path.getString();
    uint32_t start = 0;
    for (uint32_t i = 0; i < path.getSize(); ++i)
        if (p[i] == '\\') start = i + 1;
    if (start == 0 && path.getSize() >= 2 && p[1] == ':') start = 2;  // "C:con.txt"
    if (!startsWithDeviceName(p + start)) return true;
    StringBuffer out;
    if (!out.appendN(p, start) || !out.appendChar('_') || !out.append(p + start)) return false;
    path.takeString(out);
    return true;
}

}  // namespace

bool WindowsFileName::makeAcceptable(StringBuffer &path, bool forWriting, LogBase &log) {
    if (path.isEmpty()) {
        log.logError(kEmptyPath);
        return false;
    }
    path.replaceChar('/', '\\');
    // Line breaks (typically pasted along with a name) are removed before the colon is placed.
    path.removeCharOccurrences('\r');
    path.removeCharOccurrences('\n');
    if (path.isEmpty()) {
        log.logError(kEmptyPath);
        return false;
    }
    // A leading "\\?" is the long-path prefix; its question mark stays.
    uint32_t questionStart = path.beginsWith("\\\\?") ? 3 : 0;
    bool ok = applyColonRule(path, log) &&
              applyCharRule(path, '|', 0, "The | character is not allowed in Windows filenames.", log) &&
              applyCharRule(path, '?', questionStart, "The ? character is not allowed in Windows filenames.", log) &&
              applyCharRule(path, '*', 0, "The asterisk character is not allowed in Windows filenames.", log) &&
              applyCharRule(path, '<', 0, "The open-angle-bracket character is not allowed in Windows filenames.",
                            log) &&
              applyCharRule(path, '>', 0, "The close-angle-bracket character is not allowed in Windows filenames.",
                            log) &&
              applyCharRule(path, '"', 0, "The double-quote character is not allowed in Windows filenames.", log) &&
              (!forWriting || applyDeviceNameRule(path));
    if (!ok) log.logError(kOutOfMemory);
    return ok;
}

bool WindowsFileName::toLongPathForm(StringBuffer &absolutePath) {
    if (absolutePath.beginsWith("\\\\?\\")) return true;
    StringBuffer out;
    bool ok;
    if (absolutePath.beginsWith("\\\\.\\")) {
        // The device namespace "\\.\" has the long-path prefix as its unparsed twin.
        ok = out.append("\\\\?\\") && out.append(absolutePath.getString() + 4);
    } else if (absolutePath.beginsWith("\\\\")) {
        ok = out.append("\\\\?\\UNC") && out.append(absolutePath.getString() + 1);
    } else {
        ok = out.append("\\\\?\\") && out.append(absolutePath);
    }
    if (!ok) return false;
    absolutePath.takeString(out);
    return true;
}

}  // namespace quorvel
