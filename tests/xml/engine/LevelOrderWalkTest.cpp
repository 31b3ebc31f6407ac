// Level-order walks over random shapes keep the parent queue wrapping around and growing while
// wrapped; the order must still be that of a plain breadth-first walk. The searches built on the
// walk (scope, resume point, skipped branches) are tested through the Xml object.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <vector>

#include "SerializerTestTrees.h"
#include "xml/engine/LevelOrderWalk.h"

namespace quorvel::test {
namespace {

TEST(LevelOrderWalk, MatchesAReferenceBreadthFirstWalkOnRandomTrees) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 20; ++round) {
        OwnedTree doc("n");
        std::vector<TreeNode *> nodes{doc.root()};
        const int size = 1 + static_cast<int>(rng() % 3000);
        for (int i = 1; i < size; ++i) {
            // Favouring recent nodes makes deep and wide parts alike.
            const size_t span = std::min<size_t>(nodes.size(), round % 2 ? 8 : nodes.size());
            nodes.push_back(addChild(nodes[nodes.size() - 1 - rng() % span], "n"));
        }
        std::vector<TreeNode *> expected, actual;
        for (std::deque<TreeNode *> queue{doc.root()}; !queue.empty(); queue.pop_front()) {
            expected.push_back(queue.front());
            for (TreeNode *child = queue.front()->firstChild(); child; child = child->nextSibling()) queue.push_back(child);
        }
        LevelOrderWalk walk(doc.root());
        while (TreeNode *node = walk.next()) actual.push_back(node);
        EXPECT_FALSE(walk.failed());
        EXPECT_EQ(actual, expected) << "round " << round << ", " << size << " nodes";
    }
}

}  // namespace
}  // namespace quorvel::test
