#include "foundation/charsets/Utf8Codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "foundation/charsets/ConvertOutput.h"
#include "foundation/charsets/PivotEscape.h"
#include "foundation/charsets/Utf16BlockEncoder.h"

namespace quorvel {

namespace {

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

uint32_t readUnit32(const unsigned char *p, bool bigEndian) {
    if (bigEndian) return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

template <bool kBigEndian> unsigned char *putUnit(unsigned char *w, uint32_t unit) {
    w[kBigEndian ? 1 : 0] = static_cast<unsigned char>(unit & 0xFF);
    w[kBigEndian ? 0 : 1] = static_cast<unsigned char>(unit >> 8);
    return w + 2;
}

// Widens the ASCII bytes that start p (16 bytes readable) to units at w (32 bytes writable) and
// returns how many there were. All 16 are written; the ones past the ASCII run are overwritten
// by what follows.
template <bool kBigEndian> uint32_t widenAsciiRun(const unsigned char *p, unsigned char *w) {
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w),
                     kBigEndian ? _mm_unpacklo_epi8(zero, bytes) : _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w + 16),
                     kBigEndian ? _mm_unpackhi_epi8(zero, bytes) : _mm_unpackhi_epi8(bytes, zero));
    const unsigned others = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    return others == 0 ? 16 : static_cast<uint32_t>(__builtin_ctz(others));
#else
    uint32_t k = 0;
    while (k < 16 && p[k] < 0x80) {
        putUnit<kBigEndian>(w + 2 * k, p[k]);
        ++k;
    }
    return k;
#endif
}

// Narrows the ASCII units that start p (32 bytes readable) to bytes at w (16 bytes writable)
// and returns how many there were; as above, all 16 are written.
template <bool kBigEndian> uint32_t narrowAsciiRun(const unsigned char *p, unsigned char *w) {
#if defined(__SSE2__)
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16));
    if (kBigEndian) {
        a = _mm_or_si128(_mm_srli_epi16(a, 8), _mm_slli_epi16(a, 8));
        b = _mm_or_si128(_mm_srli_epi16(b, 8), _mm_slli_epi16(b, 8));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(w), _mm_packus_epi16(a, b));
    // A unit is ASCII when none of its bits above the lowest seven is set.
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    const __m128i asciiA = _mm_cmpeq_epi16(_mm_and_si128(a, high), zero);
    const __m128i asciiB = _mm_cmpeq_epi16(_mm_and_si128(b, high), zero);
    const unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(asciiA, asciiB))) & 0xFFFFu;
    return others == 0 ? 16 : static_cast<uint32_t>(__builtin_ctz(others));
#else
    uint32_t k = 0;
    while (k < 16) {
        const uint32_t unit = kBigEndian ? (uint32_t{p[2 * k]} << 8) | p[2 * k + 1] : (uint32_t{p[2 * k + 1]} << 8) | p[2 * k];
        if (unit >= 0x80) break;
        w[k++] = static_cast<unsigned char>(unit);
    }
    return k;
#endif
}

// Input bytes per fill of the output room; the last step of a fill may read and write a little
// past it, which the room asked for allows.
constexpr uint32_t kChunk = 192;

