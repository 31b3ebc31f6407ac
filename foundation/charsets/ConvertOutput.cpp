#include "foundation/charsets/ConvertOutput.h"

#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

ConvertOutput::ConvertOutput(DataBuffer &target) : m_target(target) {}

void ConvertOutput::putBytes(const unsigned char *bytes, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) put(bytes[i]);
}

void ConvertOutput::putUtf32(uint32_t cp, bool bigEndian) {
    if (bigEndian) {
        put(static_cast<unsigned char>(cp >> 24));
        put(static_cast<unsigned char>((cp >> 16) & 0xFF));
        put(static_cast<unsigned char>((cp >> 8) & 0xFF));
        put(static_cast<unsigned char>(cp & 0xFF));
    } else {
        put(static_cast<unsigned char>(cp & 0xFF));
        put(static_cast<unsigned char>((cp >> 8) & 0xFF));
        put(static_cast<unsigned char>((cp >> 16) & 0xFF));
        put(static_cast<unsigned char>(cp >> 24));
    }
}

bool ConvertOutput::flush() {
    // After one failed append the output is abandoned by the caller; later bytes are not kept
    // so that nothing is written out of order.
    if (m_used != 0 && !m_failed && !m_target.append(m_block, m_used)) m_failed = true;
    m_used = 0;
    return !m_failed;
}

}  // namespace quorvel
