// ISO-2022-JP and ISO-2022-KR: the escape sequences both ways, bad input, and Python's codecs
// as an independent check on generated text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncodingConvertTestBytes.h"
#include "PythonOracle.h"
#include "foundation/CodePageTable.h"
#include "foundation/ConvertOutput.h"
#include "foundation/Iso2022Jp.h"
#include "foundation/Iso2022Kr.h"

namespace quorvel::test {
namespace {

using Codec = void (*)(const unsigned char *, uint32_t, ConvertOutput &);

Converted run(Codec codec, const std::string &in) {
    DataBuffer out;
    ConvertOutput o(out);
    codec(reinterpret_cast<const unsigned char *>(in.data()), static_cast<uint32_t>(in.size()), o);
    const bool flushed = o.flush();
    return {flushed && !o.dropped(), bytesOf(out)};
}

struct Case {
    const char *what;
    const char *in;
    const char *out;
    bool exact;
};


template <size_t N>
void check(Codec codec, const Case (&cases)[N]) {
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const Converted got = run(codec, hexBytes(c.in));
        EXPECT_EQ(toHex(got.bytes), toHex(hexBytes(c.out)));
        EXPECT_EQ(got.ok, c.exact);
    }
}

TEST(Iso2022Jp, EncodesShiftJis) {
    const Case cases[] = {
        {"kanji between letters", "61 88 9F 62", "61 1B 24 42 30 21 1B 28 42 62", true},
        {"back to ASCII before CR LF", "88 9F 0D 0A 88 9F", "1B 24 42 30 21 1B 28 42 0D 0A 1B 24 42 30 21 1B 28 42", true},
        {"one escape per run", "88 9F 88 A0 61", "1B 24 42 30 21 30 22 1B 28 42 61", true},
        {"half-width katakana", "B1 DF 61", "1B 28 49 31 5F 1B 28 42 61", true},
        {"katakana then kanji", "B1 88 9F", "1B 28 49 31 1B 24 42 30 21 1B 28 42", true},
        {"vendor small roman one to row 92", "FA 40", "1B 24 42 7C 71 1B 28 42", true},
        {"vendor roman one to row 13", "FA 4A", "1B 24 42 2D 35 1B 28 42", true},
        {"vendor kanji to row 89", "FA 5C", "1B 24 42 79 21 1B 28 42", true},
        {"vendor not-sign to the standard row", "FA 54", "1B 24 42 22 4C 1B 28 42", true},
        {"user-defined row dropped", "61 F0 40 62", "61 62", false},
        {"lead byte cut off", "61 88", "61", false},
        {"lead byte before a line end", "88 0A", "0A", false},
        {"empty", "", "", true},
    };
    check(Iso2022Jp::encodeFromShiftJis, cases);
}

TEST(Iso2022Jp, DecodesToShiftJis) {
    const Case cases[] = {
        {"ESC $ B", "61 1B 24 42 30 21 1B 28 42 62", "61 88 9F 62", true},
        {"ESC $ @ and ESC ( J", "1B 24 40 30 21 30 22 1B 28 4A 5C", "88 9F 88 A0 5C", true},
        {"ESC ( I", "1B 28 49 31 5F 1B 28 42 31", "B1 DF 31", true},
        {"control bytes pass in kanji mode", "1B 24 42 0A 30 21", "0A 88 9F", true},
        {"odd kanji byte at the end", "1B 24 42 30 21 30", "88 9F", false},
        {"cut-off escape", "61 1B 24", "61 24", false},
        {"unknown escape", "1B 24 28 44 61", "24 28 44 61", false},
        {"eight-bit bytes", "61 A1 80 FF", "61 A1", false},
        {"katakana mode out of range", "1B 28 49 60", "", false},
    };
    check(Iso2022Jp::decodeToShiftJis, cases);
}

TEST(Iso2022Kr, BothWays) {
    const Case encode[] = {
        {"letters around a syllable", "61 B0 A1 62", "1B 24 29 43 61 0E 30 21 0F 62", true},
        {"text ending in two-byte mode", "B0 A1 B0 A2", "1B 24 29 43 0E 30 21 30 22 0F", true},
        {"extended code dropped", "61 81 41 62", "1B 24 29 43 61 62", false},
        {"lead cut off", "61 B0", "1B 24 29 43 61", false},
    };
    check(Iso2022Kr::encodeFrom949, encode);
    const Case decode[] = {
        {"designated", "1B 24 29 43 61 0E 30 21 0F 62", "61 B0 A1 62", true},
        {"SO without designator", "0E 30 21 0F 61", "30 21 61", false},
        {"cut-off designator", "1B 24 29 61", "24 29 61", false},
        {"odd byte in two-byte mode", "1B 24 29 43 0E 30", "", false},
        {"eight-bit byte", "1B 24 29 43 B0 A1", "", false},
    };
    check(Iso2022Kr::decodeTo949, decode);
}

TEST(Iso2022Jp, ConvertThroughShiftJis) {
    if (CodePageTable::forCodePage(932) == nullptr) GTEST_SKIP() << "code page 932 has no table in this build";
    struct PathCase {
        uint32_t from, to;
        const char *in, *out;
        bool exact;
    } cases[] = {
        {932, 50220, "61 88 9F 62", "61 1B 24 42 30 21 1B 28 42 62", true},
        {65001, 50221, "61 E4 BA 9C 62", "61 1B 24 42 30 21 1B 28 42 62", true},
        {65001, 50222, "E2 85 B0", "1B 24 42 7C 71 1B 28 42", true},  // small roman one, folded
        {50220, 65001, "61 1B 24 42 30 21 1B 28 42 62", "61 E4 BA 9C 62", true},
        {50222, 932, "61 1B 24 42 30 21 1B 28 42 62", "61 88 9F 62", true},
        {50221, 1200, "1B 28 49 31", "71 FF", true},
        {65001, 50220, "61 F0 9F 98 80 62", "61 62", false},
    };
    for (const PathCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        const Converted got = convertBytes(c.from, c.to, hexBytes(c.in));
        EXPECT_EQ(toHex(got.bytes), toHex(hexBytes(c.out)));
        EXPECT_EQ(got.ok, c.exact);
    }
}

TEST(Iso2022Kr, ConvertThroughKorean) {
    if (CodePageTable::forCodePage(949) == nullptr) GTEST_SKIP() << "code page 949 has no table in this build";
    const Converted encoded = convertBytes(65001, 50225, hexBytes("61 EA B0 80 62"));
    EXPECT_TRUE(encoded.ok);
    EXPECT_EQ(toHex(encoded.bytes), "1B 24 29 43 61 0E 30 21 0F 62");
    const Converted decoded = convertBytes(50225, 65001, encoded.bytes);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(toHex(decoded.bytes), "61 EA B0 80 62");
}

// Random text: ASCII letters, spaces and line ends mixed with every kind of character the
// encoding carries. Python writes each text in the ISO-2022 form, in the code page and in UTF-8.
// Our encoder's output is compared with the text as Python reads it back, not with the code
// page's own reading: code page 932 maps a few JIS codes (such as the wave dash) to other
// characters than plain ISO-2022-JP does.
const char kGenerate[] = R"PY(
random.seed(int(sys.argv[3]) if len(sys.argv) > 3 else 11)
name, page, pieces = records[0][0].decode(), records[0][1].decode(), []
if name == 'iso2022_jp':
    for j1 in range(0x21, 0x75):
        for j2 in range(0x21, 0x7F):
            try: pieces.append((b'\x1b$B' + bytes([j1, j2]) + b'\x1b(B').decode(name))
            except UnicodeError: pass
else:
    for b1 in range(0xA1, 0xFE):
        for b2 in range(0xA1, 0xFF):
            try: pieces.append(bytes([b1, b2]).decode(page))
            except UnicodeError: continue
pieces = [p for p in pieces if len(p) == 1]
for p in pieces[:]:
    try: p.encode(name); p.encode(page)
    except UnicodeError: pieces.remove(p)
ascii = 'abcXYZ019 +-.\n\r\t'
for k in range(400):
    text = ''.join(random.choice(pieces) if random.random() < 0.5 else random.choice(ascii)
                   for _ in range(random.randrange(0, 60)))
    replies.append([text.encode(name), text.encode(page), text.encode('utf-8')])
)PY";