template <bool kBigEndian> void utf8ToUtf16Units(const unsigned char *p, uint32_t n, ConvertOutput &out) {
    uint32_t i = 0;
    while (i < n) {
        const uint32_t end = n - i > kChunk ? i + kChunk : n;
        // At most two output bytes for each input byte, and 32 written at once.
        unsigned char *w = out.room(2 * kChunk + 32);
        while (i < end) {
            const uint32_t b0 = p[i];
            if (b0 < 0x80) {
                if (n - i >= 16) {
                    const uint32_t k = widenAsciiRun<kBigEndian>(p + i, w);
                    w += 2 * k;
                    i += k;
                } else {
                    w = putUnit<kBigEndian>(w, b0);
                    ++i;
                }
                continue;
            }
            // The two- and three-byte forms inline; everything else through decode.
            if (n - i >= 3) {
                const uint32_t b1 = p[i + 1], b2 = p[i + 2];
                if (b0 >= 0xE0 && b0 < 0xF0) {
                    const uint32_t unit = ((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
                    if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80 && unit >= 0x800) {
                        w = putUnit<kBigEndian>(w, unit);
                        i += 3;
                        continue;
                    }
                } else if (b0 >= 0xC2 && b0 < 0xE0 && (b1 & 0xC0) == 0x80) {
                    w = putUnit<kBigEndian>(w, ((b0 & 0x1F) << 6) | (b1 & 0x3F));
                    i += 2;
                    continue;
                }
            }
            uint32_t len;
            uint32_t cp = Utf8Codec::decode(p + i, n - i, len);
            i += len;
            if (cp == Utf8Codec::kInvalid) continue;
            if (cp < 0x10000) {
                w = putUnit<kBigEndian>(w, cp);
            } else {
                cp -= 0x10000;
                w = putUnit<kBigEndian>(w, 0xD800 + (cp >> 10));
                w = putUnit<kBigEndian>(w, 0xDC00 + (cp & 0x3FF));
            }
        }
        out.commit(w);
    }
}

template <bool kBigEndian> uint32_t unitAt(const unsigned char *p) {
    return kBigEndian ? (uint32_t{p[0]} << 8) | p[1] : (uint32_t{p[1]} << 8) | p[0];
}

// Writes the character whose units start at p + i (n - i >= 2) and steps i past it: one unit,
// or two for a surrogate pair. A lone surrogate keeps its three-byte form.
template <bool kBigEndian>
inline unsigned char *encodeCharAt(const unsigned char *p, uint32_t &i, uint32_t n, unsigned char *w) {
    const uint32_t unit = unitAt<kBigEndian>(p + i);
    i += 2;
    if (unit < 0x80) {
        *w = static_cast<unsigned char>(unit);
        return w + 1;
    }
    if (unit < 0x800) {
        w[0] = static_cast<unsigned char>(0xC0 | (unit >> 6));
        w[1] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        return w + 2;
    }
    if (unit - 0xD800 >= 0x800) {
        w[0] = static_cast<unsigned char>(0xE0 | (unit >> 12));
        w[1] = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        w[2] = static_cast<unsigned char>(0x80 | (unit & 0x3F));
        return w + 3;
    }
    if (Utf8Codec::isHighSurrogate(unit) && n - i >= 2) {
        const uint32_t next = unitAt<kBigEndian>(p + i);
        if (Utf8Codec::isLowSurrogate(next)) {
            i += 2;
            return Utf8Codec::write(w, Utf8Codec::joinSurrogates(unit, next));
        }
    }
    return Utf8Codec::write(w, unit);
}

// Output room per fill: three bytes for each unit of a chunk, and for the last step, which may
// start just before the chunk's end, nine more units (eight and the second half of a pair)
// and the sixteen bytes a block store writes at once.
constexpr uint32_t kUtf8Room = 3 * (kChunk / 2) + 48;
static_assert(kUtf8Room <= ConvertOutput::kBlockSize);

template <bool kBigEndian> void utf16UnitsToUtf8(const unsigned char *p, uint32_t n, ConvertOutput &out) {
    uint32_t i = 0;
    while (n - i >= 2) {
        const uint32_t end = n - i > kChunk ? i + kChunk : n;
        unsigned char *w = out.room(kUtf8Room);
        while (i < end && n - i >= 2) {
            if (n - i >= 32 && unitAt<kBigEndian>(p + i) < 0x80) {
                const uint32_t k = narrowAsciiRun<kBigEndian>(p + i, w);
                w += k;
                i += 2 * k;
                continue;
            }
            w = encodeCharAt<kBigEndian>(p, i, n, w);
        }
        out.commit(w);
    }
}

#if defined(QUORVEL_UTF16_BLOCKS)
// The same with eight units at a time. Text that switches often between ASCII and other
// characters costs the scalar loop a mispredicted branch at every switch; the block encoder
// has none. A block holding a surrogate goes one character at a time.
template <bool kBigEndian>
QUORVEL_TARGET_SSSE3 void utf16UnitsToUtf8Blocks(const unsigned char *p, uint32_t n, ConvertOutput &out) {
    uint32_t i = 0;
    while (n - i >= 2) {
        const uint32_t end = n - i > kChunk ? i + kChunk : n;
        unsigned char *w = out.room(kUtf8Room);
        while (i < end && n - i >= 16) {
            if (unsigned char *next = utf16blocks::encodeBlock<kBigEndian>(p + i, w)) {
                const bool ascii = next - w == 8;
                w = next;
                i += 16;
                // After eight ASCII units, sixteen at a time while they go on: markup is mostly
                // ASCII. Mixed text seldom has eight in a row, so the branch stays predictable.
                while (ascii && i < end && n - i >= 32) {
                    const uint32_t k = narrowAsciiRun<kBigEndian>(p + i, w);
                    w += k;
                    i += 2 * k;
                    if (k < 16) break;
                }
                continue;
            }
            for (const uint32_t stop = i + 16; i < stop;) w = encodeCharAt<kBigEndian>(p, i, n, w);
        }
        while (i < end && n - i >= 2) w = encodeCharAt<kBigEndian>(p, i, n, w);
        out.commit(w);
    }
}
#endif

template <bool kBigEndian> void convertUtf16ToUtf8(const unsigned char *p, uint32_t n, ConvertOutput &out) {
#if defined(QUORVEL_UTF16_BLOCKS)
    if (!utf16blocks::scalarOnly && utf16blocks::hasSsse3()) {
        utf16UnitsToUtf8Blocks<kBigEndian>(p, n, out);
        return;
    }
#endif
    utf16UnitsToUtf8<kBigEndian>(p, n, out);
}

}  // namespace

