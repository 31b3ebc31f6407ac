#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

TEST(Utf7, EncodesAndDecodes) {
    const std::pair<const char *, const char *> cases[] = {
        {"Hi Mom -\xE2\x98\xBA-!", "Hi Mom -+Jjo--+ACE-"}, {"A\xE2\x89\xA2\xCE\x91.", "A+ImIDkQ-."},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "+ZeVnLIqe-"}, {"1 + 1 = 2", "1 +- 1 +AD0- 2"},
        {"\xF0\x9F\x98\x80", "+2D3eAA-"}, {"a\r\n\tb", "a\r\n\tb"}, {"~\\", "+AH4AXA-"}, {"", ""},
    };
    for (const auto &[utf8, utf7] : cases) {
        const Converted encoded = convertBytes(65001, 65000, utf8), decoded = convertBytes(65000, 65001, utf7);
        EXPECT_TRUE(encoded.ok && decoded.ok) << utf7;
        EXPECT_EQ(encoded.bytes, utf7);
        EXPECT_EQ(toHex(decoded.bytes), toHex(utf8));
    }
}

TEST(Utf7, MalformedInput) {
    const struct { const char *utf7, *utf16le; bool exact; } cases[] = {
        {"a+AGE", "61 00 61 00", true},         // run closed by the end, no '-'
        {"+AGE.b", "61 00 2E 00 62 00", true},  // '.' ends the run and stays
        {"+AG-x", "78 00", false},              // a unit cut short
        {"+AGF-", "61 00", false},              // non-zero padding bits
        {"a\xC3\xA9", "61 00", false},          // eight-bit bytes are not UTF-7
        {"+", "", true}, {"+-+-", "2B 00 2B 00", true},
    };
    for (const auto &c : cases) {
        const Converted got = convertBytes(65000, 1200, c.utf7);
        EXPECT_EQ(toHex(got.bytes), toHex(hexBytes(c.utf16le))) << c.utf7;
        EXPECT_EQ(got.ok, c.exact) << c.utf7;
    }
}

TEST(Utf7, MatchesPython) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
    const char generate[] = R"PY(
random.seed(2152)
ranges = [(0x20, 0x7E), (0x09, 0x0D), (0xA0, 0x2FF), (0x370, 0x52F), (0x3040, 0x30FF), (0x4E00, 0x9FFF),
          (0xAC00, 0xD7A3), (0xE000, 0xF8FF), (0xFB00, 0xFFFD), (0x10000, 0x1FAFF), (0x20000, 0x2A6DF), (0x100000, 0x10FFFD)]
for k in range(500):
    text = ''.join(chr(random.randint(*random.choice(ranges))) for _ in range(random.randrange(0, 80)))
    replies.append([text.encode('utf-8'), text.encode('utf-7')])
)PY";
    const char check[] = R"PY(
for i, (utf7, utf8) in enumerate(records):
    if utf7.decode('utf-7') != utf8.decode('utf-8'): fail(i, utf7)
)PY";
    std::vector<Record> generated, ours, none;
    ASSERT_EQ(runPythonOracle("Utf7Generate", generate, {}, generated), "");
    ASSERT_EQ(generated.size(), 500u);
    for (const Record &r : generated) {
        ASSERT_EQ(r.size(), 2u);
        const Converted decoded = convertBytes(65000, 65001, r[1]), encoded = convertBytes(65001, 65000, r[0]);
        EXPECT_TRUE(decoded.ok && encoded.ok);
        EXPECT_EQ(decoded.bytes, r[0]) << r[1];
        for (unsigned char c : encoded.bytes) ASSERT_LT(c, 0x80) << "UTF-7 is 7-bit";
        ours.push_back({encoded.bytes, r[0]});
    }
    EXPECT_EQ(runPythonOracle("Utf7Check", check, ours, none), "");  // Python reads ours as the text
}

}  // namespace
}  // namespace quorvel::test
