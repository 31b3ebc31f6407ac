// Tree structure and lifetime: attaching, detaching, swaps, reference counts and tree ids.
// API objects are simulated by counting references the way they do; the sanitizer leg turns
// a tree that is never freed, or freed too early, into a failure.
#include <gtest/gtest.h>

#include <string>

#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel {
namespace {

// What an API object does: one counted reference while it stands on a node; letting go of
// the last reference in a tree frees the tree.
class Holder {
public:
    explicit Holder(TreeNode *node) : m_node(node) { TreeNode::addRef(node); }
    ~Holder() { letGo(); }
    void letGo() {
        if (!m_node) return;
        TreeInfo *info = m_node->treeInfo();
        TreeNode::release(m_node);
        if (info->refCount() == 0) TreeNode::deleteTree(info->root());
        m_node = nullptr;
    }
    TreeNode *node() const { return m_node; }

private:
    TreeNode *m_node;
};

// Tags of a subtree in document order, children in brackets.
std::string shapeOf(const TreeNode *node) {
    std::string out;
    walkSubtree(
        node,
        [&](const TreeNode *n, int32_t) {
            out += n->getTag();
            if (n->getNumChildren()) out += "(";
            return true;
        },
        [&](const TreeNode *n, int32_t) {
            if (n->getNumChildren()) out += ")";
            if (n->nextSibling() && n != node) out += ",";
        });
    return out;
}

TreeNode *build(const char *rootTag, std::initializer_list<const char *> children) {
    TreeNode *root = TreeNode::createTree(rootTag);
    for (const char *tag : children) TreeNode::createChild(root, tag);
    return root;
}

TEST(TreeIds, StartAtLeast100AndIncreaseByOne) {
    TreeNode *a = TreeNode::createTree("a");
    TreeNode *b = TreeNode::createTree("b");
    EXPECT_GE(a->getTreeId(), TreeInfo::kFirstTreeId);
    EXPECT_EQ(b->getTreeId(), a->getTreeId() + 1);
    TreeNode *child = TreeNode::createChild(a, "c");
    EXPECT_EQ(child->getTreeId(), a->getTreeId());
    EXPECT_EQ(child->getRoot(), a);
    TreeNode::deleteTree(a);
    TreeNode::deleteTree(b);
}

TEST(TreeAttach, JoiningTreeLosesItsPrologueAndBringsItsReferences) {
    Holder target(build("doc", {"x"}));
    TreeNode *joining = build("sub", {"y", "z"});
    joining->treeInfo()->setDoctypeText("<!DOCTYPE sub>\n");
    joining->treeInfo()->setPiText("<?pi x?>\n");
    joining->treeInfo()->setDeclaration(TreeNode::createTree("xml"));
    Holder onJoining(joining->getChild(1));
    EXPECT_EQ(joining->treeInfo()->refCount(), 1u);

    ASSERT_TRUE(TreeNode::appendChild(target.node(), joining));
    EXPECT_EQ(shapeOf(target.node()), "doc(x,sub(y,z))");
    EXPECT_EQ(onJoining.node()->getTreeId(), target.node()->getTreeId());
    EXPECT_EQ(target.node()->treeInfo()->refCount(), 2u);
    EXPECT_STREQ(target.node()->treeInfo()->doctypeText(), "");
    EXPECT_EQ(joining->parent(), target.node());
    EXPECT_EQ(joining->previousSibling(), target.node()->getChild(0));

    // Attaching again, or attaching into its own tree, changes nothing.
    EXPECT_FALSE(TreeNode::appendChild(target.node(), joining));
    EXPECT_FALSE(TreeNode::appendChild(joining, target.node()));
    TreeNode *other = TreeNode::createTree("o");
    EXPECT_FALSE(TreeNode::appendChild(other, joining));  // has another parent
    EXPECT_FALSE(TreeNode::insertChildAt(other, 0, joining));
    TreeNode::deleteTree(other);
}

TEST(TreeAttach, InsertPositionsAreClamped) {
    Holder doc(build("doc", {"a", "b"}));
    struct Case {
        int32_t index;
        const char *tag, *shape;
    } cases[] = {{0, "f", "doc(f,a,b)"}, {2, "m", "doc(f,a,m,b)"}, {99, "l", "doc(f,a,m,b,l)"}, {-5, "n", "doc(n,f,a,m,b,l)"}};
    for (const Case &c : cases) {
        ASSERT_TRUE(TreeNode::insertChildAt(doc.node(), c.index, TreeNode::createTree(c.tag)));
        EXPECT_EQ(shapeOf(doc.node()), c.shape);
    }
    // Sibling links follow the array.
    std::string forward, backward;
    for (TreeNode *n = doc.node()->firstChild(); n; n = n->nextSibling()) forward += n->getTag();
    for (TreeNode *n = doc.node()->lastChild(); n; n = n->previousSibling()) backward = n->getTag() + backward;
    EXPECT_EQ(forward, "nfambl");
    EXPECT_EQ(backward, forward);
}

TEST(TreeDetach, SubtreeWithAnObjectBecomesItsOwnTree) {
    Holder doc(build("doc", {"a", "b"}));
    TreeNode *a = doc.node()->getChild(0);
    TreeNode::createChild(a, "a1");
    Holder onA1(a->getChild(0));
    uint32_t docId = doc.node()->getTreeId();
    ASSERT_TRUE(TreeNode::removeFromTree(a));
    EXPECT_NE(a->getTreeId(), docId);
    EXPECT_TRUE(a->isRoot());
    EXPECT_EQ(a->treeInfo()->refCount(), 1u);
    EXPECT_EQ(doc.node()->treeInfo()->refCount(), 1u);
    EXPECT_EQ(shapeOf(doc.node()), "doc(b)");
    EXPECT_EQ(doc.node()->firstChild()->previousSibling(), nullptr);
    EXPECT_FALSE(TreeNode::removeFromTree(doc.node()));  // a root stays where it is
}

TEST(TreeDetach, RestOfDocumentLivesOnlyWhileSomethingPointsIntoIt) {
    TreeNode *doc = build("doc", {"a", "b"});
    Holder onA(doc->getChild(0));
    // The only object stands in the subtree being detached: the rest of the document goes.
    ASSERT_TRUE(TreeNode::removeFromTree(onA.node()));
    EXPECT_TRUE(onA.node()->isRoot());
    EXPECT_EQ(onA.node()->treeInfo()->refCount(), 1u);
}

TEST(TreeDetach, LastChildLeavesAnEmptyArray) {
    Holder doc(build("doc", {"only"}));
    EXPECT_TRUE(TreeNode::removeChildAt(doc.node(), 0));
    EXPECT_TRUE(doc.node()->hasChildrenArray());
    EXPECT_EQ(doc.node()->getNumChildren(), 0);
    EXPECT_FALSE(TreeNode::removeChildAt(doc.node(), 0));
}

TEST(TreeRemoveChildren, FreedAtOnceUnlessAnObjectStandsInThem) {
    Holder doc(build("doc", {"t", "u", "t"}));
    TreeNode *keptSubtree = doc.node()->getChild(2);
    Holder onGrandchild(TreeNode::createChild(keptSubtree, "g"));
    EXPECT_EQ(TreeNode::removeChildrenWithTag(doc.node(), "t"), 2);
    EXPECT_EQ(shapeOf(doc.node()), "doc(u)");
    // The second "t" survives as a separate tree carrying the grandchild's reference.
    EXPECT_TRUE(keptSubtree->isRoot());
    EXPECT_EQ(keptSubtree->treeInfo()->refCount(), 1u);
    EXPECT_EQ(shapeOf(onGrandchild.node()->getRoot()), "t(g)");

    doc.node()->getChild(0)->setContent("c");
    TreeNode::createChild(doc.node(), "v");
    EXPECT_EQ(TreeNode::removeChildrenWithContent(doc.node(), ""), 1);
    EXPECT_EQ(shapeOf(doc.node()), "doc(u)");
}

TEST(TreeSwap, SwapNodeMovesDataButNotCdataOrChildren) {
    Holder doc(build("doc", {"a", "b"}));
    TreeNode *a = doc.node()->getChild(0), *b = doc.node()->getChild(1);
    a->setContent("A");
    a->setCdata(true);
    a->addAttribute("x", "1");
    TreeNode::createChild(b, "bc");
    b->setContent("");
    TreeNode::swapNode(a, b);
    EXPECT_STREQ(a->getTag(), "b");
    EXPECT_STREQ(b->getTag(), "a");
    EXPECT_STREQ(b->getContent(), "A");
    EXPECT_FALSE(a->content().isAllocated());  // an empty content gives up its buffer
    EXPECT_TRUE(a->getCdata());
    EXPECT_TRUE(b->hasAttribute("x"));
    EXPECT_EQ(b->getNumChildren(), 1);
}

TEST(TreeSwap, SwapTreeMovesChildrenAndReferencesBetweenTrees) {
    Holder one(build("one", {"p"}));
    Holder two(build("two", {"q", "r"}));
    TreeNode *p = one.node()->getChild(0), *q = two.node()->getChild(0);
    TreeNode::createChild(p, "p1");
    Holder onP1(p->getChild(0));
    EXPECT_EQ(one.node()->treeInfo()->refCount(), 2u);
    ASSERT_TRUE(TreeNode::swapTree(p, q));
    EXPECT_EQ(shapeOf(one.node()), "one(q)");
    EXPECT_EQ(shapeOf(two.node()), "two(p(p1),r)");
    EXPECT_EQ(onP1.node()->getTreeId(), two.node()->getTreeId());
    EXPECT_EQ(one.node()->treeInfo()->refCount(), 1u);
    EXPECT_EQ(two.node()->treeInfo()->refCount(), 2u);
    // A node and its own ancestor are refused, nothing changed.
    EXPECT_FALSE(TreeNode::swapTree(two.node(), onP1.node()));
    EXPECT_FALSE(TreeNode::swapTree(onP1.node(), two.node()));
    EXPECT_EQ(shapeOf(two.node()), "two(p(p1),r)");
}

TEST(TreeReferences, LastReleaseFreesAndEveryNodeLivesUntilThen) {
    TreeNode *doc = build("doc", {"a", "b"});
    Holder first(doc->getChild(0));
    {
        Holder second(doc->getChild(1));
        EXPECT_EQ(doc->treeInfo()->refCount(), 2u);
        EXPECT_EQ(TreeNode::subtreeRefCount(doc), 2u);
    }
    EXPECT_EQ(doc->treeInfo()->refCount(), 1u);
    EXPECT_STREQ(doc->getChild(1)->getTag(), "b");
    first.letGo();  // frees the tree; the leak checker would notice otherwise
}

TEST(TreeDeep, MillionLevelsWithoutRecursion) {
    constexpr int kDepth = 1000000;
    TreeNode *root = TreeNode::createTree("d");
    TreeNode *leaf = root;
    for (int i = 0; i < kDepth; ++i) leaf = TreeNode::createChild(leaf, "d");
    ASSERT_NE(leaf, nullptr);
    Holder onLeaf(leaf);
    EXPECT_EQ(TreeNode::subtreeRefCount(root), 1u);
    int32_t maxDepth = 0;
    walkSubtree(root, [&](TreeNode *, int32_t d) { maxDepth = d > maxDepth ? d : maxDepth; return true; },
                [](TreeNode *, int32_t) {});
    EXPECT_EQ(maxDepth, kDepth);
    // Detach half-way down, then let both halves go.
    TreeNode *middle = root;
    for (int i = 0; i < kDepth / 2; ++i) middle = middle->firstChild();
    Holder onRoot(root);
    ASSERT_TRUE(TreeNode::removeFromTree(middle));
    EXPECT_EQ(middle->treeInfo()->refCount(), 1u);
}

}  // namespace
}  // namespace quorvel
