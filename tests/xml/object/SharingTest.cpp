// Many objects sharing and splitting trees: after every random step, each tree counts exactly
// the objects standing in it, every node counts the objects on it, sibling links in both
// directions follow the children's order, and every object still reads its node. The sanitizer leg adds: nothing leaks, nothing is used after it is freed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel::test {
namespace {

class SharingRun {
public:
    explicit SharingRun(uint32_t seed) : m_rng(seed) { m_objects.push_back(load("<r><a><a1/><a2/></a><b/></r>")); }

    void step() {
        ClsXml &one = pickObject();
        ClsXml &two = pickObject();
        switch (pick(16)) {
            case 0: one.FirstChild2(); break;
            case 1: one.NextSibling2(); break;
            case 2: one.GetParent2(); break;
            case 3: one.GetChild2(pick(4)); break;
            case 4: adopt(pick(2) ? one.GetChild(pick(3)) : one.GetRoot()); break;
            case 5: adopt(one.NewChild(x(pick(2) ? "n" : "m"), x("c"))); break;
            case 6: if (m_objects.size() > 1) m_objects.erase(m_objects.begin() + pick(static_cast<int>(m_objects.size()))); break;
            case 7: one.RemoveFromTree(); break;
            case 8: one.AddChildTree(&two); break;
            case 9: one.InsertChildTreeBefore(pick(3), &two); break;
            case 10: pick(2) ? one.SwapTree(&two) : one.SwapNode(&two); break;
            case 11: adopt(one.ExtractChildByIndex(pick(3))); break;
            case 12: pick(2) ? one.RemoveChild(x("n")) : one.RemoveChildByIndex(pick(3)); break;
            case 13: if (pick(4) == 0) one.RemoveAllChildren(); break;
            case 14: pick(3) ? (void)one.LoadXml(x("<d><n/><m><n/></m></d>")) : one.Clear(); break;
            case 15: one.CopyRef(&two); break;
        }
    }

    // Counts match the objects, and every tree is linked consistently.
    void check(uint32_t seed, int stepNo) {
        std::map<const TreeInfo *, uint32_t> perTree;
        std::map<const TreeNode *, uint32_t> perNode;
        for (auto &object : m_objects) {
            const TreeNode *node = object->node();
            ASSERT_TRUE(TreeNode::isValid(node)) << seed << "/" << stepNo;
            ASSERT_TRUE(TreeInfo::isValid(node->treeInfo()));
            ASSERT_FALSE(tagOf(*object).empty());
            ++perTree[node->treeInfo()];
            ++perNode[node];
        }
        if (perTree.size() > m_mostTrees) m_mostTrees = perTree.size();
        for (const auto &[info, count] : perTree) {
            ASSERT_EQ(info->refCount(), count) << "seed " << seed << " step " << stepNo;
            const TreeNode *root = info->root();
            ASSERT_TRUE(TreeNode::isValid(root));
            ASSERT_EQ(root->parent(), nullptr);
            uint32_t counted = 0;
            forEachInSubtree(root, [&](const TreeNode *n) {
                EXPECT_EQ(n->treeInfo(), info);
                auto it = perNode.find(n);
                EXPECT_EQ(n->refCount(), it == perNode.end() ? 0u : it->second);
                counted += n->refCount();
                for (int32_t i = 0; i < n->getNumChildren(); ++i) {
                    EXPECT_EQ(n->getChild(i)->parent(), n);
                    EXPECT_EQ(n->getChild(i)->previousSibling(), n->getChild(i - 1));
                    EXPECT_EQ(n->getChild(i)->nextSibling(), n->getChild(i + 1));
                }
            });
            ASSERT_EQ(counted, count);
        }
    }

    size_t mostTrees() const { return m_mostTrees; }

private:
    int pick(int n) { return static_cast<int>(m_rng() % static_cast<uint32_t>(n)); }
    ClsXml &pickObject() { return *m_objects[pick(static_cast<int>(m_objects.size()))]; }
    void adopt(std::unique_ptr<ClsXml> object) {
        if (object && m_objects.size() < 8) m_objects.push_back(std::move(object));
    }

    std::mt19937 m_rng;
    std::vector<std::unique_ptr<ClsXml>> m_objects;
    size_t m_mostTrees = 0;
};

TEST(XmlSharing, RandomSequencesKeepCountsAndNodesIntact) {
    size_t mostTrees = 0;
    for (uint32_t seed = 0; seed < 2000; ++seed) {
        SharingRun run(seed);
        for (int stepNo = 0; stepNo < 40; ++stepNo) {
            run.step();
            run.check(seed, stepNo);
            if (testing::Test::HasFatalFailure() || testing::Test::HasNonfatalFailure()) return;
        }
        mostTrees = std::max(mostTrees, run.mostTrees());
    }
    EXPECT_GE(mostTrees, 4u);  // the sequences really do split trees apart
}

}  // namespace
}  // namespace quorvel::test
