// The lenient parser, one table per concern: the text and what it parses to (Parsed::all) with
// trimming on, and with trimming off where that differs. Independent readers: GeneratedTreesTest.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel::test {
namespace {

std::string dropped(int n) {
    return "error: More than one top-level element: only the largest was kept.\ndata: numDroppedElements=" +
           std::to_string(n) + "\n";
}
const std::string kDroppedOne = dropped(1);

struct ParseCase {
    std::string xml;
    std::string trimOn;
    const char *trimOff = nullptr;  // null: as with trimming on
};

void expectParses(std::initializer_list<ParseCase> cases) {
    for (const ParseCase &c : cases) {
        Parsed on(c.xml, true), off(c.xml, false);
        EXPECT_TRUE(on.ok && off.ok) << c.xml;
        EXPECT_EQ(on.all(), c.trimOn) << c.xml;
        EXPECT_EQ(off.all(), c.trimOff ? c.trimOff : c.trimOn) << c.xml << " (trim off)";
        // The survivor is a whole tree of its own.
        EXPECT_TRUE(!on.root || (on.root->isRoot() && on.root->treeInfo()->root() == on.root)) << c.xml;
    }
}

TEST(Parser, TextCdataAndEntities) {
    expectParses({
        {"<a>  x  </a>", "a{x}", "a{  x  }"}, {"<a> \t\r\n </a>", "a", "a{ \t\r\n }"}, {"<a></a>", "a"},
        // Text around children is joined by one space; whitespace between children never survives.
        {"<a>one<b/>two</a>", "a{one two}(b)"}, {"<a> one <b/> two </a>", "a{one two}(b)", "a{one   two}(b)"},
        {"<a>\n  <b>x</b>\n  <c/>\n</a>", "a(b{x} c)"},
        {"<a> <b/> ", "a(b)"}, {"<a>\v x \f</a>", "a{\v x \f}"},  // closed by the end of the text; white space is space, tab, CR, LF
        // A '<' inside a tag is part of it (and cleaned away); the close tag then fails, and the rest is another root.
        {"<a<b><x/></a<b>", "ab(x) log:error: Error in closing tag\ndata: error_tag=ab\n" + kDroppedOne},
        // CDATA sections
        {"<a><![CDATA[x < y & z &amp;]]></a>", "a!{x < y & z &amp;}"},
        {"<a>x<b/><![CDATA[y]]></a>", "a!{xy}(b)"}, {"<a><![CDATA[x]]>dropped<b/></a>", "a!{x}(b)"},
        {"<a>  <![CDATA[ x ]]></a>", "a!{ x }"}, {"<a><![CDATA[]]></a>", "a!{}"}, {"<a><![CDATA[abc", "a!{abc}"},
        {"<a><![cdata[x]]></a>", "a"},  // the marker is case-sensitive
        // Entities
        {"<a>&lt;&#65;&#x42;&amp;&gt;&quot;&apos;</a>", "a{<AB&>\"'}"},
        {"<a>&amp;amp;<b/>&amp;</a>", "a{&amp; &}(b)"},  // one pass, not rescanned: only the new piece is decoded
        {"<!DOCTYPE n [\n<!ELEMENT n (#PCDATA)>\n<!ENTITY e \"<v>\">\n]><n>&e;</n>",
         "n{&e;} doctype:<!DOCTYPE n [\n<!ELEMENT n (#PCDATA)>\n<!ENTITY e \"<v>\">\n]>\n"},
        // Numeric references (tabled below): never in CDATA, quotes by reference, cut by the end of the text.
        {"<a>&#65;<![CDATA[&#66;]]></a>", "a!{A&#66;}"}, {"<a x='&#34;' y=\"&#39;\"/>", "a[x=\",y=']"}, {"<a>x&#6", "a{x&#6}"},
        // Trimming drops the whitespace written as itself, before references are decoded.
        {"<a> &#9;x&#32; </a>", "a{\tx }", "a{ \tx  }"},
    });
}

// The text scan looks at sixteen bytes a step and at the last bytes one by one: the end of a
// piece and its references are found wherever they fall, near the end of the text or not.
TEST(Parser, TextPiecesEndAndDecodeAtEveryOffset) {
    for (const std::string after : {"", "</a>", "</a><p/><p/><p/><p/><p/><p/><p/><p/></r>"}) {
        for (size_t len = 0; len <= 40; ++len) {
            for (size_t at = 0; at <= len + 1; ++at) {
                std::string written(len, 'x'), expected(len, 'x');
                if (at <= len) {
                    written.insert(at, "&amp;");
                    expected.insert(at, "&");
                }
                const std::string xml = (after.size() > 4 ? "<r><a>" : "<a>") + written + after;
                Parsed parsed(xml);
                ASSERT_TRUE(parsed.ok && parsed.root) << xml;
                const TreeNode *a = after.size() > 4 ? parsed.root->getChild(0) : parsed.root;
                ASSERT_NE(a, nullptr) << xml;
                EXPECT_EQ(std::string(a->getContent(), a->getContentSize()), expected) << xml;
            }
        }
    }
}

TEST(Parser, RootsAndTheEndOfTheText) {
    expectParses({
        // The largest top-level element (most nodes, over all levels) survives, the later one on a
        // tie; an unfinished one only when it is larger. The log counts the dropped ones.
        {"hello <r>x</r> bye", "r{x}"}, {"<a>1</a> junk <b>2</b> tail", "b{2} log:" + kDroppedOne},
        {"<r1/><r2><c>x</c>", "r2(c{x}) log:" + kDroppedOne}, {"<r1/><r2></r2", "r1 log:" + kDroppedOne},
        {"<rss><channel><title>t</title></channel></rss><br />", "rss(channel(title{t})) log:" + kDroppedOne},
        {"<a/><b/>", "b log:" + kDroppedOne}, {"<a/><b><c/></b><d/>", "b(c) log:" + dropped(2)},
        {"<a><b/><c/></a>x<d><e><f/></e></d>", "d(e(f)) log:" + kDroppedOne}, {"<rss><item/></rss><br><x>", "rss(item) log:" + kDroppedOne},
        // The prolog parts stay with the element that took them; the one kept gets all of the
        // DOCTYPE and processing-instruction texts.
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><!DOCTYPE rss><rss><c/></rss><?pi x?><br/>",
         "rss(c) decl:xml[version=1.0,encoding=ISO-8859-1] doctype:<!DOCTYPE rss>\n pi:<?pi x?>\n log:" + kDroppedOne},
        {"<?xml-stylesheet href=\"s\"?><a/><?xml version=\"1.0\"?><b><c/></b>", "b(c) decl:xml[version=1.0] log:" + kDroppedOne},
        {"<a><b>text", "a(b{text})"}, {"<a><bcd", "a"},
        {"</x><a><b></c></a>", "a(b)"}, {"<>x</>", "{x}"}, {"<a>< /b></a>", "a([b=])"},
        {std::string("<a>x\0<b/></a>", 13), "a{x}"},
        {"", "(null)"}, {"  just text", "(null)"}, {"<?pi x?>", "(null)"}, {"<", "(null)"},
    });
}