const char kCheck[] = R"PY(
name = records[0][0].decode()
for r in records[1:]:
    try: ok = r[0].decode(name) == r[1].decode('utf-8')
    except UnicodeError as e: ok = False
    replies.append([b'1' if ok else b'0'])
)PY";

void checkAgainstPython(const char *pyName, const char *pyPage, Codec decode, Codec encode) {
    std::vector<HexRecord> generated, verdicts;
    const std::string report =
        runPythonCodecs(std::string("Iso2022Python_") + pyName, kGenerate, {{pyName, pyPage}}, generated);
    ASSERT_EQ(report, "");
    ASSERT_EQ(generated.size(), 400u);
    std::vector<HexRecord> ours = {{pyName}};
    for (const HexRecord &r : generated) {
        ASSERT_EQ(r.size(), 3u);
        const Converted decoded = run(decode, r[0]);
        EXPECT_TRUE(decoded.ok);
        EXPECT_EQ(toHex(decoded.bytes), toHex(r[1])) << toHex(r[0]);
        const Converted encoded = run(encode, r[1]);
        EXPECT_TRUE(encoded.ok);
        ours.push_back({encoded.bytes, r[2]});  // Python must read our encoding as the text
    }
    ASSERT_EQ(runPythonCodecs(std::string("Iso2022Check_") + pyName, kCheck, ours, verdicts), "");
    ASSERT_EQ(verdicts.size(), generated.size());
    size_t bad = 0;
    for (size_t i = 0; i < verdicts.size(); ++i)
        if (verdicts[i][0] != "1" && ++bad <= 5) ADD_FAILURE() << "Python reads our encoding differently: " << toHex(ours[i + 1][0]);
    EXPECT_EQ(bad, 0u);
}

