// Splitting a StringBuffer into tokens, in one pass over the bytes.
#include <cstring>
#include <new>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// Collects a token's bytes in a local block and hands them over in one append when it fills.
class TokenBuilder {
public:
    bool add(char c) {
        m_block[m_used++] = c;
        return m_used < sizeof m_block || flush();
    }
    bool flush() {
        bool ok = !m_token || m_token->appendN(m_block, m_used);
        m_used = 0;
        return ok;
    }
    // Ends the current token and appends it to out; false when memory is exhausted.
    bool finish(ExtPtrArray &out, bool shrink) {
        if (!m_token) m_token = StringBuffer::createNew();
        if (!m_token || !flush()) return fail();
        if (shrink) m_token->minimizeMemory();
        if (!out.append(m_token)) return fail();
        m_token = nullptr;
        return true;
    }
    bool begin() {
        if (!m_token) m_token = StringBuffer::createNew();
        return m_token != nullptr;
    }
    ~TokenBuilder() { delete m_token; }

private:
    bool fail() {
        delete m_token;
        m_token = nullptr;
        m_used = 0;
        return false;
    }

    char m_block[128];
    uint32_t m_used = 0;
    StringBuffer *m_token = nullptr;
};

}  // namespace

bool StringBuffer::splitImpl(ExtPtrArray &out, const char *delimiters, bool oneDelimiter, bool honorQuotes,
                             bool honorEscapes) const {
    if (m_length == 0) return true;
    if (!delimiters) delimiters = "";
    TokenBuilder builder;
    if (!builder.begin()) return false;
    bool inQuotes = false;
    for (uint32_t i = 0; i < m_length; ++i) {
        char c = m_data[i];
        if (honorEscapes && c == '\\') {
            // The backslash and the byte after it are both kept, and that byte is never special.
            if (!builder.add(c)) return false;
            if (i + 1 < m_length && !builder.add(m_data[++i])) return false;
            continue;
        }
        if (honorQuotes && c == '"') {
            inQuotes = !inQuotes;
            if (!builder.add(c)) return false;
            continue;
        }
        if (!inQuotes && c != 0 && strchr(delimiters, c)) {
            if (!builder.finish(out, oneDelimiter) || !builder.begin()) return false;
            continue;
        }
        if (!builder.add(c)) return false;
    }
    // The last token is always kept, even when empty.
    return builder.finish(out, oneDelimiter);
}

bool StringBuffer::split(ExtPtrArray &out, char delimiter, bool honorQuotes, bool honorEscapes) const {
    char delimiters[2] = {delimiter, 0};
    return splitImpl(out, delimiters, true, honorQuotes, honorEscapes);
}

bool StringBuffer::splitOnAnyOf(ExtPtrArray &out, const char *delimiters, bool honorQuotes,
                                bool honorEscapes) const {
    return splitImpl(out, delimiters, false, honorQuotes, honorEscapes);
}

bool StringBuffer::splitLines(ExtPtrArray &out) const {
    StringBuffer copy;
    if (!copy.append(*this)) return false;
    copy.toLF();
    return copy.splitImpl(out, "\r\n", false, false, false);
}

}  // namespace quorvel
