#include "platform/CryptoPrimitives.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Bytes.h"

namespace quorvel {
namespace {

using Error = CryptoPrimitives::Error;
using test::hexOf;
using test::unhex;

const unsigned char *u(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }
unsigned char *u(std::string &s) { return reinterpret_cast<unsigned char *>(s.data()); }

// RFC 1321, appendix A.5.
TEST(CryptoPrimitives, Md5TestSuite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto &[text, digest] : cases) {
        Error error;
        unsigned char out[CryptoPrimitives::kMd5Size] = {};
        const auto n = static_cast<uint32_t>(text.size());
        EXPECT_TRUE(CryptoPrimitives::md5(n ? text.data() : nullptr, n, out, error)) << error.message;
        EXPECT_EQ(digest, hexOf(std::string(reinterpret_cast<char *>(out), sizeof out))) << text;
    }
}

// Known ciphertexts are the shared vectors' (CodecVector, through the password cipher). Several MiB
// are one chain, also where an implementation feeds its library in pieces: each block checked on
// its own decrypts with the ciphertext block before it as its vector.
TEST(CryptoPrimitives, LongChainIsOneChain) {
    const std::string key = unhex("000102030405060708090a0b0c0d0e0f"), iv(16, '\x5a');
    std::string data(3u << 20, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + (i >> 13));
    std::string work = data;
    unsigned char *w = u(work);
    const uint32_t n = static_cast<uint32_t>(work.size());
    Error error;
    ASSERT_TRUE(CryptoPrimitives::aes128CbcEncrypt(u(key), u(iv), w, w, n, error));
    for (uint32_t block : {1u, 65536u, 65537u, n / 16 - 1}) {
        unsigned char one[16];
        ASSERT_TRUE(CryptoPrimitives::aes128CbcDecrypt(u(key), w + (block - 1) * 16, w + block * 16, one, 16, error));
        EXPECT_EQ(data.substr(block * 16, 16), std::string(reinterpret_cast<char *>(one), 16)) << block;
    }
    ASSERT_TRUE(CryptoPrimitives::aes128CbcDecrypt(u(key), u(iv), w, w, n, error));
    EXPECT_TRUE(work == data);
}

TEST(CryptoPrimitives, PartialBlocksAreRefusedAndNothingIsFine) {
    const std::string key(16, 'k'), iv(16, 'i');
    unsigned char buf[32] = {};
    for (bool encrypt : {true, false}) {
        for (uint32_t n : {1u, 15u, 17u, 31u}) {
            Error error{"stale", {{"old", "detail"}}};  // replaced, not added to
            EXPECT_FALSE(CryptoPrimitives::aes128Cbc(encrypt, u(key), u(iv), buf, buf, n, error)) << n;
            const decltype(error.details) detail = {{"notWholeBlocks", std::to_string(n)}};
            EXPECT_TRUE(!error.message.empty() && error.details == detail) << n;
        }
        Error error;
        EXPECT_TRUE(CryptoPrimitives::aes128Cbc(encrypt, u(key), u(iv), buf, buf, 0, error) && error.message.empty());
    }
}

}  // namespace
}  // namespace quorvel
