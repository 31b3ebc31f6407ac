// Loading XML files: reading, charset detection, parsing and the declared-encoding correction.
#include <gtest/gtest.h>

#include <string>

#include "foundation/StringBuffer.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"
#include "xml/engine/SerializerTestTrees.h"
#include "xml/engine/XmlFileLoader.h"
#include "xml/engine/XmlSaver.h"

namespace quorvel {
namespace {

using test::RecordingLog;

// A loaded document that frees itself.
struct Loaded {
    TreeNode *root = nullptr;
    bool ok = false;
    RecordingLog log;
    ~Loaded() { TreeNode::deleteTree(root); }

    std::string encoding() const {
        StringBuffer value;
        return getDeclarationEncoding(root, value) ? std::string(value.getString()) : "(none)";
    }
    std::string xml() const { return test::serialized(root); }
};

void load(const std::string &name, const std::string &bytes, Loaded &out, bool trim = true) {
    const std::string path = test::scratchDir("FileLoader_" + name) + name;
    ASSERT_TRUE(test::writeRawFile(path, bytes));
    out.ok = loadXmlFile(path.c_str(), out.log, out.root, trim);
}

std::string utf16le(const std::string &ascii) {
    std::string out;
    for (char c : ascii) out += c, out += '\0';
    return out;
}

std::string utf16be(const std::string &ascii) {
    std::string out;
    for (char c : ascii) out += '\0', out += c;
    return out;
}

TEST(FileLoader, Utf16WithMarkIsCorrectedToUtf8) {
    struct Case {
        const char *declared;
        bool bigEndian;
    } cases[] = {{"UTF-16", false}, {"utf-16", true}, {"UCS-2", false}, {"Unicode", false}, {"unicode", true}};
    for (const Case &c : cases) {
        const std::string head = "<?xml version=\"1.0\" encoding=\"" + std::string(c.declared) + "\"?>\r\n<r><a>";
        const std::string tail = "</a></r>";
        // e-acute and the euro sign as UTF-16 units.
        const std::string bytes = c.bigEndian ? "\xFE\xFF" + utf16be(head) + std::string("\x00\xE9\x20\xAC", 4) + utf16be(tail)
                            : "\xFF\xFE" + utf16le(head) + std::string("\xE9\x00\xAC\x20", 4) + utf16le(tail);
        Loaded doc;
        load("u16.xml", bytes, doc);
        ASSERT_TRUE(doc.ok) << c.declared << "\n" << doc.log.joined();
        EXPECT_EQ(doc.encoding(), "utf-8") << c.declared;
        EXPECT_EQ(doc.xml(),
                  "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>\r\n    <a>\xC3\xA9\xE2\x82\xAC</a>\r\n</r>\r\n")
            << c.declared;
    }
}

TEST(FileLoader, Latin1IsConvertedAndSavedBackAsLatin1) {
    const std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r>caf\xE9</r>";
    Loaded doc;
    load("latin1.xml", text, doc);
    ASSERT_TRUE(doc.ok) << doc.log.joined();
    EXPECT_STREQ(doc.root->getContent(), "caf\xC3\xA9");
    // The declaration keeps naming the file's charset, so saving converts back.
    EXPECT_EQ(doc.encoding(), "ISO-8859-1");
    const std::string path = test::scratchDir("FileLoader_latin1_saved") + "saved.xml";
    StringBuffer xml;
    serializeNode(doc.root, xml, 0, 0, false);
    RecordingLog log;
    ASSERT_TRUE(saveXmlBytes(xml, doc.encoding().c_str(), path.c_str(), log)) << log.joined();
    std::string saved;
    ASSERT_TRUE(test::readRawFile(path, saved));
    EXPECT_EQ(saved, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n<r>caf\xE9</r>\r\n");

    // The saved file loads back to the same document.
    Loaded again;
    load("latin1_again.xml", saved, again);
    ASSERT_TRUE(again.ok) << again.log.joined();
    EXPECT_EQ(again.xml(), test::textOf(xml));
}

TEST(FileLoader, MarksAndDeclarationsChooseTheCharset) {
    struct Case {
        const char *name;
        std::string bytes;
        const char *content;
        const char *encoding;
    } cases[] = {
        {"utf-8 mark beats windows-1252", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\xC3\xA9</r>",
         "\xC3\xA9", "windows-1252"},
        {"declaration after a comment", "<!-- c --><?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x80</r>",
         "\xE2\x82\xAC", "windows-1252"},
        {"apostrophes", "<?xml version='1.0' encoding='iso-8859-1'?><r>\xE9</r>", "\xC3\xA9", "iso-8859-1"},
        {"unknown name taken as utf-8", "<?xml version=\"1.0\" encoding=\"no-such\"?><r>\xC3\xA9</r>", "\xC3\xA9",
         "no-such"},
        {"no declaration, no mark", "<r>\xC3\xA9</r>", "\xC3\xA9", "(none)"},
        {"utf-16 declared on single-byte text", "<?xml version=\"1.0\" encoding=\"utf-16\"?><r>\xC3\xA9</r>", "\xC3\xA9",
         "utf-8"},
    };
    for (const Case &c : cases) {
        Loaded doc;
        load("case.xml", c.bytes, doc);
        ASSERT_TRUE(doc.ok) << c.name << "\n" << doc.log.joined();
        EXPECT_STREQ(doc.root->getContent(), c.content) << c.name;
        EXPECT_EQ(doc.encoding(), c.encoding) << c.name;
    }
}

TEST(FileLoader, TrimFlagReachesTheParser) {
    Loaded trimmed, kept;
    load("trim.xml", "<r>  x  </r>", trimmed, true);
    load("keep.xml", "<r>  x  </r>", kept, false);
    ASSERT_TRUE(trimmed.ok && kept.ok);
    EXPECT_STREQ(trimmed.root->getContent(), "x");
    EXPECT_STREQ(kept.root->getContent(), "  x  ");
}

TEST(FileLoader, Utf16WithoutMarkYieldsNoElement) {
    Loaded doc;
    load("nomark.xml", utf16le("<?xml version=\"1.0\"?><r>x</r>"), doc);
    // Its first zero byte ends the text: the parse succeeds without an element.
    EXPECT_TRUE(doc.ok);
    EXPECT_EQ(doc.root, nullptr) << doc.xml();
}

TEST(FileLoader, MissingFileFailsWithFileLayerMessages) {
    const std::string path = test::scratchDir("FileLoader_missing") + "absent.xml";
    Loaded doc;
    doc.ok = loadXmlFile(path.c_str(), doc.log, doc.root, true);
    EXPECT_FALSE(doc.ok);
    EXPECT_EQ(doc.root, nullptr);
    EXPECT_TRUE(doc.log.has("enter: loadFileX")) << doc.log.joined();
    EXPECT_TRUE(doc.log.mentions("WindowsErrorCode=")) << doc.log.joined();
}

}  // namespace
}  // namespace quorvel
