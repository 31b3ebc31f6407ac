// Base64: the MIME form with line breaks, the single-line forms, and the decoder for the
// standard and the modified alphabet.
#include <array>
#include <cstddef>

#include "codecs/BlockWriter.h"
#include "codecs/ContentCoding.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

namespace {

constexpr char kStandard[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUrlSafe[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr char kModified[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-]";

// Decoding table entries besides the values 0-63.
constexpr unsigned char kSkip = 0xFF;
constexpr unsigned char kStop = 0xFE;

constexpr std::array<unsigned char, 256> decodeTable(const char *alphabet) {
    std::array<unsigned char, 256> t{};
    for (auto &v : t) v = kSkip;
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(alphabet[i])] = static_cast<unsigned char>(i);
    t['='] = kStop;
    t[0] = kStop;
    return t;
}

constexpr std::array<unsigned char, 256> kDecodeStandard = decodeTable(kStandard);
constexpr std::array<unsigned char, 256> kDecodeModified = decodeTable(kModified);

// The exact length of an encoding, so that the output is reserved once (and refused up front
// when it would not fit in 32 bits). lineLength 0 means no line breaks; the MIME form adds its
// closing CR LF.
uint64_t encodedLength(uint32_t n, uint32_t lineLength, bool mime) {
    uint64_t groups = n / 3;
    uint64_t length = (groups + (n % 3 != 0 ? 1 : 0)) * 4;
    if (mime) {
        // A line ends after the first group that takes its column to the line length or beyond.
        if (lineLength != 0) length += groups / ((static_cast<uint64_t>(lineLength) + 3) / 4) * 2;
        length += 2;
    }
    return length;
}

// Writes k whole groups of 3 bytes as 4k characters.
inline void encodeGroups(const unsigned char *in, uint32_t k, const char *alphabet, char *p) {
    for (uint32_t g = 0; g < k; ++g, in += 3, p += 4) {
        const uint32_t v = static_cast<uint32_t>(in[0]) << 16 | static_cast<uint32_t>(in[1]) << 8 | in[2];
        p[0] = alphabet[v >> 18];
        p[1] = alphabet[(v >> 12) & 63];
        p[2] = alphabet[(v >> 6) & 63];
        p[3] = alphabet[v & 63];
    }
}

// Decodes up to k groups of 4 alphabet characters into p, stopping before the first group that
// holds anything else. Returns the number of groups decoded.
inline uint32_t decodeGroups(const unsigned char *in, uint32_t k, const std::array<unsigned char, 256> &table,
                             unsigned char *p) {
    uint32_t g = 0;
    for (; g < k; ++g, in += 4, p += 3) {
        const uint32_t a = table[in[0]], b = table[in[1]], c = table[in[2]], d = table[in[3]];
        if ((a | b | c | d) >= 64) break;
        const uint32_t v = a << 18 | b << 12 | c << 6 | d;
        p[0] = static_cast<unsigned char>(v >> 16);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v);
    }
    return g;
}

constexpr uint32_t kTextBlock = 256;

bool encode(const void *bytes, uint32_t n, const char *alphabet, uint32_t lineLength, bool mime,
            StringBuffer &out) {
    if (n != 0 && bytes == nullptr) return false;
    if (!out.reserve(encodedLength(n, lineLength, mime))) return false;

    const unsigned char *in = static_cast<const unsigned char *>(bytes);
    BlockWriter<StringBuffer, kTextBlock> w(out);
    // A line ends after the first group that takes its column to the line length or beyond,
    // that is after groupsPerLine groups.
    const bool breakLines = mime && lineLength != 0;
    const uint64_t groupsPerLine = breakLines ? (static_cast<uint64_t>(lineLength) + 3) / 4 : UINT64_MAX;
    uint64_t lineLeft = groupsPerLine;
    uint32_t groupsLeft = n / 3;
    while (groupsLeft != 0) {
        // As many groups as the block holds with room for a line break, up to the line end.
        uint32_t k = (kTextBlock - 2) / 4;
        if (k > groupsLeft) k = groupsLeft;
        if (k > lineLeft) k = static_cast<uint32_t>(lineLeft);
        char *p = w.room(k * 4 + 2);
        encodeGroups(in, k, alphabet, p);
        in += 3 * static_cast<size_t>(k);
        groupsLeft -= k;
        uint32_t written = k * 4;
        lineLeft -= k;
        if (lineLeft == 0) {
            p[written++] = '\r';
            p[written++] = '\n';
            lineLeft = groupsPerLine;
        }
        w.commit(written);
    }

    const uint32_t rest = n % 3;
    if (rest != 0) {
        const uint32_t v = static_cast<uint32_t>(in[0]) << 16 | (rest == 2 ? static_cast<uint32_t>(in[1]) << 8 : 0);
        char *p = w.room(4);
        p[0] = alphabet[v >> 18];
        p[1] = alphabet[(v >> 12) & 63];
        p[2] = rest == 2 ? alphabet[(v >> 6) & 63] : '=';
        p[3] = '=';
        w.commit(4);
    }
    // Data that ends exactly at a line end is followed by an empty line, as it always was.
    if (mime) w.put2('\r', '\n');
    return w.finish();
}

bool decode(const char *text, uint32_t n, const std::array<unsigned char, 256> &table, DataBuffer &out) {
    if (n != 0 && text == nullptr) return false;
    const unsigned char *in = reinterpret_cast<const unsigned char *>(text);
    BlockWriter<DataBuffer> w(out);
    w.expect(n / 4 * 3 + 3);

    uint32_t acc = 0;
    uint32_t count = 0;
    uint32_t i = 0;
    while (i < n) {
        // Runs of whole groups, the bulk of any real input, go through the fast loop.
        if (count == 0 && n - i >= 4) {
            uint32_t k = (n - i) / 4;
            if (k > w.kBlockSize / 3) k = w.kBlockSize / 3;
            const uint32_t done = decodeGroups(in + i, k, table, w.room(k * 3));
            w.commit(done * 3);
            i += done * 4;
            if (done != 0) continue;
        }
        const unsigned char v = table[in[i++]];
        if (v == kStop) break;
        if (v == kSkip) continue;
        acc = acc << 6 | v;
        if (++count == 4) {
            w.put2(static_cast<unsigned char>(acc >> 16), static_cast<unsigned char>(acc >> 8));
            w.put(static_cast<unsigned char>(acc));
            acc = 0;
            count = 0;
        }
    }
    // A final incomplete group: 2 characters carry one whole byte, 3 carry two.
    if (count == 2) {
        w.put(static_cast<unsigned char>(acc >> 4));
    } else if (count == 3) {
        w.put2(static_cast<unsigned char>(acc >> 10), static_cast<unsigned char>(acc >> 2));
    }
    return w.finish();
}

}  // namespace

bool ContentCoding::encodeBase64(const void *bytes, uint32_t n, StringBuffer &out) const {
    return encode(bytes, n, kStandard, m_lineLength, true, out);
}

bool ContentCoding::encodeBase64OneLine(const void *bytes, uint32_t n, StringBuffer &out) {
    return encode(bytes, n, kStandard, 0, false, out);
}

bool ContentCoding::encodeBase64UrlSafe(const void *bytes, uint32_t n, StringBuffer &out) {
    return encode(bytes, n, kUrlSafe, 0, false, out);
}

bool ContentCoding::decodeBase64(const char *text, uint32_t n, DataBuffer &out) {
    return decode(text, n, kDecodeStandard, out);
}

bool ContentCoding::decodeModBase64(const char *text, uint32_t n, DataBuffer &out) {
    return decode(text, n, kDecodeModified, out);
}

}  // namespace quorvel
