// Every built-in code page table checked byte by byte, and pair by pair for double-byte pages,
// against Python's codecs or glibc iconv(3) (reached from Python) under the matching name. The
// round trip needs no oracle and runs everywhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CodecOracle.h"
#include "foundation/CodePageData.h"
#include "foundation/CodePageTable.h"
#include "foundation/ConvertOutput.h"
#include "foundation/DataBuffer.h"

namespace quorvel::test {
namespace {

constexpr uint32_t kNone = 0xFFFF;

struct Oracle {
    uint32_t codePage;
    const char *kind;  // "py": a Python codec; "iconv": glibc iconv; "charmap": a glibc charmap file
    const char *name;
};

const Oracle kOracles[] = {
    {37, "py", "cp037"}, {437, "py", "cp437"}, {500, "py", "cp500"}, {708, "iconv", "ASMO-708"},
    {720, "py", "cp720"}, {737, "py", "cp737"}, {775, "py", "cp775"}, {850, "py", "cp850"},
    {852, "py", "cp852"}, {855, "py", "cp855"}, {857, "py", "cp857"}, {858, "py", "cp858"},
    {860, "py", "cp860"}, {861, "py", "cp861"}, {862, "py", "cp862"}, {863, "py", "cp863"},
    {864, "py", "cp864"}, {865, "py", "cp865"}, {866, "py", "cp866"}, {869, "py", "cp869"},
    {870, "iconv", "IBM870"}, {874, "py", "cp874"}, {875, "py", "cp875"}, {932, "py", "cp932"},
    {936, "iconv", "CP936"}, {949, "py", "cp949"}, {950, "py", "cp950"}, {1026, "py", "cp1026"},
    {1047, "iconv", "IBM1047"}, {1140, "py", "cp1140"}, {1141, "iconv", "IBM1141"}, {1142, "iconv", "IBM1142"},
    {1143, "iconv", "IBM1143"}, {1144, "iconv", "IBM1144"}, {1145, "iconv", "IBM1145"}, {1146, "iconv", "IBM1146"},
    {1147, "iconv", "IBM1147"}, {1148, "iconv", "IBM1148"}, {1149, "iconv", "IBM1149"}, {1250, "py", "cp1250"},
    {1251, "py", "cp1251"}, {1252, "py", "cp1252"}, {1253, "py", "cp1253"}, {1254, "py", "cp1254"},
    {1255, "py", "cp1255"}, {1256, "py", "cp1256"}, {1257, "py", "cp1257"}, {1258, "py", "cp1258"},
    {1361, "py", "johab"}, {10000, "py", "mac_roman"}, {10001, "py", "shift_jis"}, {10004, "py", "mac_arabic"},
    {10006, "py", "mac_greek"}, {10007, "py", "mac_cyrillic"}, {10010, "py", "mac_romanian"},
    {10017, "iconv", "MAC-UK"}, {10029, "py", "mac_latin2"}, {10079, "py", "mac_iceland"},
    {10081, "py", "mac_turkish"}, {10082, "py", "mac_croatian"}, {20105, "charmap", "ISO_646.IRV"},
    {20106, "iconv", "ISO646-DE"}, {20107, "iconv", "ISO646-SE"}, {20108, "iconv", "ISO646-NO"},
    {20127, "py", "ascii"}, {20261, "iconv", "T.61-8BIT"}, {20269, "iconv", "ISO_6937"}, {20273, "py", "cp273"},
    {20277, "iconv", "IBM277"}, {20278, "iconv", "IBM278"}, {20280, "iconv", "IBM280"}, {20284, "iconv", "IBM284"},
    {20285, "iconv", "IBM285"}, {20290, "iconv", "IBM290"}, {20297, "iconv", "IBM297"}, {20420, "iconv", "IBM420"},
    {20423, "iconv", "IBM423"}, {20424, "py", "cp424"}, {20838, "iconv", "IBM1160"}, {20866, "py", "koi8_r"},
    {20871, "iconv", "IBM871"}, {20880, "iconv", "IBM880"}, {20905, "iconv", "IBM905"}, {20924, "iconv", "IBM1047"},
    {21025, "iconv", "IBM1025"}, {21866, "py", "koi8_u"}, {28591, "py", "latin_1"}, {28592, "py", "iso8859_2"},
    {28593, "py", "iso8859_3"}, {28594, "py", "iso8859_4"}, {28595, "py", "iso8859_5"}, {28596, "py", "iso8859_6"},
    {28597, "py", "iso8859_7"}, {28598, "py", "iso8859_8"}, {28599, "py", "iso8859_9"}, {28603, "py", "iso8859_13"},
    {28605, "py", "iso8859_15"}, {38598, "py", "iso8859_8"}, {51932, "iconv", "EUC-JP-MS"}, {51936, "py", "gb2312"},
    {51949, "py", "euc_kr"},
};

// Where our Windows mapping differs from the oracle on purpose; null when it must not.
const char *deliberateDifference(uint32_t codePage, uint32_t code, uint32_t oracle, uint32_t ours) {
    if (codePage >= 1250 && codePage <= 1258 && code >= 0x80 && code < 0xA0 && oracle == kNone && ours == code)
        return "Windows maps the bytes 0x80-0x9F its code page leaves undefined to U+0080-U+009F";
    if (codePage == 20924) {
        // IBM00924 is the IBM1047 layout over ISO-8859-15: the eight Latin-1 characters that
        // ISO-8859-15 replaces take their replacements.
        static const char16_t kLatin1[] = {0xA4, 0xA6, 0xA8, 0xB4, 0xB8, 0xBC, 0xBD, 0xBE};
        static const char16_t kLatin9[] = {0x20AC, 0x160, 0x161, 0x17D, 0x17E, 0x152, 0x153, 0x178};
        for (size_t i = 0; i < std::size(kLatin1); ++i)
            if (oracle == kLatin1[i] && ours == kLatin9[i]) return "ISO-8859-15 repertoire in the IBM1047 layout";
    }
    return nullptr;
}

// For each code page: the oracle's character of every single byte, then for every byte it does
// not decode alone, that byte followed by each of the 256 trail bytes. FFFF: no one character.
const char kScript[] = R"PY(
import codecs, ctypes, ctypes.util, gzip, re
libc = ctypes.CDLL(ctypes.util.find_library('c'))
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
NEG = ctypes.c_size_t(-1).value
def iconv_decoder(name):
    cd = libc.iconv_open(b'UTF-16BE', name.encode())
    if cd in (None, ctypes.c_void_p(-1).value): raise SystemExit('iconv lacks ' + name)
    out = ctypes.create_string_buffer(64)
    def dec(data):
        libc.iconv(cd, None, None, None, None)
        inb = ctypes.create_string_buffer(data, len(data))
        ip, op = ctypes.c_void_p(ctypes.addressof(inb)), ctypes.c_void_p(ctypes.addressof(out))
        il, ol = ctypes.c_size_t(len(data)), ctypes.c_size_t(64)
        if libc.iconv(cd, ctypes.byref(ip), ctypes.byref(il), ctypes.byref(op), ctypes.byref(ol)) == NEG or il.value: return None
        if libc.iconv(cd, None, None, ctypes.byref(op), ctypes.byref(ol)) == NEG: return None
        return out.raw[:64 - ol.value].decode('utf-16-be')
    return dec
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
        except UnicodeDecodeError: return None
    return dec
def one(s):
    return (ord(s) if s is not None and len(s) == 1 and ord(s) <= 0xFFFF else 0xFFFF).to_bytes(2, 'big')
for i, (cp, kind, name) in enumerate(records):
    dec = {b'py': py_decoder, b'iconv': iconv_decoder, b'charmap': charmap_decoder}[kind](name.decode())
    singles = [one(dec(bytes([b]))) for b in range(256)]
    leads = bytes(b for b in range(256) if singles[b] == b'\xff\xff')
    pairs = b''.join(one(dec(bytes([l, t]))) for l in leads for t in range(256))
    replies.append([b''.join(singles), leads, pairs])
)PY";

// Our table's character for a byte sequence that must decode to exactly one character, else
// kNone. The table itself is checked: conversions that prepare the bytes first (x-mac-arabic) or
// fold characters (iso-8859-6 digits) are tested with their paths.
uint32_t ourChar(uint32_t codePage, const unsigned char *bytes, uint32_t n) {
    const CodePageTable *table = CodePageTable::forCodePage(codePage);
    if (table == nullptr) return kNone;
    DataBuffer out;
    ConvertOutput output(out);
    table->decode(bytes, n, false, output);
    if (!output.flush() || output.dropped() || out.getSize() != 2) return kNone;
    const unsigned char *p = out.getData();
    return p[0] | (uint32_t{p[1]} << 8);
}

// Our table's code for a character; empty when it has none.
std::string ourCode(uint32_t codePage, uint32_t c) {
    const CodePageTable *table = CodePageTable::forCodePage(codePage);
    const unsigned char unit[2] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8)};
    DataBuffer out;
    ConvertOutput output(out);
    table->encode(unit, 2, false, output, false);
    if (!output.flush() || output.dropped()) return "";
    return std::string(reinterpret_cast<const char *>(out.getData()), out.getSize());
}

