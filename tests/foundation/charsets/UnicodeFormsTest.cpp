#include <algorithm>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "support/IconvOracle.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

// The Unicode forms: UTF-8, UTF-16 and UTF-32 in both byte orders, and UTF-7.
struct Form { uint32_t codePage; const char *iconvName; };

TEST(EncodingConvertIconv, EveryCharacterInEveryUnicodeFormMatchesIconv) {
    if (!iconvAvailable()) GTEST_SKIP() << "glibc iconv is not available";
    const Form forms[] = {{65001, "UTF-8"}, {1200, "UTF-16LE"}, {1201, "UTF-16BE"}, {65005, "UTF-32LE"}, {65006, "UTF-32BE"}};
    std::u32string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF) all.push_back(c);
    std::string reference[std::size(forms)];  // the text in each form, as iconv writes it
    for (size_t i = 0; i < std::size(forms); ++i)
        ASSERT_TRUE(iconvConvert("UTF-32LE", forms[i].iconvName, utf32Le(all), reference[i])) << forms[i].iconvName;
    for (size_t from = 0; from < std::size(forms); ++from)
        for (size_t to = 0; to < std::size(forms); ++to) {
            const Converted r = convertBytes(forms[from].codePage, forms[to].codePage, reference[from]);
            EXPECT_TRUE(r.ok && r.bytes == reference[to]) << forms[from].iconvName << " -> " << forms[to].iconvName << ": sizes "
                                                          << r.bytes.size() << " vs " << reference[to].size();
        }
}

// Beyond what iconv checks (pairs among them): lone surrogates, invalid bytes and values out of range.
TEST(Utf8Codec, SurrogatesAndInvalidBytes) {
    expectConversions({
        // Lone surrogates keep their three-byte form and come back; low before high is no pair.
        {1200, 65001, "41 00 3D D8 42 00", true, "41 ED A0 BD 42"}, {65001, 1200, "41 ED A0 BD 42", true, "41 00 3D D8 42 00"},
        {1200, 65001, "00 DE 3D D8", true, "ED B8 80 ED A0 BD"}, {1200, 65001, "41 00 3D D8", true, "41 ED A0 BD"},
        // A pair written as two three-byte sequences reads back as the pair.
        {65001, 1200, "ED A0 BD ED B8 80", true, "3D D8 00 DE"}, {65001, 65005, "ED A0 BD ED B8 80", true, "00 F6 01 00"},
        // Invalid bytes are skipped one at a time, without a false result.
        {65001, 1200, "41 80 42", true, "41 00 42 00"},     // stray continuation byte
        {65001, 1200, "C0 AF 41", true, "41 00"},           // overlong leads C0 and C1
        {65001, 1200, "E0 80 AF 41", true, "41 00"},        // E0 followed by less than A0
        {65001, 1200, "F4 90 80 80 41", true, "41 00"}, {65001, 1200, "41 C3", true, "41 00"},  // beyond U+10FFFF; sequences cut off by the end
        {65001, 1200, "E2 82 41 C3 A9", true, "41 00 E9 00"},  // a lead without its continuation
        // UTF-32 values beyond Unicode are dropped with a false result; a partial unit is ignored.
        {65005, 65001, "61 00 00 00 00 00 11 00 62 00 00 00 FF FF FF FF 63 00 00 00", false, "61 62 63"},
        {65005, 65001, "78 00 00 00 41 00", true, "78"},
    });
}

// Many local blocks of every kind of sequence, and ASCII runs of every length up to several steps of
// the run loops, ending in each kind of character, with an invalid byte after each and a run at the end.
TEST(Utf8Codec, LongTextsAndAsciiRunsOfEveryLength) {
    const char32_t kLast[] = {U'\u00E9', U'\u20AC', U'\U0001F600', U'\u007F'};
    std::string utf8, utf16le;
    for (int i = 0; i < 1000; ++i) {
        std::u32string piece;
        for (int k = 0; k < i % 71; ++k) piece += static_cast<char32_t>('!' + k % 90);
        piece += kLast[i % 4] + std::u32string(U"\u20AC\u00E9\U0001F600");
        for (char32_t c : piece) utf8 += utf8Of(c), utf16le += utf16Of(c, false);
        utf8 += "\x80";
    }
    for (char c : std::string("ascii at the end")) utf8 += c, utf16le += utf16Of(c, false);
    const std::string clean = convertBytes(1200, 65001, utf16le).bytes, utf16be = convertBytes(65001, 1201, utf8).bytes;
    EXPECT_TRUE(convertBytes(65001, 1200, utf8).bytes == utf16le && clean.size() == utf8.size() - 1000 &&
                convertBytes(65001, 1200, clean).bytes == utf16le);
    EXPECT_TRUE(convertBytes(1201, 1200, utf16be).bytes == utf16le && convertBytes(1201, 65001, utf16be).bytes == clean);
}

TEST(Utf7, EncodesAndDecodes) {
    const std::pair<const char *, const char *> cases[] = {
        {"Hi Mom -\xE2\x98\xBA-!", "Hi Mom -+Jjo--+ACE-"}, {"A\xE2\x89\xA2\xCE\x91.", "A+ImIDkQ-."},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "+ZeVnLIqe-"}, {"1 + 1 = 2", "1 +- 1 +AD0- 2"},
        {"\xF0\x9F\x98\x80", "+2D3eAA-"}, {"a\r\n\tb", "a\r\n\tb"}, {"~\\", "+AH4AXA-"}, {"", ""},
    };
    for (const auto &[utf8, utf7] : cases) {
        const Converted encoded = convertBytes(65001, 65000, utf8), decoded = convertBytes(65000, 65001, utf7);
        EXPECT_TRUE(encoded.ok && decoded.ok && encoded.bytes == utf7 && decoded.bytes == utf8) << utf7 << ": " << encoded.bytes;
    }
}

TEST(Utf7, MalformedInput) {
    const struct { const char *utf7, *utf16le; bool exact; } cases[] = {
        {"a+AGE", "61 00 61 00", true}, {"+AGE.b", "61 00 2E 00 62 00", true},  // run closed by the end, no '-'; '.' ends the run and stays
        {"+AG-x", "78 00", false}, {"+AGF-", "61 00", false},  // a unit cut short; non-zero padding bits
        {"a\xC3\xA9", "61 00", false},          // eight-bit bytes are not UTF-7
        {"+", "", true}, {"+-+-", "2B 00 2B 00", true},
    };
    for (const auto &c : cases) {
        const Converted got = convertBytes(65000, 1200, c.utf7);
        EXPECT_EQ((got.ok ? "" : "false|") + toHex(got.bytes), (c.exact ? "" : "false|") + toHex(hexBytes(c.utf16le))) << c.utf7;
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
        const bool sevenBit = std::all_of(encoded.bytes.begin(), encoded.bytes.end(), [](unsigned char c) { return c < 0x80; });
        EXPECT_TRUE(decoded.ok && encoded.ok && decoded.bytes == r[0] && sevenBit) << r[1];
        ours.push_back({encoded.bytes, r[0]});
    }
    EXPECT_EQ(runPythonOracle("Utf7Check", check, ours, none), "");  // Python reads ours as the text
}

}  // namespace
}  // namespace quorvel::test
