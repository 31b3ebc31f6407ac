#pragma once
#include <string>

#include "foundation/log/LogNull.h"
#include "platform/FileHandle.h"

namespace quorvel::test {

// Everything from the current position on, in chunks small enough to cross chunk borders.
inline std::string readRest(FileHandle &file) {
    LogNull log;
    std::string all;
    char chunk[7];
    uint32_t got = 0;
    do {
        if (!file.read(chunk, sizeof chunk, got, log)) return "<read failed>";
        all.append(chunk, got);
    } while (got != 0);
    return all;
}

inline std::string readFile(const std::string &path) {
    LogNull log;
    FileHandle file;
    return file.openForRead(path.c_str(), log) ? readRest(file) : "<unreadable>";
}

inline bool writeText(FileHandle &file, const std::string &text, LogBase &log) {
    uint32_t written = 0;
    return file.write(text.data(), static_cast<uint32_t>(text.size()), written, log) && written == text.size();
}

inline bool writeFile(const std::string &path, const std::string &text, LogBase &log, bool hidden = false,
                      FileOpenError *why = nullptr) {
    FileHandle file;
    return file.openForWrite(path.c_str(), hidden, log, why) && writeText(file, text, log);
}

}  // namespace quorvel::test
