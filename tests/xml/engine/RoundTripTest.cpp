// Writing a tree and reading it back gives the same tree, for thousands of generated trees.
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"
#include "RandomTrees.h"
#include "SerializerTestTrees.h"

namespace quorvel::test {
namespace {

void addPrologue(RandomTrees &random, TreeNode *root) {
    TreeInfo &info = *root->treeInfo();
    if (random.chance(50)) {
        TreeNode *declaration = TreeNode::createTree("xml");
        declaration->addAttribute("version", "1.0");
        declaration->addAttribute("encoding", "utf-8");
        if (random.chance(50)) declaration->addAttribute("standalone", "yes");
        info.setDeclaration(declaration);
    }
    for (int i = random.pick(3); i > 0; --i) {
        TreeNode *sheet = TreeNode::createTree("xml-stylesheet");
        sheet->addAttribute("type", "text/xsl");
        sheet->addAttribute("href", random.chance(50) ? "a&b<c>.xsl" : "s.xsl");
        info.styleSheets().append(sheet);
    }
    if (random.chance(30)) info.setPiText("<?app one?>\n<?other x=\"1\" y='2'?>\n");
    if (random.chance(30)) info.setDoctypeText("<!DOCTYPE doc [<!ENTITY e \"x\"><!ELEMENT doc ANY>]>\n");
}

TEST(RoundTrip, GeneratedTreesSurviveWritingAndReading) {
    constexpr uint32_t kTrees = 3000;
    for (uint32_t seed = 0; seed < kTrees; ++seed) {
        RandomTrees random(seed, false);
        OwnedTree original(random.name(20).c_str());
        TreeNode *root = random.tree(40);
        ASSERT_TRUE(TreeNode::appendChild(original.root(), root));
        addPrologue(random, original.root());
        const std::string xml = serialized(original.root());  // moves a standalone to the end
        const std::string expected = dumpDocument(original.root());
        for (bool trim : {true, false}) {
            Parsed back(xml, trim);  // the same tree and prologue, and nothing logged
            ASSERT_TRUE(back.ok);
            ASSERT_EQ(back.all(), expected) << "seed " << seed << " trim " << trim << "\n" << xml;
        }
    }
}

}  // namespace
}  // namespace quorvel::test
