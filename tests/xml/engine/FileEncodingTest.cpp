// XML files and their charsets: detection from byte-order marks and the declared encoding,
// loading with the UTF-16 correction, and saving in the declared encoding.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"
#include "xml/engine/XmlFileLoader.h"
#include "xml/engine/XmlSaver.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

std::string detected(const std::string &bytes) {
    DataBuffer buffer = bufferOf(bytes);
    RecordingLog log;
    convertToUtf8(buffer, log);
    EXPECT_TRUE(log.lines.empty()) << log.joined();
    return bytesOf(buffer);
}

// UTF-16 code units of ASCII text.
std::string utf16(const std::string &ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) out += bigEndian ? "\0"s + c : c + "\0"s;
    return out;
}

// A loaded document that frees itself.
struct Loaded {
    Loaded(const std::string &bytes, bool trim = true) {
        const std::string path = scratchDir("FileEncoding_load") + "doc.xml";
        EXPECT_TRUE(writeRawFile(path, bytes));
        ok = loadXmlFile(path.c_str(), log, root, trim);
    }
    ~Loaded() { TreeNode::deleteTree(root); }
    std::string encoding() const {
        StringBuffer value;
        return getDeclarationEncoding(root, value) ? textOf(value) : "(none)";
    }
    TreeNode *root = nullptr;
    bool ok = false;
    RecordingLog log;
};

