// StringBuffer queries and comparisons; none of them changes the text.
#include <cstring>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// ASCII-only folding, independent of the C library's locale.
inline unsigned char asciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Compares up to n bytes ignoring ASCII case; both strings end at their NUL.
int compareIgnoreCase(const char *a, const char *b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = asciiLower(static_cast<unsigned char>(a[i]));
        unsigned char cb = asciiLower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

}  // namespace

char StringBuffer::charAt(uint32_t index) const { return index < m_length ? m_data[index] : 0; }

char StringBuffer::lastChar() const { return m_length ? m_data[m_length - 1] : 0; }

uint32_t StringBuffer::countChar(char c) const {
    uint32_t count = 0;
    for (uint32_t i = 0; i < m_length; ++i)
        if (m_data[i] == c) ++count;
    return count;
}

bool StringBuffer::containsChar(char c) const {
    if (c == 0) return false;
    return memchr(m_data, c, m_length) != nullptr;
}

bool StringBuffer::contains(const char *substring) const {
    if (!substring || !*substring) return true;
    return strstr(m_data, substring) != nullptr;
}

int32_t StringBuffer::indexOf(const char *substring, uint32_t start) const {
    if (start > m_length) return -1;
    const char *from = m_data + start;
    const char *found = (!substring || !*substring) ? from : strstr(from, substring);
    if (!found) return -1;
    size_t pos = static_cast<size_t>(found - m_data);
    // Positions beyond the signed range cannot be reported; they count as not found.
    return pos > 0x7FFFFFFF ? -1 : static_cast<int32_t>(pos);
}

int32_t StringBuffer::indexOf(const char *substring, uint32_t start, StringBuffer &before) const {
    if (start > m_length) return -1;
    int32_t pos = indexOf(substring, start);
    uint32_t end = pos < 0 ? m_length : static_cast<uint32_t>(pos);
    before.appendN(m_data + start, end - start);
    return pos;
}

bool StringBuffer::is7bit(uint32_t n) const {
    uint32_t limit = (n == 0 || n > m_length) ? m_length : n;
    for (uint32_t i = 0; i < limit; ++i)
        if (static_cast<unsigned char>(m_data[i]) >= 0x80) return false;
    return true;
}

uint32_t StringBuffer::countNon7bit() const {
    uint32_t count = 0;
    for (uint32_t i = 0; i < m_length; ++i)
        if (static_cast<unsigned char>(m_data[i]) >= 0x80) ++count;
    return count;
}

// ---------------------------------------------------------------- compare

bool StringBuffer::equals(const char *text) const {
    if (!text) return m_length == 0;
    return strcmp(m_data, text) == 0;
}

bool StringBuffer::equals(const StringBuffer &other) const {
    return m_length == other.m_length && memcmp(m_data, other.m_data, m_length) == 0;
}

bool StringBuffer::equalsIgnoreCase(const char *text) const {
    if (!text) return m_length == 0;
    return compareIgnoreCase(m_data, text, static_cast<size_t>(m_length) + 1) == 0;
}

bool StringBuffer::equalsIgnoreCase(const StringBuffer &other) const {
    return m_length == other.m_length && compareIgnoreCase(m_data, other.m_data, m_length) == 0;
}

bool StringBuffer::beginsWith(const char *prefix) const {
    if (!prefix || !*prefix) return true;
    size_t n = strlen(prefix);
    return n <= m_length && memcmp(m_data, prefix, n) == 0;
}

bool StringBuffer::beginsWithIgnoreCase(const char *prefix) const {
    if (!prefix || !*prefix) return true;
    size_t n = strlen(prefix);
    return n <= m_length && compareIgnoreCase(m_data, prefix, n) == 0;
}

bool StringBuffer::beginsWithIgnoreCaseN(const char *prefix, uint32_t n) const {
    if (!prefix || !*prefix || n == 0) return true;
    // Like strncasecmp: the first n bytes must agree, and a shorter side must end at the same place.
    return compareIgnoreCase(m_data, prefix, n) == 0;
}

bool StringBuffer::endsWith(const char *suffix) const {
    if (!suffix || !*suffix) return true;
    size_t n = strlen(suffix);
    return n <= m_length && memcmp(m_data + m_length - n, suffix, n) == 0;
}

int StringBuffer::compare(const char *text) const {
    int r = strcmp(m_data, text ? text : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace quorvel
