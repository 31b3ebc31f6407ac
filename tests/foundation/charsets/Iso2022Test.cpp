#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/Iso2022Jp.h"
#include "foundation/charsets/Iso2022Kr.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

using Codec = void (*)(const unsigned char *, uint32_t, ConvertOutput &);

// The escapes we write, and input Python would not write (its own texts: below).
TEST(Iso2022, EscapeSequencesBothWays) {
    const Codec jpOut = Iso2022Jp::encodeFromShiftJis, jpIn = Iso2022Jp::decodeToShiftJis;
    const Codec krOut = Iso2022Kr::encodeFrom949, krIn = Iso2022Kr::decodeTo949;
    struct Case { Codec codec; const char *in, *out; bool exact; } cases[] = {
        {jpOut, "61 88 9F 62", "61 1B 24 42 30 21 1B 28 42 62", true},  // kanji between letters
        {jpOut, "88 9F 0D 0A 88 9F", "1B 24 42 30 21 1B 28 42 0D 0A 1B 24 42 30 21 1B 28 42", true},  // ASCII before CR LF
        // half-width katakana, ASCII, katakana, kanji
        {jpOut, "B1 DF 61 B1 88 9F", "1B 28 49 31 5F 1B 28 42 61 1B 28 49 31 1B 24 42 30 21 1B 28 42", true},
        {jpOut, "FA 40 FA 4A", "1B 24 42 7C 71 2D 35 1B 28 42", true},  // vendor codes to rows 92 and 13
        {jpOut, "61 F0 40 62", "61 62", false}, {jpOut, "61 88", "61", false},  // user-defined row dropped; lead byte cut off
        {jpIn, "1B 24 40 30 21 30 22 1B 28 4A 5C", "88 9F 88 A0 5C", true},  // ESC $ @ and ESC ( J
        {jpIn, "1B 28 49 31 5F 1B 28 42 31", "B1 DF 31", true}, {jpIn, "1B 24 42 30 21 30", "88 9F", false},  // ESC ( I; odd kanji byte at the end
        {jpIn, "61 1B 24", "61 24", false}, {jpIn, "1B 24 28 44 61", "24 28 44 61", false},  // cut-off escape; unknown escape
        {jpIn, "61 A1 80 FF", "61 A1", false}, {jpIn, "1B 28 49 60", "", false},  // eight-bit bytes; katakana mode out of range
        {krOut, "61 B0 A1 62", "1B 24 29 43 61 0E 30 21 0F 62", true},
        {krOut, "B0 A1 B0 A2", "1B 24 29 43 0E 30 21 30 22 0F", true},  // one shift per run, ending in two-byte mode
        {krOut, "61 81 41 62", "1B 24 29 43 61 62", false},             // extended code dropped
        {krIn, "0E 30 21 0F 61", "30 21 61", false}, {krIn, "1B 24 29 61", "24 29 61", false},  // SO without designator; cut-off designator
        {krIn, "1B 24 29 43 0E 30", "", false}, {krIn, "1B 24 29 43 B0 A1", "", false},  // odd byte in two-byte mode; eight-bit byte
    };
    for (const Case &c : cases) {
        const Converted got = throughOutput(hexBytes(c.in), c.codec);
        EXPECT_EQ((got.ok ? "" : "false|") + toHex(got.bytes), (c.exact ? "" : "false|") + toHex(hexBytes(c.out))) << c.in;
    }
}

TEST(Iso2022, ConvertThroughTheCodePageBehind) {
    expectConversions({
        {932, 50220, "61 88 9F 62", true, "61 1B 24 42 30 21 1B 28 42 62"},
        {65001, 50222, "E2 85 B0", true, "1B 24 42 7C 71 1B 28 42"},  // small roman one, folded
        {50220, 65001, "61 1B 24 42 30 21 1B 28 42 62", true, "61 E4 BA 9C 62"}, {50221, 1200, "1B 28 49 31", true, "71 FF"},
        {65001, 50220, "61 F0 9F 98 80 62", false, "61 62"}, {65001, 50225, "61 EA B0 80 62", true, "1B 24 29 43 61 0E 30 21 0F 62"},
        {50225, 65001, "1B 24 29 43 61 0E 30 21 0F 62", true, "61 EA B0 80 62"},
    });
}

// Python writes random text (ASCII and every character the encoding carries) in the ISO-2022 form,
// the code page and UTF-8. Python reads our encoding back: 932 maps a few JIS codes (the wave dash)
// to other characters than plain ISO-2022-JP does.
const char kGenerate[] = R"PY(
random.seed(11)
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
for i, r in enumerate(records[1:]):
    try: ok = r[0].decode(name) == r[1].decode('utf-8')
    except UnicodeError: ok = False
    if not ok: fail(i, 'Python reads our encoding differently: ' + r[0].hex())
)PY";

void checkAgainstPython(const char *pyName, const char *pyPage, Codec decode, Codec encode) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
    std::vector<Record> generated, none;
    ASSERT_EQ(runPythonOracle(std::string("Iso2022Python_") + pyName, kGenerate, {{pyName, pyPage}}, generated), "");
    ASSERT_EQ(generated.size(), 400u);
    std::vector<Record> ours = {{pyName}};
    for (const Record &r : generated) {
        ASSERT_EQ(r.size(), 3u);
        const Converted decoded = throughOutput(r[0], decode), encoded = throughOutput(r[1], encode);
        EXPECT_TRUE(decoded.ok && encoded.ok && decoded.bytes == r[1]) << toHex(r[0]) << " -> " << toHex(decoded.bytes);
        ours.push_back({encoded.bytes, r[2]});  // Python must read our encoding as the text
    }
    EXPECT_EQ(runPythonOracle(std::string("Iso2022Check_") + pyName, kCheck, ours, none), "");
}

TEST(Iso2022, JapaneseAndKoreanMatchPython) {
    checkAgainstPython("iso2022_jp", "cp932", Iso2022Jp::decodeToShiftJis, Iso2022Jp::encodeFromShiftJis);
    checkAgainstPython("iso2022_kr", "cp949", Iso2022Kr::decodeTo949, Iso2022Kr::encodeFrom949);
}

TEST(Iso2022Jp, VendorFoldingAgreesWithCodePage932) {
    uint32_t folded = 0;
    for (uint32_t code = 0xFA40; code <= 0xFCFC; ++code) {
        const uint32_t lower = Iso2022Jp::foldVendorCode(code);
        if (lower == 0) continue;
        ++folded;
        const Converted a = convertBytes(932, 1200, {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)});
        const Converted b = convertBytes(932, 1200, {static_cast<char>(lower >> 8), static_cast<char>(lower & 0xFF)});
        EXPECT_TRUE(a.ok && b.ok && a.bytes == b.bytes && lower < 0xF000u) << std::hex << code << " " << lower;
    }
    EXPECT_EQ(folded, 388u);
}

}  // namespace
}  // namespace quorvel::test
