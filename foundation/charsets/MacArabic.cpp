#include "foundation/charsets/MacArabic.h"

namespace quorvel {

namespace {

// Indexed by byte - 0x20: 1 where the x-mac-arabic character lies in the Arabic block.
constexpr unsigned char kRightToLeft[224] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 20
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 40
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 60
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 80
    0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1,  // A0
    0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0,  // C0
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1,  // E0
};

bool isLowered(unsigned char b) {
    if (b >= 0xA0 && b <= 0xAF) return b != 0xA5 && b != 0xAC;
    return (b >= 0xB0 && b <= 0xBA) || (b >= 0xBC && b <= 0xBE) || (b >= 0xDB && b <= 0xDF) ||
           (b >= 0xFB && b <= 0xFD);
}

}  // namespace

bool MacArabic::isRightToLeft(unsigned char b) { return b >= 0x20 && kRightToLeft[b - 0x20] != 0; }

void MacArabic::prepare(unsigned char *p, uint32_t n) {
    uint32_t i = 0;
    while (i < n) {
        if (!isRightToLeft(p[i])) {
            ++i;
            continue;
        }
        uint32_t end = i + 1;
        while (end < n && isRightToLeft(p[end])) ++end;
        if (end - i >= 2) {
            for (uint32_t a = i, b = end - 1; a < b; ++a, --b) {
                const unsigned char t = p[a];
                p[a] = p[b];
                p[b] = t;
            }
        }
        i = end;
    }
    for (uint32_t k = 0; k < n; ++k) {
        if (isLowered(p[k])) p[k] = static_cast<unsigned char>(p[k] - 0x80);
        else if (p[k] == 0x81) p[k] = 0xA0;
    }
}

}  // namespace quorvel
