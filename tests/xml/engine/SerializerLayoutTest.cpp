// Element layout, escaping and CDATA of the serializer, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "xml/engine/SerializerTestTrees.h"

namespace quorvel {
namespace {

using test::addChild;
using test::OwnedTree;
using test::serialized;

// Detaches the node (its tree kept alive meanwhile by a counted reference) and frees it.
void detachAndFree(TreeNode *node) {
    TreeNode *root = node->getRoot();
    ASSERT_TRUE(TreeNode::addRef(root));
    ASSERT_TRUE(TreeNode::removeFromTree(node));
    TreeNode::deleteTree(node);
    TreeNode::release(root);
}

TEST(SerializerLayout, DocumentWithDeclarationAndNestedChildren) {
    OwnedTree doc("root");
    TreeNode *root = doc.root();
    root->addAttribute("id", "7");
    addChild(root, "x", "abc");
    addChild(root, "y");
    addChild(addChild(root, "z"), "w", "t");
    ASSERT_TRUE(setDeclarationEncoding(root, "utf-8"));

    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n"
        "<root id=\"7\">\r\n"
        "    <x>abc</x>\r\n"
        "    <y />\r\n"
        "    <z>\r\n"
        "        <w>t</w>\r\n"
        "    </z>\r\n"
        "</root>\r\n";
    EXPECT_EQ(serialized(root), expected);
    // Serializing twice gives the same text; a second call appends to what the buffer holds.
    StringBuffer out("before|");
    serializeNode(root, out, 0, 0, false);
    serializeNode(root, out, 0, 0, false);
    EXPECT_EQ(test::textOf(out), "before|" + expected + expected);
}

TEST(SerializerLayout, ElementForms) {
    struct Case {
        const char *name;
        const char *tag;
        const char *content;  // null: no content buffer
        bool childrenArray;   // an allocated array whose only child was detached
        const char *expected;
    } cases[] = {
        {"no content, no array", "a", nullptr, false, "<a />\r\n"},
        {"empty content buffer", "a", "", false, "<a />\r\n"},
        {"content", "a", "t", false, "<a>t</a>\r\n"},
        {"empty tag", "", nullptr, false, "<nothing />\r\n"},
        {"empty tag with content", "", "t", false, "<nothing>t</nothing>\r\n"},
        {"empty children array", "a", nullptr, true, "<a></a>\r\n"},
        {"content and empty children array", "a", "t", true, "<a>t</a>\r\n"},
        {"empty tag and empty children array", "", nullptr, true, "<nothing></nothing>\r\n"},
    };
    for (const Case &c : cases) {
        OwnedTree doc(c.tag);
        if (c.content) doc.root()->setContent(c.content);
        if (c.childrenArray) {
            detachAndFree(addChild(doc.root(), "gone"));
            ASSERT_TRUE(doc.root()->hasChildrenArray());
            ASSERT_EQ(doc.root()->getNumChildren(), 0);
        }
        EXPECT_EQ(serialized(doc.root()), c.expected) << c.name;
    }
}

TEST(SerializerLayout, IndentationOfChildrenArraysAndContent) {
    OwnedTree doc("r");
    TreeNode *a = addChild(doc.root(), "a");
    detachAndFree(addChild(a, "gone"));
    TreeNode *b = addChild(doc.root(), "b", "text");
    addChild(b, "c");
    TreeNode *d = addChild(doc.root(), "d", "t");
    detachAndFree(addChild(d, "gone"));
    addChild(doc.root(), "", "n");

    // The emptied array keeps the close tag's indentation, on the open tag's line.
    EXPECT_EQ(serialized(doc.root()),
              "<r>\r\n"
              "    <a>    </a>\r\n"
              "    <b>text\r\n"
              "        <c />\r\n"
              "    </b>\r\n"
              "    <d>t    </d>\r\n"
              "    <nothing>n</nothing>\r\n"
              "</r>\r\n");
}

TEST(SerializerLayout, ChildNodeAsTopLevelCall) {
    OwnedTree doc("root");
    ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
    doc.info().setDoctypeText("<!DOCTYPE root>\n");
    addChild(doc.root(), "x", "abc");
    TreeNode *z = addChild(doc.root(), "z");
    addChild(z, "w", "t");

    // No prologue; the text starts with CR LF and the node itself is not indented.
    EXPECT_EQ(serialized(z), "\r\n<z>\r\n    <w>t</w>\r\n</z>\r\n");
    // A caller that passes the sibling index gets no leading line end.
    EXPECT_EQ(serialized(z, 1), "<z>\r\n    <w>t</w>\r\n</z>\r\n");
    EXPECT_EQ(serialized(doc.root()->getChild(0)), "\r\n<x>abc</x>\r\n");
    // Depth given by the caller indents the node and its close tag.
    EXPECT_EQ(serialized(z, 1, 2), "        <z>\r\n            <w>t</w>\r\n        </z>\r\n");
    // A negative depth counts as 0.
    EXPECT_EQ(serialized(z, 1, -3), "<z>\r\n    <w>t</w>\r\n</z>\r\n");
}

TEST(SerializerLayout, ContentEscapesOnlyMarkupBytes) {
    struct Case {
        const char *content, *expected;
    } cases[] = {
        {"x < y & z > w", "x &lt; y &amp; z &gt; w"},
        {"\"quoted\" 'single'", "\"quoted\" 'single'"},
        {"line\r\nnext\ttab", "line\r\nnext\ttab"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"&amp;", "&amp;amp;"},
        {"<<<>>>&&&", "&lt;&lt;&lt;&gt;&gt;&gt;&amp;&amp;&amp;"},
        {"plain text without specials", "plain text without specials"},
    };
    for (const Case &c : cases) {
        OwnedTree doc("a");
        doc.root()->setContent(c.content);
        EXPECT_EQ(serialized(doc.root()), std::string("<a>") + c.expected + "</a>\r\n") << c.content;
        EXPECT_STREQ(doc.root()->getContent(), c.content);
    }
    // A long content with specials spread through it crosses the writer's block boundary.
    std::string content, expected;
    for (int i = 0; i < 20000; ++i) {
        content += "ab<c&d>";
        expected += "ab&lt;c&amp;d&gt;";
    }
    OwnedTree doc("a");
    doc.root()->setContent(content.c_str());
    EXPECT_EQ(serialized(doc.root()), "<a>" + expected + "</a>\r\n");
    // A NUL byte would end the text for every reader of it: left out.
    doc.root()->setContentN("x\0y", 3);
    EXPECT_EQ(serialized(doc.root()), "<a>xy</a>\r\n");
}

TEST(SerializerLayout, AttributesAlwaysDoubleQuotedAndEscaped) {
    OwnedTree doc("a");
    TreeNode *a = doc.root();
    a->addAttribute("q", "a\"b&c>d<e'f");
    a->addAttribute("empty", "");
    a->addAttribute("id", "1");
    a->addAttribute("id", "2");
    a->addAttribute("u", "caf\xC3\xA9\ttab");
    EXPECT_EQ(serialized(a),
              "<a q=\"a&quot;b&amp;c&gt;d&lt;e&apos;f\" empty=\"\" id=\"1\" id=\"2\" u=\"caf\xC3\xA9\ttab\" />\r\n");
    // Names are written as stored (add-or-replace keeps the name unreduced).
    a->removeAllAttributes();
    a->addOrReplaceAttribute("x<y", "v");
    EXPECT_EQ(serialized(a), "<a x<y=\"v\" />\r\n");
}

TEST(SerializerLayout, CdataSections) {
    struct Case {
        const char *content, *expected;
    } cases[] = {
        {"plain <b> & \"q\"", "<a><![CDATA[plain <b> & \"q\"]]></a>\r\n"},
        {"a]]>b", "<a><![CDATA[ab]]></a>\r\n"},
        {"x<![CDATA[y]]>z]]>", "<a><![CDATA[xyz]]></a>\r\n"},
        // Without "]]>" the content is written as it is, opening markers included.
        {"<![CDATA[only", "<a><![CDATA[<![CDATA[only]]></a>\r\n"},
        // Removing one end marker joins its neighbours into another; none may survive.
        {"]]]]>>", "<a><![CDATA[]]></a>\r\n"},
        {"1]]]]>>2", "<a><![CDATA[12]]></a>\r\n"},
        {"]]]>", "<a><![CDATA[]]]></a>\r\n"},
        {"]]>", "<a><![CDATA[]]></a>\r\n"},
        // An empty content writes no section at all.
        {"", "<a />\r\n"},
    };
    for (const Case &c : cases) {
        OwnedTree doc("a");
        doc.root()->setContent(c.content);
        doc.root()->setCdata(true);
        EXPECT_EQ(serialized(doc.root()), c.expected) << c.content;
        EXPECT_STREQ(doc.root()->getContent(), c.content);
    }
    OwnedTree doc("a");
    doc.root()->setCdata(true);
    EXPECT_EQ(serialized(doc.root()), "<a />\r\n");
    addChild(doc.root(), "b");
    EXPECT_EQ(serialized(doc.root()), "<a>\r\n    <b />\r\n</a>\r\n");
}

TEST(SerializerLayout, NothingForNullNode) {
    StringBuffer out("kept");
    serializeNode(nullptr, out, 0, 0, false);
    EXPECT_EQ(test::textOf(out), "kept");
}

}  // namespace
}  // namespace quorvel
