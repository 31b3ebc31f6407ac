// The Xml object's subtree searches: level order, the resume point, the scope, argument
// clean-up, and the values found by searching.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/XString.h"
#include "XmlTestSupport.h"
#include "xml/object/ClsXml.h"

namespace quorvel {
namespace {

using namespace quorvel::test;

TEST(SearchOrder, LevelOrderThenResumeAfterEachMatch) {
    auto doc = load("<r><a><x>deep</x></a><x>near</x></r>");
    auto first = doc->SearchForTag(nullptr, x("x"));
    EXPECT_EQ(where(first.get()), "x=near");  // the root's own child before the grandchild
    auto second = doc->SearchForTag(first.get(), x("x"));
    EXPECT_EQ(where(second.get()), "x=deep");
    EXPECT_EQ(doc->SearchForTag(second.get(), x("x")), nullptr);
    EXPECT_EQ(where(doc.get()), "r=");

    auto book = load("<book>0<ch><book>2</book></ch><book>1<book>3</book></book></book>");
    EXPECT_EQ(where(book->SearchForTag(nullptr, x("book")).get()), "book=0");  // itself
}

TEST(SearchOrder, SecondFormStepsThroughEveryMatchThenStaysPut) {
    auto doc = load("<r><p>1<p>3</p></p><q><p>4</p></q><p>2</p></r>");
    auto root = doc->GetSelf();
    std::unique_ptr<ClsXml> previous;
    std::string seen;
    while (doc->SearchForTag2(previous.get(), x("p"))) {
        seen += where(doc.get()) + " ";
        previous = doc->GetSelf();
        doc->CopyRef(root.get());  // search again from the subtree's root
    }
    EXPECT_EQ(seen, "p=1 p=2 p=3 p=4 ");
    EXPECT_EQ(where(doc.get()), "r=");  // the failing call did not move it

    // With itself as after, an object finds matches among its own descendants only.
    auto p1 = doc->FirstChild();
    ASSERT_TRUE(p1->SearchForTag2(p1.get(), x("p")));
    EXPECT_EQ(where(p1.get()), "p=3");
    EXPECT_FALSE(p1->SearchForTag2(p1.get(), x("p")));
    EXPECT_EQ(where(p1.get()), "p=3");
}

TEST(SearchScope, AfterOutsideTheSubtreeGivesNothing) {
    auto doc = load("<r><a><t>in</t></a><b><t>other</t></b></r>");
    auto a = doc->FirstChild();
    auto b = doc->GetChild(1);
    auto inB = b->FirstChild();
    auto elsewhere = load("<t>elsewhere</t>");
    for (ClsXml *after : {inB.get(), b.get(), doc.get(), elsewhere.get()}) {
        EXPECT_EQ(a->SearchForTag(after, x("t")), nullptr) << where(after);
        EXPECT_FALSE(a->SearchForTag2(after, x("t"))) << where(after);
        EXPECT_EQ(where(a.get()), "a=");
    }
    // Ancestors and other branches are never visited.
    EXPECT_EQ(where(a->SearchForTag(nullptr, x("t")).get()), "t=in");
    EXPECT_EQ(a->SearchForTag(nullptr, x("b")), nullptr);
    EXPECT_EQ(a->SearchForTag(nullptr, x("r")), nullptr);
}

TEST(SearchMatching, TagContentAndAttributeTable) {
    auto doc = load(
        "<r><item sku=\"\">Apple</item><item sku=\"B-2\" id=\"7\">Banana</item>"
        "<box><item id=\"8\">apricot</item><note>A note</note></box></r>");
    enum Kind { Tag, Content, AllContent, Attribute };
    struct Case {
        Kind kind;
        const char *tag, *attr, *pattern;
        const char *expected;
    } cases[] = {
        {Tag, " item\t", "", "", "item=Apple"},  // the tag is trimmed
        {Tag, "ITEM", "", "", "none"},           // and compared exactly
        {Tag, "it*", "", "", "none"},            // '*' in a tag is an ordinary character
        {Content, "item", "", "B*", "item=Banana"},
        {Content, " item ", "", "a*", "item=apricot"},
        {Content, "item", "", " A*", "none"},  // the pattern is not trimmed
        {Content, "", "", "*", "none"},        // no element has an empty tag
        {AllContent, "", "", "A *", "note=A note"},
        {AllContent, "", "", "*an*", "item=Banana"},
        {AllContent, "", "", "", "r="},  // the root has no content: it matches the empty pattern
        {Attribute, "item", "id", "8", "item=apricot"},
        {Attribute, "item", " id ", "?", "none"},
        {Attribute, "item", " sku ", "B-*", "item=Banana"},
        {Attribute, "item", "sku", "", "item=Apple"},  // an empty value matches "" and "*"
        {Attribute, "item", "sku", "*", "item=Apple"},
        {Attribute, "item", "", "*", "none"},  // no attribute has an empty name
        {Attribute, "note", "id", "*", "none"},
    };
    for (const Case &c : cases) {
        std::unique_ptr<ClsXml> found;
        switch (c.kind) {
            case Tag: found = doc->SearchForTag(nullptr, x(c.tag)); break;
            case Content: found = doc->SearchForContent(nullptr, x(c.tag), x(c.pattern)); break;
            case AllContent: found = doc->SearchAllForContent(nullptr, x(c.pattern)); break;
            case Attribute: found = doc->SearchForAttribute(nullptr, x(c.tag), x(c.attr), x(c.pattern)); break;
        }
        EXPECT_EQ(where(found.get()), c.expected) << c.kind << " " << c.tag << " " << c.attr << " " << c.pattern;
    }
}

TEST(SearchMatching, SecondFormsMoveOnlyOnSuccess) {
    auto doc = load("<r><a k=\"v\">text</a></r>");
    auto obj = doc->GetSelf();
    EXPECT_FALSE(obj->SearchForContent2(nullptr, x("a"), x("nope")));
    EXPECT_FALSE(obj->SearchAllForContent2(nullptr, x("nope")));
    EXPECT_FALSE(obj->SearchForAttribute2(nullptr, x("a"), x("k"), x("w")));
    EXPECT_EQ(where(obj.get()), "r=");
    EXPECT_TRUE(obj->SearchForContent2(nullptr, x("a"), x("t*t")));
    EXPECT_EQ(where(obj.get()), "a=text");
    obj->GetParent2();
    EXPECT_TRUE(obj->SearchAllForContent2(nullptr, x("text")));
    EXPECT_EQ(where(obj.get()), "a=text");
    obj->GetParent2();
    EXPECT_TRUE(obj->SearchForAttribute2(nullptr, x("a"), x("k"), x("v")));
    EXPECT_EQ(where(obj.get()), "a=text");
}

TEST(SearchResults, CopyTheSearchingObjectsSwitches) {
    auto doc = load("<r><a/></r>");
    doc->put_EmitXmlDecl(false);
    doc->put_SortCaseInsensitive(true);
    std::unique_ptr<ClsXml> results[] = {doc->SearchForTag(nullptr, x("a")), doc->FindChild(x("a")),
                                         doc->GetNthChildWithTag(x("a"), 0), doc->FindNextRecord(x("a"), x(""))};
    for (const auto &found : results) {
        ASSERT_TRUE(found);
        EXPECT_FALSE(found->get_EmitXmlDecl());
        EXPECT_TRUE(found->get_SortCaseInsensitive());
    }
}

TEST(SearchValues, TagContentSearchesFromTheNodeItselfInLevelOrder) {
    auto doc = load("<r><a><t>deep</t></a><t>shallow</t><e/></r>");
    XString out;
    EXPECT_TRUE(doc->TagContent(x("t"), out));
    EXPECT_STREQ(out.getUtf8(), "shallow");
    EXPECT_TRUE(doc->TagContent(x("e"), out));
    EXPECT_STREQ(out.getUtf8(), "");
    EXPECT_FALSE(doc->TagContent(x(" t"), out));  // not trimmed
    auto a = doc->FirstChild();
    EXPECT_TRUE(a->TagContent(x("t"), out));
    EXPECT_STREQ(out.getUtf8(), "deep");
    auto t = a->FirstChild();
    EXPECT_TRUE(t->TagContent(x("t"), out));  // the node itself
    EXPECT_STREQ(out.getUtf8(), "deep");
    EXPECT_FALSE(a->TagContent(x("e"), out));
    EXPECT_TRUE(out.isEmpty());
}

TEST(SearchValues, AccumulateTagContent) {
    struct Case {
        const char *doc, *tag, *skip, *expected;
    } cases[] = {
        {"<r><p>a</p><p> b\r\n c</p><table><p>d</p></table></r>", "p", "table", "a b c"},
        {"<r><p>a</p><p> b\r\n c</p><table><p>d</p></table></r>", "p", "", "a b c d"},
        {"<r><div><p>deep</p></div><p>top</p></r>", "p", "", "top deep"},  // level order
        {"<r><p>outer<p>inner</p></p></r>", "p", "", "outer inner"},  // matches are descended into
        {"<r><p>outer<p>inner</p></p></r>", "p", "x|p", "outer"},
        // A skipped node is still collected itself.
        {"<r><t>1<t>2</t></t><t>3</t></r>", "t", "t", "1 3"},
        {"<r><p>a</p><div><p>b</p></div></r>", "p", "|div|", "a"},
        {"<r><p>a</p><div><p>b</p></div></r>", "p", "di", "a b"},  // names are whole entries
        {"<r><p/><p>x</p><p>\t</p></r>", "p", "", "x"},
        {"<r>self</r>", "r", "", "self"},
        {"<r><q>x</q></r>", "p", "", ""},
    };
    for (const Case &c : cases) {
        auto doc = load(c.doc);
        XString out;
        doc->AccumulateTagContent(x(c.tag), x(c.skip), out);
        EXPECT_STREQ(out.getUtf8(), c.expected) << c.doc << " skip " << c.skip;
    }
}

TEST(SearchRecords, FindNextRecordStartsWithTheNodeItself) {
    auto doc = load(
        "<r><rec><price>15</price></rec><rec><name>n</name></rec>"
        "<rec><price>20</price><price>1</price></rec><rec><price>12</price></rec></r>");
    auto rec = doc->FirstChild();
    auto found = rec->FindNextRecord(x("price"), x("1*"));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->get_TreeId(), doc->get_TreeId());
    EXPECT_EQ(where(found->FirstChild().get()), "price=15");  // the record itself, not its field

