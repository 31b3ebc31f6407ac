// Every built-in code page table checked byte by byte, and pair by pair for double-byte pages,
// against an independent mapping: Python's codecs, glibc iconv(3), a glibc charmap or Perl's Encode.
#include <cstdlib>

#include "CodecSamples.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/charsets/CodePageTable.h"
#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "support/IconvOracle.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

constexpr uint32_t kNone = 0xFFFF;

struct Oracle { uint32_t codePage; std::string kind, name; };

// Each checked code page with the kind and name of its oracle.
std::vector<Oracle> oracles() {
    std::vector<Oracle> out = {
        {37, "py", "cp037"}, {708, "iconv", "ASMO-708"}, {936, "iconv", "CP936"}, {1361, "py", "johab"},
        {10000, "py", "mac_roman"}, {10001, "py", "shift_jis"}, {10004, "py", "mac_arabic"}, {10005, "perl", "MacHebrew"},
        {10006, "py", "mac_greek"}, {10007, "py", "mac_cyrillic"}, {10010, "py", "mac_romanian"}, {10017, "iconv", "MAC-UK"},
        {10021, "perl", "MacThai"}, {10029, "py", "mac_latin2"}, {10079, "py", "mac_iceland"}, {10081, "py", "mac_turkish"},
        {10082, "py", "mac_croatian"}, {20105, "charmap", "ISO_646.IRV"}, {20106, "iconv", "ISO646-DE"},
        {20107, "iconv", "ISO646-SE"}, {20108, "iconv", "ISO646-NO"}, {20127, "py", "ascii"}, {20261, "iconv", "T.61-8BIT"},
        {20269, "iconv", "ISO_6937"}, {20273, "py", "cp273"}, {20424, "py", "cp424"}, {20838, "iconv", "IBM1160"},
        {20866, "py", "koi8_r"}, {20924, "iconv", "IBM1047"}, {21866, "py", "koi8_u"}, {28591, "py", "latin_1"},
        {38598, "py", "iso8859_8"}, {51932, "iconv", "EUC-JP-MS"}, {51936, "py", "gb2312"}, {51949, "py", "euc_kr"},
    };
    for (uint32_t cp : {437, 500, 720, 737, 775, 850, 852, 855, 857, 858, 860, 861, 862, 863, 864, 865, 866, 869, 874, 875, 932, 949, 950, 1026,
         1140, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258})
        out.push_back({cp, "py", "cp" + std::to_string(cp)});
    for (uint32_t cp : {870, 1047, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149, 20277, 20278, 20280, 20284, 20285, 20290, 20297, 20420,
         20423, 20871, 20880, 20905, 21025})
        out.push_back({cp, "iconv", "IBM" + std::to_string(cp > 20000 ? cp - 20000 : cp)});
    for (uint32_t cp : {28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605})
        out.push_back({cp, "py", "iso8859_" + std::to_string(cp - 28590)});
    return out;
}

// Bytes first..last hold the characters from `character` on, where the oracle gives none or a sequence.
struct Deliberate { uint32_t codePage, first, last, character; };
const Deliberate kDeliberate[] = {
    // Perl gives a sequence (base character and point or transcoding hint); Windows the base character.
    {10005, 0x81, 0x81, 0x05F2}, {10005, 0xC0, 0xC0, 0x05DC}, {10005, 0xDE, 0xDE, 0x05B8}, {10021, 0x83, 0x87, 0x0E48},
    {10021, 0x88, 0x8C, 0x0E48}, {10021, 0x8F, 0x8F, 0x0E4D}, {10021, 0x92, 0x92, 0x0E31}, {10021, 0x93, 0x93, 0x0E47},
    {10021, 0x94, 0x97, 0x0E34}, {10021, 0x98, 0x9C, 0x0E48},
    // Perl keeps only the right-to-left copies of ASCII punctuation and digits, and no DEL; Windows: ASCII.
    {10005, 0x20, 0x3F, 0x20}, {10005, 0x5B, 0x5D, 0x5B}, {10005, 0x7B, 0x7F, 0x7B}, {10021, 0x7F, 0x7F, 0x7F},
};