TEST(Iso2022Jp, MatchesPython) {
    if (!pythonCodecsAvailable()) GTEST_SKIP() << "python3 is not available";
    checkAgainstPython("iso2022_jp", "cp932", Iso2022Jp::decodeToShiftJis, Iso2022Jp::encodeFromShiftJis);
}

TEST(Iso2022Kr, MatchesPython) {
    if (!pythonCodecsAvailable()) GTEST_SKIP() << "python3 is not available";
    checkAgainstPython("iso2022_kr", "cp949", Iso2022Kr::decodeTo949, Iso2022Kr::encodeFrom949);
}

}  // namespace
}  // namespace quorvel::test

namespace quorvel::test {
namespace {

// The vendor-row folding must name codes of the same character in code page 932 itself.
TEST(Iso2022Jp, VendorFoldingAgreesWithCodePage932) {
    if (CodePageTable::forCodePage(932) == nullptr) GTEST_SKIP() << "code page 932 has no table in this build";
    uint32_t folded = 0;
    for (uint32_t code = 0xFA40; code <= 0xFCFC; ++code) {
        const uint32_t lower = Iso2022Jp::foldVendorCode(code);
        if (lower == 0) continue;
        ++folded;
        const std::string vendor{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        const std::string other{static_cast<char>(lower >> 8), static_cast<char>(lower & 0xFF)};
        const Converted a = convertBytes(932, 1200, vendor), b = convertBytes(932, 1200, other);
        EXPECT_TRUE(a.ok && b.ok) << std::hex << code;
        EXPECT_EQ(toHex(a.bytes), toHex(b.bytes)) << std::hex << code << " " << lower;
        EXPECT_LT(lower, 0xF000u);
    }
    EXPECT_EQ(folded, 388u);
}

}  // namespace
}  // namespace quorvel::test
