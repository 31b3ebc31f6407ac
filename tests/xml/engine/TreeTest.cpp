// The node tree: tags, attributes, wildcards, attaching, detaching, swaps, reference counts, tree
// ids, the level-order walk, and documents a million levels deep, which nothing that parses,
// counts, detaches or frees may recurse over. Holder stands in for an API object; the sanitizer
// leg catches a tree never freed or freed too early. Random edits: the Xml object's SharingTest.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "EngineTestSupport.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/LevelOrderWalk.h"
#include "xml/engine/Wildcard.h"

namespace quorvel::test {
namespace {

TEST(TreeNode, TagRule) {
    Holder doc("r");
    TreeNode *n = doc.node();
    const char *cases[][2] = {{"a b<c>", "abc"}, {"x?y/=\"'z\x01", "xyz"}, {"ns:el-1_a.b!", "ns:el-1_a.b!"}, {nullptr, ""},
                              {"caf\xC3\xA9", "caf\xC3\xA9"}, {"a long tag with spaces", "alongtagwithspaces"},
                              // A tag never begins with '!' (written "<!", it would read as a declaration).
                              {"!a", "a"}, {"!!a!b", "a!b"}, {"\x10 !a", "a"}, {"!", ""},
                              {"!this tag is longer than fifteen", "thistagislongerthanfifteen"}};
    for (const auto &c : cases) {
        n->setTag(c[0]);
        EXPECT_STREQ(n->getTag(), c[1]) << (c[0] ? c[0] : "(null)");
    }
    for (const char *tag : {"fifteen-bytes-x", "sixteen-bytes-xx"}) {  // inline, then allocated
        n->setTag(tag);
        n->setTag(n->getTag());  // a tag set from itself survives
        EXPECT_STREQ(n->getTag(), tag);
    }
}

TEST(TreeNode, AttributeNamesDuplicatesReplacementRemovalAndCopy) {
    Holder doc("n"), from("from");
    TreeNode *n = doc.node();
    EXPECT_FALSE(n->addAttribute("", "v"));
    for (const char *name : {"1st", "-x", ".y", "a b", "\"q\"", "x:y", "?"}) n->addAttribute(name, "v");
    EXPECT_EQ(dumpTree(n), "n[A1st=v,A-x=v,A.y=v,ab=v,q=v,x:y=v]");  // "?" reduces to nothing
    n->removeAllAttributes();
    n->addAttribute("id", "1");
    n->addAttribute("k", "");
    n->addAttribute("id", "2");
    EXPECT_EQ(dumpTree(n), "n[id=1,k=,id=2]");
    n->addOrReplaceAttribute("id", "3");
    n->addOrReplaceAttribute("1 raw", "x");  // the name is used unchanged
    EXPECT_EQ(dumpTree(n), "n[k=,id=3,1 raw=x]");
    StringBuffer value;
    EXPECT_TRUE(n->getAttributeValueOf("id", value) && textOf(value) == "3");
    EXPECT_FALSE(n->getAttributeValueOf("missing", value) || n->getAttributeName(7, value));
    // A null value counts as empty.
    EXPECT_TRUE(n->hasAttributeWithValue("k", nullptr) && n->hasAttributeMatching("k", "") && n->hasAttributeMatching("k", "*"));
    EXPECT_FALSE(n->hasAttributeWithValue("", "") || n->hasAttributeMatching("id", "4*"));
    // Every occurrence goes, at most 101 in one call.
    for (int i = 0; i < 105; ++i) n->addAttribute("d", "v");
    EXPECT_EQ(n->removeAttribute("d") * 10 + n->removeAttribute("d"), 1014);
    // Copying trims names, skips empty ones and applies the add rule; copying from itself is harmless.
    from.node()->addOrReplaceAttribute(" a ", "1");
    from.node()->addOrReplaceAttribute("  ", "skipped");
    from.node()->addOrReplaceAttribute("2b", "2");
    EXPECT_TRUE(n->copyAttributesFrom(*from.node()) && n->copyAttributesFrom(*n));
    EXPECT_EQ(dumpTree(n), "n[a=1,A2b=2]");
    // A name and value read from the set's own text survive that text moving as it grows.
    std::string expected = "n[a=1,A2b=2";
    for (int i = 0; i < 40; ++i) {
        const char *name = nullptr, *value = nullptr;
        uint32_t nameLen = 0, valueLen = 0;
        ASSERT_TRUE(n->attributes()->nameAt(0, name, nameLen) && n->attributes()->valueAt(1, value, valueLen));
        EXPECT_TRUE(n->addAttributeN(name, nameLen, value, valueLen));
        expected += ",a=2";
    }
    EXPECT_EQ(dumpTree(n), expected + "]");
}

TEST(Wildcard, PatternTable) {
    const struct { const char *text, *pattern; bool caseSensitive, matches; } cases[] = {
        {"abc", "a**", true, true}, {"abc", "*b*", true, true}, {"abc", "b*", true, false}, {"abc", "*b", true, false},
        {"abc", "ab", true, false}, {"ABC", "a*C", false, true}, {"ABC", "a*C", true, false}, {"", "***", true, true},
        {"", "a*", true, false}, {"abc", "", true, false}, {"abcabc", "a*c*c", true, true}, {"ab", "a*b*c", true, false},
        {"aba", "*a*a", true, true}, {"ab", "ab*b", true, false}, {nullptr, nullptr, true, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wildcardMatch(c.text, c.pattern, c.caseSensitive), c.matches)
            << "'" << (c.text ? c.text : "(null)") << "' vs '" << (c.pattern ? c.pattern : "(null)") << "'";
}

TEST(TreeStructure, TreeIdsAndAJoiningTree) {
    Holder target("doc", {"x"});
    TreeNode *joining = build("sub", {"y", "z"});
    EXPECT_TRUE(target.node()->getTreeId() >= TreeInfo::kFirstTreeId && joining->getTreeId() == target.node()->getTreeId() + 1);
    joining->treeInfo()->setDoctypeText("<!DOCTYPE sub>\n");
    joining->treeInfo()->setPiText("<?pi x?>\n");
    joining->treeInfo()->setDeclaration(TreeNode::createTree("xml"));
    Holder onJoining(joining->getChild(1));
    // The joining tree's prologue is discarded; its references come along.
    ASSERT_TRUE(TreeNode::appendChild(target.node(), joining));
    EXPECT_EQ(dumpTree(target.node()), "doc(x sub(y z))");
    EXPECT_TRUE(onJoining.node()->getTreeId() == target.node()->getTreeId() && target.info().refCount() == 2u);
    EXPECT_TRUE(target.info().declaration() == nullptr && !*target.info().doctypeText());
    EXPECT_EQ(joining->previousSibling(), target.node()->getChild(0));
    // Attaching again, into its own tree, or a node that has another parent: refused.
    Holder other("o");
    EXPECT_FALSE(TreeNode::appendChild(target.node(), joining) || TreeNode::appendChild(joining, target.node()));
    EXPECT_FALSE(TreeNode::appendChild(other.node(), joining) || TreeNode::insertChildAt(other.node(), 0, joining));
}

TEST(TreeStructure, DetachedSubtreesLiveWhileAnObjectPointsIntoThem) {
    Holder doc("doc", {"a", "b"});
    TreeNode *a = doc.node()->getChild(0);
    Holder onA1(TreeNode::createChild(a, "a1"));
    ASSERT_TRUE(TreeNode::removeFromTree(a));
    EXPECT_TRUE(a->getTreeId() != doc.node()->getTreeId() && a->isRoot() && a->treeInfo()->refCount() == 1);
    EXPECT_TRUE(doc.info().refCount() == 1 && doc.node()->firstChild()->previousSibling() == nullptr);
    EXPECT_EQ(dumpTree(doc.node()), "doc(b)");
    EXPECT_FALSE(TreeNode::removeFromTree(doc.node()));  // a root stays where it is
    // Detaching the last child leaves an empty, allocated children array.
    EXPECT_TRUE(TreeNode::removeChildAt(doc.node(), 0) && !TreeNode::removeChildAt(doc.node(), 0));
    EXPECT_EQ(dumpTree(doc.node()), "doc()");
    // When the only object stands in the detached subtree, the rest of the document goes.
    Holder onC(build("rest", {"c", "d"})->getChild(0));
    ASSERT_TRUE(TreeNode::removeFromTree(onC.node()));
    EXPECT_TRUE(onC.node()->isRoot() && onC.info().refCount() == 1);
    // Removed children are freed unless an object stands in them.
    Holder list("doc", {"t", "u", "t"});
    TreeNode *kept = list.node()->getChild(2);
    Holder onGrandchild(TreeNode::createChild(kept, "g"));
    EXPECT_EQ(TreeNode::removeChildrenWithTag(list.node(), "t"), 2);
    EXPECT_EQ(dumpTree(list.node()) + " " + dumpTree(onGrandchild.node()->getRoot()), "doc(u) t(g)");
    EXPECT_TRUE(kept->isRoot() && kept->treeInfo()->refCount() == 1);
    list.node()->getChild(0)->setContent("c");
    TreeNode::createChild(list.node(), "v");
    EXPECT_EQ(TreeNode::removeChildrenWithContent(list.node(), ""), 1);
    EXPECT_EQ(dumpTree(list.node()), "doc(u{c})");
}

// Tag, content and attributes change places; CDATA flags and children stay; an empty content
// gives up its buffer. swapTree: the Xml object's edit and sharing tests.
TEST(TreeStructure, SwapNodeLeavesCdataFlagsAndChildren) {
    Holder doc("doc", {"a", "b"});
    TreeNode *a = doc.node()->getChild(0), *b = doc.node()->getChild(1);
    a->setContent("A");
    a->setCdata(true);
    a->addAttribute("x", "1");
    TreeNode::createChild(b, "bc");
    b->setContent("");
    TreeNode::swapNode(a, b);
    EXPECT_TRUE(dumpTree(doc.node()) == "doc(b a[x=1]{A}(bc))" && a->getCdata() && !b->getCdata()) << dumpTree(doc.node());
}

// Random shapes keep the walk's parent queue wrapping around and growing while wrapped; the order
// must still be that of a plain breadth-first walk.
TEST(LevelOrderWalk, MatchesAReferenceBreadthFirstWalkOnRandomTrees) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 20; ++round) {
        Holder doc("n");
        std::vector<TreeNode *> nodes{doc.node()}, actual;
        const int size = 1 + static_cast<int>(rng() % 3000);
        for (int i = 1; i < size; ++i) {
            // Favouring recent nodes makes deep and wide parts alike.
            const size_t span = std::min<size_t>(nodes.size(), round % 2 ? 8 : nodes.size());
            nodes.push_back(addChild(nodes[nodes.size() - 1 - rng() % span], "n"));
        }
        LevelOrderWalk walk(doc.node());
        while (TreeNode *node = walk.next()) actual.push_back(node);
        EXPECT_TRUE(!walk.failed() && actual == breadthFirst(doc.node())) << "round " << round << ", " << size << " nodes";
    }
}

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
    // Trim on, with the layout the serializer writes between levels: none of it stays.
    Parsed laidOut(repeated("<b>\r\n    ", kDepth) + "y" + repeated("</b>\r\n", kDepth));
    ASSERT_EQ(levelsBelow(laidOut.root, innermost), kDepth - 1);
    EXPECT_TRUE(std::string(innermost->getContent()) == "y" && !laidOut.root->content().isAllocated());
    // An unfinished element after a finished root is closed when it is larger, and otherwise
    // discarded with its whole subtree.
    Parsed larger("<r/>" + repeated("<c>", kDepth)), smaller("<r>" + repeated("<c/>", kDepth) + "</r>" + repeated("<c>", kDepth));
    EXPECT_TRUE(levelsBelow(larger.root, innermost) == kDepth - 1 && std::string(larger.root->getTag()) == "c");
    EXPECT_TRUE(std::string(smaller.root->getTag()) == "r" && smaller.root->getNumChildren() == kDepth);
}

}  // namespace
}  // namespace quorvel::test
