// The password cipher: key from the password, padding on both sides, and the lenient decryption.
#include "codecs/AesCrypt.h"

#include <gtest/gtest.h>

#include <string>

#include "PackingSamples.h"
#include "foundation/DataBuffer.h"
#include "foundation/XString.h"
#include "platform/CryptoPrimitives.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

std::string keyOf(const AesCrypt &crypt) {
    return crypt.getKey() ? std::string(reinterpret_cast<const char *>(crypt.getKey()), AesCrypt::kBlockSize) : "";
}

void setPassword(AesCrypt &crypt, const std::string &utf8) {
    RecordingLog log;
    ASSERT_TRUE(crypt.setPasswordUtf8(utf8.data(), static_cast<uint32_t>(utf8.size()), log)) << log.joined();
}

std::string encrypt(const AesCrypt &crypt, const std::string &plain) {
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(crypt.encrypt(plain.data(), static_cast<uint32_t>(plain.size()), out, log)) << log.joined();
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    return bytesOf(out);
}

std::string decrypt(const AesCrypt &crypt, const std::string &cipher) {
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(crypt.decrypt(cipher.data(), static_cast<uint32_t>(cipher.size()), out, log)) << log.joined();
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    return bytesOf(out);
}

// CBC with the fixed vector and no padding, straight from the platform: ciphertext whose
// plaintext (and so its last byte) the test chooses.
std::string rawEncrypt(const AesCrypt &crypt, std::string blocks) {
    RecordingLog log;
    unsigned char *p = reinterpret_cast<unsigned char *>(blocks.data());
    EXPECT_TRUE(CryptoPrimitives::aes128CbcEncrypt(crypt.getKey(), AesCrypt::kFixedIv, p, p,
                                                   static_cast<uint32_t>(blocks.size()), log));
    return blocks;
}

TEST(AesCrypt, KeyIsTheMd5OfThePasswordsUtf8) {
    AesCrypt crypt;
    EXPECT_EQ("115dc3854c21a791505546a5f09c9d39", hexOf(keyOf(crypt)));  // the default key
    setPassword(crypt, "secret");
    EXPECT_EQ("5ebe2294ecd0e0f08eab7690d2a6ee69", hexOf(keyOf(crypt)));
    // Even the object's own password text may be set again.
    RecordingLog ownLog;
    ASSERT_TRUE(crypt.setPasswordUtf8(crypt.getPassword().getString(), crypt.getPassword().getSize(), ownLog));
    EXPECT_EQ("secret", textOf(crypt.getPassword()));
    EXPECT_EQ("5ebe2294ecd0e0f08eab7690d2a6ee69", hexOf(keyOf(crypt)));
    setPassword(crypt, "Secret");  // case matters
    EXPECT_EQ("1e6947ac7fb3a9529a9726eb692c8cc5", hexOf(keyOf(crypt)));
    // The same text from UTF-16 and from UTF-8 gives the same key: MD5 of "Pässwörd€" in UTF-8.
    XString wide;
    ASSERT_TRUE(wide.setFromUtf16(u"P\u00e4ssw\u00f6rd\u20ac"));
    RecordingLog log;
    ASSERT_TRUE(crypt.setPassword(wide, log));
    const std::string fromWide = keyOf(crypt);
    setPassword(crypt, "P\xc3\xa4ssw\xc3\xb6rd\xe2\x82\xac");
    EXPECT_EQ(fromWide, keyOf(crypt));
    // An empty password brings the default key back.
    setPassword(crypt, "");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(AesCrypt::kDefaultKey), 16), keyOf(crypt));
    EXPECT_EQ("", textOf(crypt.getPassword()));
}

TEST(AesCrypt, PaddingSizesAndRoundTrips) {
    // length -> ciphertext length: 1-16 bytes of padding, none for no data.
    const std::pair<size_t, size_t> sizes[] = {{0, 0},   {1, 16},  {15, 16}, {16, 32},
                                               {17, 32}, {31, 32}, {32, 48}, {1000, 1008}};
    for (const char *password : {"", "secret", "P\xc3\xa4ss"}) {
        AesCrypt crypt;
        setPassword(crypt, password);
        for (const auto &[n, cipherSize] : sizes) {
            const std::string plain = noiseBytes(n, static_cast<uint32_t>(n));
            const std::string cipher = encrypt(crypt, plain);
            EXPECT_EQ(cipherSize, cipher.size()) << n;
            EXPECT_TRUE(decrypt(crypt, cipher) == plain) << n;
            // PKCS#7: the padding bytes all hold the pad count.
            if (n != 0) {
                DataBuffer raw;
                RecordingLog log;
                std::string blocks = cipher;
                unsigned char *p = reinterpret_cast<unsigned char *>(blocks.data());
                ASSERT_TRUE(CryptoPrimitives::aes128CbcDecrypt(crypt.getKey(), AesCrypt::kFixedIv, p, p,
                                                               static_cast<uint32_t>(blocks.size()), log));
                EXPECT_EQ(plain + std::string(cipherSize - n, static_cast<char>(cipherSize - n)), blocks) << n;
            }
        }
        EXPECT_TRUE(decrypt(crypt, encrypt(crypt, kNotUtf8)) == kNotUtf8);
    }
}

