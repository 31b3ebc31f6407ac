// StringBuffer in-place edits: trim, cut, remove, case and line endings.
#include <cstring>

#include "foundation/text/NameChars.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

inline bool isSpaceTab(char c) { return c == ' ' || c == '\t'; }
inline bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

// ---------------------------------------------------------------- trim

static uint32_t trimBy(char *data, uint32_t &length, bool (*white)(char)) {
    uint32_t end = length;
    while (end > 0 && white(data[end - 1])) --end;
    uint32_t start = 0;
    while (start < end && white(data[start])) ++start;
    uint32_t removed = length - (end - start);
    if (removed) {
        memmove(data, data + start, end - start);
        length = end - start;
        data[length] = 0;
    }
    return removed;
}

uint32_t StringBuffer::trimSpacesTabs() {
    if (m_marker != kValidMarker) return 0;
    return trimBy(m_data, m_length, isSpaceTab);
}

uint32_t StringBuffer::trim() {
    if (m_marker != kValidMarker) return 0;
    return trimBy(m_data, m_length, isWhite);
}

void StringBuffer::collapseWhitespace() {
    if (m_marker != kValidMarker) return;
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_length; ++r) {
        char c = m_data[r];
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (c == ' ' && w > 0 && m_data[w - 1] == ' ') continue;
        m_data[w++] = c;
    }
    setLength(w);
}

// ---------------------------------------------------------------- cut

bool StringBuffer::chopAtFirstChar(char c) {
    if (m_marker != kValidMarker || c == 0) return false;
    const void *p = memchr(m_data, c, m_length);
    if (!p) return false;
    setLength(static_cast<uint32_t>(static_cast<const char *>(p) - m_data));
    return true;
}

bool StringBuffer::chopAtLastChar(char c) {
    if (m_marker != kValidMarker || c == 0) return false;
    for (uint32_t i = m_length; i > 0; --i) {
        if (m_data[i - 1] == c) {
            setLength(i - 1);
            return true;
        }
    }
    return false;
}

bool StringBuffer::chopAtSubstring(const char *substring, bool keepSubstring) {
    if (m_marker != kValidMarker || !substring || !*substring) return false;
    const char *p = strstr(m_data, substring);
    if (!p) return false;
    uint32_t at = static_cast<uint32_t>(p - m_data);
    setLength(keepSubstring ? at + static_cast<uint32_t>(strlen(substring)) : at);
    return true;
}

void StringBuffer::shorten(uint32_t n) {
    if (m_marker != kValidMarker) return;
    setLength(n >= m_length ? 0 : m_length - n);
}

void StringBuffer::removeChunk(uint32_t index, uint32_t n) {
    if (m_marker != kValidMarker || index >= m_length || n == 0) return;
    uint32_t available = m_length - index;
    if (n >= available) {
        setLength(index);
        return;
    }
    memmove(m_data + index, m_data + index + n, available - n);
    setLength(m_length - n);
}

// ---------------------------------------------------------------- remove

uint32_t StringBuffer::removeCharOccurrencesFrom(char c, uint32_t index) {
    if (m_marker != kValidMarker || c == 0 || index >= m_length) return 0;
    uint32_t w = index;
    for (uint32_t r = index; r < m_length; ++r)
        if (m_data[r] != c) m_data[w++] = m_data[r];
    uint32_t removed = m_length - w;
    setLength(w);
    return removed;
}

uint32_t StringBuffer::removeCharOccurrences(char c) { return removeCharOccurrencesFrom(c, 0); }

void StringBuffer::keepNameCharacters() {
    if (m_marker != kValidMarker) return;
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_length; ++r)
        if (isNameChar(static_cast<unsigned char>(m_data[r]))) m_data[w++] = m_data[r];
    setLength(w);
}

// ---------------------------------------------------------------- case (Latin-1 rules, byte-wise)

// Latin-1 letters pair up 0x20 apart, except the multiplication and division signs (0xD7, 0xF7)
// and the two letters without a partner in the range (sharp s 0xDF, y diaeresis 0xFF).
void StringBuffer::toLowerCase() {
    if (m_marker != kValidMarker) return;
    for (uint32_t i = 0; i < m_length; ++i) {
        unsigned char c = static_cast<unsigned char>(m_data[i]);
        bool latin1Upper = c >= 0xC0 && c <= 0xDE && c != 0xD7;
        if ((c >= 'A' && c <= 'Z') || latin1Upper) m_data[i] = static_cast<char>(c + 0x20);
    }
}

void StringBuffer::toUpperCase() {
    if (m_marker != kValidMarker) return;
    for (uint32_t i = 0; i < m_length; ++i) {
        unsigned char c = static_cast<unsigned char>(m_data[i]);
        bool latin1Lower = c >= 0xE0 && c <= 0xFE && c != 0xF7;
        if ((c >= 'a' && c <= 'z') || latin1Lower) m_data[i] = static_cast<char>(c - 0x20);
    }
}

// ---------------------------------------------------------------- line endings

uint32_t StringBuffer::toCRLF() {
    if (m_marker != kValidMarker) return 0;
    uint32_t returns = countChar('\r');
    uint32_t lineFeeds = countChar('\n');
    // Reserve first, so that a failure leaves the text as it was.
    if (lineFeeds > returns && !ensureRoom(lineFeeds - returns)) return 0;
    removeCharOccurrences('\r');
    if (lineFeeds == 0) return 0;
    // Expand from the back so that every byte moves once.
    uint32_t r = m_length;
    uint32_t w = m_length + lineFeeds;
    m_data[w] = 0;
    while (r > 0) {
        char c = m_data[--r];
        m_data[--w] = c;
        if (c == '\n') m_data[--w] = '\r';
    }
    m_length += lineFeeds;
    return lineFeeds;
}

void StringBuffer::toLF() {
    if (m_marker != kValidMarker) return;
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_length; ++r) {
        if (m_data[r] == '\r' && r + 1 < m_length && m_data[r + 1] == '\n') continue;
        m_data[w++] = m_data[r];
    }
    setLength(w);
}

}  // namespace quorvel
