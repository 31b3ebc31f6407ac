#include "foundation/charsets/Utf7Codec.h"

#include "foundation/charsets/ConvertOutput.h"

namespace quorvel {

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool isDirect(uint32_t u) {
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) return true;
    switch (u) {
        case '\'': case '(': case ')': case ',': case '-': case '.': case '/': case ':': case '?':
        case ' ': case '\t': case '\r': case '\n':
            return true;
        default:
            return false;
    }
}

int base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

void Utf7Codec::encode(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    bool inBase64 = false;
    uint32_t bits = 0;  // pending bits, right-aligned
    uint32_t count = 0;
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        const uint32_t u = bigEndian ? (uint32_t{p[i]} << 8 | p[i + 1]) : (uint32_t{p[i + 1]} << 8 | p[i]);
        if (isDirect(u)) {
            if (inBase64) {
                if (count > 0) out.put(static_cast<unsigned char>(kBase64[(bits << (6 - count)) & 0x3F]));
                out.put('-');
                inBase64 = false;
                count = 0;
            }
            out.put(static_cast<unsigned char>(u));
            continue;
        }
        if (!inBase64) {
            if (u == '+') {
                out.put('+');
                out.put('-');
                continue;
            }
            out.put('+');
            inBase64 = true;
            bits = 0;
            count = 0;
        }
        bits = (bits << 16) | u;
        count += 16;
        while (count >= 6) {
            count -= 6;
            out.put(static_cast<unsigned char>(kBase64[(bits >> count) & 0x3F]));
        }
        bits &= (1u << count) - 1;
    }
    if (inBase64) {
        if (count > 0) out.put(static_cast<unsigned char>(kBase64[(bits << (6 - count)) & 0x3F]));
        out.put('-');
    }
}

void Utf7Codec::decode(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = p[i++];
        if (c >= 0x80) {
            out.noteDropped();
            continue;
        }
        if (c != '+') {
            out.putUtf16(c, bigEndian);
            continue;
        }
        if (i < n && p[i] == '-') {
            out.putUtf16('+', bigEndian);
            ++i;
            continue;
        }
        // A Base64 run: it ends at the first byte outside the alphabet; a '-' there is absorbed.
        uint32_t bits = 0, count = 0;
        int v;
        while (i < n && (v = base64Value(p[i])) >= 0) {
            ++i;
            bits = (bits << 6) | static_cast<uint32_t>(v);
            count += 6;
            if (count >= 16) {
                count -= 16;
                out.putUtf16((bits >> count) & 0xFFFF, bigEndian);
                bits &= (1u << count) - 1;
            }
        }
        // Up to five zero bits may pad the last unit; anything more is a unit cut short.
        if (count >= 6 || bits != 0) out.noteDropped();
        if (i < n && p[i] == '-') ++i;
    }
}

}  // namespace quorvel
