#pragma once
#include <cstdint>

#include "foundation/charsets/ConvertOutput.h"

namespace quorvel {

// The escape that the intermediate UTF-16 of a two-step conversion may carry: the bytes FD EF,
// a count below 6, then that many raw bytes that the first step could not map. The second step
// writes the raw bytes out unchanged. The first step of this system drops unmappable bytes, so
// the escape is only ever recognised, never produced.
class PivotEscape {
public:
    static constexpr unsigned char kFirst = 0xFD;
    static constexpr unsigned char kSecond = 0xEF;
    static constexpr uint32_t kMaxRaw = 5;

    // Total length of the escape starting at bytes[i] (3 + raw count), or 0 when none starts
    // there or it is cut off by the end of the input.
    static uint32_t lengthAt(const unsigned char *bytes, uint32_t n, uint32_t i) {
        if (n - i < 3 || bytes[i] != kFirst || bytes[i + 1] != kSecond) return 0;
        const uint32_t count = bytes[i + 2];
        if (count > kMaxRaw || n - i - 3 < count) return 0;
        return 3 + count;
    }

    // The second step over intermediate UTF-16: escapes are looked for where a unit would start;
    // their raw bytes go to out, and each stretch of units between them to convertUnits(bytes, n).
    // Without escapes the text is one stretch.
    template <class ConvertUnits>
    static void convert(const unsigned char *bytes, uint32_t n, bool escapes, ConvertOutput &out,
                        ConvertUnits convertUnits) {
        if (!escapes) {
            convertUnits(bytes, n);
            return;
        }
        uint32_t start = 0, i = 0;
        while (n - i >= 2) {
            const uint32_t esc = lengthAt(bytes, n, i);
            if (esc == 0) {
                i += 2;
                continue;
            }
            if (i > start) convertUnits(bytes + start, i - start);
            out.putBytes(bytes + i + 3, esc - 3);
            i += esc;
            start = i;
        }
        if (n > start) convertUnits(bytes + start, n - start);
    }
};

}  // namespace quorvel