TEST(AesCrypt, SamePasswordSameCiphertextOtherPasswordOtherBytes) {
    AesCrypt a, b, c;
    setPassword(a, "secret");
    setPassword(b, "secret");
    setPassword(c, "Secret");
    const std::string plain = rowsText(40);
    const std::string cipher = encrypt(a, plain);
    EXPECT_EQ(cipher, encrypt(b, plain));  // fixed vector, no salt
    EXPECT_NE(cipher, encrypt(c, plain));
    // A wrong password is no error: other bytes of some length come out.
    const std::string wrong = decrypt(c, cipher);
    EXPECT_LE(wrong.size(), cipher.size());
    EXPECT_NE(plain.substr(0, 64), wrong.substr(0, 64));
}

// The last byte v of the plaintext says how many bytes go: 0 none, past the length all.
TEST(AesCrypt, LenientPaddingRemoval) {
    AesCrypt crypt;
    setPassword(crypt, "secret");
    const std::string body(31, 'b');
    const std::pair<unsigned char, size_t> cases[] = {
        {0, 32}, {1, 31}, {5, 27}, {16, 16}, {17, 15}, {31, 1}, {32, 0}, {33, 0}, {255, 0},
    };
    for (const auto &[v, kept] : cases) {
        const std::string plain = body + static_cast<char>(v);
        const std::string out = decrypt(crypt, rawEncrypt(crypt, plain));
        EXPECT_EQ(plain.substr(0, kept), out) << int(v);
    }
    // Bad padding bytes before the count are not checked.
    EXPECT_EQ("abcdefghijklm", decrypt(crypt, rawEncrypt(crypt, std::string("abcdefghijklm") + "\x07\x09\x03")));
    // A trailing partial block is ignored; less than one block decrypts to nothing.
    const std::string cipher = encrypt(crypt, "hello");
    EXPECT_EQ("hello", decrypt(crypt, cipher + "1234567"));
    EXPECT_EQ("", decrypt(crypt, cipher.substr(0, 15)));
}

TEST(AesCrypt, OutputIsAppendedAndPaddingRemovalStaysInItsOwnBytes) {
    AesCrypt crypt;
    setPassword(crypt, "secret");
    DataBuffer out = bufferOf("prefix");
    RecordingLog log;
    ASSERT_TRUE(crypt.encrypt("data", 4, out, log));
    EXPECT_EQ("prefix" + encrypt(crypt, "data"), bytesOf(out));
    // A count of 255 empties this plaintext but leaves what was in the buffer before.
    DataBuffer plain = bufferOf("prefix");
    const std::string cipher = rawEncrypt(crypt, std::string(15, 'x') + "\xff");
    ASSERT_TRUE(crypt.decrypt(cipher.data(), 16, plain, log));
    EXPECT_EQ("prefix", bytesOf(plain));
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(AesCrypt, NullInputFailsAndLeavesTheOutput) {
    AesCrypt crypt;
    DataBuffer out = bufferOf("keep");
    RecordingLog log;
    EXPECT_FALSE(crypt.encrypt(nullptr, 3, out, log));
    EXPECT_FALSE(crypt.decrypt(nullptr, 32, out, log));
    EXPECT_TRUE(crypt.encrypt(nullptr, 0, out, log));
    EXPECT_EQ("keep", bytesOf(out));
    EXPECT_TRUE(log.has("error: No data to encrypt.")) << log.joined();
    EXPECT_TRUE(log.has("error: No data to decrypt.")) << log.joined();
    // A failed password leaves no key, and nothing is encrypted under a key nobody asked for.
    EXPECT_FALSE(crypt.setPasswordUtf8(nullptr, 4, log));
    EXPECT_EQ(nullptr, crypt.getKey());
    EXPECT_FALSE(crypt.encrypt("abc", 3, out, log));
    EXPECT_TRUE(log.has("error: No key: the password was not set.")) << log.joined();
    EXPECT_EQ("keep", bytesOf(out));
}

}  // namespace
}  // namespace quorvel::test
