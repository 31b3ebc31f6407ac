// Packing: raw DEFLATE, the password cipher, and the stored forms around them (base64 of the
// inner bytes, the order of the steps, the messages). CodecInteropTest pins the exact bytes.
#include "CodecSamples.h"
#include "codecs/StoredContent.h"
#include "platform/CryptoPrimitives.h"

namespace quorvel::test {
namespace {

bool inflate(const std::string &s, DataBuffer &out, RecordingLog &log) { return DeflateCodec::inflateFromSource(s.data(), len(s), out, log); }

// Unpadded CBC under the fixed vector, straight from the platform: the test chooses the last byte.
std::string rawEncrypted(std::string blocks, const std::string &pw) {
    AesCrypt crypt;
    RecordingLog log;
    unsigned char *p = reinterpret_cast<unsigned char *>(blocks.data());
    CryptoPrimitives::Error error;
    EXPECT_TRUE(crypt.setPasswordUtf8(pw.data(), len(pw), log) &&
                CryptoPrimitives::aes128CbcEncrypt(crypt.getKey(), AesCrypt::kFixedIv, p, p, len(blocks), error));
    return blocks;
}

// Every stream reads back, trailing bytes ignored (zlib's streams of every block type: CodecInteropTest).
TEST(Compression, RoundTripsIgnoringTrailingBytes) {
    const std::string cases[] = {"", kNotUtf8, rowsText(2000).substr(0, DeflateCodec::kInputChunk + 1),
                                 noise(3 * DeflateCodec::kInputChunk + 17, 7), std::string(300000, 'a')};
    for (const std::string &data : cases) EXPECT_TRUE(inflated(deflated(data) + "trailing garbage") == data) << data.size();
    EXPECT_EQ(hexOf(deflated("")), "0300");  // no zlib header: a single empty fixed-Huffman block
}

// A borrowed output block is the caller's: it is copied before anything is written after it.
TEST(Compression, BorrowedOutputIsNotWrittenTo) {
    const char block[] = "caller's block";
    const std::string stream = deflated(std::string(70000, 'q'));
    for (int direction = 0; direction < 2; ++direction) {
        DataBuffer out;
        out.borrow(block, 8);
        RecordingLog log;
        ASSERT_TRUE(direction == 0 ? inflate(stream, out, log) : DeflateCodec::deflateFromSource("abc", 3, out, 6, log));
        EXPECT_TRUE(!out.isBorrowed() && bytesOf(out).substr(0, 8) == "caller's" && std::string(block) == "caller's block");
    }
}

// Damage the decoder sees is reported, what came before it kept; bad arguments leave the output.
TEST(Compression, DamagedStreamsAndBadArguments) {
    const std::string cases[][3] = {  // the stream, the decoder's detail, the bytes kept
        {unhex("789ccb48cdc9c90700062c0215"), "invalid stored block lengths", ""},  // zlib framing: 0x78 reads as stored
        {unhex("4b044200"), "invalid distance too far back", "a"},  // a literal, then a match two bytes back
        {unhex("000300fcff61626307"), "invalid block type", "abc"},    // a good stored block first
    };
    for (const auto &[stream, detail, kept] : cases) {
        DataBuffer out = bufferOf(">");
        RecordingLog log;
        EXPECT_TRUE(!inflate(stream, out, log) && bytesOf(out) == ">" + kept && log.has("error: Inflate from source failed.") &&
                    log.has("data: zlibError=" + detail) && log.has("data: inflatedBytes=" + std::to_string(kept.size()))) << log.joined();
    }
    DataBuffer out = bufferOf("keep");
    RecordingLog log;
    EXPECT_TRUE(!DeflateCodec::deflateFromSource("abc", 3, out, 10, log) && log.has("error: Failed to start deflate.")) << log.joined();
    EXPECT_FALSE(DeflateCodec::deflateFromSource(nullptr, 5, out, 6, log) || DeflateCodec::inflateFromSource(nullptr, 5, out, log) ||
                 DeflateCodec::inflateFromSource(nullptr, 0, out, log) || bytesOf(out) != "keep");  // empty input is no stream at all
}

TEST(StoredContent, FailuresAndDamage) {
    DataBuffer kept = bufferOf("keep");
    RecordingLog failures;
    // Text that decodes to nothing fails and leaves the output.
    EXPECT_FALSE(StoredContent::decompress("!!!***", 6, kept, failures) || StoredContent::decrypt("", 0, utf8Text("k"), kept, failures));
    EXPECT_EQ(bytesOf(kept) + "|" + failures.joined(),
              "keep|error: Failed to decode base64 data\nerror: Failed to decrypt data, Base64 data is invalid\n");
    // A cut stream succeeds with the bytes before the damage (a prefix: nothing made up), and the log says so.
    const std::string data = rowsText(20000), cut = mime(deflated(data).substr(0, 20000));
    DataBuffer out;
    RecordingLog log;
    EXPECT_TRUE(StoredContent::unpackBinary(cut.data(), len(cut), true, false, utf8Text(""), out, log) && out.getSize() > 1000 &&
                data.compare(0, out.getSize(), bytesOf(out)) == 0 && log.has("error: Inflate from source failed.")) << log.joined();
}

// Packing is data -> deflate -> encrypt -> base64 for every flag pair, unpacking the reverse; a
// wrong password reads other bytes without an error.
TEST(StoredContent, PackedForms) {
    const std::string data = rowsText(3000) + kNotUtf8;
    for (int flags = 0; flags < 4; ++flags) {
        const bool zip = flags & 1, crypt = flags & 2;
        StringBuffer stored;
        DataBuffer back, raw;
        RecordingLog log;
        ASSERT_TRUE(StoredContent::packBinary(data.data(), len(data), zip, crypt, utf8Text("k"), stored, log));
        const std::string inner = zip ? deflated(data) : data;
        EXPECT_EQ(unbase64(textOf(stored)), crypt ? encrypted(inner, "k") : inner) << flags;
        ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), zip, crypt, utf8Text("k"), back, log) &&
                    StoredContent::unpackBinary(stored.getString(), stored.getSize(), false, crypt, utf8Text("k"), raw, log));
        EXPECT_TRUE(bytesOf(back) == data && bytesOf(raw) == inner && log.lines.empty()) << flags << log.joined();
    }
    // The single steps write MIME lines.
    StringBuffer zipped, locked, empty;
    DataBuffer unzipped, wrong, none;
    RecordingLog log;
    ASSERT_TRUE(StoredContent::compress(data.data(), len(data), zipped, log) &&
                StoredContent::encrypt(data.data(), len(data), utf8Text("k"), locked, log));
    EXPECT_EQ(textOf(zipped) + "|" + textOf(locked), mime(deflated(data)) + "|" + mime(encrypted(data, "k")));
    EXPECT_TRUE(StoredContent::decompress(zipped.getString(), zipped.getSize(), unzipped, log) && bytesOf(unzipped) == data &&
                StoredContent::decrypt(locked.getString(), locked.getSize(), utf8Text("K"), wrong, log) && bytesOf(wrong) != data);
    // Empty data packs to empty text; text that is not base64 unpacks to nothing, without failing.
    EXPECT_TRUE(StoredContent::packBinary("", 0, true, true, utf8Text("k"), empty, log) &&
                StoredContent::unpackBinary("!!", 2, false, false, utf8Text(""), none, log));
    EXPECT_EQ(textOf(empty) + bytesOf(none) + log.joined(), "");
}

