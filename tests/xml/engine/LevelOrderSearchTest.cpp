// Level-order walks and searches of a subtree: order, scope, the resume point and left-out
// branches. The object tests run the same searches over very deep and very wide documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "xml/engine/LevelOrderWalk.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeSearch.h"

namespace quorvel {
namespace {

struct TreeDeleter {
    void operator()(TreeNode *root) const { TreeNode::deleteTree(root); }
};
using Tree = std::unique_ptr<TreeNode, TreeDeleter>;

// r ( a ( a1, a2 ( a21 ) ), b, c ( c1 ) ), each node's content its own tag in upper case.
struct Sample {
    Tree root{TreeNode::createTree("r")};
    TreeNode *a, *a1, *a2, *a21, *b, *c, *c1;
    Sample() {
        a = TreeNode::createChild(root.get(), "a");
        a1 = TreeNode::createChild(a, "a1");
        a2 = TreeNode::createChild(a, "a2");
        a21 = TreeNode::createChild(a2, "a21");
        b = TreeNode::createChild(root.get(), "b");
        c = TreeNode::createChild(root.get(), "c");
        c1 = TreeNode::createChild(c, "c1");
    }
};

std::string order(TreeNode *scope, const char *skip = nullptr) {
    std::string out;
    LevelOrderWalk walk(scope);
    while (TreeNode *node = walk.next()) {
        out += out.empty() ? "" : " ";
        out += node->getTag();
        if (skip && node->tagEquals(skip)) walk.skipChildrenOfLast();
    }
    EXPECT_FALSE(walk.failed());
    return out;
}

TEST(LevelOrderWalk, VisitsLevelByLevelWithinTheScopeOnly) {
    Sample s;
    EXPECT_EQ(order(s.root.get()), "r a b c a1 a2 c1 a21");
    EXPECT_EQ(order(s.a), "a a1 a2 a21");  // the scope's siblings b and c stay out
    EXPECT_EQ(order(s.a21), "a21");
    EXPECT_EQ(order(s.root.get(), "a"), "r a b c c1");
    EXPECT_EQ(order(s.root.get(), "r"), "r");
    EXPECT_EQ(order(nullptr), "");
}

// Random shapes keep the parent queue wrapping around and growing while wrapped; the order
// must still be that of a plain breadth-first walk with a double-ended queue.
TEST(LevelOrderWalk, MatchesAReferenceBreadthFirstWalkOnRandomTrees) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 20; ++round) {
        Tree root(TreeNode::createTree("n"));
        std::vector<TreeNode *> nodes{root.get()};
        int size = 1 + static_cast<int>(rng() % 3000);
        for (int i = 1; i < size; ++i) {
            // Favouring recent nodes makes deep and wide parts alike.
            size_t span = std::min<size_t>(nodes.size(), round % 2 ? 8 : nodes.size());
            TreeNode *parent = nodes[nodes.size() - 1 - rng() % span];
            nodes.push_back(TreeNode::createChild(parent, "n"));
        }
        std::vector<TreeNode *> expected;
        for (std::deque<TreeNode *> queue{root.get()}; !queue.empty(); queue.pop_front()) {
            expected.push_back(queue.front());
            for (TreeNode *child = queue.front()->firstChild(); child; child = child->nextSibling())
                queue.push_back(child);
        }
        std::vector<TreeNode *> actual;
        LevelOrderWalk walk(root.get());
        while (TreeNode *node = walk.next()) actual.push_back(node);
        EXPECT_FALSE(walk.failed());
        EXPECT_EQ(actual, expected) << "round " << round << ", " << size << " nodes";
    }
}

TEST(LevelOrderSearch, AfterResumesAndStopsAtTheEndOfTheScope) {
    Sample s;
    auto any = [](const TreeNode *) { return true; };
    struct Case {
        TreeNode *scope;
        TreeNode *after;
        TreeNode *expected;
    } cases[] = {
        {s.root.get(), nullptr, s.root.get()},  // the scope itself comes first
        {s.root.get(), s.root.get(), s.a},      // after the scope: its descendants
        {s.root.get(), s.c, s.a1},              // the next level follows
        {s.root.get(), s.a21, nullptr},         // the last node
        {s.a, s.a, s.a1},
        {s.a, s.a2, s.a21},
        {s.a, s.b, nullptr},                    // after outside the scope
        {s.a, s.root.get(), nullptr},           // an ancestor is outside too
        {s.c, s.a21, nullptr},
    };
    for (const Case &c : cases)
        EXPECT_EQ(searchLevelOrder(c.scope, c.after, any), c.expected)
            << c.scope->getTag() << " after " << (c.after ? c.after->getTag() : "none");

    Tree other(TreeNode::createTree("r"));
    EXPECT_EQ(searchLevelOrder(s.root.get(), other.get(), any), nullptr);

    // Feeding each result back steps through every match once, in level order.
    std::string seen;
    for (TreeNode *hit = nullptr; (hit = searchLevelOrder(s.root.get(), hit, [](const TreeNode *n) {
                                       return n->getTag()[0] == 'a';
                                   }));)
        seen += std::string(hit->getTag()) + " ";
    EXPECT_EQ(seen, "a a1 a2 a21 ");
}

}  // namespace
}  // namespace quorvel