TEST(Parser, Attributes) {
    expectParses({
        {"<a x='say \"hi\"' y=\"it's\"/>", "a[x=say \"hi\",y=it's]"}, {"<a x = \"1\"\n\ty\t=\t'2' />", "a[x=1,y=2]"},
        {"<a checked x=\"\" y/>", "a[checked=,x=,y=]"}, {"<a x=\"1\" x=\"2\" x='3'/>", "a[x=1,x=2,x=3]"},
        {"<a x\"y='1' b<c=\"2\" 'q'=\"3\"/>", "a[xy=1,bc=2,q=3]"},
        {"<a da#ta=\"1\" :n_s.k!=\"2\"/>", "a[data=1,:n_s.k!=2]"},
        // An unquoted value runs to the next quote of either kind, across markup.
        {"<a x=1 y=\"2\">", "a[x=1 y=,A2=]"}, {"<a x=1>text</a><b c=\"d\"/>", "a[x=1>text</a><b c=,d=]"},
        {"<a x=abc", "a[x=abc]"}, {"<a x=\"abc", "a[x=abc]"}, {"<a x=\" > \n \"/>", "a[x= > \n ]"},
        {"<a x=\"&lt;&amp;lt;&quot;&apos;&gt;&#65;&nbsp;\"/>", "a[x=<&lt;\"'>A&nbsp;]"},
        {"<r><a/ x=\"1\"><b/></r>", "r(a[x=1] b)"}, {"<r><a x/y><b/></a></r>", "r(a[x=,y=] b)"},
    });
}

