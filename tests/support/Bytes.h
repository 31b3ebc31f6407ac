#pragma once
#include <string>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel::test {

// Byte-exact views of the buffers as std::string, for assertions.
inline std::string textOf(const StringBuffer &sb) { return std::string(sb.getString(), sb.getSize()); }

inline std::string bytesOf(const DataBuffer &db) {
    return db.getSize() == 0 ? std::string() : std::string(reinterpret_cast<const char *>(db.getData()), db.getSize());
}

// An operation's result and the bytes it left, for one assertion: "false|" before the bytes
// after a failure. The buffer is read after the operation, which is evaluated as the argument.
inline std::string outcome(bool ok, const StringBuffer &sb) { return (ok ? "" : "false|") + textOf(sb); }
inline std::string outcome(bool ok, const DataBuffer &db) { return (ok ? "" : "false|") + bytesOf(db); }

// n bytes that take every value and repeat with no short period, for content checks.
inline std::string patternBytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

// Lower-case hex without spaces, and back.
inline std::string hexOf(const std::string &bytes) {
    std::string hex;
    for (unsigned char c : bytes) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    return hex;
}
inline std::string unhex(const std::string &hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline DataBuffer bufferOf(const std::string &bytes) {
    DataBuffer db;
    db.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return db;
}

}  // namespace quorvel::test
