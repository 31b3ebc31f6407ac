// RFC 2047 encoded words: the Q and B encoders, the automatic choice between them, and the
// decoding of text that contains encoded words.
#include <cstring>

#include "codecs/BlockWriter.h"
#include "codecs/ContentCoding.h"
#include "codecs/HexDigit.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

// Charsets whose text is mostly outside ASCII, so that B is the shorter encoding.
const char *const kBCharsets[] = {
    "shift_jis",   "shift-jis",  "Windows-31J", "iso-2022-jp", "euc-jp",       "euc-kr",
    "iso-2022-kr", "gb2312",     "gbk",         "hz-gb-2312",  "euc-cn",       "cp-936",
    "euc-tw",      "big5",       "cp-950",      "cp-932",      "tis-620",      "windows-874",
    "iso-8859-9",  "windows-1254", "iso-8859-6", "windows-1256", "cp-1256",
};

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b)
        if (asciiLower(*a) != asciiLower(*b)) return false;
    return *a == *b;
}

bool prefersB(const char *charset) {
    if (charset == nullptr) return false;
    for (const char *name : kBCharsets)
        if (sameIgnoringCase(charset, name)) return true;
    return false;
}

// True when the first 100 bytes already hold '?' with an encoding marker, i.e. the text looks
// encoded already.
bool looksEncoded(const unsigned char *in, uint32_t n) {
    const uint32_t scan = n < 100 ? n : 100;
    for (uint32_t i = 0; i + 2 < scan; ++i) {
        if (in[i] != '?' || in[i + 2] != '?') continue;
        const unsigned char c = in[i + 1];
        if (c == 'Q' || c == 'B' || c == 'q' || c == 'b') return true;
    }
    return false;
}

// Index of the first occurrence of the two bytes at or after start, or n.
uint32_t findPair(const unsigned char *in, uint32_t n, uint32_t start, unsigned char a, unsigned char b) {
    for (uint32_t i = start; i + 1 < n; ++i)
        if (in[i] == a && in[i + 1] == b) return i;
    return n;
}

uint32_t findByte(const unsigned char *in, uint32_t n, uint32_t start, unsigned char c) {
    for (uint32_t i = start; i < n; ++i)
        if (in[i] == c) return i;
    return n;
}

uint32_t skipSpacesTabs(const unsigned char *in, uint32_t n, uint32_t i) {
    while (i < n && (in[i] == ' ' || in[i] == '\t')) ++i;
    return i;
}

bool appendWordStart(StringBuffer &out, const char *charset, const char *kind) {
    return out.append("=?") && out.append(charset) && out.append(kind);
}

}  // namespace

bool ContentCoding::encodeQ(const void *bytes, uint32_t n, const char *charset, StringBuffer &out) const {
    if (n != 0 && bytes == nullptr) return false;
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    if (charset == nullptr || *charset == 0) charset = "utf-8";

    const uint32_t start = out.getSize();
    bool ok = appendWordStart(out, charset, "?Q?");
    if (ok) {
        BlockWriter<StringBuffer, 2000> w(out);
        for (uint32_t i = 0; i < n; ++i) {
            const unsigned char b = in[i];
            // '=', '?' and '_' carry meaning inside the word and are always escaped.
            const bool plain = (b >= 33 && b <= 60) || b == 62 || (b >= 64 && b <= 94) || (b >= 96 && b <= 126);
            if (plain && !(b == ',' && m_qVariant)) {
                w.put(static_cast<char>(b));
            } else if (b == ' ') {
                w.put('_');
            } else {
                w.put3('=', HexDigit::kUpper[b >> 4], HexDigit::kUpper[b & 15]);
            }
        }
        ok = w.finish() && out.append("?=");
    }
    if (!ok) out.shorten(out.getSize() - start);
    return ok;
}

bool ContentCoding::encodeB(const void *bytes, uint32_t n, const char *charset, StringBuffer &out) {
    if (n != 0 && bytes == nullptr) return false;
    const uint32_t start = out.getSize();
    const bool ok = appendWordStart(out, charset ? charset : "", "?B?") && encodeBase64OneLine(bytes, n, out) &&
                    out.append("?=");
    if (!ok) out.shorten(out.getSize() - start);
    return ok;
}

bool ContentCoding::encodeWord(const void *bytes, uint32_t n, const char *charset, StringBuffer &out) const {
    if (n != 0 && bytes == nullptr) return false;
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    if (looksEncoded(in, n)) return out.appendN(static_cast<const char *>(bytes), n);
    if (prefersB(charset)) return encodeB(bytes, n, charset, out);
    return encodeQ(bytes, n, charset, out);
}

bool ContentCoding::decodeQ(const char *text, uint32_t n, DataBuffer &out) {
    if (n != 0 && text == nullptr) return false;
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    BlockWriter<DataBuffer> w(out);
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = in[i];
        if (c == '_' || c == ' ') {
            w.put(' ');
        } else if (c == '=' && n - i >= 3 && HexDigit::isDigit(in[i + 1]) && HexDigit::isDigit(in[i + 2])) {
            w.put(HexDigit::pairValue(in + i + 1));
            i += 3;
            continue;
        } else if (c < 32 || c == '?' || (c >= 127 && c <= 159)) {
            // Dropped: nothing a Q word may carry literally.
        } else {
            w.put(c);
        }
        ++i;
    }
    return w.finish();
}

bool ContentCoding::decodeEncodedWords(const char *text, uint32_t n, DataBuffer &out) {
    if (n != 0 && text == nullptr) return false;
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    const uint32_t start = out.getSize();
    bool ok = true;
    uint32_t pos = 0;
    for (;;) {
        const uint32_t word = findPair(in, n, pos, '=', '?');
        if (word == n) break;
        // The text before the word, without the white space that separated it from the word
        // before (or that began the text).
        const uint32_t from = skipSpacesTabs(in, word, pos);
        ok = out.append(in + from, word - from);
        if (!ok) break;

        // =?charset?X?payload?= ; a word with a missing part ends the decoding, and the rest of
        // the text is not appended.
        const uint32_t charsetEnd = findByte(in, n, word + 2, '?');
        if (charsetEnd == n || n - charsetEnd < 3 || in[charsetEnd + 2] != '?') {
            pos = n;
            break;
        }
        const unsigned char kind = in[charsetEnd + 1];
        const uint32_t payload = charsetEnd + 3;
        const uint32_t payloadEnd = findPair(in, n, payload, '?', '=');
        if (payloadEnd == n) {
            pos = n;
            break;
        }
        // The charset is not applied here: the caller converts the bytes once it knows it.
        const char *p = text + payload;
        const uint32_t len = payloadEnd - payload;
        ok = (kind == 'B' || kind == 'b') ? decodeBase64(p, len, out) : decodeQ(p, len, out);
        if (!ok) break;
        pos = payloadEnd + 2;
    }
    if (ok && pos < n) {
        const uint32_t from = skipSpacesTabs(in, n, pos);
        ok = out.append(in + from, n - from);
    }
    if (!ok) out.shorten(out.getSize() - start);
    return ok;
}

}  // namespace quorvel
