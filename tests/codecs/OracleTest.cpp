// The codecs checked against Python's standard library on generated data, one Python run per
// codec. Our encodings must decode (or equal) theirs, and our decoders must read what Python
// writes.
#include <gtest/gtest.h>

#include <cstdint>

#include "CodecSamples.h"
#include "support/Bytes.h"
#include "support/PythonOracle.h"
#include "codecs/ContentCoding.h"

namespace quorvel::test {
namespace {

// Single-line forms equal b64encode and urlsafe_b64encode; the MIME form carries the same bytes
// in lines of 76, ending in CR LF.
const char kBase64Script[] = R"PY(
import base64
for i, (data, one, url, mime) in enumerate(records):
    if one != base64.b64encode(data): fail(i, 'standard alphabet')
    if url != base64.urlsafe_b64encode(data): fail(i, 'url-safe alphabet')
    lines = mime.split(b'\r\n')
    if lines.pop() != b'' or any(len(l) != 76 for l in lines[:-1]) or len(lines[-1]) > 76: fail(i, 'MIME lines')
    if base64.b64decode(b''.join(lines), validate=True) != data: fail(i, 'MIME content')
    replies.append([base64.encodebytes(data), base64.b64encode(data, altchars=b'-]')])
)PY";

// quopri reads our output back; lines keep the length, never start with a lone dot or "From "
// and never end in white space. binascii.b2a_qp's soft breaks end in a bare LF.
const char kQpScript[] = R"PY(
import binascii, quopri
for i, (data, qp76, qp10) in enumerate(records):
    for limit, encoded in ((76, qp76), (10, qp10)):
        if quopri.decodestring(encoded) != data: fail(i, 'round trip, lines of %d' % limit)
        if any(c > 126 or c < 32 and c not in (9, 13, 10) for c in encoded): fail(i, 'not 7-bit text')
        for line in encoded.split(b'\r\n'):
            if len(line) > limit or b'\n' in line: fail(i, 'line breaks')
            if line.startswith((b'.', b'From ')) or line.endswith((b' ', b'\t')): fail(i, 'unsafe line')
    replies.append([binascii.b2a_qp(data, istext=False), binascii.b2a_qp(data, quotetabs=True, istext=False)])
)PY";

// email.header reads our words back; we read email's Q and B words.
const char kWordScript[] = R"PY(
from email import base64mime, quoprimime
from email.header import decode_header
for i, (data, q, qv, b) in enumerate(records):
    if decode_header(q.decode()) != [(data, 'utf-8')]: fail(i, 'Q')
    if decode_header(qv.decode()) != [(data, 'utf-8')] or b',' in qv: fail(i, 'Q variant')
    if decode_header(b.decode()) != [(data, 'iso-8859-1')]: fail(i, 'B')
    replies.append([quoprimime.header_encode(data, 'iso-8859-1').encode(), base64mime.header_encode(data).encode()])
)PY";

const char kNoPython[] = "python3 with its standard library is not available";

// decode(j, text, out) reads reply field j; each must give the sample back (twice for the
// field named by doubled, which joins two words).
template <typename Decode>
void expectReplies(const std::vector<std::string> &samples, const std::vector<Record> &replies, Decode decode,
                   size_t doubled = SIZE_MAX) {
    ASSERT_EQ(replies.size(), samples.size());
    int failures = 0;
    for (size_t i = 0; i < samples.size() && failures < 5; ++i) {
        for (size_t j = 0; j < replies[i].size(); ++j) {
            DataBuffer out;
            const std::string expected = j == doubled ? samples[i] + samples[i] : samples[i];
            const bool same = decode(j, replies[i][j], out) && bytesOf(out) == expected;
            failures += !same;
            EXPECT_TRUE(same) << "sample " << i << " of " << samples[i].size() << " bytes, reply " << j;
        }
    }
}

TEST(Oracle, Base64AgreesWithPython) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    const std::vector<std::string> samples = binarySamples();
    std::vector<Record> records, replies;
    for (const std::string &s : samples) {
        StringBuffer one, url, mime;
        const uint32_t n = static_cast<uint32_t>(s.size());
        ASSERT_TRUE(ContentCoding::encodeBase64OneLine(s.data(), n, one) &&
                    ContentCoding::encodeBase64UrlSafe(s.data(), n, url) && ContentCoding().encodeBase64(s.data(), n, mime));
        records.push_back({s, textOf(one), textOf(url), textOf(mime)});
    }
    ASSERT_EQ(runPythonOracle("base64", kBase64Script, records, replies), "");
    // encodebytes breaks lines with LF; the alternative alphabet is the modified one.
    expectReplies(samples, replies, [](size_t j, const std::string &t, DataBuffer &out) {
        const uint32_t n = static_cast<uint32_t>(t.size());
        return j == 0 ? ContentCoding::decodeBase64(t.data(), n, out) : ContentCoding::decodeModBase64(t.data(), n, out);
    });
}

TEST(Oracle, QuotedPrintableAgreesWithPython) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    std::vector<std::string> samples = binarySamples(), texts = textSamples();
    samples.insert(samples.end(), texts.begin(), texts.end());
    ContentCoding narrow;
    narrow.setQpLineLength(10);
    std::vector<Record> records, replies;
    for (const std::string &s : samples) {
        StringBuffer qp76, qp10;
        const uint32_t n = static_cast<uint32_t>(s.size());
        ASSERT_TRUE(ContentCoding().encodeQuotedPrintable(s.data(), n, qp76) && narrow.encodeQuotedPrintable(s.data(), n, qp10));
        records.push_back({s, textOf(qp76), textOf(qp10)});
    }
    ASSERT_EQ(runPythonOracle("qp", kQpScript, records, replies), "");
    expectReplies(samples, replies, [](size_t, const std::string &t, DataBuffer &out) {
        return ContentCoding::decodeQuotedPrintable(t.data(), static_cast<uint32_t>(t.size()), out);
    });
}

TEST(Oracle, EncodedWordsAgreeWithPython) {
    if (!pythonAvailable()) GTEST_SKIP() << kNoPython;
    const std::vector<std::string> samples = binarySamples();
    ContentCoding variant;
    variant.setQVariant(true);
    std::vector<Record> records, replies;
    for (const std::string &s : samples) {
        StringBuffer q, qv, b;
        const uint32_t n = static_cast<uint32_t>(s.size());
        ASSERT_TRUE(ContentCoding().encodeQ(s.data(), n, nullptr, q) && variant.encodeQ(s.data(), n, "utf-8", qv) &&
                    ContentCoding::encodeB(s.data(), n, "iso-8859-1", b));
        records.push_back({s, textOf(q), textOf(qv), textOf(b)});
    }
    ASSERT_EQ(runPythonOracle("words", kWordScript, records, replies), "");
    // Each word alone, and the pair of words, whose separating white space disappears.
    for (Record &r : replies) r.push_back(r[0] + " \t " + r[1]);
    expectReplies(
        samples, replies,
        [](size_t, const std::string &t, DataBuffer &out) {
            return ContentCoding::decodeEncodedWords(t.data(), static_cast<uint32_t>(t.size()), out);
        },
        2);
}

}  // namespace
}  // namespace quorvel::test
