// The node tree: the tag rule, attributes, wildcard patterns, attaching, detaching,
// swaps, reference counts and tree ids. Holder stands in for an API object; the sanitizer leg
// turns a tree that is never freed, or freed too early, into a failure. Content, the child
// queries and the release of whole documents are exercised through the Xml object's tests
// (SharingTest checks the counts after every step of random edits).
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"
#include "SerializerTestTrees.h"
#include "xml/engine/Wildcard.h"

namespace quorvel::test {
namespace {

TreeNode *build(const char *rootTag, std::initializer_list<const char *> children) {
    TreeNode *root = TreeNode::createTree(rootTag);
    for (const char *tag : children) TreeNode::createChild(root, tag);
    return root;
}

TEST(TreeNode, TagRuleKeepsUpTo15BytesInline) {
    OwnedTree doc("r");
    TreeNode *n = doc.root();
    const char *cases[][2] = {{"a b<c>", "abc"}, {"x?y/=\"'z\x01", "xyz"}, {"ns:el-1_a.b!", "ns:el-1_a.b!"}, {nullptr, ""},
                              {"caf\xC3\xA9", "caf\xC3\xA9"}, {"a long tag with spaces", "alongtagwithspaces"}};
    for (const auto &c : cases) {
        n->setTag(c[0]);
        EXPECT_STREQ(n->getTag(), c[1]) << (c[0] ? c[0] : "(null)");
    }
    n->setTag("fifteen-bytes-x");
    const uint64_t inlineBytes = n->bytesHeld();
    n->setTag("sixteen-bytes-xx");
    EXPECT_EQ(n->bytesHeld(), inlineBytes + 17);
    n->setTag(n->getTag());  // a tag set from itself survives
    EXPECT_STREQ(n->getTag(), "sixteen-bytes-xx");
}

TEST(TreeNode, AttributeNamesDuplicatesReplacementRemovalAndCopy) {
    OwnedTree doc("n"), from("from");
    TreeNode *n = doc.root();
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
    EXPECT_TRUE(n->hasAttributeWithValue("k", nullptr));  // a null value counts as empty
    EXPECT_TRUE(n->hasAttributeMatching("k", "") && n->hasAttributeMatching("k", "*"));
    EXPECT_FALSE(n->hasAttributeWithValue("", "") || n->hasAttributeMatching("id", "4*"));
    // Every occurrence goes, at most 101 in one call.
    for (int i = 0; i < 105; ++i) n->addAttribute("d", "v");
    EXPECT_EQ(n->removeAttribute("d"), 101);
    EXPECT_EQ(n->removeAttribute("d"), 4);
    EXPECT_EQ(dumpTree(n), "n[k=,id=3,1 raw=x]");
    // Copying trims names, skips empty ones and applies the add rule; copying from itself is harmless.
    from.root()->addOrReplaceAttribute(" a ", "1");
    from.root()->addOrReplaceAttribute("  ", "skipped");
    from.root()->addOrReplaceAttribute("2b", "2");
    EXPECT_TRUE(n->copyAttributesFrom(*from.root()) && n->copyAttributesFrom(*n));
    EXPECT_EQ(dumpTree(n), "n[a=1,A2b=2]");
}

TEST(Wildcard, PatternTable) {
    const struct { const char *text, *pattern; bool caseSensitive, matches; } cases[] = {
        {"abc", "a*c", true, true},      {"abc", "*", true, true},       {"abc", "a**", true, true},
        {"abc", "*c", true, true},       {"abc", "abc", true, true},     {"abc", "*b*", true, true},
        {"abc", "b*", true, false},      {"abc", "*b", true, false},     {"abc", "ab", true, false},
        {"abc", "a*d", true, false},     {"ABC", "a*C", false, true},    {"ABC", "a*C", true, false},
        {"", "", true, true},            {"", "*", true, true},          {"", "***", true, true},
        {"", "a*", true, false},         {"abc", "", true, false},       {"abcabc", "a*c*c", true, true},
        {"aXbXc", "*X*X*", true, true},  {"ab", "a*b*c", true, false},   {"abc", "abc*", true, true},
        {"aba", "*a*a", true, true},     {"ab", "ab*b", true, false},    {nullptr, nullptr, true, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wildcardMatch(c.text, c.pattern, c.caseSensitive), c.matches)
            << "'" << (c.text ? c.text : "(null)") << "' vs '" << (c.pattern ? c.pattern : "(null)") << "'";
}

TEST(TreeStructure, TreeIdsAndAJoiningTree) {
    Holder target(build("doc", {"x"}));
    TreeNode *joining = build("sub", {"y", "z"});
    EXPECT_GE(target.node()->getTreeId(), TreeInfo::kFirstTreeId);
    EXPECT_EQ(joining->getTreeId(), target.node()->getTreeId() + 1);
    joining->treeInfo()->setDoctypeText("<!DOCTYPE sub>\n");
    joining->treeInfo()->setPiText("<?pi x?>\n");
    joining->treeInfo()->setDeclaration(TreeNode::createTree("xml"));
    Holder onJoining(joining->getChild(1));
    // The joining tree's prologue is discarded; its references come along.
    ASSERT_TRUE(TreeNode::appendChild(target.node(), joining));
    EXPECT_EQ(dumpTree(target.node()), "doc(x sub(y z))");
    EXPECT_EQ(onJoining.node()->getTreeId(), target.node()->getTreeId());
    EXPECT_EQ(target.node()->treeInfo()->refCount(), 2u);
    EXPECT_TRUE(target.node()->treeInfo()->declaration() == nullptr && !*target.node()->treeInfo()->doctypeText());
    EXPECT_EQ(joining->previousSibling(), target.node()->getChild(0));
    // Attaching again, into its own tree, or a node that has another parent: refused.
    OwnedTree other("o");
    EXPECT_FALSE(TreeNode::appendChild(target.node(), joining) || TreeNode::appendChild(joining, target.node()));
    EXPECT_FALSE(TreeNode::appendChild(other.root(), joining) || TreeNode::insertChildAt(other.root(), 0, joining));
}

TEST(TreeStructure, InsertPositionsAreClampedAndLinksFollow) {
    Holder doc(build("doc", {"a", "b"}));
    const struct { int32_t index; const char *tag, *shape; } cases[] = {
        {0, "f", "doc(f a b)"}, {2, "m", "doc(f a m b)"}, {99, "l", "doc(f a m b l)"}, {-5, "n", "doc(n f a m b l)"}};
    for (const auto &c : cases) {
        ASSERT_TRUE(TreeNode::insertChildAt(doc.node(), c.index, TreeNode::createTree(c.tag)));
        EXPECT_EQ(dumpTree(doc.node()), c.shape);
    }
    std::string forward, backward;
    for (TreeNode *n = doc.node()->firstChild(); n; n = n->nextSibling()) forward += n->getTag();
    for (TreeNode *n = doc.node()->lastChild(); n; n = n->previousSibling()) backward = n->getTag() + backward;
    EXPECT_EQ(forward, "nfambl");
    EXPECT_EQ(backward, forward);
}

TEST(TreeStructure, DetachedSubtreesLiveWhileAnObjectPointsIntoThem) {
    Holder doc(build("doc", {"a", "b"}));
    TreeNode *a = doc.node()->getChild(0);
    Holder onA1(TreeNode::createChild(a, "a1"));
    ASSERT_TRUE(TreeNode::removeFromTree(a));
    EXPECT_NE(a->getTreeId(), doc.node()->getTreeId());
    EXPECT_TRUE(a->isRoot() && a->treeInfo()->refCount() == 1 && doc.node()->treeInfo()->refCount() == 1);
    EXPECT_EQ(dumpTree(doc.node()), "doc(b)");
    EXPECT_EQ(doc.node()->firstChild()->previousSibling(), nullptr);
    EXPECT_FALSE(TreeNode::removeFromTree(doc.node()));  // a root stays where it is
    // Detaching the last child leaves an empty, allocated children array.
    EXPECT_TRUE(TreeNode::removeChildAt(doc.node(), 0));
    EXPECT_FALSE(TreeNode::removeChildAt(doc.node(), 0));
    EXPECT_EQ(dumpTree(doc.node()), "doc()");
    // When the only object stands in the detached subtree, the rest of the document goes.
    Holder onC(build("rest", {"c", "d"})->getChild(0));
    ASSERT_TRUE(TreeNode::removeFromTree(onC.node()));
    EXPECT_TRUE(onC.node()->isRoot() && onC.node()->treeInfo()->refCount() == 1);
}

TEST(TreeStructure, RemovedChildrenAreFreedUnlessAnObjectStandsInThem) {
    Holder doc(build("doc", {"t", "u", "t"}));
    TreeNode *kept = doc.node()->getChild(2);
    Holder onGrandchild(TreeNode::createChild(kept, "g"));
    EXPECT_EQ(TreeNode::removeChildrenWithTag(doc.node(), "t"), 2);
    EXPECT_EQ(dumpTree(doc.node()), "doc(u)");
    EXPECT_TRUE(kept->isRoot() && kept->treeInfo()->refCount() == 1);
    EXPECT_EQ(dumpTree(onGrandchild.node()->getRoot()), "t(g)");
    doc.node()->getChild(0)->setContent("c");
    TreeNode::createChild(doc.node(), "v");
    EXPECT_EQ(TreeNode::removeChildrenWithContent(doc.node(), ""), 1);
    EXPECT_EQ(dumpTree(doc.node()), "doc(u{c})");
}

// swapTree, its reference counts and its refusals are covered by the Xml object's edit and
// sharing tests.
TEST(TreeStructure, SwapNodeLeavesCdataFlagsAndChildren) {
    Holder doc(build("doc", {"a", "b"}));
    TreeNode *a = doc.node()->getChild(0), *b = doc.node()->getChild(1);
    a->setContent("A");
    a->setCdata(true);
    a->addAttribute("x", "1");
    TreeNode::createChild(b, "bc");
    b->setContent("");
    // Tag, content and attributes change places; CDATA flags and children stay; an empty
    // content gives up its buffer.
    TreeNode::swapNode(a, b);
    EXPECT_EQ(dumpTree(doc.node()), "doc(b a[x=1]{A}(bc))");
    EXPECT_TRUE(a->getCdata() && !b->getCdata());
}

}  // namespace
}  // namespace quorvel::test
