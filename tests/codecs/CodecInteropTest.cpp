// The codecs against independent tools: every build reproduces the shared vectors in tests/data
// (the ciphertexts are openssl enc's); Python is asked directly where present (never under Wine).
#include <sstream>

#include "CodecSamples.h"
#include "support/PythonOracle.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

// One record a line: password, plaintext and ciphertext in hex, '-' for empty; '#' comments. Short
// and block-sized plaintexts, a non-ASCII and an empty password: the whole rule, key to padding.
TEST(CodecVector, AesVectorsAreReproducedAndRead) {
    std::string text, pw, plain, cipher;
    ASSERT_TRUE(readRawFile(dataFile("aes_vector.txt"), text));
    std::istringstream lines(text);
    int vectors = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream(line) >> pw >> plain >> cipher;
        pw = pw == "-" ? "" : unhex(pw), plain = plain == "-" ? "" : unhex(plain), ++vectors;
        EXPECT_EQ(hexOf(encrypted(plain, pw)) + " " + hexOf(decrypted(unhex(cipher), pw)), cipher + " " + hexOf(plain)) << line;
    }
    EXPECT_EQ(vectors, 4);
}

TEST(CodecVector, DeflateVectorIsReproducedAndRead) {
    std::string expected;
    const std::string plain = rowsText(2000);  // two input chunks
    ASSERT_TRUE(readRawFile(dataFile("deflate_vector.bin"), expected) && expected.size() == 10966u);
    EXPECT_TRUE(deflated(plain) == expected && inflated(expected) == plain) << "the deflate parameters or the zlib build differ";
}

// Python reads our raw stream and makes streams of every block type (our exact bytes: the shared vector).
const char kZlibScript[] = R"PY(
import zlib
D = zlib.Z_DEFAULT_STRATEGY
for i, (data, raw) in enumerate(records):
    if zlib.decompress(raw, -15) != data: fail(i, 'zlib.decompress(raw, -15)')
    streams = [zlib.compressobj(level, zlib.DEFLATED, -15, 9, strategy) for level, strategy in
               ((0, D), (9, D), (6, zlib.Z_FIXED), (6, zlib.Z_HUFFMAN_ONLY), (6, zlib.Z_RLE))]
    replies.append([c.compress(data) + c.flush() for c in streams])
)PY";

TEST(CodecInterop, PythonZlib) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 with its standard library is not available";
    std::vector<Record> records, replies;
    for (const std::string &s : {""s, "x"s, kNotUtf8, std::string(16, 's'), rowsText(9000), noise(3 * DeflateCodec::kInputChunk + 5, 21)})
        records.push_back({s, deflated(s)});
    ASSERT_EQ(runPythonOracle("zlib", kZlibScript, records, replies), "");
    ASSERT_EQ(replies.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i)
        for (const std::string &stream : replies[i]) EXPECT_TRUE(inflated(stream) == records[i][0]) << "sample " << i;
}

// Python's standard library reads what we write and writes what we read (for words, a pair joined
// by white space that disappears).
const char kTextScript[] = R"PY(
import base64, binascii, quopri
from email import base64mime, quoprimime
from email.header import decode_header
for i, (kind, data, x, y, z) in enumerate(records):
    if kind == b'base64':
        if x != base64.b64encode(data): fail(i, 'standard alphabet')
        if y != base64.urlsafe_b64encode(data): fail(i, 'url-safe alphabet')
        if base64.b64decode(z.replace(b'\r\n', b''), validate=True) != data: fail(i, 'MIME content')
        replies.append([base64.encodebytes(data), base64.b64encode(data, altchars=b'-]')])
    elif kind == b'qp':
        for limit, encoded in ((76, x), (10, y)):  # the safe-line rules have their own rows in TextCodingTest
            if quopri.decodestring(encoded) != data: fail(i, 'round trip, lines of %d' % limit)
            if any(len(line) > limit or b'\n' in line for line in encoded.split(b'\r\n')): fail(i, 'line breaks')
        replies.append([binascii.b2a_qp(data, istext=False), binascii.b2a_qp(data, quotetabs=True, istext=False)])
    else:
        if decode_header(x.decode()) != [(data, 'utf-8')]: fail(i, 'Q')
        if decode_header(y.decode()) != [(data, 'utf-8')] or b',' in y: fail(i, 'Q variant')
        if decode_header(z.decode()) != [(data, 'iso-8859-1')]: fail(i, 'B')
        q, b = quoprimime.header_encode(data, 'iso-8859-1').encode(), base64mime.header_encode(data).encode()
        replies.append([q, b, q + b' \t ' + b])
)PY";

TEST(CodecInterop, PythonTextCodecs) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 with its standard library is not available";
    std::vector<Record> records, replies;
    const Encoder latin1Word = [](const void *bytes, uint32_t n, StringBuffer &out) { return ContentCoding::encodeB(bytes, n, "iso-8859-1", out); };
    for (const std::string &s : binarySamples()) {
        records.push_back({"base64", s, encoded(ContentCoding::encodeBase64OneLine, s), encoded(ContentCoding::encodeBase64UrlSafe, s), mime(s)});
        records.push_back({"words", s, qWord(s, nullptr), qWord(s, "utf-8", true), encoded(latin1Word, s)});
    }
    for (const std::string &s : allSamples()) records.push_back({"qp", s, qp(s), qp(s, 10), ""});
    ASSERT_EQ(runPythonOracle("text_codecs", kTextScript, records, replies), "");
    ASSERT_EQ(replies.size(), records.size());
    int failures = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        const std::string &kind = records[i][0], &data = records[i][1];
        for (size_t j = 0; j < replies[i].size(); ++j) {
            const Decoder decode = kind == "qp" ? ContentCoding::decodeQuotedPrintable : kind == "words" ? ContentCoding::decodeEncodedWords
                                   : j == 0     ? ContentCoding::decodeBase64 : ContentCoding::decodeModBase64;
            if (decoded(decode, replies[i][j]) != (j == 2 ? data + data : data) && ++failures <= 5)
                ADD_FAILURE() << kind << " sample " << i << ", reply " << j;
        }
    }
}

}  // namespace
}  // namespace quorvel::test