TEST(Parser, LogMessages) {
    expectParses({
        {"<a><b></b<c/></a>", "a(b c) log:error: Error in closing tag\ndata: error_tag=b\n"},
        {"</x<a/>", "a log:error: Error in closing tag\n"},
        {"<!DOCTYPE x [<!ENTITY a \"b\">", "(null) log:error: Failed to parse DTD\n"},
        {"<a>x<!-- never <b/>", "a{x} log:error: Unclosed comment\n"},
        {"<!-- <a/>", "(null) log:error: Unclosed comment\n"},
        {"<a><b></c></d>", "a(b)"},  // names of close tags are never compared
    });
    // Without a log the messages are discarded.
    TreeNode *root = nullptr;
    ASSERT_TRUE(parseXmlText("<a><b></b<c/><!-- x", nullptr, root, true));
    EXPECT_EQ(dumpTree(root), "a(b c)");
    TreeNode::deleteTree(root);
}

TEST(Parser, CommentsDoctypeInstructionsAndTheDeclaration) {
    expectParses({
        {"<!-- a --><a><!--b-->x<!-- <c/> --><!---->y</a><!-- d -->", "a{x y}"}, {"<!ELEMENT x (#PCDATA)><a/>", "a"},
        {"<!doctype a><a><!DOCTYPE b>t</a>", "a{t} doctype:<!doctype a>\n<!DOCTYPE b>\n"},
        {"<?php echo 1; ?><a><?two x?>t<?three?></a>", "a{t} pi:<?php echo 1; ?>\n<?two x?>\n<?three?>\n"},
        {"<?xml?><?xml\tversion=\"1.0\"?><? xml v?><a/>", "a pi:<?xml?>\n<?xml\tversion=\"1.0\"?>\n<? xml v?>\n"},
        {"<?pi a>b?><a/>", "a pi:<?pi a>b?>\n"},
        // An instruction or a DOCTYPE the end cuts off is not kept (written back, it would take
        // in what follows); an unclosed instruction leaves its text to the element.
        {"<a><?pi x", "a{pi x}"},
        {"<!DOCTYPE a><a><!DOCTYPE b [", "a doctype:<!DOCTYPE a>\n log:error: Failed to parse DTD\n"},
        // The declaration and style sheets.
        {"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<r/>",
         "r decl:xml[version=1.0,encoding=utf-8,standalone=yes]"},
        {"<?XML version='1.0' encoding=utf-8 ?><r/>", "r decl:XML[version=1.0,encoding=utf-8]"},
        {"<?xml version=\"1.0\"?><?xml version=\"2.0\"?><r/>", "r decl:xml[version=2.0]"},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"a.css\"?><?XML-STYLESHEET href='b.css'/?><r/>",
         "r decl:xml[version=1.0] sheets:xml-stylesheet[href=a.css] XML-STYLESHEET[href=b.css]"},
        {"<?xml-stylesheet href=\"a?b&amp;c&lt;\"?><r/>", "r sheets:xml-stylesheet[href=a?b&c<]"},
        {"<?xml version=\"1\n0\"?><r/>", "r decl:xml[version=1,A0=]"},
        // The pseudo-attributes: quotes of either kind, spaces around '=', names cleaned by the add rule.
        {"<?xml a = \"x y\" \"q\"=\"1\" b='\"x\"' c=\"'x'\" 1st=\"v\" d?><r/>", "r decl:xml[a=x y,q=1,b=,x=,c=x,A1st=v,d=]"},
        {"<?xml-stylesheet ??? href=\"s\" ?><r/>", "r sheets:xml-stylesheet[href=s]"},
        // Declaration and style sheets go to the first root that closes and die with it; the
        // DOCTYPE and PI texts are copied to every root. An unclosed document still gets them.
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><!DOCTYPE a><?pi?><a/><?later?><b/>",
         "b doctype:<!DOCTYPE a>\n pi:<?pi?>\n<?later?>\n log:" + kDroppedOne},
        {"<a/><?xml version=\"1.0\"?><?xml-stylesheet href=\"x\"?>", "a"},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href=\"x\"?><a><b>",
         "a(b) decl:xml[version=1.0] sheets:xml-stylesheet[href=x]"},
    });
    // Prologue parts are one-node trees of their own.
    Parsed p("<?xml version=\"1.0\"?><?xml-stylesheet href=\"a\"?><r/>");
    const TreeNode *sheet = static_cast<const TreeNode *>(p.info().styleSheets().elementAt(0));
    for (const TreeNode *node : {static_cast<const TreeNode *>(p.info().declaration()), sheet}) {
        ASSERT_NE(node, nullptr);
        EXPECT_TRUE(node->isRoot() && node->refCount() == 0 && node->getTreeId() != p.root->getTreeId());
    }
}