    auto second = doc->GetChild(1);
    found = second->FindNextRecord(x("price"), x("1*"));
    ASSERT_TRUE(found);
    EXPECT_EQ(where(found->FirstChild().get()), "price=12");  // only the first price of each record
    EXPECT_EQ(second->FindNextRecord(x("price"), x("3*")), nullptr);
    EXPECT_EQ(where(doc->FindNextRecord(x("rec"), x("")).get()), "r=");  // its first rec has no content
    EXPECT_EQ(doc->FindNextRecord(x("price"), x("*")), nullptr);         // a root has no siblings
}

TEST(SearchPatterns, ContentMatchesAndChildContentMatches) {
    auto doc = load("<r><a>Hello</a><a>other</a><b/></r>");
    struct Case {
        const char *tag, *pattern;
        bool caseSensitive, expected;
    } cases[] = {
        {"a", "H*o", true, true},   {"a", "h*O", true, false}, {"a", "h*O", false, true},
        {"a", "other", true, false},  // only the first "a" is examined
        {"b", "*", true, false},      // never had content
        {"b", "", true, false},       {"c", "*", true, false},  {" a", "*", true, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(doc->ChildContentMatches(x(c.tag), x(c.pattern), c.caseSensitive), c.expected)
            << c.tag << " " << c.pattern;

    auto b = doc->GetChild(2);
    EXPECT_FALSE(b->ContentMatches(x("*"), true));
    EXPECT_FALSE(b->ContentMatches(x(""), true));
    b->put_Content(x(""));
    EXPECT_TRUE(b->ContentMatches(x("*"), true));
    EXPECT_TRUE(b->ContentMatches(x(""), true));
    EXPECT_FALSE(b->ContentMatches(x("a*"), true));
    EXPECT_TRUE(doc->ChildContentMatches(x("b"), x("***"), true));
}

}  // namespace
}  // namespace quorvel
