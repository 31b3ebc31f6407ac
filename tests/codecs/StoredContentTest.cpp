// The packed content forms: base64 around deflate and AES, the order of the steps, and the
// messages the Xml object's methods report.
#include "codecs/StoredContent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackingSamples.h"
#include "codecs/AesCrypt.h"
#include "codecs/ContentCoding.h"
#include "codecs/DeflateCodec.h"
#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"
#include "foundation/XString.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"

namespace quorvel::test {
namespace {

uint32_t len(const std::string &s) { return static_cast<uint32_t>(s.size()); }

XString password(const char *utf8) {
    XString x;
    x.setFromUtf8(utf8);
    return x;
}

std::string unbase64(const std::string &text) {
    DataBuffer out;
    ContentCoding::decodeBase64(text.data(), len(text), out);
    return bytesOf(out);
}

std::string deflated(const std::string &data) {
    DataBuffer out;
    RecordingLog log;
    DeflateCodec::deflateFromSource(data.data(), len(data), out, 6, log);
    return bytesOf(out);
}

std::string aes(const std::string &data, const char *pw) {
    AesCrypt crypt;
    DataBuffer out;
    RecordingLog log;
    crypt.setPasswordUtf8(pw, len(pw), log);
    crypt.encrypt(data.data(), len(data), out, log);
    return bytesOf(out);
}

// Lines of 76 characters, each ended by CR LF, the last one shorter or equal.
void expectMimeLines(const std::string &text) {
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const bool last = end + 2 == text.size();
        EXPECT_TRUE(last ? end - start <= 76 : end - start == 76) << "line at " << start;
    }
    EXPECT_EQ(text.size(), start);
}

TEST(StoredContent, CompressedFormIsBase64OfRawDeflate) {
    for (const std::string &data : {std::string("x"), kNotUtf8, rowsText(5000), noiseBytes(70000, 5)}) {
        StringBuffer stored;
        RecordingLog log;
        ASSERT_TRUE(StoredContent::compress(data.data(), len(data), stored, log));
        const std::string text = textOf(stored);
        expectMimeLines(text);
        EXPECT_EQ(deflated(data), unbase64(text));
        DataBuffer back;
        EXPECT_TRUE(StoredContent::decompress(text.data(), len(text), back, log));
        EXPECT_TRUE(bytesOf(back) == data);
        EXPECT_TRUE(log.lines.empty()) << log.joined();
    }
}

TEST(StoredContent, DecompressFailuresAndDamage) {
    // Text that decodes to nothing fails and leaves the output.
    for (const char *text : {"", "====", "!!!***", "\r\n"}) {
        DataBuffer out = bufferOf("keep");
        RecordingLog log;
        EXPECT_FALSE(StoredContent::decompress(text, len(text), out, log)) << text;
        EXPECT_EQ("keep", bytesOf(out));
        EXPECT_EQ(std::vector<std::string>{"error: Failed to decode base64 data"}, log.lines);
    }
    // A truncated stream still succeeds with the bytes decoded before the cut.
    const std::string data = rowsText(20000);
    const std::string cut = deflated(data).substr(0, 20000);
    StringBuffer stored;
    ContentCoding().encodeBase64(cut.data(), len(cut), stored);
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(StoredContent::decompress(stored.getString(), stored.getSize(), out, log));
    EXPECT_TRUE(log.has("error: Inflate from source failed.")) << log.joined();
    ASSERT_GT(out.getSize(), 0u);
    EXPECT_TRUE(data.compare(0, out.getSize(), bytesOf(out)) == 0);
    // zlib-framed data is not raw DEFLATE: nothing usable comes out, and the log says so.
    const std::string framed = unhex("789ccb48cdc9c90700062c0215");
    StringBuffer framedText;
    ContentCoding().encodeBase64(framed.data(), len(framed), framedText);
    DataBuffer none;
    RecordingLog framedLog;
    EXPECT_TRUE(StoredContent::decompress(framedText.getString(), framedText.getSize(), none, framedLog));
    EXPECT_NE("hello", bytesOf(none));
    EXPECT_TRUE(framedLog.has("error: Inflate from source failed.")) << framedLog.joined();
}

TEST(StoredContent, EncryptedFormSizes) {
    // 1 byte -> 16 bytes of ciphertext (24 base64 characters), 16 -> 32 (44), 0 -> no text.
    const std::pair<std::string, size_t> cases[] = {{"a", 24}, {std::string(16, 'q'), 44}, {"", 0}};
    for (const auto &[data, chars] : cases) {
        StringBuffer stored;
        RecordingLog log;
        ASSERT_TRUE(StoredContent::encrypt(data.data(), len(data), password("pw"), stored, log));
        const std::string text = textOf(stored);
        EXPECT_EQ(chars == 0 ? 0 : chars + 2, text.size()) << text;
        EXPECT_EQ(aes(data, "pw"), unbase64(text));
    }
}

TEST(StoredContent, EncryptedRoundTripAndWrongPassword) {
    const std::string data = kNotUtf8 + rowsText(50);
    StringBuffer stored;
    RecordingLog log;
    ASSERT_TRUE(StoredContent::encrypt(data.data(), len(data), password("secret"), stored, log));
    expectMimeLines(textOf(stored));
    DataBuffer back, wrong;
    ASSERT_TRUE(StoredContent::decrypt(stored.getString(), stored.getSize(), password("secret"), back, log));
    EXPECT_TRUE(bytesOf(back) == data);
    EXPECT_TRUE(StoredContent::decrypt(stored.getString(), stored.getSize(), password("Secret"), wrong, log));
    EXPECT_NE(data.substr(0, 32), bytesOf(wrong).substr(0, 32));
    EXPECT_TRUE(log.lines.empty()) << log.joined();

    DataBuffer out = bufferOf("keep");
    EXPECT_FALSE(StoredContent::decrypt("@@@", 3, password("secret"), out, log));
    EXPECT_TRUE(log.has("error: Failed to decrypt data, Base64 data is invalid"));
    EXPECT_EQ("keep", bytesOf(out));
}

// Packing is data -> deflate -> encrypt -> base64, unpacking the reverse, for every flag pair.
TEST(StoredContent, BinaryContentFlags) {
    const std::string data = rowsText(3000) + kNotUtf8;
    for (int zip = 0; zip < 2; ++zip) {
        for (int crypt = 0; crypt < 2; ++crypt) {
            StringBuffer stored;
            RecordingLog log;
            ASSERT_TRUE(StoredContent::packBinary(data.data(), len(data), zip, crypt, password("k"), stored, log));
            std::string expected = zip ? deflated(data) : data;
            if (crypt) expected = aes(expected, "k");
            EXPECT_EQ(expected, unbase64(textOf(stored))) << zip << crypt;
            DataBuffer back;
            ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), zip, crypt, password("k"),
                                                    back, log));
            EXPECT_TRUE(bytesOf(back) == data) << zip << crypt;
            EXPECT_TRUE(log.lines.empty()) << log.joined();
        }
    }
    // Packed with both, unpacked with decryption alone: the raw deflate bytes; with neither: the
    // ciphertext of the compressed data.
    StringBuffer stored;
    RecordingLog log;
    ASSERT_TRUE(StoredContent::packBinary(data.data(), len(data), true, true, password("k"), stored, log));
    DataBuffer raw, cipher;
    ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), false, true, password("k"), raw, log));
    EXPECT_EQ(deflated(data), bytesOf(raw));
    ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), false, false, password(""), cipher, log));
    EXPECT_EQ(aes(deflated(data), "k"), bytesOf(cipher));
}

