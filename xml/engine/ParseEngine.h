#pragma once
#include <cstdint>
#include <cstring>

#include "foundation/text/StringBuffer.h"
#include "xml/engine/ByteSet.h"

namespace quorvel {

class DataBuffer;

// The parser's scanner: a private copy of the text and a position in it. The text ends at its
// first zero byte. Every capture appends to the caller's buffer and leaves the position on the
// byte that stopped it.
//
// Positions are signed 32-bit, so a text is at most 2 GiB - 1 bytes; a longer one is refused
// when it is loaded rather than letting a position wrap.
//
// A capture that cannot get memory for its output sets a sticky out-of-memory flag (and keeps
// its normal result), so callers test for exhaustion once instead of after every capture.
class ParseEngine {
public:
    static constexpr uint32_t kMaxTextSize = 0x7FFFFFFFu;

    ParseEngine() = default;
    ParseEngine(const ParseEngine &) = delete;
    ParseEngine &operator=(const ParseEngine &) = delete;

    // Copies the text (up to its first zero byte); false when memory is exhausted or the text
    // is too long. The position goes back to 0.
    bool loadText(const char *text);
    bool loadBytes(const char *bytes, uint32_t n);
    // Scans the caller's NUL-terminated text in place, without a copy: the text must stay
    // unchanged and alive until the parse is done. False when it is too long.
    bool borrowText(const char *text);
    // Takes the buffer's bytes without copying where possible (the buffer is left empty).
    bool takeData(DataBuffer &data);

    const char *base() const { return m_base; }
    // Bytes before the first zero byte.
    uint32_t size() const { return m_size; }
    int32_t position() const { return m_pos; }
    // Clamped into [0, size].
    void setPosition(int32_t pos);
    const char *cursor() const { return m_base + m_pos; }
    const char *end() const { return m_base + m_size; }
    uint32_t remaining() const { return m_size - static_cast<uint32_t>(m_pos); }
    char current() const { return m_base[m_pos]; }
    // The byte after the current one ('\0' at or past the end).
    char peek(uint32_t offset) const { return offset <= remaining() ? m_base[m_pos + offset] : '\0'; }
    bool atEnd() const { return m_base[m_pos] == '\0'; }
    // Steps over one byte (never past the end).
    void advance() {
        if (m_base[m_pos] != '\0') ++m_pos;
    }
    // Steps over n bytes, stopping at the end.
    void advanceBy(uint32_t n) { m_pos += static_cast<int32_t>(n < remaining() ? n : remaining()); }
    // Moves to p, which must lie between cursor() and end().
    void moveTo(const char *p) { m_pos = static_cast<int32_t>(p - m_base); }
    // Steps back one byte (never before the start).
    void stepBack() {
        if (m_pos > 0) --m_pos;
    }
    // The text at the position starts with prefix (case-sensitive / ASCII case ignored).
    bool startsWith(const char *prefix) const;
    bool startsWithNoCase(const char *prefix) const;

    static bool isWhitespace(char c) { return kWhitespace.contains(c); }
    void skipWhitespace() { skipWhile(kWhitespace); }
    // Advances while the byte is in the set; returns how many bytes were passed.
    uint32_t skipWhile(const ByteSet &set) {
        const char *p = cursor();
        while (set.contains(*p)) ++p;
        return advanceTo(p);
    }
    // Advances to the first byte of the set (a set built with stopAtEnd also stops at the end);
    // returns how many bytes were passed.
    uint32_t skipUntil(const ByteSet &stops) {
        const char *p = cursor();
        while (!stops.contains(*p)) ++p;
        return advanceTo(p);
    }
    // Advances to the next c (true) or to the end (false).
    bool seekByte(char c) {
        const void *hit = memchr(cursor(), c, remaining());
        moveTo(hit ? static_cast<const char *>(hit) : end());
        return hit != nullptr;
    }
    // Advances to the next a, b or c (true) or to the end (false), sixteen bytes a step.
    bool seekAnyOf(char a, char b, char c);
    // The first occurrence of the substring at or after the position, or null.
    const char *find(const char *substring) const;

    // Captures bytes until one of the set (or the end); the stop byte is not consumed.
    // False only when memory is exhausted.
    bool captureUntilAnyOf(const char *set, StringBuffer &out);
    bool captureUntilAnyOf(const ByteSet &stops, StringBuffer &out);
    bool captureUntilEither(char a, char b, StringBuffer &out);
    bool captureUntil(char c, StringBuffer &out);
    // True with the position after the substring; false with the position unchanged.
    bool skipPastSubstring(const char *substring);
    // As skipPastSubstring, appending everything up to and including the substring to out.
    bool captureThroughSubstring(const char *substring, StringBuffer &out);
    // Copies bytes while depth counts open and close bytes, until depth 0 (close byte copied,
    // true) or the end (everything copied, false).
    bool captureBalanced(char open, char close, int32_t depth, StringBuffer &out);

    // Some capture could not get memory for its output since the text was loaded.
    bool outOfMemory() const { return m_outOfMemory; }

private:
    static constexpr ByteSet kWhitespace{" \t\r\n", false};

    uint32_t advanceTo(const char *p) {
        const uint32_t passed = static_cast<uint32_t>(p - cursor());
        m_pos = static_cast<int32_t>(p - m_base);
        return passed;
    }
    // Appends n bytes from the position to out and steps over them.
    bool captureBytes(uint32_t n, StringBuffer &out);
    // Points the scanner at the text held, whose first size bytes hold no zero byte.
    void adoptText(uint32_t size);

    StringBuffer m_text;
    const char *m_base = "";
    int32_t m_pos = 0;
    uint32_t m_size = 0;
    bool m_outOfMemory = false;
};

}  // namespace quorvel
