// Documents a million levels deep: nothing that parses, counts, serializes, detaches or frees a
// tree may recurse. The Xml object tests search and path-walk such a document too.
#include <gtest/gtest.h>

#include <cstring>
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

std::string indent(int32_t depth) { return std::string(static_cast<size_t>(depth < 50 ? depth : 50) * 4, ' '); }

TEST(DeepDocument, MillionLevelsParseSerializeDetachAndFree) {
    Parsed p(repeated("<d>", kDepth) + "&lt;leaf&gt;" + repeated("</d>", kDepth));
    ASSERT_TRUE(p.ok && p.root && p.log.lines.empty());
    TreeNode *leaf = nullptr;
    ASSERT_EQ(levelsBelow(p.root, leaf), kDepth - 1);
    EXPECT_STREQ(leaf->getContent(), "<leaf>");
    EXPECT_EQ(leaf->getRoot(), p.root);

    // Compared piece by piece in place: the text is hundreds of megabytes.
    StringBuffer out;
    serializeNode(p.root, out, 0, 0, false);
    size_t pos = 0;
    auto next = [&](const std::string &piece) {
        const bool same =
            out.getSize() - pos >= piece.size() && memcmp(out.getString() + pos, piece.data(), piece.size()) == 0;
        pos += piece.size();
        return same;
    };
    ASSERT_TRUE(next("<d>"));
    for (int32_t i = 1; i < kDepth - 1; ++i) ASSERT_TRUE(next("\r\n" + indent(i) + "<d>")) << "open tag at depth " << i;
    ASSERT_TRUE(next("\r\n" + std::string(200, ' ') + "<d>&lt;leaf&gt;</d>\r\n"));
    for (int32_t i = kDepth - 2; i >= 0; --i) ASSERT_TRUE(next(indent(i) + "</d>\r\n")) << "close tag at depth " << i;
    EXPECT_EQ(pos, out.getSize());
    // A subtree deep inside is written from the caller's depth.
    EXPECT_EQ(serialized(leaf->parent()->parent()),
              "\r\n<d>\r\n    <d>\r\n        <d>&lt;leaf&gt;</d>\r\n    </d>\r\n</d>\r\n");

    // Detached half-way down while objects stand on the root and the leaf: both halves live on,
    // and each is freed by whoever lets go of it last.
    TreeNode *middle = p.root;
    for (int32_t i = 0; i < kDepth / 2; ++i) middle = middle->firstChild();
    Holder onLeaf(leaf);
    TreeNode::addRef(p.root);
    EXPECT_EQ(TreeNode::subtreeRefCount(p.root), 2u);
    ASSERT_TRUE(TreeNode::removeFromTree(middle));
    EXPECT_EQ(middle->treeInfo()->refCount(), 1u);
    EXPECT_EQ(p.root->treeInfo()->refCount(), 1u);
    EXPECT_EQ(leaf->getRoot(), middle);
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
    Parsed larger("<r/>" + repeated("<c>", kDepth));
    ASSERT_EQ(levelsBelow(larger.root, innermost), kDepth - 1);
    EXPECT_STREQ(larger.root->getTag(), "c");
    Parsed smaller("<r>" + repeated("<c/>", kDepth) + "</r>" + repeated("<c>", kDepth));
    EXPECT_STREQ(smaller.root->getTag(), "r");
    EXPECT_EQ(smaller.root->getNumChildren(), kDepth);
}

}  // namespace
}  // namespace quorvel::test
