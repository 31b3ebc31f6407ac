// Node data: tags, content, attributes, wildcard patterns and child queries.
#include <gtest/gtest.h>

#include <string>

#include "foundation/StringBuffer.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/Wildcard.h"

namespace quorvel {
namespace {

std::string attributesOf(const TreeNode *node) {
    std::string out;
    StringBuffer name, value;
    for (int32_t i = 0; node->getAttributePair(i, name, value); ++i)
        out += std::string(name.getString()) + "=" + value.getString() + ";";
    return out;
}

TEST(TreeNodeTag, ReducedToNameBytesAndInlineUpTo15Bytes) {
    struct Case {
        const char *given, *stored;
    } cases[] = {
        {"abc", "abc"},
        {"a b<c>", "abc"},
        {"x?y/=\"'z", "xyz"},
        {"ns:el-1_a.b!", "ns:el-1_a.b!"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"", ""},
        {nullptr, ""},
        {"fifteen-bytes-x", "fifteen-bytes-x"},
        {"sixteen-bytes-xx", "sixteen-bytes-xx"},
        {"a very long tag with spaces in it", "averylongtagwithspacesinit"},
    };
    TreeNode *root = TreeNode::createTree("r");
    for (const Case &c : cases) {
        root->setTag(c.given);
        EXPECT_STREQ(root->getTag(), c.stored) << (c.given ? c.given : "(null)");
    }
    // 15 bytes stay in the node, 16 go to the heap.
    root->setTag("fifteen-bytes-x");
    uint64_t inlineBytes = root->bytesHeld();
    root->setTag("sixteen-bytes-xx");
    EXPECT_EQ(root->bytesHeld(), inlineBytes + 17);
    root->setTag(root->getTag());  // a tag set from itself survives
    EXPECT_STREQ(root->getTag(), "sixteen-bytes-xx");
    TreeNode::deleteTree(root);
}

TEST(TreeNodeContent, NoneEmptyAndText) {
    TreeNode *node = TreeNode::createTree("n");
    EXPECT_FALSE(node->content().isAllocated());
    EXPECT_STREQ(node->getContent(), "");
    EXPECT_FALSE(node->setContent(nullptr) && node->content().isAllocated());  // null on none: still none
    EXPECT_TRUE(node->appendContent(""));
    EXPECT_FALSE(node->content().isAllocated());

    EXPECT_TRUE(node->setContent(""));  // an empty text gives an allocated, empty buffer
    EXPECT_TRUE(node->content().isAllocated());
    EXPECT_FALSE(node->hasContent());

    node->setContent("-0042xyz");
    EXPECT_EQ(node->getContentInt(), -42);
    node->appendContent("!");
    EXPECT_STREQ(node->getContent(), "-0042xyz!");
    node->setContent(nullptr);  // clears, buffer stays
    EXPECT_TRUE(node->content().isAllocated());
    EXPECT_EQ(node->getContentSize(), 0u);
    node->setContentN("a\0b", 3);
    EXPECT_EQ(node->getContentSize(), 3u);
    TreeNode::deleteTree(node);
}

TEST(TreeNodeContent, EntityDecodingIsOnePassFromAnOffset) {
    CompactText text;
    text.set("&amp;lt; &lt;&gt;&quot;&apos;&#65;&bogus;", 41);
    text.decodeXmlEntitiesFrom(0);
    EXPECT_STREQ(text.data(), "&lt; <>\"'&#65;&bogus;");
    text.set("&lt;|&lt;", 9);
    text.decodeXmlEntitiesFrom(4);
    EXPECT_STREQ(text.data(), "&lt;|<");
    text.set(" \t\r\nx y\n ", 9);
    text.trimWhitespace();
    EXPECT_STREQ(text.data(), "x y");
}

TEST(TreeNodeAttributes, NameRulesDuplicatesAndReplacement) {
    struct Case {
        const char *name, *stored;
    } cases[] = {
        {"1st", "A1st"}, {"-x", "A-x"}, {".y", "A.y"}, {"a b", "ab"}, {"\"q\"", "q"}, {"x:y", "x:y"}, {"_u", "_u"},
    };
    for (const Case &c : cases) {
        TreeNode *node = TreeNode::createTree("n");
        node->addAttribute(c.name, "v");
        EXPECT_EQ(attributesOf(node), std::string(c.stored) + "=v;") << c.name;
        TreeNode::deleteTree(node);
    }
    TreeNode *node = TreeNode::createTree("n");
    EXPECT_FALSE(node->addAttribute("", "v"));
    node->addAttribute("?", "v");  // reduced to nothing: nothing added
    EXPECT_EQ(node->getNumAttributes(), 0);

    node->addAttribute("id", "1");
    node->addAttribute("k", "");
    node->addAttribute("id", "2");
    EXPECT_EQ(attributesOf(node), "id=1;k=;id=2;");
    node->addOrReplaceAttribute("id", "3");
    EXPECT_EQ(attributesOf(node), "k=;id=3;");
    node->addOrReplaceAttribute("1 raw", "x");  // replacing uses the name unchanged
    EXPECT_EQ(attributesOf(node), "k=;id=3;1 raw=x;");

    StringBuffer value;
    EXPECT_TRUE(node->getAttributeValueOf("id", value));
    EXPECT_STREQ(value.getString(), "3");
    EXPECT_FALSE(node->getAttributeValueOf("missing", value));
    EXPECT_FALSE(node->getAttributeName(7, value));
    EXPECT_TRUE(node->hasAttributeWithValue("k", nullptr));  // null value counts as empty
    EXPECT_FALSE(node->hasAttributeWithValue("", ""));
    EXPECT_TRUE(node->hasAttributeMatching("k", ""));
    EXPECT_TRUE(node->hasAttributeMatching("k", "*"));
    EXPECT_FALSE(node->hasAttributeMatching("id", "4*"));

    node->addAttribute("d", "1");
    node->addAttribute("d", "2");
    node->addAttribute("d", "3");
    EXPECT_EQ(node->removeAttribute("d"), 3);
    EXPECT_FALSE(node->hasAttribute("d"));
    TreeNode::deleteTree(node);
}

TEST(TreeNodeAttributes, RemovalStopsAt101PerCall) {
    TreeNode *node = TreeNode::createTree("n");
    for (int i = 0; i < 105; ++i) node->addAttribute("a", "v");
    node->addAttribute("b", "w");
    EXPECT_EQ(node->removeAttribute("a"), 101);
    EXPECT_EQ(node->removeAttribute("a"), 4);
    EXPECT_EQ(attributesOf(node), "b=w;");
    TreeNode::deleteTree(node);
}

TEST(TreeNodeAttributes, CopyTrimsNamesAndSurvivesCopyingFromItself) {
    TreeNode *from = TreeNode::createTree("from");
    TreeNode *to = TreeNode::createTree("to");
    from->addOrReplaceAttribute(" a ", "1");
    from->addOrReplaceAttribute("  ", "skipped");
    from->addOrReplaceAttribute("2b", "2");
    to->addAttribute("old", "x");
    EXPECT_TRUE(to->copyAttributesFrom(*from));
    EXPECT_EQ(attributesOf(to), "a=1;A2b=2;");
    EXPECT_TRUE(to->copyAttributesFrom(*to));
    EXPECT_EQ(attributesOf(to), "a=1;A2b=2;");
    TreeNode::deleteTree(from);
    TreeNode::deleteTree(to);
}

TEST(Wildcard, PatternTable) {
    struct Case {
        const char *text, *pattern;
        bool caseSensitive, matches;
    } cases[] = {
        {"abc", "a*c", true, true},  {"abc", "*", true, true},    {"abc", "a**", true, true},
        {"abc", "*c", true, true},   {"abc", "abc", true, true},  {"abc", "*b*", true, true},
        {"abc", "b*", true, false},  {"abc", "*b", true, false},  {"abc", "ab", true, false},
        {"abc", "a*d", true, false}, {"ABC", "a*C", false, true}, {"ABC", "a*C", true, false},
        {"", "", true, true},        {"", "*", true, true},       {"", "***", true, true},
        {"", "a*", true, false},     {"abc", "", true, false},    {"abcabc", "a*c*c", true, true},
        {"aXbXc", "*X*X*", true, true}, {"ab", "a*b*c", true, false}, {"abc", "abc*", true, true},
        {"aba", "*a*a", true, true}, {"ab", "ab*b", true, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(wildcardMatch(c.text, c.pattern, c.caseSensitive), c.matches)
            << "'" << c.text << "' vs '" << c.pattern << "'";
    EXPECT_TRUE(wildcardMatch(nullptr, nullptr, true));
}

TEST(TreeNodeChildren, QueriesByTagContentAndAttribute) {
    TreeNode *root = TreeNode::createTree("root");
    struct Spec {
        const char *tag, *content, *attr;
    } specs[] = {{"item", "a", "x"}, {"other", "b", nullptr}, {"item", "b", "y"}, {"item", nullptr, nullptr}};
    for (const Spec &s : specs) {
        TreeNode *child = TreeNode::createChild(root, s.tag);
        if (s.content) child->setContent(s.content);
        if (s.attr) child->addAttribute("k", s.attr);
    }
    EXPECT_EQ(root->getNumChildren(), 4);
    EXPECT_EQ(root->countChildrenWithTag("item"), 3);
    EXPECT_EQ(root->nthChildWithTag("item", 1), root->getChild(2));
    EXPECT_EQ(root->nthChildWithTag("item", 3), nullptr);
    EXPECT_EQ(root->nthChildWithTag("item", -1), nullptr);
    EXPECT_EQ(root->nthChildWithTagAndContent("item", "b", 0), root->getChild(2));
    EXPECT_EQ(root->nthChildWithTagAndContent("item", nullptr, 0), root->getChild(3));  // none counts as ""
    EXPECT_EQ(root->nthChildWithContent("b", 1), root->getChild(2));
    EXPECT_EQ(root->firstChildWithTag("item", "k", "y"), root->getChild(2));
    EXPECT_EQ(root->firstChildWithTagAttrMatching("item", "k", "*"), root->getChild(0));
    EXPECT_TRUE(root->hasChildWithTagAndContent("other", "b"));
    EXPECT_FALSE(root->hasChildWithTag(" item"));
    EXPECT_EQ(root->getChild(4), nullptr);
    EXPECT_EQ(root->getChild(-1), nullptr);
    EXPECT_EQ(root->lastChild()->previousSibling(), root->getChild(2));
    EXPECT_EQ(root->getChild(2)->indexInParent(), 2);
    TreeNode::deleteTree(root);
}

}  // namespace
}  // namespace quorvel
