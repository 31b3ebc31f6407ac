#include "xml/engine/XmlReferences.h"

#include <cstring>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

struct NamedEntity {
    const char *text;
    uint32_t length;
    char value;
};

constexpr NamedEntity kPredefined[] = {
    {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};

constexpr uint32_t kNoCharacter = 0xFFFFFFFF;

// XML's Char production: tab, LF, CR, and U+0020 up to U+10FFFF without the surrogates,
// U+FFFE and U+FFFF.
bool isXmlChar(uint32_t c) {
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint32_t encodeUtf8(uint32_t c, char out[4]) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// "&#" then digits then ';' at p; the code point, or kNoCharacter. Values past U+10FFFF stop
// growing, so any number of digits (leading zeros included) reads without overflow.
uint32_t numericReference(const char *p, const char *end, uint32_t &length) {
    const char *q = p + 2;
    const bool hex = q < end && *q == 'x';
    if (hex) ++q;
    const char *digits = q;
    uint32_t value = 0;
    for (int d; q < end && (d = digitValue(*q, hex)) >= 0; ++q) {
        if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (q == digits || q >= end || *q != ';') return kNoCharacter;
    length = static_cast<uint32_t>(q + 1 - p);
    return value;
}

}  // namespace

uint32_t decodeXmlReference(const char *p, const char *end, char out[4], uint32_t &outLen) {
    outLen = 0;
    const uint32_t available = static_cast<uint32_t>(end - p);
    if (available < 4 || *p != '&') return 0;
    if (p[1] == '#') {
        uint32_t length = 0;
        const uint32_t c = numericReference(p, end, length);
        if (c == kNoCharacter || !isXmlChar(c)) return 0;
        outLen = encodeUtf8(c, out);
        return length;
    }
    for (const NamedEntity &e : kPredefined) {
        if (available >= e.length && std::memcmp(p, e.text, e.length) == 0) {
            out[0] = e.value;
            outLen = 1;
            return e.length;
        }
    }
    return 0;
}

uint32_t decodeXmlReferencesInPlace(char *text, uint32_t n) {
    char *amp = static_cast<char *>(std::memchr(text, '&', n));
    if (!amp) return n;
    const char *end = text + n;
    const char *r = amp;
    char *w = amp;
    while (r < end) {
        if (*r == '&') {
            char bytes[4];
            uint32_t byteCount;
            if (const uint32_t consumed = decodeXmlReference(r, end, bytes, byteCount)) {
                // The writer never passes the reader: a reference is at least as long as its bytes.
                std::memcpy(w, bytes, byteCount);
                w += byteCount;
                r += consumed;
                continue;
            }
            *w++ = *r++;
            continue;
        }
        const char *next = static_cast<const char *>(std::memchr(r, '&', static_cast<size_t>(end - r)));
        const size_t run = static_cast<size_t>((next ? next : end) - r);
        std::memmove(w, r, run);
        w += run;
        r += run;
    }
    return static_cast<uint32_t>(w - text);
}

bool appendDecodedXmlText(const char *text, uint32_t n, StringBuffer &out) {
    const char *end = text + n;
    const char *run = text;
    for (const char *p = text; p < end;) {
        const char *amp = static_cast<const char *>(std::memchr(p, '&', static_cast<size_t>(end - p)));
        if (!amp) break;
        char bytes[4];
        uint32_t byteCount;
        const uint32_t consumed = decodeXmlReference(amp, end, bytes, byteCount);
        if (!consumed) {
            p = amp + 1;
            continue;
        }
        if (!out.appendN(run, static_cast<uint32_t>(amp - run)) || !out.appendN(bytes, byteCount)) return false;
        p = run = amp + consumed;
    }
    return out.appendN(run, static_cast<uint32_t>(end - run));
}

}  // namespace quorvel
