// The folded CRC-32 against zlib's table CRC: every start alignment and every length around the
// folding's 16- and 64-byte steps, long runs, and a CRC continued over pieces cut anywhere.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "codecs/Crc32.h"

namespace quorvel {
namespace {

uint32_t zlibCrc(uint32_t crc, const unsigned char *p, size_t n) { return crc32(crc, p, static_cast<uInt>(n)); }

std::vector<unsigned char> randomBytes(size_t n) {
    std::mt19937 rng(20261208);
    std::vector<unsigned char> bytes(n);
    for (auto &b : bytes) b = static_cast<unsigned char>(rng());
    return bytes;
}

TEST(Crc32, MatchesTheTableCrcAtEveryAlignmentAndLength) {
    EXPECT_EQ(crc32Update(0, reinterpret_cast<const unsigned char *>("123456789"), 9), 0xCBF43926u);
    const std::vector<unsigned char> bytes = randomBytes(1 << 20);
    for (size_t start = 0; start < 16; ++start)
        for (size_t n = 0; n <= 300; ++n)
            ASSERT_EQ(crc32Update(0, bytes.data() + start, n), zlibCrc(0, bytes.data() + start, n))
                << "start " << start << ", " << n << " bytes";
    for (size_t n : {4095u, 65536u, 65537u, 1u << 20}) {
        const size_t len = n <= bytes.size() - 3 ? n : bytes.size() - 3;
        EXPECT_EQ(crc32Update(0x9E3779B9u, bytes.data() + 3, len), zlibCrc(0x9E3779B9u, bytes.data() + 3, len)) << n;
    }
    // Runs of one byte value, where a fold that drops a lane still gives a plausible value.
    const std::vector<unsigned char> zeros(5000, 0), ones(5000, 0xFF);
    EXPECT_EQ(crc32Update(0, zeros.data(), zeros.size()), zlibCrc(0, zeros.data(), zeros.size()));
    EXPECT_EQ(crc32Update(0, ones.data(), ones.size()), zlibCrc(0, ones.data(), ones.size()));
}

TEST(Crc32, ContinuesOverPiecesCutAnywhere) {
    const std::vector<unsigned char> bytes = randomBytes(100000);
    const uint32_t whole = zlibCrc(0, bytes.data(), bytes.size());
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        uint32_t crc = 0;
        for (size_t at = 0; at < bytes.size();) {
            const size_t piece = std::min<size_t>(bytes.size() - at, rng() % (round < 25 ? 200 : 20000));
            crc = crc32Update(crc, bytes.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(crc, whole) << "round " << round;
    }
}

}  // namespace
}  // namespace quorvel
