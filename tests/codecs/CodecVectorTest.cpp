// Shared vectors in tests/data, made by independent tools: every build (POSIX with libcrypto,
// Windows with BCrypt) must reproduce them byte for byte and read them back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "PackingSamples.h"
#include "codecs/AesCrypt.h"
#include "codecs/ContentCoding.h"
#include "codecs/DeflateCodec.h"
#include "codecs/StoredContent.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

struct AesVector {
    std::string password, plain, cipher;
};

// One record a line: password, plaintext and ciphertext in hex, '-' for empty; '#' comments.
std::vector<AesVector> readAesVectors() {
    std::string text;
    EXPECT_TRUE(readRawFile(dataFile("aes_vector.txt"), text));
    std::vector<AesVector> vectors;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string f[3];
        fields >> f[0] >> f[1] >> f[2];
        for (std::string &x : f) x = x == "-" ? "" : unhex(x);
        vectors.push_back({f[0], f[1], f[2]});
    }
    return vectors;
}

TEST(CodecVector, AesVectorsAreReproducedAndRead) {
    const std::vector<AesVector> vectors = readAesVectors();
    ASSERT_EQ(4u, vectors.size());
    for (const AesVector &v : vectors) {
        XString pw;
        ASSERT_TRUE(pw.setFromUtf8N(v.password.data(), static_cast<uint32_t>(v.password.size())));
        AesCrypt crypt;
        RecordingLog log;
        ASSERT_TRUE(crypt.setPassword(pw, log));
        DataBuffer cipher, plain;
        ASSERT_TRUE(crypt.encrypt(v.plain.data(), static_cast<uint32_t>(v.plain.size()), cipher, log));
        EXPECT_EQ(hexOf(v.cipher), hexOf(bytesOf(cipher))) << hexOf(v.password);
        ASSERT_TRUE(crypt.decrypt(v.cipher.data(), static_cast<uint32_t>(v.cipher.size()), plain, log));
        EXPECT_EQ(hexOf(v.plain), hexOf(bytesOf(plain)));
        // The stored form carries exactly these bytes.
        StringBuffer stored;
        ASSERT_TRUE(StoredContent::encrypt(v.plain.data(), static_cast<uint32_t>(v.plain.size()), pw, stored, log));
        DataBuffer decoded;
        ContentCoding::decodeBase64(stored.getString(), stored.getSize(), decoded);
        EXPECT_EQ(hexOf(v.cipher), hexOf(bytesOf(decoded)));
        EXPECT_TRUE(log.lines.empty()) << log.joined();
    }
}

TEST(CodecVector, DeflateVectorIsReproducedAndRead) {
    std::string expected;
    ASSERT_TRUE(readRawFile(dataFile("deflate_vector.bin"), expected));
    ASSERT_EQ(10966u, expected.size());
    const std::string plain = rowsText(2000);
    ASSERT_EQ(52669u, plain.size());  // two input chunks
    DataBuffer ours, back;
    RecordingLog log;
    ASSERT_TRUE(DeflateCodec::deflateFromSource(plain.data(), static_cast<uint32_t>(plain.size()), ours, 6, log));
    EXPECT_TRUE(bytesOf(ours) == expected) << "the deflate parameters or the zlib build differ";
    ASSERT_TRUE(DeflateCodec::inflateFromSource(expected.data(), static_cast<uint32_t>(expected.size()), back, log));
    EXPECT_TRUE(bytesOf(back) == plain);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

}  // namespace
}  // namespace quorvel::test
