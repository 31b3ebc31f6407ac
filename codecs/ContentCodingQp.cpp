// Quoted-printable encoding and decoding.
#include <cstring>

#include "codecs/BlockWriter.h"
#include "codecs/ContentCoding.h"
#include "codecs/HexDigit.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

bool isCrLfAt(const unsigned char *in, uint32_t n, uint32_t i) {
    return i + 1 < n && in[i] == '\r' && in[i + 1] == '\n';
}

// A byte 0xFF is written "=FF", and the decoder reads "=FFFFFF" plus two hex digits as one byte
// (a form some writers produce from sign-extended bytes). So an 'F' that follows 0xFF and starts
// "FFFF" plus two hex digits is escaped, or the decoder would swallow those six bytes.
bool wouldExtendFF(const unsigned char *in, uint32_t n, uint32_t i) {
    return i > 0 && in[i - 1] == 0xFF && n - i >= 6 && std::memcmp(in + i, "FFFF", 4) == 0 &&
           HexDigit::isDigit(in[i + 4]) && HexDigit::isDigit(in[i + 5]);
}

bool mustEscape(const unsigned char *in, uint32_t n, uint32_t i, uint32_t column) {
    const unsigned char b = in[i];
    // A line never starts with a lone dot or with "From " (mail transports treat both specially).
    if (column == 0) {
        if (b == '.') return true;
        if (b == 'F' && n - i >= 5 && std::memcmp(in + i + 1, "rom ", 4) == 0) return true;
    }
    if ((b >= 33 && b <= 60) || (b >= 62 && b <= 126)) return b == 'F' && wouldExtendFF(in, n, i);
    // White space at the end of a line or of the data would be lost in transport.
    if (b == ' ' || b == '\t') return i + 1 == n || isCrLfAt(in, n, i + 1);
    return true;
}

bool isTrailingSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

bool ContentCoding::encodeQuotedPrintable(const void *bytes, uint32_t n, StringBuffer &out) const {
    if (n != 0 && bytes == nullptr) return false;
    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    const uint32_t lineLength = m_lineLength < kMinQpLineLength ? kMinQpLineLength : m_lineLength;

    BlockWriter<StringBuffer, 2000> w(out);
    uint32_t column = 0;
    uint32_t i = 0;
    while (i < n) {
        if (isCrLfAt(in, n, i)) {
            w.put2('\r', '\n');
            column = 0;
            i += 2;
            continue;
        }
        const unsigned char b = in[i];
        if (mustEscape(in, n, i, column)) {
            if (column >= lineLength - 3) {
                w.put3('=', '\r', '\n');
                column = 0;
            }
            w.put3('=', HexDigit::kUpper[b >> 4], HexDigit::kUpper[b & 15]);
            column += 3;
        } else {
            w.put(static_cast<char>(b));
            ++column;
        }
        ++i;
        if (column >= lineLength - 1 && !isCrLfAt(in, n, i)) {
            w.put3('=', '\r', '\n');
            column = 0;
        }
    }
    return w.finish();
}

bool ContentCoding::decodeQuotedPrintable(const char *text, uint32_t n, DataBuffer &out) {
    if (n != 0 && text == nullptr) return false;
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    const void *nul = n != 0 ? std::memchr(in, 0, n) : nullptr;
    const uint32_t end = nul ? static_cast<uint32_t>(static_cast<const unsigned char *>(nul) - in) : n;

    BlockWriter<DataBuffer> w(out);
    w.expect(end);
    uint32_t pos = 0;
    while (pos < end) {
        const void *lf = std::memchr(in + pos, '\n', end - pos);
        const uint32_t stop = lf ? static_cast<uint32_t>(static_cast<const unsigned char *>(lf) - in) : end;
        uint32_t last = stop;
        while (last > pos && isTrailingSpace(in[last - 1])) --last;

        bool softBreak = false;
        if (last == pos) {
            // A line of nothing but white space keeps its spaces and tabs.
            for (uint32_t j = pos; j < stop; ++j)
                if (in[j] == ' ' || in[j] == '\t') w.put(in[j]);
        } else {
            uint32_t j = pos;
            while (j < last) {
                const unsigned char c = in[j];
                if (c != '=') {
                    w.put(c);
                    ++j;
                } else if (j + 1 == last) {
                    softBreak = true;
                    ++j;
                } else if (last - j >= 9 && std::memcmp(in + j + 1, "FFFFFF", 6) == 0 &&
                           HexDigit::isDigit(in[j + 7]) && HexDigit::isDigit(in[j + 8])) {
                    w.put(HexDigit::pairValue(in + j + 7));
                    j += 9;
                } else if (last - j >= 3 && HexDigit::isDigit(in[j + 1]) && HexDigit::isDigit(in[j + 2])) {
                    w.put(HexDigit::pairValue(in + j + 1));
                    j += 3;
                } else {
                    w.put('=');
                    ++j;
                }
            }
        }
        if (lf && !softBreak) w.put2('\r', '\n');
        pos = lf ? stop + 1 : end;
    }
    return w.finish();
}

}  // namespace quorvel