TEST(StoredContent, BinaryContentEdges) {
    // Empty data packs to empty text whatever the flags.
    StringBuffer stored;
    RecordingLog log;
    EXPECT_TRUE(StoredContent::packBinary("", 0, true, true, password("k"), stored, log));
    EXPECT_EQ("", textOf(stored));
    // Invalid base64 unpacks to whatever the decoder yields, here nothing, without failing.
    DataBuffer out;
    EXPECT_TRUE(StoredContent::unpackBinary("!!", 2, false, false, password(""), out, log));
    EXPECT_EQ(0u, out.getSize());
    // A damaged stream gives the bytes decoded so far.
    const std::string data = rowsText(20000);
    const std::string cut = deflated(data).substr(0, 30000);
    StringBuffer cutText;
    ContentCoding().encodeBase64(cut.data(), len(cut), cutText);
    DataBuffer partial = bufferOf(">");
    EXPECT_TRUE(StoredContent::unpackBinary(cutText.getString(), cutText.getSize(), true, false, password(""), partial, log));
    EXPECT_TRUE(log.has("error: Inflate from source failed."));
    ASSERT_GT(partial.getSize(), 1000u);
    EXPECT_TRUE(data.compare(0, partial.getSize() - 1, bytesOf(partial).substr(1)) == 0);
}

}  // namespace
}  // namespace quorvel::test
