// Deep and wide documents: nothing in the parser recurses, so a million levels parse (closed
// by close tags or closed at the end of the text) and free without exhausting the stack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ParserTestSupport.h"

namespace quorvel::test {
namespace {

constexpr int32_t kDepth = 1000000;

std::string repeated(const char *piece, int32_t times) {
    std::string out;
    out.reserve(strlen(piece) * static_cast<size_t>(times));
    for (int32_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Follows first children down; the depth below root and the innermost node.
int32_t depthBelow(const TreeNode *root, const TreeNode *&innermost) {
    int32_t depth = 0;
    innermost = root;
    while (innermost->getNumChildren() > 0) {
        EXPECT_EQ(innermost->getNumChildren(), 1);
        innermost = innermost->firstChild();
        ++depth;
    }
    return depth;
}

TEST(ParserDeep, MillionLevelsClosedByTags) {
    const std::string xml = repeated("<a>", kDepth) + "x" + repeated("</a>", kDepth);
    Parsed p(xml, true);
    ASSERT_TRUE(p.ok);
    ASSERT_NE(p.root, nullptr);
    const TreeNode *innermost = nullptr;
    EXPECT_EQ(depthBelow(p.root, innermost), kDepth - 1);
    EXPECT_STREQ(innermost->getContent(), "x");
    EXPECT_EQ(innermost->getRoot(), p.root);
}

TEST(ParserDeep, MillionLevelsClosedAtTheEnd) {
    // Trim off, with whitespace between levels: every level is trimmed as it is closed.
    const std::string xml = repeated("<b> ", kDepth) + "y";
    Parsed p(xml, false);
    ASSERT_TRUE(p.ok);
    ASSERT_NE(p.root, nullptr);
    EXPECT_TRUE(p.log.lines.empty());
    const TreeNode *innermost = nullptr;
    EXPECT_EQ(depthBelow(p.root, innermost), kDepth - 1);
    EXPECT_STREQ(innermost->getContent(), " y");  // no children: nothing to trim
    EXPECT_FALSE(p.root->content().isAllocated());
    EXPECT_FALSE(innermost->parent()->content().isAllocated());
}

TEST(ParserDeep, DeepUnfinishedElementAfterARootIsDiscarded) {
    const std::string xml = "<r/>" + repeated("<c>", kDepth);
    Parsed p(xml);
    EXPECT_EQ(p.dump(), "r");
}

TEST(ParserDeep, WideDocument) {
    const int32_t n = 100000;
    const std::string xml = "<list>" + repeated("<item id=\"7\">v</item>\n", n) + "</list>";
    Parsed p(xml, false);
    ASSERT_NE(p.root, nullptr);
    ASSERT_EQ(p.root->getNumChildren(), n);
    EXPECT_FALSE(p.root->content().isAllocated());
    const TreeNode *last = p.root->lastChild();
    EXPECT_EQ(dumpTree(last), "item[id=7]{v}");
    EXPECT_EQ(last->previousSibling(), p.root->getChild(n - 2));
}

}  // namespace
}  // namespace quorvel::test