uint32_t oracleChar(const std::string &field, size_t index) {
    return (static_cast<unsigned char>(field[index * 2]) << 8) | static_cast<unsigned char>(field[index * 2 + 1]);
}

TEST(CodePageTables, EveryCodeMatchesTheOracle) {
#ifdef _WIN32
    GTEST_SKIP() << "the oracle (python3 with glibc iconv) runs in the Linux build";
#else
    if (std::system("python3 -c \"import codecs, ctypes\" > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not available";
    std::vector<Record> records, replies;
    for (const Oracle &o : kOracles) records.push_back({std::to_string(o.codePage), o.kind, o.name});
    const std::string report = runPythonOracle("codepage_tables", kScript, records, replies);
    ASSERT_EQ(report, "");

    size_t compared = 0, deliberate = 0, differences = 0;
    for (size_t i = 0; i < std::size(kOracles); ++i) {
        const uint32_t cp = kOracles[i].codePage;
        const Record &r = replies[i];
        ASSERT_EQ(r.size(), 3u);
        ASSERT_EQ(r[0].size(), 512u);
        ASSERT_EQ(r[2].size(), r[1].size() * 512);
        auto check = [&](uint32_t code, uint32_t oracle, uint32_t ours) {
            ++compared;
            if (oracle == ours) return;
            if (deliberateDifference(cp, code, oracle, ours) != nullptr) {
                ++deliberate;
                return;
            }
            if (++differences <= 30)
                ADD_FAILURE() << "code page " << cp << " code " << std::hex << code << ": oracle " << oracle
                              << ", ours " << ours;
        };
        for (uint32_t b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            check(b, oracleChar(r[0], b), ourChar(cp, &byte, 1));
        }
        for (size_t k = 0; k < r[1].size(); ++k) {
            const unsigned char lead = static_cast<unsigned char>(r[1][k]);
            for (uint32_t t = 0; t < 256; ++t) {
                const unsigned char pair[2] = {lead, static_cast<unsigned char>(t)};
                check(uint32_t{lead} << 8 | t, oracleChar(r[2], k * 256 + t), ourChar(cp, pair, 2));
            }
        }
    }
    EXPECT_EQ(differences, 0u);
    EXPECT_GT(compared, 103u * 256);
    // 1250-1258 fill at most 32 bytes each; 20924 changes eight.
    EXPECT_LE(deliberate, 9u * 32 + 8);
#endif
}

// Every byte and byte pair our tables decode to one character encodes back to a code that
// decodes to the same character. Needs no oracle, so it runs in the Windows build too.
TEST(CodePageTables, EveryMappedCharacterRoundTrips) {
    size_t mapped = 0;
    for (const Oracle &o : kOracles) {
        uint32_t index = 0;
        ASSERT_NE(CodePageData::find(o.codePage, index), nullptr) << o.codePage;
        auto roundTrip = [&](const unsigned char *bytes, uint32_t n) {
            const uint32_t c = ourChar(o.codePage, bytes, n);
            if (c == kNone || c == 0) return;
            ++mapped;
            const std::string code = ourCode(o.codePage, c);
            ASSERT_FALSE(code.empty()) << o.codePage << " " << std::hex << c;
            const auto *bytes2 = reinterpret_cast<const unsigned char *>(code.data());
            ASSERT_EQ(ourChar(o.codePage, bytes2, static_cast<uint32_t>(code.size())), c) << o.codePage << " " << std::hex << c;
        };
        for (uint32_t b = 0; b < 256; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            if (ourChar(o.codePage, &byte, 1) != kNone) {
                roundTrip(&byte, 1);
                continue;
            }
            for (uint32_t t = 0; t < 256; ++t) {
                const unsigned char pair[2] = {byte, static_cast<unsigned char>(t)};
                roundTrip(pair, 2);
            }
        }
    }
    EXPECT_GT(mapped, 100000u);
}

}  // namespace
}  // namespace quorvel::test

namespace quorvel::test {
namespace {

// Characters with several codes encode to the code Windows writes: the IBM extension row of
// 932 rather than its NEC-selected copy, and the JIS row rather than the NEC row.
TEST(CodePageTables, DuplicatedCharactersEncodeToTheWindowsCode) {
    EXPECT_EQ(ourCode(932, 0x2170), "\xFA\x40");  // small roman numeral one
    EXPECT_EQ(ourCode(932, 0x2252), "\x81\xE0");  // approximately equal or the image of
    EXPECT_EQ(ourCode(932, 0xFFE2), "\x81\xCA");  // not sign
    EXPECT_EQ(ourCode(1252, 0x81), "\x81");
    EXPECT_EQ(ourCode(20924, 0x20AC), "\x9F");
}

}  // namespace
}  // namespace quorvel::test
