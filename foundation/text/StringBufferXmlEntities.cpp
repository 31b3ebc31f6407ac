// XML entity encoding and decoding of a StringBuffer.
#include <cstring>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

bool StringBuffer::encodeXmlEntities() {
    if (m_marker != kValidMarker) return false;
    if (!strpbrk(m_data, "&<>\"")) return true;
    // The result is collected in a local block and appended whenever the block fills.
    StringBuffer result;
    char block[500];
    uint32_t used = 0;
    for (uint32_t i = 0; i < m_length; ++i) {
        const char *entity = nullptr;
        switch (m_data[i]) {
            case '&': entity = "&amp;"; break;
            case '<': entity = "&lt;"; break;
            case '>': entity = "&gt;"; break;
            case '"': entity = "&quot;"; break;
            default: break;
        }
        if (used + 6 > sizeof block) {
            if (!result.appendN(block, used)) return false;
            used = 0;
        }
        if (entity) {
            size_t n = strlen(entity);
            memcpy(block + used, entity, n);
            used += static_cast<uint32_t>(n);
        } else {
            block[used++] = m_data[i];
        }
    }
    if (!result.appendN(block, used)) return false;
    takeString(result);
    return true;
}

uint32_t StringBuffer::decodeXmlEntities(uint32_t start) {
    if (m_marker != kValidMarker || start >= m_length) return 0;
    static const struct {
        const char *entity;
        uint32_t length;
        char c;
    } kEntities[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};
    // Every entity is longer than its character, so decoding is done in place.
    uint32_t count = 0;
    uint32_t w = start;
    uint32_t r = start;
    while (r < m_length) {
        if (m_data[r] == '&') {
            bool matched = false;
            for (const auto &e : kEntities) {
                if (m_length - r >= e.length && memcmp(m_data + r, e.entity, e.length) == 0) {
                    m_data[w++] = e.c;
                    r += e.length;
                    ++count;
                    matched = true;
                    break;
                }
            }
            if (matched) continue;
        }
        m_data[w++] = m_data[r++];
    }
    setLength(w);
    return count;
}

}  // namespace quorvel