TEST(Parser, AddStyleSheet) {
    Parsed p("<?xml-stylesheet href=\"first\"?><r><c/></r>");
    RecordingLog log;
    EXPECT_TRUE(addStyleSheet(p.root, "<?xml-stylesheet type=\"text/css\" href=\"a.css\"?>", &log));
    // Leading text is skipped, so is whitespace after the '<'; a child node adds to its tree.
    EXPECT_TRUE(addStyleSheet(p.root->getChild(0), "junk < \n?XML-STYLESHEET href='b.css' /?>", &log));
    for (const char *refused : {"xml-stylesheet href=\"c.css\"?>", "<xml-stylesheet href=\"c.css\"?>", "none"})
        EXPECT_FALSE(addStyleSheet(p.root, refused, &log));
    EXPECT_FALSE(addStyleSheet(p.root, nullptr, &log) || addStyleSheet(nullptr, "<?xml-stylesheet href=\"c.css\"?>", &log));
    EXPECT_EQ(dumpStyleSheets(p.info()),
              "xml-stylesheet[href=first] xml-stylesheet[type=text/css,href=a.css] XML-STYLESHEET[href=b.css]");
    EXPECT_TRUE(log.lines.empty()) << log.joined();
}

// Numeric character references: decoded in text and attribute values to UTF-8, kept as written
// when malformed or naming a character XML does not allow; a saved document reads back the same.
// The text decoded in place and by copy, each from a block of exactly its size, so that a read
// past the end is caught; both must agree.
std::string decoded(const std::string &text) {
    const size_t size = text.empty() ? 1 : text.size();
    std::unique_ptr<char[]> block(new char[size]), copy(new char[size]);
    text.copy(block.get(), text.size());
    text.copy(copy.get(), text.size());
    StringBuffer out;
    EXPECT_TRUE(appendDecodedXmlText(copy.get(), static_cast<uint32_t>(text.size()), out));
    const uint32_t n = decodeXmlReferencesInPlace(block.get(), static_cast<uint32_t>(text.size()));
    EXPECT_EQ(std::string(block.get(), n), std::string(out.getString(), out.getSize())) << text;
    return std::string(block.get(), n);
}

