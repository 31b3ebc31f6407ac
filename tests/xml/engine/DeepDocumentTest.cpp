// Documents a million levels deep: nothing that parses, counts, detaches or frees a tree may
// recurse. The Xml object tests serialize, search and path-walk such a document too.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"

namespace quorvel::test {
namespace {

constexpr int32_t kDepth = 1000000;

std::string repeated(const std::string &piece, int32_t times) {
    std::string out;
    for (out.reserve(piece.size() * times); times > 0; --times) out += piece;
    return out;
}

// Follows only children down: the number of levels below node, and the innermost node.
int32_t levelsBelow(TreeNode *node, TreeNode *&innermost) {
    int32_t levels = 0;
    for (innermost = node; innermost->getNumChildren() == 1; ++levels) innermost = innermost->firstChild();
    return levels;
}

TEST(DeepDocument, MillionLevelsParseDetachAndFree) {
    Parsed p(repeated("<d>", kDepth) + "&lt;leaf&gt;" + repeated("</d>", kDepth));
    TreeNode *leaf = nullptr;
    ASSERT_TRUE(p.ok && p.log.lines.empty() && levelsBelow(p.root, leaf) == kDepth - 1);
    EXPECT_TRUE(std::string(leaf->getContent()) == "<leaf>" && leaf->getRoot() == p.root);
    // Detached half-way down while objects stand on the root and the leaf: both halves live on,
    // and each is freed by whoever lets go of it last.
    TreeNode *middle = p.root;
    for (int32_t i = 0; i < kDepth / 2; ++i) middle = middle->firstChild();
    Holder onLeaf(leaf);
    TreeNode::addRef(p.root);
    EXPECT_EQ(TreeNode::subtreeRefCount(p.root), 2u);
    ASSERT_TRUE(TreeNode::removeFromTree(middle));
    EXPECT_TRUE(middle->treeInfo()->refCount() == 1 && p.root->treeInfo()->refCount() == 1 && leaf->getRoot() == middle);
    TreeNode::release(p.root);  // Parsed frees the upper half
}

TEST(DeepDocument, MillionLevelsClosedAtTheEndOrDiscarded) {
    // Trim off, with whitespace between levels: every level is trimmed as it is closed.
    Parsed open(repeated("<b> ", kDepth) + "y", false);
    TreeNode *innermost = nullptr;
    ASSERT_EQ(levelsBelow(open.root, innermost), kDepth - 1);
    EXPECT_STREQ(innermost->getContent(), " y");  // no children: nothing to trim
    EXPECT_FALSE(open.root->content().isAllocated() || innermost->parent()->content().isAllocated());
    // An unfinished element after a finished root is closed when it is larger, and otherwise
    // discarded with its whole subtree.
    Parsed larger("<r/>" + repeated("<c>", kDepth)), smaller("<r>" + repeated("<c/>", kDepth) + "</r>" + repeated("<c>", kDepth));
    EXPECT_TRUE(levelsBelow(larger.root, innermost) == kDepth - 1 && std::string(larger.root->getTag()) == "c");
    EXPECT_TRUE(std::string(smaller.root->getTag()) == "r" && smaller.root->getNumChildren() == kDepth);
}

}  // namespace
}  // namespace quorvel::test
