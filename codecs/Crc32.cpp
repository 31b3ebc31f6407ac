#include "codecs/Crc32.h"

#include <zlib.h>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_CRC32_FOLDING 1
#endif

namespace quorvel {

namespace {

// zlib's table CRC, for what the folding leaves and for processors without it; fed in pieces
// that fit its 32-bit length.
uint32_t tableCrc(uint32_t crc, const unsigned char *data, size_t n) {
    while (n > 0) {
        const uInt piece = n > 0x40000000u ? 0x40000000u : static_cast<uInt>(n);
        crc = static_cast<uint32_t>(crc32(crc, data, piece));
        data += piece;
        n -= piece;
    }
    return crc;
}

#ifdef QUORVEL_CRC32_FOLDING

__m128i load(const unsigned char *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); }

// a's low half times k's low half plus a's high half times k's high half, added to next.
__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i a, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

// Folding by carry-less multiplication over 16-byte lanes, then a Barrett reduction to 32 bits.
// The constants are powers of x modulo the polynomial, bit-reflected: x^(4*128+32) and
// x^(4*128-32) fold four lanes at once, x^(128+32) and x^(128-32) one lane, x^64 takes 64 bits
// to 32; the last pair is the polynomial itself and its Barrett quotient floor(x^64 / P).
// State is the register's value (the caller inverts before and after); n is a multiple of 16
// and at least 64.
__attribute__((target("pclmul,sse2"))) uint32_t foldedCrc(uint32_t state, const unsigned char *p, size_t n) {
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x1 = fold(x1, k1k2, load(p));
        x2 = fold(x2, k1k2, load(p + 16));
        x3 = fold(x3, k1k2, load(p + 32));
        x4 = fold(x4, k1k2, load(p + 48));
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    for (; n >= 16; p += 16, n -= 16) x1 = fold(x1, k3k4, load(p));

    // 128 bits to 64, then to 32 bits and a remainder of 64.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), _mm_srli_si128(x1, 4));
    // Barrett: the quotient's estimate times the polynomial, taken away.
    __m128i t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10), low32);
    t = _mm_clmulepi64_si128(t, poly, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x1, 4)));
}

bool canFold() {
    static const bool supported = (__builtin_cpu_init(), __builtin_cpu_supports("pclmul"));
    return supported;
}

#endif

}  // namespace

uint32_t crc32Update(uint32_t crc, const unsigned char *data, size_t n) {
#ifdef QUORVEL_CRC32_FOLDING
    if (n >= 64 && canFold()) {
        const size_t folded = n & ~static_cast<size_t>(15);
        crc = ~foldedCrc(~crc, data, folded);
        data += folded;
        n -= folded;
    }
#endif
    return n == 0 ? crc : tableCrc(crc, data, n);
}

}  // namespace quorvel
