// Charset detection of XML file bytes: byte-order marks first, then the declared encoding.
#include <gtest/gtest.h>

#include <string>

#include "foundation/DataBuffer.h"
#include "support/Bytes.h"
#include "support/RecordingLog.h"
#include "xml/engine/XmlFileLoader.h"

namespace quorvel {
namespace {

std::string detected(const std::string &bytes) {
    DataBuffer buffer = test::bufferOf(bytes);
    test::RecordingLog log;
    convertToUtf8(buffer, log);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    return test::bytesOf(buffer);
}

// UTF-16 code units of ASCII text, little- or big-endian.
std::string utf16(const std::string &ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) out += '\0', out += c;
        else out += c, out += '\0';
    }
    return out;
}

TEST(FileLoaderDetection, ByteOrderMarksWin) {
    const std::string declUtf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    const std::string declLatin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    // FF FE: UTF-16LE whatever the declaration says; e-acute is E9 00.
    EXPECT_EQ(detected("\xFF\xFE" + utf16(declUtf16 + "<a>", false) + std::string("\xE9\0", 2) + utf16("</a>", false)),
              declUtf16 + "<a>\xC3\xA9</a>");
    EXPECT_EQ(detected("\xFF\xFE" + utf16(declLatin1 + "<a/>", false)), declLatin1 + "<a/>");
    // FE FF: UTF-16BE; the euro sign is 20 AC.
    EXPECT_EQ(detected("\xFE\xFF" + utf16("<a>", true) + "\x20\xAC" + utf16("</a>", true)), "<a>\xE2\x82\xAC</a>");
    // EF BB BF: the mark goes, the bytes stay UTF-8 even when the declaration names another charset.
    EXPECT_EQ(detected("\xEF\xBB\xBF<?xml encoding=\"windows-1252\"?><a>\xC3\xA9</a>"),
              "<?xml encoding=\"windows-1252\"?><a>\xC3\xA9</a>");
    // Marks alone leave nothing.
    EXPECT_EQ(detected("\xFF\xFE"), "");
    EXPECT_EQ(detected("\xFE\xFF"), "");
    EXPECT_EQ(detected("\xEF\xBB\xBF"), "");
    EXPECT_EQ(detected(""), "");
}

TEST(FileLoaderDetection, DeclaredEncodingConvertsOrLeavesBytes) {
    struct Case {
        const char *name;
        std::string bytes, expected;
    } cases[] = {
        {"latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xC3\xA9</a>"},
        {"mixed case and spaces around =", "<?XmL version = \"1.0\" EnCoDiNg = \"Iso-8859-1\" ?><a>\xE9</a>",
         "<?XmL version = \"1.0\" EnCoDiNg = \"Iso-8859-1\" ?><a>\xC3\xA9</a>"},
        {"spaces inside the value", "<?xml encoding=\" iso-8859-1 \"?>\xE9", "<?xml encoding=\" iso-8859-1 \"?>\xC3\xA9"},
        {"apostrophes", "<?xml version='1.0' encoding='windows-1252'?><a>\x80</a>",
         "<?xml version='1.0' encoding='windows-1252'?><a>\xE2\x82\xAC</a>"},
        {"apostrophes with a double-quoted attribute after",
         "<?xml version='1.0' encoding='windows-1252' standalone=\"yes\"?>\x80",
         "<?xml version='1.0' encoding='windows-1252' standalone=\"yes\"?>\xE2\x82\xAC"},
        {"double quotes win over apostrophes", "<?xml a='encoding='utf-8'' encoding=\"windows-1252\"?>\x80",
         "<?xml a='encoding='utf-8'' encoding=\"windows-1252\"?>\xE2\x82\xAC"},
        {"declaration after a comment", "<!-- note --><?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80</a>",
         "<!-- note --><?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE2\x82\xAC</a>"},
        {"declaration after another instruction", "<?app x?>\n<?xml encoding=\"windows-1252\"?>\x80",
         "<?app x?>\n<?xml encoding=\"windows-1252\"?>\xE2\x82\xAC"},
        {"name with underscore", "<?xml encoding=\"Shift_JIS\"?><a>\x82\xA0</a>",
         "<?xml encoding=\"Shift_JIS\"?><a>\xE3\x81\x82</a>"},
        {"utf-8 declared", "<?xml encoding=\"UTF-8\"?><a>\xE9\xC3\xA9</a>", "<?xml encoding=\"UTF-8\"?><a>\xE9\xC3\xA9</a>"},
        {"unknown name", "<?xml encoding=\"klingon-8\"?><a>\xC3\xA9</a>", "<?xml encoding=\"klingon-8\"?><a>\xC3\xA9</a>"},
        {"misspelt name", "<?xml encoding=\"iso-8895-1\"?>\xE9", "<?xml encoding=\"iso-8895-1\"?>\xE9"},
        {"no declaration", "<a>\xC3\xA9</a>", "<a>\xC3\xA9</a>"},
        {"no encoding", "<?xml version=\"1.0\"?><a>\xE9</a>", "<?xml version=\"1.0\"?><a>\xE9</a>"},
        {"empty value", "<?xml encoding=\"\"?>\xE9", "<?xml encoding=\"\"?>\xE9"},
        {"unclosed value", "<?xml encoding=\"windows-1252?>\x80", "<?xml encoding=\"windows-1252?>\x80"},
        {"no > after the declaration", "<?xml encoding=\"windows-1252\" \x80", "<?xml encoding=\"windows-1252\" \x80"},
        {"encoding only after the first >", "<?xml version=\"1.0\"?><?xml encoding=\"windows-1252\"?>\x80",
         "<?xml version=\"1.0\"?><?xml encoding=\"windows-1252\"?>\x80"},
        {"space inside the name", "<?xml encod ing=\"windows-1252\"?>\x80", "<?xml encod ing=\"windows-1252\"?>\xE2\x82\xAC"},
        {"tab before =", "<?xml encoding\t=\"windows-1252\"?>\x80", "<?xml encoding\t=\"windows-1252\"?>\x80"},
        // Single-byte text cannot be UTF-16 or UTF-32 whatever it declares: taken as UTF-8.
        {"utf-16 declared without mark", "<?xml encoding=\"utf-16\"?><a>\xC3\xA9</a>",
         "<?xml encoding=\"utf-16\"?><a>\xC3\xA9</a>"},
        {"utf-32 declared without mark", "<?xml encoding=\"UTF-32\"?><a/>", "<?xml encoding=\"UTF-32\"?><a/>"},
        {"utf-16be declared without mark", "<?xml encoding=\"utf-16be\"?><a/>", "<?xml encoding=\"utf-16be\"?><a/>"},
    };
    for (const Case &c : cases) EXPECT_EQ(detected(c.bytes), c.expected) << c.name;
}

TEST(FileLoaderDetection, Utf16WithoutMarkIsNotRecognised) {
    const std::string bytes = utf16("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>", false);
    EXPECT_EQ(detected(bytes), bytes);
}

TEST(FileLoaderDetection, WholeBufferIsConvertedIncludingBytesAfterNul) {
    using namespace std::string_literals;
    EXPECT_EQ(detected("<?xml encoding=\"iso-8859-1\"?><a>\xE9</a>\0\xE9"s),
              "<?xml encoding=\"iso-8859-1\"?><a>\xC3\xA9</a>\0\xC3\xA9"s);
}

}  // namespace
}  // namespace quorvel
