// Hexadecimal encoding, dumps and decoding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Bytes.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

using test::textOf;


std::vector<unsigned char> counting(uint32_t n) {
    std::vector<unsigned char> bytes(n);
    for (uint32_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i);
    return bytes;
}

TEST(StringBufferHex, EncodeUpperCaseNoSeparators) {
    const unsigned char bytes[] = {0x00, 0xAB, 0x7F, 0x10};
    StringBuffer sb("=");
    ASSERT_TRUE(sb.appendHex(bytes, 4));
    EXPECT_EQ(textOf(sb), "=00AB7F10");
    EXPECT_TRUE(sb.appendHex(nullptr, 0));
    EXPECT_EQ(textOf(sb), "=00AB7F10");

    // More output than one local block holds.
    std::vector<unsigned char> many = counting(256);
    StringBuffer big;
    ASSERT_TRUE(big.appendHex(many.data(), 256));
    ASSERT_EQ(big.getSize(), 512u);
    EXPECT_EQ(textOf(big).substr(0, 8), "00010203");
    EXPECT_EQ(textOf(big).substr(504), "FCFDFEFF");
}

TEST(StringBufferHex, DumpLayout) {
    std::vector<unsigned char> bytes = counting(20);
    bytes[19] = 0xEF;
    StringBuffer sb;
    ASSERT_TRUE(sb.appendHexDump(bytes.data(), 20));
    EXPECT_EQ(textOf(sb), "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n1011 12EF ");
    StringBuffer odd;
    ASSERT_TRUE(odd.appendHexDump(bytes.data(), 3));
    EXPECT_EQ(textOf(odd), "0001 02");
    StringBuffer line;
    ASSERT_TRUE(line.appendHexDump(bytes.data(), 16));
    EXPECT_EQ(textOf(line), "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n");
}

TEST(StringBufferHex, LowerCaseSpacedGroups) {
    const unsigned char bytes[] = {0xAB, 0x01, 0xF0};
    StringBuffer sb;
    ASSERT_TRUE(sb.appendHexLowerSpaced(bytes, 3));
    EXPECT_EQ(textOf(sb), "ab 01 f0 ");
}

TEST(StringBufferHex, Decode) {
    DataBuffer out;
    ASSERT_TRUE(StringBuffer("0aFf").decodeHex(out));
    const unsigned char even[] = {0x0A, 0xFF};
    EXPECT_TRUE(out.equals(even, 2));

    // With an odd count the first digit alone is the first byte.
    out.clear();
    ASSERT_TRUE(StringBuffer("abc").decodeHex(out));
    const unsigned char odd[] = {0x0A, 0xBC};
    EXPECT_TRUE(out.equals(odd, 2));

    out.clear();
    ASSERT_TRUE(out.append("keep", 4));
    EXPECT_FALSE(StringBuffer("12 34").decodeHex(out));
    EXPECT_FALSE(StringBuffer("zz").decodeHex(out));
    EXPECT_TRUE(out.equals("keep", 4));
    EXPECT_TRUE(StringBuffer().decodeHex(out));
    EXPECT_EQ(out.getSize(), 4u);

    std::vector<unsigned char> many = counting(256);
    StringBuffer hex;
    hex.appendHex(many.data(), 256);
    hex.appendHex(many.data(), 256);
    DataBuffer round;
    ASSERT_TRUE(hex.decodeHex(round));
    ASSERT_EQ(round.getSize(), 512u);
    for (uint32_t i = 0; i < 512; ++i) ASSERT_EQ(round.getData()[i], static_cast<unsigned char>(i)) << i;
}

TEST(StringBufferHex, PrependZeroForOddLength) {
    StringBuffer odd("abc");
    ASSERT_TRUE(odd.prependZeroIfOddLength());
    EXPECT_EQ(textOf(odd), "0abc");
    ASSERT_TRUE(odd.prependZeroIfOddLength());
    EXPECT_EQ(textOf(odd), "0abc");
}

}  // namespace
}  // namespace quorvel