TEST(CharacterReference, DecodedOrKeptAsWritten) {
    const struct { const char *text, *decoded = nullptr; } cases[] = {
        // Decimal and hexadecimal, leading zeros, every UTF-8 length.
        {"love &#038; peace", "love & peace"}, {"&#65;&#x42;&#x0043;", "ABC"}, {"&#0000065;", "A"},
        {"it&#x2019;s", "it\xE2\x80\x99s"}, {"&#xe9;&#xE9;", "\xC3\xA9\xC3\xA9"}, {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#128512;", "\xF0\x9F\x98\x80"}, {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"}, {"&#xE000;", "\xEE\x80\x80"},
        {"a&#9;b&#10;c&#13;", "a\tb\nc\r"},
        // Characters XML does not allow, and malformed references, stay as written (null: as written).
        {"&#0;"}, {"&#x0;"}, {"&#1;"}, {"&#x1F;"}, {"&#xD800;"}, {"&#57343;"}, {"&#xFFFE;"}, {"&#xFFFF;"}, {"&#x110000;"},
        {"&#99999999999999999999;"}, {"&#x100000000041;"}, {"&#;"}, {"&#x;"}, {"&#X41;"}, {"&#xG1;"}, {"&#65"}, {"&#65 ;"},
        {"&#6a;"}, {"&#-65;"}, {"& #65;"}, {"&#"}, {"&"}, {"&eacute;&nbsp;&e;"},  // other named entities too
        // The five entities in the same pass; what a reference becomes is not rescanned.
        {"&lt;&#60;&gt;", "<<>"}, {"&amp;#65;", "&#65;"}, {"&#38;amp;", "&amp;"}, {"&#38;#65;", "&#65;"},
    };
    for (const auto &c : cases) {
        const std::string want = c.decoded ? c.decoded : c.text;
        EXPECT_EQ(decoded(c.text), want) << c.text;
        // In content, attribute values and pseudo-attributes alike.
        EXPECT_EQ(Parsed(std::string("<a>") + c.text + "</a>", false).dump(), "a{" + want + "}") << c.text;
        EXPECT_EQ(Parsed(std::string("<a v=\"") + c.text + "\"/>").dump(), "a[v=" + want + "]") << c.text;
    }
    Parsed declaration("<?xml version=\"1.0\" encoding=\"&#x75;tf-8\"?><a/>");
    EXPECT_EQ(dumpDocument(declaration.root), "a decl:xml[version=1.0,encoding=utf-8]");
}

// What the serializer writes of a parsed document reads back as the same document, also where
// the text was cut off, a tag began with '!' (written "<!", it would read as a declaration), a
// reference was decoded or kept as written, or a pseudo-attribute held a line end.
TEST(Parser, OurOutputReadsBackTheSameDocument) {
    for (const char *text : {"<a><?pi x", "<?pi?><a>t<?p", "<!DOCTYPE a><a><!DOCTYPE b [<!ENTITY", "<r><\x10!a/>x</r>",
                             "<r><!!b>y</!!b></r>", "<r><![CDATA[<![CDATA[c]]></r>",
                             "<r a=\"&#x2019;&#038;\">love &#038; peace &#x1F600; &#1;</r>",
                             // A line end in a pseudo-attribute (which ends one when read) goes out as a reference.
                             "<?xml version=\"1.0\" note=\"a&#xd;b&#10;c\"?><?xml-stylesheet href=\"x&#10;\"?><r/>"}) {
        Parsed first(text);
        ASSERT_TRUE(first.root) << text;
        const std::string saved = serialized(first.root);
        Parsed second(saved);
        EXPECT_EQ(dumpDocument(second.root), dumpDocument(first.root)) << text << " saved as " << saved;
    }
}

}  // namespace
}  // namespace quorvel::test
