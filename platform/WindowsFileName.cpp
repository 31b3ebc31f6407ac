#include "platform/WindowsFileName.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <new>

namespace quorvel {

namespace {

const char kEmptyPath[] = "openFileWin32: file path is empty.";
const char kOutOfMemory[] = "Out of memory rewriting the file path.";

// Characters (not UTF-8 continuation bytes) before the byte index.
size_t charIndex(const std::string &s, size_t byteIndex) {
    return static_cast<size_t>(std::count_if(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(byteIndex),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Replaces every c at or after start by '_'; true when there was one.
bool replaceFrom(std::string &s, size_t start, char c) {
    if (s.find(c, start) == std::string::npos) return false;
    std::replace(s.begin() + static_cast<std::ptrdiff_t>(start), s.end(), c, '_');
    return true;
}

// The colon is allowed once, as the drive or device separator near the start ("C:", "\\?\C:");
// anywhere else Windows would read it as a stream name, so it becomes '_'.
void applyColonRule(std::string &path, std::vector<WindowsFileName::Note> &notes) {
    size_t first = path.find(':');
    if (first == std::string::npos) return;
    size_t index = charIndex(path, first);
    std::string before = path;
    if (index >= 1 && index <= 7) {
        if (replaceFrom(path, first + 1, ':'))
            notes.push_back({"The : character is not allowed in Windows filenames..", before, path});
    } else {
        // Index 0 is no drive prefix either, so it is treated like a colon further on.
        replaceFrom(path, 0, ':');
        notes.push_back({"The : character is not allowed in Windows filenames.", before, path});
    }
}

void applyCharRule(std::string &path, char c, size_t start, const char *message,
                   std::vector<WindowsFileName::Note> &notes) {
    if (path.find(c, start) == std::string::npos) return;
    std::string before = path;
    replaceFrom(path, start, c);
    notes.push_back({message, before, ""});
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
void applyDeviceNameRule(std::string &path) {
    size_t slash = path.rfind('\\');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    if (start == 0 && path.size() >= 2 && path[1] == ':') start = 2;  // "C:con.txt"
    if (startsWithDeviceName(path.c_str() + start)) path.insert(start, 1, '_');
}

// A note that cannot be stored for want of memory is dropped; the failure result still tells.
void addFailureNote(std::vector<WindowsFileName::Note> &notes, const char *message) {
    try {
        notes.push_back({message, "", ""});
    } catch (const std::bad_alloc &) {
    }
}

}  // namespace

bool WindowsFileName::makeAcceptable(std::string &path, bool forWriting, std::vector<Note> &notes) {
    try {
        std::replace(path.begin(), path.end(), '/', '\\');
        // Line breaks (typically pasted along with a name) are removed before the colon is placed.
        std::erase(path, '\r');
        std::erase(path, '\n');
        if (path.empty()) {
            addFailureNote(notes, kEmptyPath);
            return false;
        }
        // A leading "\\?" is the long-path prefix; its question mark stays.
        size_t questionStart = path.starts_with("\\\\?") ? 3 : 0;
        applyColonRule(path, notes);
        applyCharRule(path, '|', 0, "The | character is not allowed in Windows filenames.", notes);
        applyCharRule(path, '?', questionStart, "The ? character is not allowed in Windows filenames.", notes);
        applyCharRule(path, '*', 0, "The asterisk character is not allowed in Windows filenames.", notes);
        applyCharRule(path, '<', 0, "The open-angle-bracket character is not allowed in Windows filenames.", notes);
        applyCharRule(path, '>', 0, "The close-angle-bracket character is not allowed in Windows filenames.", notes);
        applyCharRule(path, '"', 0, "The double-quote character is not allowed in Windows filenames.", notes);
        if (forWriting) applyDeviceNameRule(path);
        return true;
    } catch (const std::bad_alloc &) {
        addFailureNote(notes, kOutOfMemory);
        return false;
    }
}

bool WindowsFileName::toLongPathForm(std::string &absolutePath) {
    try {
        if (absolutePath.starts_with("\\\\?\\")) return true;
        if (absolutePath.starts_with("\\\\.\\")) {
            // The device namespace "\\.\" has the long-path prefix as its unparsed twin.
            absolutePath[2] = '?';
        } else if (absolutePath.starts_with("\\\\")) {
            absolutePath.replace(0, 1, "\\\\?\\UNC");
        } else {
            absolutePath.insert(0, "\\\\?\\");
        }
        return true;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace quorvel