TEST(FileEncoding, ByteOrderMarkOrDeclaredEncodingConvertsOrLeavesTheBytes) {
    // A mark wins over the declaration: marked UTF-16 of both byte orders is converted (see the
    // UTF-16 correction below); EF BB BF goes and the bytes stay UTF-8.
    const std::string declLatin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
    EXPECT_EQ(detected("\xFF\xFE" + utf16(declLatin1 + "<a/>", false)), declLatin1 + "<a/>");
    const std::string declared1252 = "<?xml encoding=\"windows-1252\"?><a>\xC3\xA9</a>";
    EXPECT_EQ(detected("\xEF\xBB\xBF" + declared1252), declared1252);
    for (const char *markOnly : {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF", ""}) EXPECT_EQ(detected(markOnly), "");
    // The head is ASCII; the tail is converted from the declared charset, or stays (converted empty).
    const struct { std::string head, tail, converted; } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "<a>\xE9</a>", "<a>\xC3\xA9</a>"},
        {"<?XmL version = \"1.0\" EnCoDiNg = \"Iso-8859-1\" ?>", "\xE9", "\xC3\xA9"}, {"<?xml encoding=\" iso-8859-1 \"?>", "\xE9", "\xC3\xA9"},
        {"<?xml encoding=\"iso-8859-1\"?>", "\xE9\0\xE9"s, "\xC3\xA9\0\xC3\xA9"s},  // the whole buffer, past a NUL
        {"<?xml encod ing=\"windows-1252\"?>", "\x80", "\xE2\x82\xAC"}, {"<?xml a='encoding='utf-8'' encoding=\"windows-1252\"?>", "\x80", "\xE2\x82\xAC"},
        {"<!-- c --><?xml encoding=\"windows-1252\"?>", "\x80", "\xE2\x82\xAC"}, {"<?xml encoding=\"Shift_JIS\"?>", "\x82\xA0", "\xE3\x81\x82"},
        {"<?xml encoding=\"UTF-8\"?>", "\xE9\xC3\xA9", ""}, {"<?xml encoding=\"klingon-8\"?>", "\xE9", ""}, {"<a>", "\xE9", ""},
        {"<?xml encoding=\"windows-1252?>", "\x80", ""}, {"<?xml version=\"1.0\"?><?xml encoding=\"windows-1252\"?>", "\x80", ""},
        {"<?xml encoding\t=\"windows-1252\"?>", "\x80", ""},
        // Single-byte text cannot be UTF-16 or UTF-32 whatever it declares.
        {"<?xml encoding=\"utf-16\"?>", "\xC3\xA9", ""}, {"<?xml encoding=\"UTF-32\"?>", "<a/>", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(detected(c.head + c.tail), c.head + (c.converted.empty() ? c.tail : c.converted)) << c.head + c.tail;
}

TEST(FileEncoding, LoadedTextIsUtf8AndOnlyADeclaredUtf16IsCorrected) {
    for (const char *declared : {"UTF-16", "utf-16", "UCS-2", "Unicode", "unicode"}) {
        const bool bigEndian = declared[0] == 'u';  // the lower-case names come big-endian
        const std::string head = "<?xml version=\"1.0\" encoding=\"" + std::string(declared) + "\"?>\r\n<r><a>";
        // e-acute and the euro sign as UTF-16 units.
        Loaded doc((bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf16(head, bigEndian) +
                   (bigEndian ? "\x00\xE9\x20\xAC"s : "\xE9\x00\xAC\x20"s) + utf16("</a></r>", bigEndian));
        ASSERT_TRUE(doc.ok) << declared << "\n" << doc.log.joined();
        EXPECT_EQ(serialized(doc.root),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>\r\n    <a>\xC3\xA9\xE2\x82\xAC</a>\r\n</r>\r\n")
            << declared;
    }
    // Also on single-byte text, which is read as UTF-8.
    Loaded single("<?xml version=\"1.0\" encoding=\"utf-16\"?><r>\xC3\xA9</r>");
    EXPECT_EQ(single.encoding() + " " + single.root->getContent(), "utf-8 \xC3\xA9");
    // Another charset is converted but still declared, so that saving (tabled below) converts back.
    Loaded latin1("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r>caf\xE9</r>");
    ASSERT_TRUE(latin1.root) << latin1.log.joined();
    EXPECT_EQ(latin1.encoding() + " " + latin1.root->getContent(), "ISO-8859-1 caf\xC3\xA9");
    // UTF-16 without a mark: its first zero byte ends the text, which holds no element then.
    Loaded noMark(utf16("<?xml version=\"1.0\"?><r>x</r>", false));
    EXPECT_TRUE(noMark.ok && noMark.root == nullptr);
}

TEST(FileEncoding, LoadingPassesTheTrimFlagAndReportsAMissingFile) {
    EXPECT_EQ(std::string(Loaded("<r>  x  </r>", true).root->getContent()) + Loaded("<r>  x  </r>", false).root->getContent(),
              "x  x  ");
    EXPECT_EQ(serialized(Loaded("<r>x</r>\0<q/>"s).root), "<r>x</r>\r\n");  // a zero byte ends the text
    const std::string path = scratchDir("FileEncoding_missing") + "absent.xml";
    TreeNode *root = nullptr;
    RecordingLog log;
    EXPECT_FALSE(loadXmlFile(path.c_str(), log, root, true) || root);
    EXPECT_TRUE(log.has("enter: loadFileX") && log.mentions("WindowsErrorCode=")) << log.joined();
}

TEST(FileEncoding, SavingConvertsToTheDeclaredCharsetOrWritesNothing) {
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xC3\xA9 \xC3\xBF</a>\r\n";
    const std::string latin1 = "<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xE9 \xFF</a>\r\n";
    const std::string path = scratchDir("FileEncoding_save") + "out.xml";
    // With bytes empty the save fails and writes nothing.
    const struct { const char *encoding; std::string text, bytes; } cases[] = {
        {"UTF-8", utf8, utf8}, {nullptr, utf8, utf8}, {"utf8", utf8, utf8},  // another name of UTF-8: converted, to the same bytes
        {"iso-8859-1", utf8, latin1}, {"windows-1252", utf8, latin1},
        {"utf-16", "<a>\xC3\xA9</a>", "<\0a\0>\0\xE9\0<\0/\0a\0>\0"s},  // no byte-order mark either
        // Unknown, lacking a character, or known by name without a conversion on this system.
        {"no-such-charset", "<a/>", ""}, {"iso-8859-1", "<a>\xE2\x82\xAC</a>", ""}, {"hz-gb-2312", "<a/>", ""},
    };
    for (const auto &c : cases) {
        RecordingLog log;
        std::string bytes;
        ASSERT_TRUE(writeRawFile(path, "previous"));
        // The path is trimmed.
        const std::string spaced = " \t" + path + "\r\n ";
        EXPECT_EQ(saveXmlBytes(StringBuffer(c.text.c_str()), c.encoding, spaced.c_str(), log), !c.bytes.empty());
        EXPECT_TRUE(readRawFile(path, bytes));
        EXPECT_EQ(bytes, c.bytes.empty() ? "previous" : c.bytes) << (c.encoding ? c.encoding : "(null)");
        EXPECT_TRUE(!c.bytes.empty() || log.has("data: encoding="s + c.encoding)) << log.joined();
    }
    const std::string unwritable = scratchDir("FileEncoding_unwritable") + "missing-folder/out.xml";
    RecordingLog log;
    EXPECT_FALSE(saveXmlBytes(StringBuffer("<a/>"), "utf-8", unwritable.c_str(), log) || fileExists(unwritable));
    EXPECT_TRUE(log.mentions("Failed to write complete file")) << log.joined();
}

}  // namespace
}  // namespace quorvel::test
