// The serializer byte for byte: layout, escaping, CDATA, the document prologue and the
// declaration's pseudo-attributes. Reading back: GeneratedTreesTest.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"

namespace quorvel::test {
namespace {

TEST(Serializer, LayoutAndElementForms) {
    Holder doc("root");
    TreeNode *r = doc.node();
    r->addAttribute("id", "7");
    addChild(r, "x", "abc");
    addChild(r, "y");
    addChild(addChild(r, "z"), "w", "t");
    detachAndFree(addChild(addChild(r, "a"), "gone"));  // an emptied children array
    addChild(addChild(r, "b", "text"), "c");
    detachAndFree(addChild(addChild(r, "d", "t"), "gone"));
    addChild(r, "", "n");
    addChild(r, "");
    detachAndFree(addChild(addChild(r, ""), "gone"));
    addChild(r, "e", "");  // an empty content buffer
    ASSERT_TRUE(setDeclarationEncoding(r, "utf-8"));
    // An emptied array puts its close tag's indentation on the open tag's line.
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
        "<root id=\"7\">\r\n    <x>abc</x>\r\n    <y />\r\n    <z>\r\n        <w>t</w>\r\n    </z>\r\n"
        "    <a>    </a>\r\n    <b>text\r\n        <c />\r\n    </b>\r\n    <d>t    </d>\r\n"
        "    <nothing>n</nothing>\r\n    <nothing />\r\n    <nothing>    </nothing>\r\n    <e />\r\n</root>\r\n";
    // Each call appends to what the buffer holds and writes the same text; a null node nothing.
    StringBuffer out("before|");
    serializeNode(r, out, 0, 0, false);
    serializeNode(nullptr, out, 0, 0, false);
    serializeNode(r, out, 0, 0, false);
    EXPECT_EQ(textOf(out), "before|" + expected + expected);
    // A child written alone: no prologue, the text starts with CR LF, no indentation of its own.
    TreeNode *b = r->getChild(4);
    EXPECT_EQ(serialized(b), "\r\n<b>text\r\n    <c />\r\n</b>\r\n");
    EXPECT_EQ(serialized(b, 1), "<b>text\r\n    <c />\r\n</b>\r\n");  // a later sibling index: no line end first
    EXPECT_EQ(serialized(b, 1, 2), "        <b>text\r\n            <c />\r\n        </b>\r\n");
    EXPECT_EQ(serialized(b, 1, -3), "<b>text\r\n    <c />\r\n</b>\r\n");  // a negative depth counts as 0
}

TEST(Serializer, EscapingAndCdataSections) {
    const struct { bool cdata; const char *content, *written; } cases[] = {
        // Text escapes only the markup bytes; attributes are double-quoted and escape quotes too.
        {false, "x < y & z > w", "<a>x &lt; y &amp; z &gt; w</a>"}, {false, "\"quoted\" 'single'\r\n\t", "<a>\"quoted\" 'single'\r\n\t</a>"},
        {false, "caf\xC3\xA9 \xF0\x9F\x98\x80 &amp;", "<a>caf\xC3\xA9 \xF0\x9F\x98\x80 &amp;amp;</a>"},
        {true, "plain <b> & \"q\"", "<a><![CDATA[plain <b> & \"q\"]]></a>"}, {true, "a]]>b", "<a><![CDATA[ab]]></a>"},
        {true, "x<![CDATA[y]]>z]]>", "<a><![CDATA[xyz]]></a>"},
        // Without "]]>" the content is written as it is, opening markers included.
        {true, "<![CDATA[only", "<a><![CDATA[<![CDATA[only]]></a>"},
        // Removing one end marker joins its neighbours into another; none may survive.
        {true, "]]]]>>", "<a><![CDATA[]]></a>"}, {true, "1]]]]>>2", "<a><![CDATA[12]]></a>"}, {true, "]]]>", "<a><![CDATA[]]]></a>"},
        {true, "", "<a />"},  // an empty content writes no section at all
    };
    Holder doc("a");
    TreeNode *a = doc.node();
    for (const auto &c : cases) {
        a->setCdata(c.cdata);
        a->setContent(c.content);
        EXPECT_EQ(serialized(a) + a->getContent(), std::string(c.written) + "\r\n" + c.content);  // the content stays
    }
    // A long content with specials spread through it crosses the writer's block boundary.
    std::string content, expected;
    for (int i = 0; i < 20000; ++i) content += "ab<c&d>", expected += "ab&lt;c&amp;d&gt;";
    a->setCdata(false);
    a->setContent(content.c_str());
    EXPECT_EQ(serialized(a), "<a>" + expected + "</a>\r\n");
    // A NUL byte would end the text for every reader of it: left out.
    a->setContentN("x\0y", 3);
    EXPECT_EQ(serialized(a), "<a>xy</a>\r\n");
    a->setContent("");
    a->addAttribute("q", "a\"b&c>d<e'f");
    a->addAttribute("empty", "");
    a->addAttribute("u", "caf\xC3\xA9\ttab");
    a->addOrReplaceAttribute("x<y", "v");  // names are written as stored
    EXPECT_EQ(serialized(a), "<a q=\"a&quot;b&amp;c&gt;d&lt;e&apos;f\" empty=\"\" u=\"caf\xC3\xA9\ttab\" x<y=\"v\" />\r\n");
}

TEST(Serializer, PrologueAndAStandaloneWrittenLast) {
    Holder doc("r"), twice("r"), suppressed("r");
    doc.info().setDeclaration(instruction("xml", {{"standalone", "yes"}, {"version", "1.0"}, {"encoding", "a\"b"}}));
    const std::string expected = "<?xml version=\"1.0\" encoding=\"a&quot;b\" standalone=\"yes\" ?>\r\n<r />\r\n";
    EXPECT_EQ(serialized(doc.node()), expected);
    EXPECT_EQ(dumpTree(doc.info().declaration()), "xml[version=1.0,encoding=a\"b,standalone=yes]");  // and stays there
    EXPECT_EQ(serialized(doc.node()), expected);
    // Several become one, with the first one's value.
    twice.info().setDeclaration(instruction("xml", {{"standalone", "no"}, {"version", "1.0"}, {"standalone", "yes"}}));
    EXPECT_EQ(serialized(twice.node()), "<?xml version=\"1.0\" standalone=\"no\" ?>\r\n<r />\r\n");
    // With the declaration suppressed nothing is moved; an empty declaration is still written.
    suppressed.info().setDeclaration(instruction("xml", {{"standalone", "yes"}, {"version", "1.0"}}));
    EXPECT_EQ(serialized(suppressed.node(), 0, 0, true), "<r />\r\n");
    EXPECT_EQ(dumpTree(suppressed.info().declaration()), "xml[standalone=yes,version=1.0]");
    suppressed.info().setDeclaration(TreeNode::createTree("xml"));
    EXPECT_EQ(serialized(suppressed.node()), "<?xml ?>\r\n<r />\r\n");
    // The prologue is written also with the declaration suppressed.
    Holder full("root"), bare("r");
    ASSERT_TRUE(setDeclarationEncoding(full.node(), "utf-8"));
    for (const char *href : {"a.xsl", "b&c.css"})
        ASSERT_TRUE(full.info().styleSheets().append(instruction("xml-stylesheet", {{"type", "text/xsl"}, {"href", href}})));
    // A style-sheet node without attributes writes nothing.
    ASSERT_TRUE(full.info().styleSheets().append(TreeNode::createTree("xml-stylesheet")));
    // Both texts as the parser stores them, each line ending with LF.
    full.info().setDoctypeText("<!DOCTYPE root SYSTEM \"root.dtd\">\n");
    full.info().setPiText("<?app one?>\n<?app two?>\n");
    addChild(full.node(), "x", "1");
    const std::string afterDeclaration =
        "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\" ?>\r\n<?xml-stylesheet type=\"text/xsl\" href=\"b&amp;c.css\" ?>\r\n"
        "<!DOCTYPE root SYSTEM \"root.dtd\">\n\r\n<?app one?>\n<?app two?>\n\r\n<root>\r\n    <x>1</x>\r\n</root>\r\n";
    EXPECT_EQ(serialized(full.node()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n" + afterDeclaration);
    EXPECT_EQ(serialized(full.node(), 0, 0, true), afterDeclaration);
    bare.info().setDoctypeText("<!DOCTYPE r>");
    EXPECT_EQ(serialized(bare.node()), "<!DOCTYPE r>\r\n<r />\r\n");
}

// The declaration's pseudo-attributes; standalone goes through the same setter as encoding.
TEST(Serializer, DeclarationEncodingAndStandalone) {
    Holder doc("r");
    TreeNode *child = addChild(doc.node(), "c");
    StringBuffer value("stale");
    const auto encoding = [&] { return getDeclarationEncoding(doc.node(), value) ? textOf(value) : "-"; };
    EXPECT_TRUE(encoding() == "-" && value.isEmpty());  // emptied when there is nothing to read
    // Setting through any node of the tree creates the declaration with version 1.0.
    ASSERT_TRUE(setDeclarationStandalone(child, "yes"));
    TreeNode *declaration = doc.info().declaration();
    ASSERT_TRUE(declaration && declaration->isRoot() && declaration->tagEquals("xml"));
    EXPECT_TRUE(getDeclarationStandalone(child, value) && textOf(value) == "yes");
    // Every encoding goes, even past the 101 one removal takes; the new one comes last.
    for (int i = 0; i < 250; ++i) declaration->addAttribute("encoding", "dup");
    ASSERT_TRUE(setDeclarationEncoding(child, "utf-8"));
    EXPECT_EQ(dumpTree(declaration), "xml[version=1.0,standalone=yes,encoding=utf-8]");
    // Ensure keeps a declared encoding and fills in a missing one; null removes.
    EXPECT_TRUE(ensureDeclarationEncoding(doc.node(), "windows-1252") && encoding() == "utf-8");
    ASSERT_TRUE(setDeclarationEncoding(doc.node(), nullptr) && encoding() == "-");
    EXPECT_TRUE(ensureDeclarationEncoding(doc.node(), "windows-1252") && encoding() == "windows-1252");
    EXPECT_TRUE(setDeclarationStandalone(doc.node(), nullptr) && !getDeclarationStandalone(doc.node(), value));
    EXPECT_EQ(dumpTree(doc.info().declaration()), "xml[version=1.0,encoding=windows-1252]");
    EXPECT_FALSE(getDeclarationEncoding(nullptr, value) || setDeclarationEncoding(nullptr, "utf-8") ||
                 ensureDeclarationEncoding(nullptr, "utf-8") || getDeclarationStandalone(nullptr, value) ||
                 setDeclarationStandalone(nullptr, "yes"));
}

}  // namespace
}  // namespace quorvel::test
