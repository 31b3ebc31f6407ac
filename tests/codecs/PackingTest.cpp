// Packing: raw DEFLATE (round trips, the exact stream format, damaged input), the password
// cipher (key, padding, lenient decryption), and the stored forms around them: base64 of the
// inner bytes, the order of the steps, and the messages the Xml object's methods report. The
// exact bytes are pinned by the shared vectors of CodecInteropTest.
#include "CodecSamples.h"
#include "codecs/StoredContent.h"
#include "platform/CryptoPrimitives.h"

namespace quorvel::test {
namespace {

bool inflate(const std::string &stream, DataBuffer &out, RecordingLog &log) {
    return DeflateCodec::inflateFromSource(stream.data(), len(stream), out, log);
}

std::string keyOf(const AesCrypt &crypt) {
    return crypt.getKey() ? hexOf(std::string(reinterpret_cast<const char *>(crypt.getKey()), AesCrypt::kBlockSize)) : "";
}

// CBC under the fixed vector without padding, straight from the platform: ciphertext whose
// plaintext, and so its last byte, the test chooses.
std::string rawEncrypted(std::string blocks, const std::string &pw) {
    AesCrypt crypt;
    RecordingLog log;
    unsigned char *p = reinterpret_cast<unsigned char *>(blocks.data());
    EXPECT_TRUE(crypt.setPasswordUtf8(pw.data(), len(pw), log) &&
                CryptoPrimitives::aes128CbcEncrypt(crypt.getKey(), AesCrypt::kFixedIv, p, p, len(blocks), log));
    return blocks;
}

// Whatever the input, the stream reads back; bytes after the stream's end are ignored.
TEST(Compression, RoundTrips) {
    const std::string cases[] = {"", "x", kNotUtf8, rowsText(2000).substr(0, DeflateCodec::kInputChunk),
                                 rowsText(2000).substr(0, DeflateCodec::kInputChunk + 1), rowsText(20000),
                                 noiseBytes(3 * DeflateCodec::kInputChunk + 17, 7), std::string(300000, 'a')};
    for (const std::string &data : cases) EXPECT_TRUE(inflated(deflated(data) + "trailing garbage") == data) << data.size();
    // No zlib header: the empty stream is a single empty fixed-Huffman block.
    EXPECT_EQ(hexOf(deflated("")), "0300");
}

// Streams of each block type made by hand or by another encoder (python's zlib), and a stored
// block followed by a fixed one. Output is appended.
TEST(Compression, InflatesEveryBlockType) {
    const std::pair<std::string, std::string> cases[] = {
        {unhex("010500faff68656c6c6f"), "hello"},            // stored
        {unhex("cb48cdc9c90700"), "hello"},                  // fixed Huffman
        {unhex("000300fcff6162634b4c4c4c0400"), "abcaaaa"},  // stored, then fixed
        {unhex("65cf310ec4300844d13e52ee1071811803b691bc9c669b5491d2e4fa21c56e3325af19febcce7b3bbe1f2a14"
               "65ee79c5bacc1f32457776f04a6143185c28a4ab802b05373370a370eb0ade72574703efb92b3ec047ee0ae3"
               "ff9ebbb556ecca5a67c5007e8b8bfd0b1e"),
         rowsText(12)},  // dynamic Huffman
    };
    for (const auto &[stream, expected] : cases) {
        DataBuffer out = bufferOf(">");
        RecordingLog log;
        EXPECT_TRUE(inflate(stream, out, log)) << hexOf(stream) << "\n" << log.joined();
        EXPECT_EQ(bytesOf(out), ">" + expected);
    }
    DataBuffer out = bufferOf("head:");
    RecordingLog log;
    ASSERT_TRUE(DeflateCodec::deflateFromSource("abc", 3, out, 6, log));
    EXPECT_EQ(bytesOf(out), "head:" + deflated("abc"));
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
        EXPECT_FALSE(out.isBorrowed());
        EXPECT_EQ(bytesOf(out).substr(0, 8), "caller's");
        EXPECT_STREQ(block, "caller's block");
    }
}

// Raw DEFLATE has no checksum, so only damage the decoder can see is reported: a cut, bad block
// types, bad stored lengths, bad code tables, references before the start. What came before the
// damage is kept.
TEST(Compression, DamagedStreamsKeepWhatCameBefore) {
    const std::string data = rowsText(30000), stream = deflated(data);
    for (size_t keep : {size_t(0), size_t(1), stream.size() / 3, stream.size() / 2, stream.size() - 1}) {
        DataBuffer out = bufferOf(">");
        RecordingLog log;
        EXPECT_FALSE(inflate(stream.substr(0, keep), out, log)) << keep;
        EXPECT_EQ(log.lines.empty() ? "" : log.lines[0], "error: Inflate from source failed.") << keep;
        EXPECT_TRUE(log.mentions("inflatedBytes=")) << log.joined();
        const std::string got = bytesOf(out);
        EXPECT_TRUE(got[0] == '>' && data.compare(0, got.size() - 1, got, 1) == 0) << keep << ": not a prefix of the data";
        EXPECT_TRUE(keep < stream.size() / 2 || got.size() > data.size() / 4) << keep;
    }
    std::string badTable = deflated(rowsText(12), 9);
    badTable[2] ^= 0x55;
    const std::string cases[][3] = {  // the stream, the decoder's detail, the bytes kept
        {unhex("789ccb48cdc9c90700062c0215"), "invalid stored block lengths", ""},  // zlib framing: 0x78 reads as stored
        {unhex("07"), "invalid block type", ""},
        {unhex("0105000000") + "hello", "invalid stored block lengths", ""},
        {badTable, "invalid code lengths set", ""},
        {unhex("4b044200"), "invalid distance too far back", "a"},  // a literal, then a match two bytes back
        {unhex("000300fcff61626307"), "invalid block type", "abc"},    // a good stored block first
    };
    for (const auto &[stream, detail, kept] : cases) {
        DataBuffer out;
        RecordingLog log;
        EXPECT_FALSE(inflate(stream, out, log)) << detail;
        EXPECT_EQ(bytesOf(out), kept);
        EXPECT_EQ(log.joined(), "error: Inflate from source failed.\ndata: zlibError=" + detail +
                                    "\ndata: zlibStatus=-3\ndata: inflatedBytes=" + std::to_string(kept.size()) + "\n");
    }
}

TEST(Compression, BadArgumentsFailAndLeaveTheOutput) {
    DataBuffer out = bufferOf("keep");
    RecordingLog log;
    EXPECT_FALSE(DeflateCodec::deflateFromSource("abc", 3, out, 10, log));
    EXPECT_TRUE(log.has("error: Failed to start deflate.")) << log.joined();
    EXPECT_FALSE(DeflateCodec::deflateFromSource(nullptr, 5, out, 6, log));
    EXPECT_FALSE(DeflateCodec::inflateFromSource(nullptr, 5, out, log));
    EXPECT_FALSE(DeflateCodec::inflateFromSource(nullptr, 0, out, log));  // empty input is no stream at all
    EXPECT_EQ(bytesOf(out), "keep");
}

// The stored text is the MIME base64 of the raw stream or of the ciphertext (none for no data),
// and reads back; another password reads other bytes without an error.
TEST(StoredContent, CompressedAndEncryptedForms) {
    for (const std::string &data :
         {std::string("x"), std::string(16, 'q'), std::string(), kNotUtf8 + rowsText(5000), noiseBytes(70000, 5)}) {
        StringBuffer zipped, locked;
        DataBuffer unzipped, unlocked, wrong;
        RecordingLog log;
        ASSERT_TRUE(StoredContent::compress(data.data(), len(data), zipped, log));
        ASSERT_TRUE(StoredContent::encrypt(data.data(), len(data), password("secret"), locked, log));
        EXPECT_EQ(textOf(zipped), mime(deflated(data)));
        EXPECT_EQ(textOf(locked), data.empty() ? "" : mime(encrypted(data, "secret")));
        EXPECT_TRUE(StoredContent::decompress(zipped.getString(), zipped.getSize(), unzipped, log) && bytesOf(unzipped) == data);
        if (data.empty()) continue;
        EXPECT_TRUE(StoredContent::decrypt(locked.getString(), locked.getSize(), password("secret"), unlocked, log) &&
                    bytesOf(unlocked) == data);
        EXPECT_TRUE(StoredContent::decrypt(locked.getString(), locked.getSize(), password("Secret"), wrong, log));
        EXPECT_FALSE(bytesOf(wrong) == data);
        EXPECT_TRUE(log.lines.empty()) << log.joined();
    }
}

TEST(StoredContent, FailuresAndDamage) {
    // Text that decodes to nothing fails and leaves the output.
    for (const char *text : {"", "====", "!!!***", "\r\n"}) {
        DataBuffer out = bufferOf("keep");
        RecordingLog log;
        EXPECT_FALSE(StoredContent::decompress(text, len(text), out, log)) << text;
        EXPECT_FALSE(StoredContent::decrypt(text, len(text), password("secret"), out, log)) << text;
        EXPECT_EQ(bytesOf(out) + "|" + log.joined(),
                  "keep|error: Failed to decode base64 data\nerror: Failed to decrypt data, Base64 data is invalid\n");
    }
    // A damaged stream still succeeds with the bytes decoded before the damage, in both readers,
    // and the log says so: a cut stream, and zlib-framed data, which is not raw DEFLATE.
    const std::string data = rowsText(20000);
    const std::string packed[] = {mime(deflated(data).substr(0, 20000)), mime(unhex("789ccb48cdc9c90700062c0215"))};
    for (int i = 0; i < 2; ++i) {
        for (int reader = 0; reader < 2; ++reader) {
            DataBuffer out = bufferOf(">");
            RecordingLog log;
            EXPECT_TRUE(reader == 0 ? StoredContent::decompress(packed[i].data(), len(packed[i]), out, log)
                                    : StoredContent::unpackBinary(packed[i].data(), len(packed[i]), true, false, password(""), out, log));
            EXPECT_TRUE(log.has("error: Inflate from source failed.")) << log.joined();
            const std::string got = bytesOf(out).substr(1);
            EXPECT_TRUE(data.compare(0, got.size(), got) == 0) << i << reader;  // a prefix: nothing made up
            EXPECT_EQ(got.size() > 1000, i == 0) << i << reader;
        }
    }
}

// Packing is data -> deflate -> encrypt -> base64, unpacking the reverse, for every flag pair.
TEST(StoredContent, BinaryContentFlags) {
    const std::string data = rowsText(3000) + kNotUtf8;
    for (int zip = 0; zip < 2; ++zip) {
        for (int crypt = 0; crypt < 2; ++crypt) {
            StringBuffer stored;
            DataBuffer back;
            RecordingLog log;
            ASSERT_TRUE(StoredContent::packBinary(data.data(), len(data), zip, crypt, password("k"), stored, log));
            const std::string inner = zip ? deflated(data) : data;
            EXPECT_EQ(unbase64(textOf(stored)), crypt ? encrypted(inner, "k") : inner) << zip << crypt;
            ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), zip, crypt, password("k"), back, log));
            EXPECT_TRUE(bytesOf(back) == data && log.lines.empty()) << zip << crypt << log.joined();
        }
    }
    // Packed with both, unpacked with decryption alone: the raw deflate bytes; with neither: the
    // ciphertext of the compressed data. Empty data packs to empty text; text that is not base64
    // unpacks to what the decoder yields, here nothing, without failing.
    StringBuffer stored, empty;
    DataBuffer raw, cipher, none;
    RecordingLog log;
    ASSERT_TRUE(StoredContent::packBinary(data.data(), len(data), true, true, password("k"), stored, log));
    ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), false, true, password("k"), raw, log));
    EXPECT_EQ(bytesOf(raw), deflated(data));
    ASSERT_TRUE(StoredContent::unpackBinary(stored.getString(), stored.getSize(), false, false, password(""), cipher, log));
    EXPECT_EQ(bytesOf(cipher), encrypted(deflated(data), "k"));
    EXPECT_TRUE(StoredContent::packBinary("", 0, true, true, password("k"), empty, log));
    EXPECT_TRUE(StoredContent::unpackBinary("!!", 2, false, false, password(""), none, log));
    EXPECT_EQ(textOf(empty) + bytesOf(none) + log.joined(), "");
}