bool deliberateDifference(uint32_t codePage, uint32_t code, uint32_t oracle, uint32_t ours) {
    // Windows maps the bytes 0x80-0x9F its code page leaves undefined to U+0080-U+009F.
    if (codePage >= 1250 && codePage <= 1258 && codePage != 1256 && code >= 0x80 && code <= 0x9F && oracle == kNone && ours == code) return true;
    for (const Deliberate &d : kDeliberate)
        if (d.codePage == codePage && code >= d.first && code <= d.last && oracle == kNone && ours == d.character + code - d.first)
            return true;
    // IBM00924 is the IBM1047 layout over ISO-8859-15: eight Latin-1 characters are replaced.
    static const char16_t kLatin1[] = {0xA4, 0xA6, 0xA8, 0xB4, 0xB8, 0xBC, 0xBD, 0xBE};
    static const char16_t kLatin9[] = {0x20AC, 0x160, 0x161, 0x17D, 0x17E, 0x152, 0x153, 0x178};
    for (size_t i = 0; codePage == 20924 && i < std::size(kLatin1); ++i)
        if (oracle == kLatin1[i] && ours == kLatin9[i]) return true;
    return false;
}

// Per code page: each byte's character, the lead bytes, and their pairs with every trail byte (FFFF: none).
const char kScript[] = R"PY(
import gzip, re, subprocess
def charmap_decoder(name):
    table = {}
    with gzip.open('/usr/share/i18n/charmaps/%s.gz' % name, 'rt', encoding='latin-1') as f:
        for line in f:
            m = re.match(r'<U([0-9A-Fa-f]+)>\s+((?:/x[0-9a-fA-F]{2})+)', line)
            if m: table.setdefault(bytes(int(x, 16) for x in m.group(2).split('/x')[1:]), chr(int(m.group(1), 16)))
    return table.get
def py_decoder(name):
    def dec(data):
        try: return codecs.decode(data, name)
        except UnicodeDecodeError: pass
    return dec
def perl_decoder(name):
    dump = 'print join(" ", map { ord } split //, decode($ARGV[0], chr($_), sub { "" })), "\\n" for 0 .. 255'
    lines = subprocess.run(['perl', '-MEncode', '-e', dump, name], capture_output=True, text=True, check=True).stdout.splitlines()
    return {bytes([b]): ''.join(chr(int(x)) for x in l.split()) or None for b, l in enumerate(lines)}.get
def one(s):
    return (ord(s) if s is not None and len(s) == 1 and ord(s) <= 0xFFFF else 0xFFFF).to_bytes(2, 'big')
for i, (cp, kind, name) in enumerate(records):
    dec = {b'py': py_decoder, b'charmap': charmap_decoder, b'perl': perl_decoder}[kind](name.decode())
    singles = [one(dec(bytes([b]))) for b in range(256)]
    leads = bytes(b for b in range(256) if singles[b] == b'\xff\xff')
    pairs = b''.join(one(dec(bytes([l, t]))) for l in leads for t in range(256))
    replies.append([b''.join(singles), leads, pairs])
)PY";

uint32_t unitOf(const std::string &twoBytes, size_t index, bool bigEndian) {
    const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(twoBytes[2 * index + k])); };
    return bigEndian ? byte(0) << 8 | byte(1) : byte(1) << 8 | byte(0);
}

uint32_t fromReply(const Record &reply, const std::string &bytes) {
    return bytes.size() == 1 ? unitOf(reply[0], static_cast<unsigned char>(bytes[0]), true)
                             : unitOf(reply[2], reply[1].find(bytes[0]) * 256 + static_cast<unsigned char>(bytes[1]), true);
}
uint32_t fromIconv(const std::string &name, const std::string &bytes) {
    std::string utf16;
    return iconvConvert(name.c_str(), "UTF-16BE", bytes, utf16) && utf16.size() == 2 ? unitOf(utf16, 0, true) : kNone;
}

// The table's own character for the bytes, else kNone (preparing and folding are tested with their paths).
uint32_t ourChar(uint32_t codePage, const std::string &bytes) {
    const CodePageTable *table = CodePageTable::forCodePage(codePage);
    const auto decode = [&](auto p, auto n, auto &o) { table->decode(p, n, false, o); };
    const Converted r = table ? throughOutput(bytes, decode) : Converted{};
    return r.ok && r.bytes.size() == 2 ? unitOf(r.bytes, 0, false) : kNone;
}

std::string ourCode(uint32_t codePage, uint32_t c) {
    const std::string unit = {static_cast<char>(c), static_cast<char>(c >> 8)};
    const CodePageTable *table = CodePageTable::forCodePage(codePage);
    const Converted r = throughOutput(unit, [&](auto p, auto n, auto &o) { table->encode(p, n, false, o, false); });
    return r.ok ? r.bytes : "";
}

// Visits every byte, and the pairs of each that decodes to no one character alone.
template <class Decode, class Visit> void forEachCode(Decode decode, Visit visit) {
    for (int b = 0; b < 256; ++b) {
        const std::string single(1, static_cast<char>(b));
        const uint32_t c = decode(single);
        visit(single, c);
        if (c == kNone)
            for (int t = 0; t < 256; ++t) visit(single + static_cast<char>(t), decode(single + static_cast<char>(t)));
    }
}

