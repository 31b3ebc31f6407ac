// The parser's markup: attributes with their quirks, close tags and their log entries,
// comments, DOCTYPE, processing instructions, the declaration and style sheets.
#include <gtest/gtest.h>

#include <string>

#include "ParserTestSupport.h"

namespace quorvel::test {
namespace {

TEST(ParserMarkup, Attributes) {
    const struct {
        const char *name;
        const char *xml;
        const char *tree;
    } cases[] = {
        {"double and single quotes", "<a x=\"1\" y='2'/>", "a[x=1,y=2]"},
        {"each quote inside the other", "<a x='say \"hi\"' y=\"it's\"/>", "a[x=say \"hi\",y=it's]"},
        {"spaces around '='", "<a x = \"1\"\n\ty\t=\t'2' />", "a[x=1,y=2]"},
        {"no '=' gives an empty value", "<a checked x=\"\" y/>", "a[checked=,x=,y=]"},
        {"duplicates kept in order", "<a x=\"1\" x=\"2\" x='3'/>", "a[x=1,x=2,x=3]"},
        {"name starting with a digit", "<a 1x=\"v\" -y=\"w\" .z=''/>", "a[A1x=v,A-y=w,A.z=]"},
        {"quotes and '<' dropped from names", "<a x\"y='1' b<c=\"2\" 'q'=\"3\"/>", "a[xy=1,bc=2,q=3]"},
        {"name characters reduced", "<a da#ta=\"1\" :n_s.k!=\"2\"/>", "a[data=1,:n_s.k!=2]"},
        {"unquoted swallows the next name", "<a x=1 y=\"2\">", "a[x=1 y=,A2=]"},
        {"unquoted runs across markup", "<a x=1>text</a><b c=\"d\"/>", "a[x=1>text</a><b c=,d=]"},
        {"unquoted to the end", "<a x=abc", "a[x=abc]"},
        {"quoted to the end", "<a x=\"abc", "a[x=abc]"},
        {"entities in values", "<a x=\"&lt;&amp;lt;&quot;&apos;&gt;&#65;&nbsp;\"/>", "a[x=<&lt;\"'>&#65;&nbsp;]"},
        {"'/' after the name marks self-closing", "<r><a/ x=\"1\"><b/></r>", "r(a[x=1] b)"},
        {"'/' between attributes marks self-closing", "<r><a x/y><b/></a></r>", "r(a[x=,y=] b)"},
        {"element content after attributes", "<a x='1'>t</a>", "a[x=1]{t}"},
        {"value keeps '>' and whitespace", "<a x=\" > \n \"/>", "a[x= > \n ]"},
    };
    for (const auto &c : cases) {
        Parsed p(c.xml);
        EXPECT_TRUE(p.ok) << c.name;
        EXPECT_EQ(p.dump(), c.tree) << c.name;
        EXPECT_TRUE(p.log.lines.empty()) << c.name << ": " << p.log.joined();
    }
}

TEST(ParserMarkup, LogMessages) {
    const struct {
        const char *name;
        const char *xml;
        const char *tree;
        const char *log;
    } cases[] = {
        {"close tag running into '<'", "<a><b></b<c/></a>", "a(b c)", "error: Error in closing tag\ndata: error_tag=b\n"},
        {"no current element, no data item", "</x<a/>", "a", "error: Error in closing tag\n"},
        {"long tag in the data item", "<abcdefghijklmnopqrstuvwxyz></a<b/>", "b",
         "error: Error in closing tag\ndata: error_tag=abcdefghijklmnopqrstuvwxyz\n"},
        {"unbalanced DOCTYPE", "<!DOCTYPE x [<!ENTITY a \"b\">", "(null)", "error: Failed to parse DTD\n"},
        {"unclosed comment ends the parse", "<a>x<!-- never <b/>", "a{x}", "error: Unclosed comment\n"},
        {"unclosed comment before the root", "<!-- <a/>", "(null)", "error: Unclosed comment\n"},
        {"mismatched names are not reported", "<a><b></c></d>", "a(b)", ""},
    };
    for (const auto &c : cases) {
        Parsed p(c.xml);
        EXPECT_TRUE(p.ok) << c.name;
        EXPECT_EQ(p.dump(), c.tree) << c.name;
        EXPECT_EQ(p.log.joined(), c.log) << c.name;
    }
    // Without a log the messages are discarded.
    TreeNode *root = nullptr;
    ASSERT_TRUE(parseXmlText("<a><b></b<c/><!-- x", nullptr, root, true));
    EXPECT_EQ(dumpTree(root), "a(b c)");
    TreeNode::deleteTree(root);
}

TEST(ParserMarkup, CommentsAndDeclarations) {
    const struct {
        const char *name;
        const char *xml;
        const char *tree;
        const char *doctype;
    } cases[] = {
        {"comments dropped", "<!-- a --><a><!--b-->x<!-- <c/> --></a><!-- d -->", "a{x}", ""},
        {"empty comment", "<a><!---->y</a>", "a{y}", ""},
        {"stray declaration skipped", "<!ELEMENT x (#PCDATA)><a/>", "a", ""},
        {"DOCTYPE verbatim with LF", "<!DOCTYPE html><a/>", "a", "<!DOCTYPE html>\n"},
        {"lower-case DOCTYPE", "<!doctype html><a/>", "a", "<!doctype html>\n"},
        {"internal subset captured whole",
         "<!DOCTYPE n [\n<!ELEMENT n (#PCDATA)>\n<!ENTITY e \"<v>\">\n]><n/>", "n",
         "<!DOCTYPE n [\n<!ELEMENT n (#PCDATA)>\n<!ENTITY e \"<v>\">\n]>\n"},
        {"several DOCTYPEs accumulate", "<!DOCTYPE a><!DOCTYPE b><a/>", "a", "<!DOCTYPE a>\n<!DOCTYPE b>\n"},
        {"DOCTYPE inside an element", "<a><!DOCTYPE x>t</a>", "a{t}", "<!DOCTYPE x>\n"},
    };
    for (const auto &c : cases) {
        Parsed p(c.xml);
        ASSERT_NE(p.root, nullptr) << c.name;
        EXPECT_EQ(p.dump(), c.tree) << c.name;
        EXPECT_STREQ(p.info().doctypeText(), c.doctype) << c.name;
        EXPECT_TRUE(p.log.lines.empty()) << c.name << ": " << p.log.joined();
    }
}

TEST(ParserMarkup, ProcessingInstructions) {
    const struct {
        const char *name;
        const char *xml;
        const char *tree;
        const char *pi;
    } cases[] = {
        {"other target verbatim", "<?php echo 1; ?><a/>", "a", "<?php echo 1; ?>\n"},
        {"inside elements, in order", "<?one?><a><?two x?>t<?three?></a>", "a{t}", "<?one?>\n<?two x?>\n<?three?>\n"},
        {"xml without a space is verbatim", "<?xml?><a/>", "a", "<?xml?>\n"},
        {"xml followed by a tab is verbatim", "<?xml\tversion=\"1.0\"?><a/>", "a", "<?xml\tversion=\"1.0\"?>\n"},
        {"space after '<?' is verbatim", "<? xml version=\"1.0\"?><a/>", "a", "<? xml version=\"1.0\"?>\n"},
        {"'>' alone does not close it", "<?pi a>b?><a/>", "a", "<?pi a>b?>\n"},
    };
    for (const auto &c : cases) {
        Parsed p(c.xml);
        ASSERT_NE(p.root, nullptr) << c.name;
        EXPECT_EQ(p.dump(), c.tree) << c.name;
        EXPECT_STREQ(p.info().piText(), c.pi) << c.name;
        EXPECT_EQ(p.info().declaration(), nullptr) << c.name;
    }
}

TEST(ParserMarkup, DeclarationAndStyleSheets) {
    const struct {
        const char *name;
        const char *xml;
        const char *declaration;
        const char *styleSheets;
    } cases[] = {
        {"declaration with three pseudo-attributes",
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<r/>",
         "xml[version=1.0,encoding=utf-8,standalone=yes]", ""},
        {"apostrophes, unquoted, upper case", "<?XML version='1.0' encoding=utf-8 ?><r/>",
         "XML[version=1.0,encoding=utf-8]", ""},
        {"the last declaration wins", "<?xml version=\"1.0\"?><?xml version=\"2.0\"?><r/>", "xml[version=2.0]", ""},
        {"style sheet with type and href",
         "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?><r/>", "(null)",
         "xml-stylesheet[type=text/xsl,href=s.xsl]"},
        {"style sheets in order with the declaration",
         "<?xml version=\"1.0\"?><?xml-stylesheet href=\"a.css\"?><?XML-STYLESHEET href='b.css'/?><r/>",
         "xml[version=1.0]", "xml-stylesheet[href=a.css] XML-STYLESHEET[href=b.css]"},
        {"quoted value keeps '?' and decodes entities", "<?xml-stylesheet href=\"a?b&amp;c&lt;\"?><r/>", "(null)",
         "xml-stylesheet[href=a?b&c<]"},
        {"quoted value ends at a line end", "<?xml version=\"1\n0\"?><r/>", "xml[version=1,A0=]", ""},
        {"pseudo-attribute without a value", "<?xml standalone?><r/>", "xml[standalone=]", ""},
    };
    for (const auto &c : cases) {
        Parsed p(c.xml);
        ASSERT_NE(p.root, nullptr) << c.name;
        EXPECT_EQ(p.dump(), "r") << c.name;
        EXPECT_EQ(dumpTree(p.info().declaration()), c.declaration) << c.name;
        EXPECT_EQ(dumpStyleSheets(p.info()), c.styleSheets) << c.name;
        EXPECT_STREQ(p.info().piText(), "") << c.name;
    }
}

TEST(ParserMarkup, PrologPartsGoToTheRootThatClosesFirst) {
    // The declaration and style sheets go to the first root and die with it; the DOCTYPE and
    // PI texts are copied to every root.
    Parsed p("<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><!DOCTYPE a><?pi?><a/><?later?><b/>");
    ASSERT_NE(p.root, nullptr);
    EXPECT_EQ(p.dump(), "b");
    EXPECT_EQ(p.info().declaration(), nullptr);
    EXPECT_EQ(p.info().styleSheets().getSize(), 0);
    EXPECT_STREQ(p.info().doctypeText(), "<!DOCTYPE a>\n");
    EXPECT_STREQ(p.info().piText(), "<?pi?>\n<?later?>\n");

    // A declaration and style sheet after the last root are dropped with nothing leaked.
    Parsed trailing("<a/><?xml version=\"1.0\"?><?xml-stylesheet href=\"x\"?>");
    EXPECT_EQ(trailing.dump(), "a");
    EXPECT_EQ(trailing.info().declaration(), nullptr);
    EXPECT_EQ(trailing.info().styleSheets().getSize(), 0);

    // A document left open still receives them when it is closed at the end.
    Parsed unclosed("<?xml version=\"1.0\"?><?xml-stylesheet href=\"x\"?><a><b>");
    EXPECT_EQ(unclosed.dump(), "a(b)");
    EXPECT_EQ(dumpTree(unclosed.info().declaration()), "xml[version=1.0]");
    EXPECT_EQ(dumpStyleSheets(unclosed.info()), "xml-stylesheet[href=x]");
}

TEST(ParserMarkup, PrologPartsAreOneNodeTreesOfTheirOwn) {
    Parsed p("<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><r/>");
    ASSERT_NE(p.root, nullptr);
    const TreeNode *decl = p.info().declaration();
    const TreeNode *sheet = static_cast<const TreeNode *>(p.info().styleSheets().elementAt(0));
    ASSERT_TRUE(decl && sheet);
    for (const TreeNode *node : {decl, sheet}) {
        EXPECT_TRUE(node->isRoot());
        EXPECT_EQ(node->parent(), nullptr);
        EXPECT_NE(node->getTreeId(), p.root->getTreeId());
        EXPECT_EQ(node->refCount(), 0u);
    }
}

TEST(ParserProlog, PseudoAttributeReader) {
    const struct {
        const char *text;
        const char *attributes;
        const char *rest;
    } cases[] = {
        {" a=\"1\" b='2' c=3 d ?>rest", "n[a=1,b=2,c=3,d=]", "rest"},
        {"a = \"x y\"?>", "n[a=x y]", ""},
        {"\"q\"=\"1\"?>", "n[q=1]", ""},
        {"a=\"'x'\"?>", "n[a=x]", ""},
        {"a='\"x\"'?>", "n[a=,x=]", ""},
        {"a=1 b=2", "n[a=1,b=2]", ""},
        {"1st=\"v\"?>", "n[A1st=v]", ""},
        {"??? a=\"1\" ?>z", "n[a=1]", "z"},
    };
    for (const auto &c : cases) {
        TreeNode *node = TreeNode::createTree("n");
        ASSERT_NE(node, nullptr);
        ParseEngine engine;
        ASSERT_TRUE(engine.loadText(c.text));
        EXPECT_TRUE(parsePrologLineAttr(engine, node, nullptr)) << c.text;
        EXPECT_EQ(dumpTree(node), c.attributes) << c.text;
        EXPECT_STREQ(engine.cursor(), c.rest) << c.text;
        TreeNode::deleteTree(node);
    }
}

TEST(ParserProlog, AddStyleSheet) {
    Parsed p("<?xml-stylesheet href=\"first\"?><r><c/></r>");
    ASSERT_NE(p.root, nullptr);
    RecordingLog log;
    EXPECT_TRUE(addStyleSheet(p.root, "<?xml-stylesheet type=\"text/css\" href=\"a.css\"?>", &log));
    // Leading text is skipped, so is whitespace after the '<'; a child node adds to its tree.
    EXPECT_TRUE(addStyleSheet(p.root->getChild(0), "junk < \n?XML-STYLESHEET href='b.css' /?>", &log));
    EXPECT_FALSE(addStyleSheet(p.root, "xml-stylesheet href=\"c.css\"?>", &log));
    EXPECT_FALSE(addStyleSheet(p.root, "<xml-stylesheet href=\"c.css\"?>", &log));
    EXPECT_FALSE(addStyleSheet(p.root, "no instruction", &log));
    EXPECT_FALSE(addStyleSheet(p.root, nullptr, &log));
    EXPECT_FALSE(addStyleSheet(nullptr, "<?xml-stylesheet href=\"c.css\"?>", &log));
    EXPECT_EQ(dumpStyleSheets(p.info()),
              "xml-stylesheet[href=first] xml-stylesheet[type=text/css,href=a.css] XML-STYLESHEET[href=b.css]");
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

}  // namespace
}  // namespace quorvel::test