TEST(AesCrypt, KeyIsTheMd5OfThePasswordsUtf8) {
    AesCrypt crypt;
    RecordingLog log;
    const auto keyFor = [&](const std::string &utf8) {
        EXPECT_TRUE(crypt.setPasswordUtf8(utf8.data(), len(utf8), log));
        return keyOf(crypt);
    };
    EXPECT_EQ(keyOf(crypt), "115dc3854c21a791505546a5f09c9d39");  // the default key
    EXPECT_EQ(keyFor("secret"), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    // Even the object's own password text may be set again.
    ASSERT_TRUE(crypt.setPasswordUtf8(crypt.getPassword().getString(), crypt.getPassword().getSize(), log));
    EXPECT_EQ(textOf(crypt.getPassword()) + " " + keyOf(crypt), "secret 5ebe2294ecd0e0f08eab7690d2a6ee69");
    EXPECT_EQ(keyFor("Secret"), "1e6947ac7fb3a9529a9726eb692c8cc5");  // case matters
    // The same text from UTF-16 gives the key of its UTF-8.
    XString wide;
    ASSERT_TRUE(wide.setFromUtf16(u"P\u00e4ssw\u00f6rd\u20ac") && crypt.setPassword(wide, log));
    EXPECT_EQ(keyOf(crypt), keyFor("P\xc3\xa4ssw\xc3\xb6rd\xe2\x82\xac"));
    // An empty password brings the default key back.
    EXPECT_EQ(keyFor(""), "115dc3854c21a791505546a5f09c9d39");
    EXPECT_EQ(textOf(crypt.getPassword()), "");
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

// 1-16 bytes of padding, none for no data; the same password always gives the same bytes (fixed
// vector, no salt); a wrong one is no error, just other bytes.
TEST(AesCrypt, PaddingRoundTripsAndWrongPassword) {
    const std::pair<size_t, size_t> sizes[] = {{0, 0}, {1, 16}, {15, 16}, {16, 32}, {17, 32}, {31, 32}, {32, 48}, {1000, 1008}};
    for (const char *pw : {"", "secret", "P\xc3\xa4ss"}) {
        for (const auto &[n, cipherSize] : sizes) {
            const std::string plain = noiseBytes(n, static_cast<uint32_t>(n)), cipher = encrypted(plain, pw);
            EXPECT_EQ(cipher.size(), cipherSize) << n;
            EXPECT_TRUE(decrypted(cipher, pw) == plain) << n;
        }
        EXPECT_TRUE(decrypted(encrypted(kNotUtf8, pw), pw) == kNotUtf8);
    }
    const std::string plain = rowsText(40), cipher = encrypted(plain, "secret"), wrong = decrypted(cipher, "Secret");
    EXPECT_EQ(cipher, encrypted(plain, "secret"));
    EXPECT_TRUE(wrong.size() <= cipher.size() && plain.substr(0, 64) != wrong.substr(0, 64));
}

// The last byte v of the plaintext says how many bytes go: 0 none, past the length all.
TEST(AesCrypt, LenientPaddingRemoval) {
    const std::pair<unsigned char, size_t> cases[] = {{0, 32}, {1, 31}, {5, 27}, {16, 16}, {17, 15}, {31, 1}, {32, 0}, {33, 0}, {255, 0}};
    for (const auto &[v, kept] : cases) {
        const std::string plain = std::string(31, 'b') + static_cast<char>(v);
        EXPECT_EQ(decrypted(rawEncrypted(plain, "secret"), "secret"), plain.substr(0, kept)) << int(v);
    }
    // Bad padding bytes before the count are not checked.
    EXPECT_EQ(decrypted(rawEncrypted(std::string("abcdefghijklm") + "\x07\x09\x03", "k"), "k"), "abcdefghijklm");
    // A trailing partial block is ignored; less than one block decrypts to nothing.
    const std::string cipher = encrypted("hello", "secret");
    EXPECT_EQ(decrypted(cipher + "1234567", "secret"), "hello");
    EXPECT_EQ(decrypted(cipher.substr(0, 15), "secret"), "");
}

TEST(AesCrypt, OutputIsAppendedAndFailuresLeaveIt) {
    AesCrypt crypt;
    RecordingLog log;
    DataBuffer out = bufferOf("prefix"), plain = bufferOf("prefix"), kept = bufferOf("keep");
    ASSERT_TRUE(crypt.encrypt("data", 4, out, log));
    // A count of 255 empties this plaintext but leaves what was in the buffer before.
    ASSERT_TRUE(crypt.decrypt(rawEncrypted(std::string(15, 'x') + "\xff", "").data(), 16, plain, log));
    EXPECT_EQ(bytesOf(out) + "|" + bytesOf(plain) + "|" + log.joined(), "prefix" + encrypted("data", "") + "|prefix|");
    EXPECT_FALSE(crypt.encrypt(nullptr, 3, kept, log));
    EXPECT_FALSE(crypt.decrypt(nullptr, 32, kept, log));
    EXPECT_TRUE(crypt.encrypt(nullptr, 0, kept, log));
    // A failed password leaves no key, and nothing is encrypted under a key nobody asked for.
    EXPECT_FALSE(crypt.setPasswordUtf8(nullptr, 4, log));
    EXPECT_EQ(crypt.getKey(), nullptr);
    EXPECT_FALSE(crypt.encrypt("abc", 3, kept, log));
    EXPECT_EQ(bytesOf(kept), "keep");
    for (const char *line : {"error: No data to encrypt.", "error: No data to decrypt.", "error: No key: the password was not set."})
        EXPECT_TRUE(log.has(line)) << line << "\n" << log.joined();
}

}  // namespace
}  // namespace quorvel::test
