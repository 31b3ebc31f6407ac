#include <gtest/gtest.h>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "foundation/charsets/CodePage.h"

namespace quorvel::test {
namespace {

struct BomCase { const char *name; uint32_t from; uint32_t to; const char *input; bool ok; const char *expected; };

// The text "Aé" in every form: UTF-8 41 C3 A9, UTF-16LE 41 00 E9 00, UTF-16BE 00 41 00 E9,
// UTF-32LE 41 00 00 00 E9 00 00 00, UTF-32BE 00 00 00 41 00 00 00 E9.
const BomCase kCases[] = {
    // UTF-8 declared
    {"utf8 with utf8 mark", 65001, 1200, "EF BB BF 41 C3 A9", true, "41 00 E9 00"},
    {"utf8 only the mark", 65001, 1200, "EF BB BF", true, ""},
    {"utf8 partial mark is invalid bytes", 65001, 1200, "EF BB", true, ""},
    {"utf8 with utf16 mark skips invalid bytes", 65001, 1200, "FF FE 41", true, "41 00"},
    // UTF-16 declared little-endian
    {"1200 with le mark", 1200, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"},
    {"1200 with be mark reads big-endian", 1200, 65001, "FE FF 00 41 00 E9", true, "41 C3 A9"},
    {"1200 only the le mark", 1200, 65001, "FF FE", true, ""},
    {"1200 utf8 mark is text", 1200, 65001, "EF BB BF 00", true, "EB AF AF C2 BF"},
    {"1200 odd trailing byte dropped", 1200, 65001, "41 00 E9", true, "41"},
    {"1200 be mark odd trailing byte dropped", 1200, 65001, "FE FF 00 41 00", true, "41"},
    // UTF-16 declared big-endian
    {"1201 with le mark reads little-endian", 1201, 65001, "FF FE 41 00 E9 00", true, "41 C3 A9"},
    {"1201 with be mark", 1201, 65001, "FE FF 00 41 00 E9", true, "41 C3 A9"},
    // UTF-32 declared
    {"65005 with be mark reads big-endian", 65005, 65001, "00 00 FE FF 00 00 00 41 00 00 00 E9", true, "41 C3 A9"},
    {"65006 with le mark reads little-endian", 65006, 65001, "FF FE 00 00 41 00 00 00 E9 00 00 00", true, "41 C3 A9"},
    {"65006 only the mark", 65006, 65001, "00 00 FE FF", true, ""},
    // A UTF-16 mark is no UTF-32 mark: FF FE 41 00 is the value 0x0041FEFF, beyond Unicode.
    {"65005 with utf16 mark", 65005, 65001, "FF FE 41 00", false, ""},
    {"65005 to 1200", 65005, 1200, "00 00 FE FF 00 00 00 41", true, "41 00"},
    // Targets produced from another Unicode form
    {"1200 with be mark to 1201", 1200, 1201, "FE FF 00 41 00 E9", true, "00 41 00 E9"},
    {"1201 with le mark to 65006", 1201, 65006, "FF FE 41 00", true, "00 00 00 41"},
    {"utf8 mark to 1201", 65001, 1201, "EF BB BF 41", true, "00 41"},
    // Equal code pages copy everything, marks and odd bytes included
    {"1200 to 1200 copies", 1200, 1200, "FF FE 41 00 E9", true, "FF FE 41 00 E9"},
    {"target 0 means the source", 1200, 0, "FE FF 00 41", true, "FE FF 00 41"},
    {"source 0 means the target", 0, 65001, "EF BB BF 41", true, "EF BB BF 41"},
};

TEST(EncodingConvertBom, EachMarkUnderEachDeclaredUnicodeCodePage) {
    for (const BomCase &c : kCases) {
        SCOPED_TRACE(c.name);
        const Converted r = convertBytes(c.from, c.to, hexBytes(c.input));
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_EQ(toHex(r.bytes), toHex(hexBytes(c.expected)));
    }
}

TEST(EncodingConvertBom, EmptyInputSucceedsWithNoOutput) {
    for (uint32_t from : {65001u, 1200u, 1201u, 65005u, 65006u, 1252u})
        for (uint32_t to : {65001u, 1200u, 1201u, 65005u, 65006u, 1252u})
            EXPECT_TRUE(convertBytes(from, to, "").ok && convertBytes(from, to, "").bytes.empty()) << from << " -> " << to;
}

}  // namespace
}  // namespace quorvel::test
