// Compression and encryption read and written by independent tools: Python's zlib and base64,
// and the openssl command. Each test skips itself where its tool is missing (always under Wine).
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "PackingSamples.h"
#include "codecs/AesCrypt.h"
#include "codecs/DeflateCodec.h"
#include "codecs/StoredContent.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"
#include "support/Bytes.h"
#include "support/PythonOracle.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

uint32_t len(const std::string &s) { return static_cast<uint32_t>(s.size()); }

std::vector<std::string> interopSamples() {
    return {"x", kNotUtf8, std::string(15, 'f'), std::string(16, 's'), rowsText(500), rowsText(9000),
            noiseBytes(3 * DeflateCodec::kInputChunk + 5, 21)};
}

// Python reads our raw stream and stored text, makes streams of every block type and strategy
// for us to read, and where it runs the same zlib as we do, shows our parameters by producing
// the very same bytes.
const char kZlibScript[] = R"PY(
import base64, zlib
D = zlib.Z_DEFAULT_STRATEGY
for i, (data, raw, stored, cipher, stored_cipher, version) in enumerate(records):
    if zlib.decompress(raw, -15) != data: fail(i, 'zlib.decompress(raw, -15)')
    if base64.b64decode(stored) != raw: fail(i, 'b64decode of the stored text')
    if stored != base64.encodebytes(raw).replace(b'\n', b'\r\n'): fail(i, 'stored lines')
    if base64.b64decode(stored_cipher) != cipher: fail(i, 'b64decode of the stored ciphertext')
    if version.decode() == zlib.ZLIB_RUNTIME_VERSION:
        c = zlib.compressobj(6, zlib.DEFLATED, -15, 8, D)
        if c.compress(data) + c.flush() != raw: fail(i, 'level 6, window -15, memory level 8')
    streams = []
    for level, strategy in ((0, D), (1, D), (9, D), (6, zlib.Z_FIXED), (6, zlib.Z_HUFFMAN_ONLY), (6, zlib.Z_RLE)):
        c = zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy)
        streams.append(c.compress(data) + c.flush())
    c = zlib.compressobj(6, zlib.DEFLATED, -9)
    half = len(data) // 2
    streams.append(c.compress(data[:half]) + c.flush(zlib.Z_FULL_FLUSH) + c.compress(data[half:]) + c.flush())
    replies.append(streams)
)PY";

TEST(CodecInterop, PythonZlibAndBase64) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 with its standard library is not available";
    const std::vector<std::string> samples = interopSamples();
    XString password;
    password.setFromUtf8("secret");
    std::vector<Record> records, replies;
    for (const std::string &s : samples) {
        DataBuffer raw, cipher;
        StringBuffer stored, storedCipher;
        RecordingLog log;
        AesCrypt crypt;
        ASSERT_TRUE(DeflateCodec::deflateFromSource(s.data(), len(s), raw, 6, log) &&
                    StoredContent::compress(s.data(), len(s), stored, log) && crypt.setPassword(password, log) &&
                    crypt.encrypt(s.data(), len(s), cipher, log) &&
                    StoredContent::encrypt(s.data(), len(s), password, storedCipher, log));
        records.push_back({s, bytesOf(raw), textOf(stored), bytesOf(cipher), textOf(storedCipher), zlibVersion()});
    }
    ASSERT_EQ("", runPythonOracle("zlib", kZlibScript, records, replies));
    ASSERT_EQ(samples.size(), replies.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        for (size_t j = 0; j < replies[i].size(); ++j) {
            DataBuffer out;
            RecordingLog log;
            EXPECT_TRUE(DeflateCodec::inflateFromSource(replies[i][j].data(), len(replies[i][j]), out, log))
                << "sample " << i << ", stream " << j << "\n" << log.joined();
            EXPECT_TRUE(bytesOf(out) == samples[i]) << "sample " << i << ", stream " << j;
        }
    }
}

bool opensslAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("openssl version > /dev/null 2>&1") == 0;
#endif
}

bool run(const std::string &command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

// The key as openssl's own MD5 makes it, so that our digest is checked too.
std::string opensslKeyHex(const std::string &dir, const std::string &password) {
    if (password.empty()) return hexOf(std::string(reinterpret_cast<const char *>(AesCrypt::kDefaultKey), 16));
    std::string digest;
    if (!writeRawFile(dir + "password", password) || !run("openssl dgst -md5 -r " + dir + "password > " + dir + "md5") ||
        !readRawFile(dir + "md5", digest))
        return "";
    return digest.substr(0, 32);
}

TEST(CodecInterop, OpensslEncReadsAndWritesOurCiphertext) {
    if (!opensslAvailable()) GTEST_SKIP() << "the openssl command is not available";
    const std::string dir = scratchDir("openssl_enc");
    const std::string iv = hexOf(std::string(reinterpret_cast<const char *>(AesCrypt::kFixedIv), 16));
    std::vector<std::string> samples = interopSamples();
    samples.push_back("");
    for (const char *password : {"secret", "P\xc3\xa4ssw\xc3\xb6rd", ""}) {
        const std::string key = opensslKeyHex(dir, password);
        ASSERT_EQ(32u, key.size()) << password;
        const std::string cipherArgs = " -aes-128-cbc -K " + key + " -iv " + iv;
        AesCrypt crypt;
        RecordingLog log;
        ASSERT_TRUE(crypt.setPasswordUtf8(password, len(password), log));
        for (const std::string &plain : samples) {
            DataBuffer ours;
            ASSERT_TRUE(crypt.encrypt(plain.data(), len(plain), ours, log));
            // Theirs: openssl enc pads an empty input to one block; ours stores nothing for it.
            std::string theirs, decrypted;
            ASSERT_TRUE(writeRawFile(dir + "plain", plain));
            ASSERT_TRUE(run("openssl enc" + cipherArgs + " -in " + dir + "plain -out " + dir + "theirs"));
            ASSERT_TRUE(readRawFile(dir + "theirs", theirs));
            if (!plain.empty()) {
                EXPECT_TRUE(bytesOf(ours) == theirs) << password << ", " << plain.size() << " bytes";
            }
            DataBuffer back;
            ASSERT_TRUE(crypt.decrypt(theirs.data(), len(theirs), back, log));
            EXPECT_TRUE(bytesOf(back) == plain) << password << ", " << plain.size() << " bytes";
            if (plain.empty()) continue;
            ASSERT_TRUE(writeRawFile(dir + "ours", bytesOf(ours)));
            ASSERT_TRUE(run("openssl enc -d" + cipherArgs + " -in " + dir + "ours -out " + dir + "decrypted"))
                << "openssl rejects our padding";
            ASSERT_TRUE(readRawFile(dir + "decrypted", decrypted));
            EXPECT_TRUE(decrypted == plain) << password << ", " << plain.size() << " bytes";
        }
        EXPECT_TRUE(log.lines.empty()) << log.joined();
    }
}

}  // namespace
}  // namespace quorvel::test
