#include "foundation/charsets/Iso2022Kr.h"

#include "foundation/charsets/ConvertOutput.h"

namespace quorvel {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;

bool isKsByte(unsigned char b) { return b >= 0xA1 && b <= 0xFE; }

}  // namespace

void Iso2022Kr::decodeTo949(const unsigned char *p, uint32_t n, ConvertOutput &out) {
    bool designated = false, twoByte = false;
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c == kEsc) {
            if (i + 3 < n && p[i + 1] == '$' && p[i + 2] == ')' && p[i + 3] == 'C') {
                designated = true;
                i += 4;
            } else {
                out.noteDropped();
                ++i;
            }
            continue;
        }
        if (c == kShiftOut || c == kShiftIn) {
            if (c == kShiftOut && !designated) out.noteDropped();
            else twoByte = c == kShiftOut;
            ++i;
            continue;
        }
        if (c >= 0x80) {
            out.noteDropped();
            ++i;
            continue;
        }
        if (!twoByte || c < 0x21 || c == 0x7F) {
            out.put(c);
            ++i;
            continue;
        }
        if (i + 1 < n && p[i + 1] >= 0x21 && p[i + 1] <= 0x7E) {
            out.put(static_cast<unsigned char>(c + 0x80));
            out.put(static_cast<unsigned char>(p[i + 1] + 0x80));
            i += 2;
        } else {
            out.noteDropped();
            ++i;
        }
    }
}

void Iso2022Kr::encodeFrom949(const unsigned char *p, uint32_t n, ConvertOutput &out) {
    static const unsigned char designator[] = {kEsc, '$', ')', 'C'};
    out.putBytes(designator, sizeof designator);
    bool twoByte = false;
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (twoByte) out.put(kShiftIn);
            twoByte = false;
            out.put(c);
            ++i;
            continue;
        }
        const bool pair = c >= 0x81 && c <= 0xFE && i + 1 < n && p[i + 1] >= 0x41 && p[i + 1] <= 0xFE;
        if (pair && isKsByte(c) && isKsByte(p[i + 1])) {
            if (!twoByte) out.put(kShiftOut);
            twoByte = true;
            out.put(static_cast<unsigned char>(c - 0x80));
            out.put(static_cast<unsigned char>(p[i + 1] - 0x80));
        } else {
            out.noteDropped();
        }
        i += pair ? 2 : 1;
    }
    if (twoByte) out.put(kShiftIn);
}

}  // namespace quorvel
