#pragma once
#include <cstdint>
#include <cstring>

namespace quorvel {

class StringBuffer;

// The serializer's output channel. Short writes (indentation, brackets, tags, quotes) are
// gathered in a local block and handed to the StringBuffer in large pieces, so each costs a
// memcpy instead of a buffer append; the target grows by doubling. Once memory runs out every
// further write is ignored, the output stays truncated and failed() says so.
//
// The escaping and raw writes leave NUL bytes out: the output is a NUL-terminated text, and a
// NUL inside it would cut it short for every reader.
class XmlTextWriter {
public:
    static constexpr uint32_t kBlockSize = 16384;
    // Indentation is four spaces per level and stops growing at this level.
    static constexpr int32_t kMaxIndentLevel = 50;

    explicit XmlTextWriter(StringBuffer &out) : m_out(out) {}
    ~XmlTextWriter() { flush(); }
    XmlTextWriter(const XmlTextWriter &) = delete;
    XmlTextWriter &operator=(const XmlTextWriter &) = delete;

    void write(const char *bytes, uint32_t n) {
        if (n <= kBlockSize - m_used) {
            copyBytes(m_block + m_used, bytes, n);
            m_used += n;
        } else {
            writeLarge(bytes, n);
        }
    }
    void writeChar(char c) {
        if (m_used < kBlockSize) m_block[m_used++] = c;
        else writeLarge(&c, 1);
    }
    template <uint32_t N>
    void writeLiteral(const char (&text)[N]) {
        write(text, N - 1);
    }
    void writeCString(const char *text) { write(text, static_cast<uint32_t>(std::strlen(text))); }
    void writeCrLf() { writeLiteral("\r\n"); }
    // min(depth, 50) * 4 spaces; nothing for a negative depth.
    void writeIndent(int32_t depth);

    // Element content: < > & become &lt; &gt; &amp;, every other byte is written as it is.
    void writeEscapedText(const char *bytes, uint32_t n);
    // Attribute values: " & > < ' become &quot; &amp; &gt; &lt; &apos;.
    void writeEscapedAttribute(const char *bytes, uint32_t n);
    // The same, with CR and LF as character references (for the declaration and style sheets).
    void writeEscapedPseudoAttribute(const char *bytes, uint32_t n);
    // Bytes as they are (only NULs are left out).
    void writeRaw(const char *bytes, uint32_t n);

    // Hands the gathered bytes to the target; false once memory has run out.
    bool flush();
    bool failed() const { return m_failed; }
    // Records a failure met by the caller (output stays truncated from here on).
    void markFailed() { m_failed = true; }

private:
    // Most pieces are a few bytes long (tags, names, short values): two overlapping fixed-size
    // copies beat a library call there.
    static void copyBytes(char *to, const char *from, uint32_t n) {
        if (n >= 8 && n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n < 4) {
            for (uint32_t i = 0; i < n; ++i) to[i] = from[i];
        } else {
            std::memcpy(to, from, n);
        }
    }
    void writeLarge(const char *bytes, uint32_t n);
    void writeEscaped(const char *bytes, uint32_t n, const uint8_t *table);
    // Appends to the target, reserving at least its current size so that growth is geometric.
    bool appendToTarget(const char *bytes, uint32_t n);

    StringBuffer &m_out;
    uint32_t m_used = 0;
    bool m_failed = false;
    char m_block[kBlockSize];
};

}  // namespace quorvel