TEST(CodePageTables, EveryCodeMatchesTheOracle) {
    if (!pythonAvailable() || !iconvAvailable()) GTEST_SKIP() << "python3 or glibc iconv is not available";
    const bool perl = std::system("perl -MEncode -e 1 > /dev/null 2>&1") == 0;
    if (!perl) std::printf("perl with Encode is missing: 10005 and 10021 unchecked\n");
    std::vector<Oracle> checked;
    std::vector<Record> records, replies;
    for (const Oracle &o : oracles())
        if (perl || o.kind != "perl") {
            checked.push_back(o);
            if (o.kind != "iconv") records.push_back({std::to_string(o.codePage), o.kind, o.name});
        }
    ASSERT_EQ(runPythonOracle("codepage_tables", kScript, records, replies), "");
    ASSERT_EQ(replies.size(), records.size());
    size_t differences = 0, reply = 0;
    for (const Oracle &o : checked) {
        const Record *r = o.kind == "iconv" ? nullptr : &replies[reply++];
        ASSERT_TRUE(r == nullptr || (r->size() == 3 && (*r)[0].size() == 512 && (*r)[2].size() == (*r)[1].size() * 512));
        const auto oracle = [&](const std::string &bytes) { return r ? fromReply(*r, bytes) : fromIconv(o.name, bytes); };
        forEachCode(oracle, [&](const std::string &bytes, uint32_t theirs) {
            const uint32_t ours = ourChar(o.codePage, bytes), code = bytes.size() == 1 ? static_cast<unsigned char>(bytes[0]) : unitOf(bytes, 0, true);
            if (theirs == ours) return;
            if (!deliberateDifference(o.codePage, code, theirs, ours) && ++differences <= 30) ADD_FAILURE() << o.codePage << " code " << std::hex << code << ": oracle " << theirs << ", ours " << ours;
        });
    }
    EXPECT_EQ(differences, 0u);
}

// Every mapped byte and pair encodes back to a code of the same character; runs under Wine too.
TEST(CodePageTables, EveryMappedCharacterRoundTrips) {
    size_t tables = 0, mapped = 0;
    for (uint32_t i = 0; i < CharsetNames::codePageCount(); ++i) {
        const uint32_t cp = CharsetNames::codePageAt(i);
        if (CodePageTable::forCodePage(cp) == nullptr) continue;
        ++tables;
        const auto decode = [cp](const std::string &bytes) { return bytes[0] == 0 ? 0 : ourChar(cp, bytes); };
        forEachCode(decode, [&](const std::string &, uint32_t c) {
            if (c == kNone || c == 0) return;
            ++mapped;
            const std::string code = ourCode(cp, c);
            ASSERT_TRUE(!code.empty() && ourChar(cp, code) == c) << cp << " " << std::hex << c;
        });
    }
    EXPECT_TRUE(tables == 103u && mapped > 100000u) << tables << " " << mapped;
}

// Characters with several codes in 932 take the one Windows writes (IBM rows over NEC-selected
// copies, JIS rows over NEC row 13), as glibc's WINDOWS-31J does; Python's cp932 differs.
TEST(CodePageTables, Windows31JEncodesLikeWindows) {
    // Small roman numeral one (also EEEF), roman numeral one, the not sign: checked under Wine too.
    const std::pair<uint32_t, const char *> codes[] = {{0x2170, "\xFA\x40"}, {0x2160, "\x87\x54"}, {0xFFE2, "\x81\xCA"}};
    for (const auto &[c, code] : codes) EXPECT_EQ(ourCode(932, c), code) << std::hex << c;
    if (!iconvAvailable()) GTEST_SKIP() << "glibc iconv is not available";
    size_t compared = 0;
    forEachCode([](const std::string &bytes) { return ourChar(932, bytes); }, [&](const std::string &, uint32_t c) {
        if (c == kNone || (c >= 0xE000 && c <= 0xF8FF)) return;  // private use: glibc maps the user rows, Windows some single bytes
        std::string windows;
        if (!iconvConvert("UTF-16LE", "WINDOWS-31J", {static_cast<char>(c), static_cast<char>(c >> 8)}, windows)) return;  // 0x80: only Windows
        ++compared;
        EXPECT_EQ(ourCode(932, c), windows) << std::hex << c;
    });
    EXPECT_GT(compared, 7000u);
}

}  // namespace
}  // namespace quorvel::test
