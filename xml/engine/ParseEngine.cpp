#include "xml/engine/ParseEngine.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/buffers/DataBuffer.h"

namespace quorvel {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool ParseEngine::loadText(const char *text) {
    if (text == nullptr) text = "";
    const size_t n = strlen(text);
    if (n > kMaxTextSize) {
        loadBytes(nullptr, 0);
        return false;
    }
    return loadBytes(text, static_cast<uint32_t>(n));
}

bool ParseEngine::loadBytes(const char *bytes, uint32_t n) {
    if (bytes == nullptr) n = 0;
    // Everything after a zero byte is not part of the document.
    if (n > 0) {
        const void *zero = memchr(bytes, 0, n);
        if (zero) n = static_cast<uint32_t>(static_cast<const char *>(zero) - bytes);
    }
    m_text.clear();
    const bool copied = n <= kMaxTextSize && (n == 0 || m_text.appendN(bytes, n));
    adoptText(copied ? n : 0);
    return copied;
}

bool ParseEngine::borrowText(const char *text) {
    if (text == nullptr) text = "";
    const size_t n = strlen(text);
    m_text.clearRelease();
    if (n > kMaxTextSize) {
        adoptText(0);
        return false;
    }
    m_base = text;
    m_size = static_cast<uint32_t>(n);
    m_pos = 0;
    m_outOfMemory = false;
    return true;
}

bool ParseEngine::takeData(DataBuffer &data) {
    m_text.clear();
    const bool taken = m_text.takeData(data);
    // The text ends at its first zero byte.
    const size_t n = strlen(m_text.getString());
    if (n > kMaxTextSize) {
        m_text.clearRelease();
        adoptText(0);
        return false;
    }
    adoptText(static_cast<uint32_t>(n));
    return taken;
}

void ParseEngine::adoptText(uint32_t size) {
    m_base = m_text.getString();
    m_size = size;
    m_pos = 0;
    m_outOfMemory = false;
}

void ParseEngine::setPosition(int32_t pos) {
    if (pos < 0) pos = 0;
    if (static_cast<uint32_t>(pos) > m_size) pos = static_cast<int32_t>(m_size);
    m_pos = pos;
}

bool ParseEngine::startsWith(const char *prefix) const {
    // Compared byte by byte so that nothing past the terminator is read.
    const char *p = cursor();
    for (; *prefix != '\0'; ++prefix, ++p) {
        if (*p != *prefix) return false;
    }
    return true;
}

bool ParseEngine::startsWithNoCase(const char *prefix) const {
    const char *p = cursor();
    for (; *prefix != '\0'; ++prefix, ++p) {
        if (*p == '\0' || asciiLower(*p) != asciiLower(*prefix)) return false;
    }
    return true;
}

bool ParseEngine::seekAnyOf(char a, char b, char c) {
    const char *p = cursor();
    const char *const stop = end();
#if defined(__SSE2__)
    // Sixteen bytes a step while a whole block remains, so nothing past the text is read.
    const __m128i wantA = _mm_set1_epi8(a), wantB = _mm_set1_epi8(b), wantC = _mm_set1_epi8(c);
    while (stop - p >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, wantA), _mm_cmpeq_epi8(block, wantB)),
                                          _mm_cmpeq_epi8(block, wantC));
        const uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(hits));
        if (mask != 0) {
            moveTo(p + std::countr_zero(mask));
            return true;
        }
        p += 16;
    }
#endif
    while (p < stop && *p != a && *p != b && *p != c) ++p;
    moveTo(p);
    return p < stop;
}

const char *ParseEngine::find(const char *substring) const {
    const size_t n = strlen(substring);
    if (n == 0) return cursor();
    if (n > remaining()) return nullptr;
    const char *p = cursor();
    const char *last = end() - n;  // the last place where the substring still fits
    while (p <= last) {
        const void *hit = memchr(p, substring[0], static_cast<size_t>(last - p) + 1);
        if (!hit) return nullptr;
        p = static_cast<const char *>(hit);
        if (memcmp(p, substring, n) == 0) return p;
        ++p;
    }
    return nullptr;
}

bool ParseEngine::captureBytes(uint32_t n, StringBuffer &out) {
    if (n > 0 && !out.appendN(cursor(), n)) {
        m_outOfMemory = true;
        advanceBy(n);
        return false;
    }
    advanceBy(n);
    return true;
}

bool ParseEngine::captureUntilAnyOf(const char *set, StringBuffer &out) {
    return captureBytes(static_cast<uint32_t>(strcspn(cursor(), set ? set : "")), out);
}

bool ParseEngine::captureUntilAnyOf(const ByteSet &stops, StringBuffer &out) {
    const char *p = cursor();
    while (!stops.contains(*p) && *p != '\0') ++p;
    return captureBytes(static_cast<uint32_t>(p - cursor()), out);
}

bool ParseEngine::captureUntilEither(char a, char b, StringBuffer &out) {
    const char *p = cursor();
    while (*p != '\0' && *p != a && *p != b) ++p;
    return captureBytes(static_cast<uint32_t>(p - cursor()), out);
}

bool ParseEngine::captureUntil(char c, StringBuffer &out) {
    const void *hit = c == '\0' ? nullptr : memchr(cursor(), c, remaining());
    const char *stop = hit ? static_cast<const char *>(hit) : end();
    return captureBytes(static_cast<uint32_t>(stop - cursor()), out);
}

bool ParseEngine::skipPastSubstring(const char *substring) {
    const char *hit = find(substring);
    if (!hit) return false;
    moveTo(hit + strlen(substring));
    return true;
}

bool ParseEngine::captureThroughSubstring(const char *substring, StringBuffer &out) {
    const char *hit = find(substring);
    if (!hit) return false;
    captureBytes(static_cast<uint32_t>(hit - cursor() + strlen(substring)), out);
    return true;
}

bool ParseEngine::captureBalanced(char open, char close, int32_t depth, StringBuffer &out) {
    // Counted first, then copied in one piece.
    const char *p = cursor();
    bool balanced = depth <= 0;
    while (!balanced && *p != '\0') {
        if (*p == open) {
            ++depth;
        } else if (*p == close) {
            --depth;
            balanced = depth == 0;
        }
        ++p;
    }
    captureBytes(static_cast<uint32_t>(p - cursor()), out);
    return balanced;
}

}  // namespace quorvel
