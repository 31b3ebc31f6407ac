// StringBuffer parsing: decimal numbers and name=value pairs.
#include <cstring>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

// Digits accumulate in 64 bits and stop growing once past the 32-bit range, so that no input
// can overflow; a value outside the int32 range saturates at INT32_MAX or INT32_MIN.
int32_t StringBuffer::intValue() const { return parseInt32(m_data); }

int32_t StringBuffer::parseInt32(const char *text) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text ? text : "");
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    while (*p == '0') ++p;
    uint64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (magnitude <= 0xFFFFFFFFull) magnitude = magnitude * 10 + (*p - '0');
    }
    if (negative) return magnitude >= 0x80000000ull ? INT32_MIN : -static_cast<int32_t>(magnitude);
    return magnitude > 0x7FFFFFFFull ? INT32_MAX : static_cast<int32_t>(magnitude);
}

bool StringBuffer::splitNameValue(StringBuffer &name, StringBuffer &value, bool removeQuotes) const {
    name.clear();
    value.clear();
    const char *eq = static_cast<const char *>(memchr(m_data, '=', m_length));
    if (!eq) return false;
    uint32_t nameLen = static_cast<uint32_t>(eq - m_data);
    if (!name.appendN(m_data, nameLen) || !value.appendN(eq + 1, m_length - nameLen - 1)) {
        name.clear();
        value.clear();
        return false;
    }
    name.trim();
    value.trim();
    if (removeQuotes && value.m_length >= 2 && value.m_data[0] == '"' && value.m_data[value.m_length - 1] == '"') {
        value.shorten(1);
        value.removeChunk(0, 1);
    }
    return true;
}

// "name=" counts only where a parameter starts (at the beginning or after a separator), so
// that looking for charset= never finds the end of xcharset=.
bool StringBuffer::getNameValueParam(const char *name, StringBuffer &value) const {
    value.clear();
    if (!name || !*name) return false;
    size_t nameLen = strlen(name);
    for (const char *p = strstr(m_data, name); p; p = strstr(p + 1, name)) {
        if (p[nameLen] != '=') continue;
        if (p != m_data) {
            char before = p[-1];
            if (before != ';' && before != ' ' && before != '\t') continue;
        }
        const char *start = p + nameLen + 1;
        const char *semi = strchr(start, ';');
        size_t n = semi ? static_cast<size_t>(semi - start) : strlen(start);
        return value.appendN(start, static_cast<uint32_t>(n));
    }
    return false;
}

}  // namespace quorvel
