// The parser's main loop: text pieces with trimming on and off, CDATA sections, entity
// decoding, text outside the root, several roots, unclosed elements and the end of the text.
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"

namespace quorvel::test {
namespace {

struct TreeCase {
    const char *name;
    std::string xml;
    const char *trimOn;
    const char *trimOff;
};

void expectTrees(const TreeCase *cases, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const TreeCase &c = cases[i];
        Parsed on(c.xml, true);
        Parsed off(c.xml, false);
        EXPECT_TRUE(on.ok && off.ok) << c.name;
        EXPECT_EQ(on.dump(), c.trimOn) << c.name << " (trim on)";
        EXPECT_EQ(off.dump(), c.trimOff) << c.name << " (trim off)";
        EXPECT_TRUE(on.log.lines.empty()) << c.name << ": " << on.log.joined();
    }
}

TEST(ParserText, TextPieces) {
    const TreeCase cases[] = {
        {"plain", "<a>x</a>", "a{x}", "a{x}"},
        {"surrounding whitespace", "<a>  x  </a>", "a{x}", "a{  x  }"},
        {"whitespace only", "<a> \t\r\n </a>", "a", "a{ \t\r\n }"},
        {"empty element", "<a></a>", "a", "a"},
        {"text around an empty child", "<a>one<b/>two</a>", "a{one two}(b)", "a{one two}(b)"},
        {"spaced text around a child", "<a> one <b/> two </a>", "a{one two}(b)", "a{one   two}(b)"},
        {"indented children", "<a>\n  <b>x</b>\n  <c/>\n</a>", "a(b{x} c)", "a(b{x} c)"},
        {"whitespace after the first child", "<a><b/>  </a>", "a(b)", "a(b)"},
        {"text after a comment", "<a>x<!-- c -->y</a>", "a{x y}", "a{x y}"},
        {"three pieces", "<a>1<b/>2<c/>3</a>", "a{1 2 3}(b c)", "a{1 2 3}(b c)"},
        {"space before open bracket of a tag", "<a>x< b>y</b></a>", "a{x}(b{y})", "a{x}(b{y})"},
        {"nested contents", "<a><b><c>deep</c></b></a>", "a(b(c{deep}))", "a(b(c{deep}))"},
    };
    expectTrees(cases, std::size(cases));
}

TEST(ParserText, CdataSections) {
    const TreeCase cases[] = {
        {"kept unchanged", "<a><![CDATA[x < y & z]]></a>", "a!{x < y & z}", "a!{x < y & z}"},
        {"entities not decoded", "<a><![CDATA[&amp;&lt;]]></a>", "a!{&amp;&lt;}", "a!{&amp;&lt;}"},
        {"text then section, no space", "<a>p<![CDATA[q]]></a>", "a!{pq}", "a!{pq}"},
        {"text after a section dropped", "<a><![CDATA[x]]>dropped<b/></a>", "a!{x}(b)", "a!{x}(b)"},
        {"consecutive sections joined", "<a><![CDATA[x]]> \n <![CDATA[y]]></a>", "a!{xy}", "a!{xy}"},
        {"whitespace in the section kept", "<a>  <![CDATA[ x ]]></a>", "a!{ x }", "a!{ x }"},
        {"empty section", "<a><![CDATA[]]></a>", "a!{}", "a!{}"},
        {"after a child, no space", "<a>x<b/><![CDATA[y]]></a>", "a!{xy}(b)", "a!{xy}(b)"},
        {"text ends inside", "<a><![CDATA[abc", "a!{abc}", "a!{abc}"},
        {"prefix is case-sensitive", "<a><![cdata[x]]></a>", "a", "a"},
    };
    expectTrees(cases, std::size(cases));
}

TEST(ParserText, EntitiesInContent) {
    const TreeCase cases[] = {
        {"five named, references kept", "<a>&lt;&#65;&#x42;&amp;&gt;&quot;&apos;</a>", "a{<&#65;&#x42;&>\"'}",
         "a{<&#65;&#x42;&>\"'}"},
        {"one pass, not rescanned", "<a>&amp;lt; &amp;amp;</a>", "a{&lt; &amp;}", "a{&lt; &amp;}"},
        {"unknown and broken entities kept", "<a>&nbsp; & &lt &;</a>", "a{&nbsp; & &lt &;}", "a{&nbsp; & &lt &;}"},
        {"only the new piece is decoded", "<a>&amp;amp;<b/>&amp;</a>", "a{&amp; &}(b)", "a{&amp; &}(b)"},
        {"DOCTYPE entities not expanded",
         "<!DOCTYPE n [<!ENTITY e \"v\">]><n>&e;</n>", "n{&e;}", "n{&e;}"},
    };
    expectTrees(cases, std::size(cases));
}

TEST(ParserText, RootsAndOutsideText) {
    const TreeCase cases[] = {
        {"text before and after the root ignored", "hello <r>x</r> bye", "r{x}", "r{x}"},
        {"the last of two roots survives", "<a>1</a> junk <b>2</b> tail", "b{2}", "b{2}"},
        {"three self-closing roots", "<a/><b/><c/>", "c", "c"},
        {"unclosed element after a root discarded", "<r1/><r2><c>x</c>", "r1", "r1"},
        {"close tag without '>' at the end ends the parse", "<r1/><r2></r2", "r1", "r1"},
        {"unclosed elements closed at the end", "<a><b>text", "a(b{text})", "a(b{text})"},
        {"unclosed with whitespace between children", "<a> <b/> ", "a(b)", "a(b)"},
        {"mismatched close tags", "<a><b></c></a>", "a(b)", "a(b)"},
        {"stray close tag before the root", "</x><a/>", "a", "a"},
        {"open tag name runs to the end", "<a><bcd", "a", "a"},
        {"empty tag", "<>x</>", "{x}", "{x}"},
        {"space before the slash of a close tag", "<a>< /b></a>", "a([b=])", "a([b=])"},
    };
    expectTrees(cases, std::size(cases));
}

TEST(ParserText, DocumentsWithoutElements) {
    for (const char *xml : {"", "   ", "just text", "<!-- only a comment -->", "<?pi x?>", "</a>", "<"}) {
        Parsed p(xml);
        EXPECT_TRUE(p.ok) << xml;
        EXPECT_EQ(p.root, nullptr) << xml;
    }
}

TEST(ParserText, EmbeddedZeroByteEndsTheDocument) {
    Parsed inside(std::string("<a>x\0<b/></a>", 13));
    EXPECT_EQ(inside.dump(), "a{x}");
    Parsed after(std::string("<a>x</a>\0<b/>", 13));
    EXPECT_EQ(after.dump(), "a{x}");

    // The same through a NUL-terminated text.
    TreeNode *root = nullptr;
    ASSERT_TRUE(parseXmlText("<q>y</q>", nullptr, root, true));
    EXPECT_EQ(dumpTree(root), "q{y}");
    TreeNode::deleteTree(root);
}

TEST(ParserText, ResultIsAFreshTreeWithoutReferences) {
    Parsed first("<a><b/><c/></a>");
    Parsed second("<a/>");
    ASSERT_TRUE(first.root && second.root);
    EXPECT_TRUE(first.root->isRoot());
    EXPECT_EQ(first.root->refCount(), 0u);
    EXPECT_EQ(first.info().refCount(), 0u);
    EXPECT_EQ(first.info().root(), first.root);
    EXPECT_NE(first.root->getTreeId(), second.root->getTreeId());
    // Children share the root's tree and are linked both ways.
    TreeNode *b = first.root->getChild(0);
    TreeNode *c = first.root->getChild(1);
    EXPECT_EQ(b->treeInfo(), first.root->treeInfo());
    EXPECT_EQ(b->parent(), first.root);
    EXPECT_EQ(b->nextSibling(), c);
    EXPECT_EQ(c->previousSibling(), b);
    EXPECT_EQ(c->refCount(), 0u);
}

TEST(ParserText, TagsAreReducedByTheTagRule) {
    Parsed p("<a<b><x:y-z.1!/><abcdefghijklmnopq/></a<b>");
    EXPECT_EQ(p.dump(), "ab(x:y-z.1! abcdefghijklmnopq)");
}

}  // namespace
}  // namespace quorvel::test
