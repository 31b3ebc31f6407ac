// StringBuffer replacements of characters and substrings.
#include <cstring>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// The UTF-8 form of the character U+0000-U+00FF whose code is the byte c.
uint32_t latin1AsUtf8(unsigned char c, char out[2]) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
}

}  // namespace

uint32_t StringBuffer::replaceShrinking(const char *find, uint32_t findLen, const char *repl, uint32_t replLen) {
    if (m_marker != kValidMarker || findLen == 0 || replLen > findLen || findLen > m_length) return 0;
    // Arguments taken from this very text are copied out before it changes.
    StringBuffer findCopy;
    StringBuffer replCopy;
    if (pointsInto(find)) {
        if (!findCopy.appendN(find, findLen)) return 0;
        find = findCopy.m_data;
    }
    if (replLen && pointsInto(repl)) {
        if (!replCopy.appendN(repl, replLen)) return 0;
        repl = replCopy.m_data;
    }
    uint32_t count = 0;
    uint32_t w = 0;
    uint32_t r = 0;
    while (r < m_length) {
        if (m_data[r] == find[0] && m_length - r >= findLen && memcmp(m_data + r, find, findLen) == 0) {
            memmove(m_data + w, repl, replLen);
            w += replLen;
            r += findLen;
            ++count;
        } else {
            m_data[w++] = m_data[r++];
        }
    }
    setLength(w);
    return count;
}

// Text is UTF-8: an ASCII byte never occurs inside a multi-byte sequence, so ASCII for ASCII is
// a plain byte swap. A byte of 0x80 or more stands for the character with that code (U+0080 to
// U+00FF) and is searched for and written in its UTF-8 form, so no sequence is ever split.
uint32_t StringBuffer::replaceChar(char from, char to) {
    if (m_marker != kValidMarker || from == 0 || to == 0 || from == to) return 0;
    unsigned char f = static_cast<unsigned char>(from);
    unsigned char t = static_cast<unsigned char>(to);
    if (f < 0x80 && t < 0x80) {
        uint32_t count = 0;
        for (uint32_t i = 0; i < m_length; ++i) {
            if (m_data[i] == from) {
                m_data[i] = to;
                ++count;
            }
        }
        return count;
    }
    char findSeq[3] = {0, 0, 0};
    char replSeq[3] = {0, 0, 0};
    uint32_t findLen = latin1AsUtf8(f, findSeq);
    uint32_t replLen = latin1AsUtf8(t, replSeq);
    if (replLen <= findLen) return replaceShrinking(findSeq, findLen, replSeq, replLen);
    return replaceAll(findSeq, replSeq);
}

uint32_t StringBuffer::replaceAnyOfFive(const char chars[5], char to) {
    if (m_marker != kValidMarker || !chars || to == 0) return 0;
    uint32_t count = 0;
    for (uint32_t i = 0; i < m_length; ++i) {
        char c = m_data[i];
        for (int k = 0; k < 5; ++k) {
            if (chars[k] != 0 && c == chars[k]) {
                m_data[i] = to;
                ++count;
                break;
            }
        }
    }
    return count;
}

uint32_t StringBuffer::replaceAll(const char *find, const char *replacement) {
    if (m_marker != kValidMarker || !find || !*find) return 0;
    if (!replacement) replacement = "";
    uint64_t findLen = strlen(find);
    uint64_t replLen = strlen(replacement);
    if (findLen > m_length) return 0;
    if (replLen <= findLen)
        return replaceShrinking(find, static_cast<uint32_t>(findLen), replacement, static_cast<uint32_t>(replLen));

    uint64_t count = 0;
    for (const char *p = strstr(m_data, find); p; p = strstr(p + findLen, find)) ++count;
    if (count == 0) return 0;
    uint64_t newLength = m_length + count * (replLen - findLen);
    // The result is built in a new buffer sized for it exactly; too large means failure.
    StringBuffer result;
    result.m_growth = 0;
    if (newLength >= 0xFFFFFFFFull || !result.ensureRoom(newLength)) return 0;
    const char *src = m_data;
    for (const char *p = strstr(src, find); p; p = strstr(src, find)) {
        result.appendN(src, static_cast<uint32_t>(p - src));
        result.appendN(replacement, static_cast<uint32_t>(replLen));
        src = p + findLen;
    }
    result.appendN(src, static_cast<uint32_t>(m_data + m_length - src));
    result.m_growth = m_growth;
    takeString(result);
    return static_cast<uint32_t>(count);
}

uint32_t StringBuffer::replaceAllWithChar(const char *find, char c) {
    if (!find || !*find || c == 0) return 0;
    size_t findLen = strlen(find);
    if (findLen > m_length) return 0;
    return replaceShrinking(find, static_cast<uint32_t>(findLen), &c, 1);
}

static bool replaceAt(StringBuffer &self, uint32_t at, uint32_t findLen, const char *replacement) {
    StringBuffer result;
    const char *text = self.getString();
    if (!result.appendN(text, at) || !result.append(replacement) ||
        !result.appendN(text + at + findLen, self.getSize() - at - findLen))
        return false;
    self.takeString(result);
    return true;
}

bool StringBuffer::replaceFirst(const char *find, const char *replacement) {
    if (m_marker != kValidMarker || !find || !*find) return false;
    const char *p = strstr(m_data, find);
    if (!p) return false;
    return replaceAt(*this, static_cast<uint32_t>(p - m_data), static_cast<uint32_t>(strlen(find)), replacement);
}

bool StringBuffer::replaceLast(const char *find, const char *replacement) {
    if (m_marker != kValidMarker || !find || !*find) return false;
    size_t findLen = strlen(find);
    const char *last = nullptr;
    for (const char *p = strstr(m_data, find); p; p = strstr(p + 1, find)) last = p;
    if (!last) return false;
    return replaceAt(*this, static_cast<uint32_t>(last - m_data), static_cast<uint32_t>(findLen), replacement);
}

}  // namespace quorvel
