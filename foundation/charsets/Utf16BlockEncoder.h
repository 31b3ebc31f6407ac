#pragma once
// UTF-16 to UTF-8 eight units at a time with SSSE3, for x86 builds with GCC or Clang. The
// functions carry their own target attribute, so the rest of the build keeps the baseline
// instruction set; callers check hasSsse3() first and keep their scalar loop otherwise.
#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define QUORVEL_UTF16_BLOCKS 1

#include <cstdint>
#include <emmintrin.h>
#include <tmmintrin.h>

#define QUORVEL_TARGET_SSSE3 __attribute__((target("ssse3")))

namespace quorvel::utf16blocks {

// Set by tests to run the scalar loop on a CPU that has SSSE3, so that both loops are checked.
inline bool scalarOnly = false;

inline bool hasSsse3() {
#if defined(__SSSE3__)
    return true;
#else
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
#endif
}

// Each unit is spread over a four-byte lane: its lead byte (two- or three-byte form), the
// middle byte of the three-byte form, the last byte of both, and the unit itself for ASCII.
// Four units have a code of two bits each (bit 0: ASCII, bit 1: below U+0800), and the code of
// four units picks the shuffle that keeps the bytes of each unit's form, in order.
struct PackTable {
    alignas(16) unsigned char shuffle[256][16];
    unsigned char length[256];
};

constexpr PackTable makePackTable() {
    PackTable t{};
    for (unsigned code = 0; code < 256; ++code) {
        unsigned n = 0;
        for (unsigned j = 0; j < 4; ++j) {
            const unsigned lane = 4 * j, kind = (code >> (2 * j)) & 3;
            if (kind == 3) {
                t.shuffle[code][n++] = static_cast<unsigned char>(lane + 3);
            } else if (kind == 2) {
                t.shuffle[code][n++] = static_cast<unsigned char>(lane);
                t.shuffle[code][n++] = static_cast<unsigned char>(lane + 2);
            } else {  // 0; 1 (ASCII but not below U+0800) cannot occur
                t.shuffle[code][n++] = static_cast<unsigned char>(lane);
                t.shuffle[code][n++] = static_cast<unsigned char>(lane + 1);
                t.shuffle[code][n++] = static_cast<unsigned char>(lane + 2);
            }
        }
        t.length[code] = static_cast<unsigned char>(n);
        for (unsigned k = n; k < 16; ++k) t.shuffle[code][k] = 0x80;
    }
    return t;
}

inline constexpr PackTable kPackTable = makePackTable();

// Encodes the eight units at p (16 bytes) to w, which has room for 28 bytes, and returns the
// end of what it wrote; nullptr, with nothing written, when one of them is a surrogate.
template <bool kBigEndian> QUORVEL_TARGET_SSSE3 inline unsigned char *encodeBlock(const unsigned char *p, unsigned char *w) {
    __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    if (kBigEndian) u = _mm_or_si128(_mm_srli_epi16(u, 8), _mm_slli_epi16(u, 8));
    const __m128i zero = _mm_setzero_si128();
    const __m128i top5 = _mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xF800)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(top5, _mm_set1_epi16(static_cast<short>(0xD800)))) != 0) return nullptr;
    const __m128i below800 = _mm_cmpeq_epi16(top5, zero);
    const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xFF80))), zero);
    // Lead bytes, with the continuation mark of the middle byte above them.
    const __m128i lead2 = _mm_or_si128(_mm_srli_epi16(u, 6), _mm_set1_epi16(static_cast<short>(0x80C0)));
    const __m128i lead3 = _mm_or_si128(_mm_srli_epi16(u, 12), _mm_set1_epi16(static_cast<short>(0x80E0)));
    const __m128i lead = _mm_or_si128(_mm_and_si128(below800, lead2), _mm_andnot_si128(below800, lead3));
    const __m128i first = _mm_or_si128(lead, _mm_and_si128(_mm_slli_epi16(u, 2), _mm_set1_epi16(0x3F00)));
    const __m128i last = _mm_or_si128(_mm_and_si128(u, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
    const __m128i second = _mm_or_si128(last, _mm_slli_epi16(u, 8));
    const unsigned code = (static_cast<unsigned>(_mm_movemask_epi8(ascii)) & 0x5555u) |
                          (static_cast<unsigned>(_mm_movemask_epi8(below800)) & 0xAAAAu);
    const unsigned lo = code & 0xFF, hi = code >> 8;
    const __m128i shuffleLo = _mm_load_si128(reinterpret_cast<const __m128i *>(kPackTable.shuffle[lo]));
    const __m128i shuffleHi = _mm_load_si128(reinterpret_cast<const __m128i *>(kPackTable.shuffle[hi]));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm_shuffle_epi8(_mm_unpacklo_epi16(first, second), shuffleLo));
    w += kPackTable.length[lo];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm_shuffle_epi8(_mm_unpackhi_epi16(first, second), shuffleHi));
    return w + kPackTable.length[hi];
}

}  // namespace quorvel::utf16blocks

#endif