// The key derivation itself is pinned by the shared vectors; here a UTF-16 password encrypts as its UTF-8,
// even set again from the object's own password text, and an empty one brings the default key back.
TEST(AesCrypt, PasswordsFromUtf16AndTheDefaultKey) {
    AesCrypt crypt;
    RecordingLog log;
    XString wide;
    DataBuffer fromWide, fromEmpty;
    ASSERT_TRUE(wide.setFromUtf16(u"P\u00e4ss\u20ac") && crypt.setPassword(wide, log) &&
                crypt.setPasswordUtf8(crypt.getPassword().getString(), crypt.getPassword().getSize(), log) && crypt.encrypt("x", 1, fromWide, log) &&
                crypt.setPasswordUtf8("", 0, log) && crypt.encrypt("x", 1, fromEmpty, log));
    EXPECT_TRUE(bytesOf(fromWide) == encrypted("x", "P\xc3\xa4ss\xe2\x82\xac") && bytesOf(fromEmpty) == encrypted("x", "") && log.lines.empty());
}

// 1-16 bytes of padding, none for no data; on decryption the last byte says how many go (0 none,
// past the length all), the others unchecked.
TEST(AesCrypt, PaddingAndItsLenientRemoval) {
    const std::pair<size_t, size_t> sizes[] = {{0, 0}, {15, 16}, {16, 32}, {1000, 1008}};
    for (const auto &[n, cipherSize] : sizes) {
        const std::string plain = noise(n, static_cast<uint32_t>(n)), cipher = encrypted(plain, "P\xc3\xa4ss");
        EXPECT_TRUE(cipher.size() == cipherSize && decrypted(cipher, "P\xc3\xa4ss") == plain) << n;
    }
    const std::pair<unsigned char, size_t> cases[] = {{0, 32}, {1, 31}, {31, 1}, {32, 0}, {33, 0}};
    for (const auto &[v, kept] : cases) {
        const std::string plain = std::string(31, 'b') + static_cast<char>(v);
        EXPECT_EQ(decrypted(rawEncrypted(plain, "secret"), "secret"), plain.substr(0, kept)) << int(v);
    }
    EXPECT_EQ(decrypted(rawEncrypted(std::string("abcdefghijklm") + "\x07\x09\x03", "k"), "k"), "abcdefghijklm");
    // A trailing partial block is ignored; less than one block decrypts to nothing.
    const std::string cipher = encrypted("hello", "secret");
    EXPECT_EQ(decrypted(cipher + "1234567", "secret") + decrypted(cipher.substr(0, 15), "secret"), "hello");
}

TEST(AesCrypt, OutputIsAppendedAndFailuresLeaveIt) {
    AesCrypt crypt;
    RecordingLog log;
    DataBuffer out = bufferOf("prefix"), plain = bufferOf("prefix"), kept = bufferOf("keep");
    // A count of 255 empties this plaintext but leaves what was in the buffer before.
    ASSERT_TRUE(crypt.encrypt("data", 4, out, log) && crypt.decrypt(rawEncrypted(std::string(15, 'x') + "\xff", "").data(), 16, plain, log));
    EXPECT_EQ(bytesOf(out) + "|" + bytesOf(plain) + "|" + log.joined(), "prefix" + encrypted("data", "") + "|prefix|");
    EXPECT_FALSE(crypt.encrypt(nullptr, 3, kept, log) || crypt.decrypt(nullptr, 32, kept, log) || !crypt.encrypt(nullptr, 0, kept, log));
    // A failed password leaves no key, and nothing is encrypted under a key nobody asked for.
    EXPECT_FALSE(crypt.setPasswordUtf8(nullptr, 4, log) || crypt.getKey() != nullptr || crypt.encrypt("abc", 3, kept, log));
    EXPECT_TRUE(bytesOf(kept) == "keep" && log.has("error: No data to encrypt.") && log.has("error: No key: the password was not set."));
}

}  // namespace
}  // namespace quorvel::test
