#pragma once
#include <string>
#include <vector>

#include "platform/NativeFile.h"

namespace quorvel::test {

// One open through the platform's file API with everything it reports, closed with the object.
struct OpenedFile {
    intptr_t handle = NativeFile::kNone;
    std::string usedPath;
    std::vector<WindowsFileName::Note> notes;
    uint32_t error;

    OpenedFile(const std::string &path, FileOpenMode mode, bool hidden = false)
        : error(NativeFile::open(path.c_str(), mode, hidden, handle, usedPath, notes)) {}
    ~OpenedFile() {
        if (handle != NativeFile::kNone) NativeFile::close(handle);
    }
    OpenedFile(const OpenedFile &) = delete;

    // From the current position to the end, in steps small enough to need several calls.
    std::string readRest() {
        std::string all;
        char chunk[7];
        uint32_t got = 0;
        do {
            if (NativeFile::read(handle, chunk, sizeof chunk, got) != 0) return "<read failed>";
            all.append(chunk, got);
        } while (got != 0);
        return all;
    }
    bool writeAll(const std::string &text) {
        uint32_t n = static_cast<uint32_t>(text.size()), written = 0;
        return NativeFile::write(handle, text.data(), n, written) == 0 && written == n;
    }
};

inline std::string readWhole(const std::string &path) {
    OpenedFile file(path, FileOpenMode::Read);
    return file.error == 0 ? file.readRest() : "<unreadable>";
}

inline bool writeWhole(const std::string &path, const std::string &text, bool hidden = false) {
    OpenedFile file(path, FileOpenMode::Write, hidden);
    return file.error == 0 && file.writeAll(text);
}

}  // namespace quorvel::test
