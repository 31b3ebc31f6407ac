// Trees free their nodes all at once while their memory is their own, and node by node once a
// subtree has moved between trees. Every way of moving nodes across trees is followed by freeing
// the two trees in either order: the survivor must read back whole (and the sanitizer leg
// catches a page freed under it or never freed).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "EngineTestSupport.h"
#include "xml/engine/NodeArena.h"

namespace quorvel::test {
namespace {

const char *kLongText = "a content long enough to be a block of its own, not a short one";

// Two documents with tags, contents, attributes and long tags in every node.
TreeNode *document(const char *rootTag) {
    TreeNode *root = TreeNode::createTree(rootTag);
    for (int i = 0; i < 3; ++i) {
        TreeNode *child = TreeNode::createChild(root, "child-with-a-long-tag-name");
        child->addAttribute("n", std::to_string(i).c_str());
        child->setContent(kLongText);
        TreeNode *grandchild = TreeNode::createChild(child, "g");
        grandchild->setContent(std::to_string(i).c_str());
    }
    return root;
}

std::string expectedDocument(const char *rootTag) {
    std::string out = std::string(rootTag) + "(";
    for (int i = 0; i < 3; ++i)
        out += std::string(i ? " " : "") + "child-with-a-long-tag-name[n=" + std::to_string(i) + "]{" + kLongText + "}(g{" +
               std::to_string(i) + "})";
    return out + ")";
}

// Detaches node from root's tree; the counted reference on the root meanwhile keeps the rest
// from being freed, and letting go of it frees nothing.
void detachKeepingTheRest(TreeNode *root, TreeNode *node) {
    TreeNode::addRef(root);
    EXPECT_TRUE(TreeNode::removeFromTree(node));
    TreeNode::release(root);
}

struct Move {
    const char *name;
    // Acts on the roots of two documents and leaves in a and b the two trees to free afterwards.
    std::function<void(TreeNode *&a, TreeNode *&b)> act;
};

TEST(TreeMemory, MovesAcrossTreesThenFreeingInEitherOrder) {
    const Move moves[] = {
        {"nothing moves", [](TreeNode *&, TreeNode *&) {}},
        {"b joins a",
         [](TreeNode *&a, TreeNode *&b) {
             ASSERT_TRUE(TreeNode::appendChild(a->getChild(1), b));
             EXPECT_NE(dumpTree(a).find("(g{1} b("), std::string::npos);
             b = TreeNode::createTree("fresh");
         }},
        {"a child of a detached into its own tree",
         [](TreeNode *&a, TreeNode *&b) {
             TreeNode *child = a->getChild(0);
             detachKeepingTheRest(a, child);
             TreeNode::deleteTree(b);
             b = child;
         }},
        {"detached, then joined to the other tree",
         [](TreeNode *&a, TreeNode *&b) {
             TreeNode *child = a->getChild(2);
             detachKeepingTheRest(a, child);
             ASSERT_TRUE(TreeNode::appendChild(b, child));
         }},
        {"children swapped across trees",
         [](TreeNode *&a, TreeNode *&b) { ASSERT_TRUE(TreeNode::swapTree(a->getChild(0), b->getChild(2))); }},
        {"tags, contents and attributes swapped across trees",
         [](TreeNode *&a, TreeNode *&b) {
             b->getChild(1)->setTag("another-long-tag-that-is-not-inline");
             TreeNode::swapNode(a->getChild(1), b->getChild(1));
             TreeNode::swapNode(a, b->getChild(0)->getChild(0));
         }},
        {"a copy of a's subtree replaces b",
         [](TreeNode *&a, TreeNode *&b) {
             TreeNode::deleteTree(b);
             b = TreeNode::copySubtree(a->getChild(1));
             ASSERT_NE(b, nullptr);
         }},
    };
    for (const Move &move : moves) {
        for (bool aFirst : {true, false}) {
            SCOPED_TRACE(std::string(move.name) + (aFirst ? ", a freed first" : ", b freed first"));
            TreeNode *a = document("a"), *b = document("b");
            ASSERT_EQ(dumpTree(a) + " " + dumpTree(b), expectedDocument("a") + " " + expectedDocument("b"));
            move.act(a, b);
            // What each tree reads after the move, it must still read once the other has gone.
            const std::string wantA = dumpTree(a), wantB = dumpTree(b);
            TreeNode::deleteTree(aFirst ? a : b);
            EXPECT_EQ(dumpTree(aFirst ? b : a), aFirst ? wantB : wantA);
            TreeNode::deleteTree(aFirst ? b : a);
        }
    }
}

TEST(TreeMemory, AnExclusiveTreeGoesAtOnceAndASharedOneNodeByNode) {
    Parsed parsed("<r><a>" + std::string(kLongText) + "</a><b x='1'/></r>");
    ASSERT_TRUE(parsed.ok);
    NodeArena &arena = parsed.root->treeInfo()->arena();
    EXPECT_TRUE(arena.isExclusive());
    // A subtree removed with nothing standing in it goes at once: the tree stays exclusive.
    EXPECT_TRUE(TreeNode::removeChild(parsed.root->getChild(1)));
    EXPECT_TRUE(arena.isExclusive());
    // One detached while an object stands in it shares pages with the rest.
    Holder onA(parsed.root->getChild(0));
    detachKeepingTheRest(parsed.root, onA.node());
    EXPECT_FALSE(arena.isExclusive() || onA.node()->treeInfo()->arena().isExclusive());
    EXPECT_EQ(dumpTree(onA.node()), std::string("a{") + kLongText + "}");
}

TEST(TreeMemory, ASmallTreeCostsOneSubPage) {
    Holder small("doc", {"a", "b"});
    small.node()->getChild(0)->setContent("text");
    EXPECT_EQ(small.info().arena().bytesListed(), NodeArena::kSubPage);
}

TEST(TreeMemory, RemovedNodesGiveTheirPagesBack) {
    // A live tree whose children come and go keeps a bounded amount of memory.
    Holder doc("doc");
    NodeArena &arena = doc.info().arena();
    uint64_t most = 0;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 2000; ++i) {
            TreeNode *child = TreeNode::createChild(doc.node(), "item");
            ASSERT_NE(child, nullptr);
            child->setContent(kLongText);
            child->addAttribute("i", "1");
        }
        while (doc.node()->getNumChildren() > 0) ASSERT_TRUE(TreeNode::removeChildAt(doc.node(), 0));
        if (round == 0) most = arena.bytesListed();
        // The child list and the current page stay; the pages of the removed nodes went.
        EXPECT_LE(arena.bytesListed(), 2 * NodeArena::kPageAlign + 2000 * sizeof(void *) * 2) << round;
    }
    EXPECT_GT(most, 0u);
    EXPECT_EQ(dumpTree(doc.node()), "doc()");
}

}  // namespace
}  // namespace quorvel::test