uint32_t Utf8Codec::decode(const unsigned char *p, uint32_t n, uint32_t &len) {
    len = 1;
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return b0;
    if (b0 < 0xC2) return kInvalid;  // continuation byte, or an overlong two-byte lead
    if (b0 < 0xE0) {
        if (n < 2 || !isContinuation(p[1])) return kInvalid;
        len = 2;
        return ((b0 & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    }
    if (b0 < 0xF0) {
        if (n < 3 || !isContinuation(p[1]) || !isContinuation(p[2])) return kInvalid;
        if (b0 == 0xE0 && p[1] < 0xA0) return kInvalid;  // overlong
        len = 3;
        return ((b0 & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    }
    if (b0 < 0xF5) {
        if (n < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return kInvalid;
        if (b0 == 0xF0 && p[1] < 0x90) return kInvalid;   // overlong
        if (b0 == 0xF4 && p[1] >= 0x90) return kInvalid;  // beyond U+10FFFF
        len = 4;
        return ((b0 & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    }
    return kInvalid;
}

void Utf8Codec::encode(uint32_t cp, ConvertOutput &out) {
    unsigned char *w = out.room(4);
    out.commit(Utf8Codec::write(w, cp));
}

void Utf8Codec::utf8ToUtf16(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    if (bigEndian) utf8ToUtf16Units<true>(p, n, out);
    else utf8ToUtf16Units<false>(p, n, out);
}

void Utf8Codec::utf16ToUtf8(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out,
                            bool pivotEscapes) {
    PivotEscape::convert(p, n, pivotEscapes, out, [&](const unsigned char *units, uint32_t len) {
        if (bigEndian) convertUtf16ToUtf8<true>(units, len, out);
        else convertUtf16ToUtf8<false>(units, len, out);
    });
}

void Utf8Codec::utf32ToUtf8(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    for (uint32_t i = 0; n - i >= 4; i += 4) {
        const uint32_t cp = readUnit32(p + i, bigEndian);
        if (cp > 0x10FFFF) {
            out.noteDropped();
            continue;
        }
        encode(cp, out);
    }
}

void Utf8Codec::utf8ToUtf32(const unsigned char *p, uint32_t n, bool bigEndian, ConvertOutput &out) {
    uint32_t i = 0;
    while (i < n) {
        uint32_t len;
        uint32_t cp = decode(p + i, n - i, len);
        i += len;
        if (cp == kInvalid) continue;
        if (isHighSurrogate(cp) && i < n) {
            // A pair written as two three-byte sequences is one character.
            uint32_t nextLen;
            const uint32_t next = decode(p + i, n - i, nextLen);
            if (next != kInvalid && isLowSurrogate(next)) {
                cp = joinSurrogates(cp, next);
                i += nextLen;
            }
        }
        out.putUtf32(cp, bigEndian);
    }
}

uint32_t Utf8Codec::countUtf16Units(const unsigned char *p, uint32_t n) {
    uint32_t units = 0;
    uint32_t i = 0;
    while (i < n) {
        uint32_t len;
        const uint32_t cp = decode(p + i, n - i, len);
        i += len;
        if (cp != kInvalid) units += cp < 0x10000 ? 1 : 2;
    }
    return units;
}

}  // namespace quorvel
