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

inline DataBuffer bufferOf(const std::string &bytes) {
    DataBuffer db;
    db.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
    return db;
}

}  // namespace quorvel::test
