// Searches stepped with `after` go on from where the last one stopped; whatever happens to the
// tree in between (nodes added, removed and freed, children sorted or swapped, another scope
// searched), every result is the one a walk from the scope gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "EngineTestSupport.h"
#include "xml/engine/ChildSort.h"
#include "xml/engine/TreeSearch.h"

namespace quorvel::test {
namespace {

// The next node tagged "a" after `after` (null: from the start) in a plain breadth-first walk of scope.
TreeNode *referenceSearch(TreeNode *scope, const TreeNode *after) {
    const std::vector<TreeNode *> order = breadthFirst(scope);
    size_t at = after ? std::find(order.begin(), order.end(), after) - order.begin() + 1 : 0;
    for (; at < order.size(); ++at)
        if (order[at]->tagEquals("a")) return order[at];
    return nullptr;
}

bool inside(const TreeNode *node, const TreeNode *ancestor) {
    for (; node; node = node->parent())
        if (node == ancestor) return true;
    return false;
}

// A fresh order for each sort: the children ranked by a hash of their address and a salt.
struct Shuffled : ChildComparison {
    explicit Shuffled(uint64_t salt) : salt(salt) {}
    uint64_t key(const TreeNode *node) const {
        uint64_t x = reinterpret_cast<uintptr_t>(node) ^ salt;
        x *= 0x9E3779B97F4A7C15ull;
        return x ^ (x >> 29);
    }
    int compare(const TreeNode *a, const TreeNode *b) const override {
        return key(a) < key(b) ? -1 : key(a) > key(b) ? 1 : 0;
    }
    uint64_t salt;
};

TEST(SearchResume, SteppedResultsEqualAFreshWalkWhateverChangesInBetween) {
    std::mt19937_64 rng(20261208);
    const char *tags[] = {"a", "b", "c"};
    for (int round = 0; round < 40; ++round) {
        Holder doc("r");
        std::vector<TreeNode *> nodes{doc.node()};
        for (int i = 0; i < 300; ++i) nodes.push_back(addChild(nodes[rng() % nodes.size()], tags[rng() % 3]));
        TreeNode *scopes[2] = {doc.node(), doc.node()->firstChild()};  // searched in turn, now and then
        TreeNode *after[2] = {nullptr, nullptr};
        int which = 0;
        for (int step = 0; step < 800; ++step) {
            nodes = breadthFirst(doc.node());
            const unsigned action = rng() % 16;
            TreeNode *some = nodes[rng() % nodes.size()];
            if (action == 0) {
                addChild(some, tags[rng() % 3]);
            } else if (action == 1 && some != doc.node() && !inside(scopes[1], some)) {
                for (TreeNode *&a : after)
                    if (a && inside(a, some)) a = nullptr;  // a caller holds no freed node
                detachAndFree(some);
            } else if (action == 2) {
                sortChildren(some, Shuffled(rng()));
            } else if (action == 3) {
                TreeNode *other = nodes[rng() % nodes.size()];
                if (!inside(other, some) && !inside(some, other)) TreeNode::swapTree(some, other);
            } else if (action == 4) {
                which = 1 - which;
            } else if (action == 5 && some != doc.node() && !inside(scopes[1], some)) {
                TreeNode *target = nodes[rng() % nodes.size()];  // the subtree moves under another node
                if (!inside(target, some) && TreeNode::removeFromTree(some)) {
                    ASSERT_TRUE(TreeNode::insertChildAt(target, static_cast<int32_t>(rng() % 3), some));
                }
            } else if (action == 6) {  // another document's tree joins this one
                ASSERT_TRUE(TreeNode::insertChildAt(some, static_cast<int32_t>(rng() % 3), build("a", {"a", "b"})));
            } else {
                TreeNode *scope = scopes[which];
                if (after[which] && !inside(after[which], scope)) after[which] = nullptr;
                TreeNode *expected = referenceSearch(scope, after[which]);
                TreeNode *found = searchTag(scope, after[which], "a");
                ASSERT_EQ(found, expected) << "round " << round << ", step " << step;
                after[which] = found;
            }
        }
    }
}

}  // namespace
}  // namespace quorvel::test
