// The Xml object's searches and lookups: level order, the resume point and the scope of subtree
// searches, lookups among direct children, which arguments are trimmed, the values read, and
// the pattern tests. The wildcard rule itself is tabled in the engine tests.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

TEST(Search, LevelOrderResumePointAndScope) {
    auto doc = load("<r><a><x>deep</x></a><x>near</x></r>");
    auto first = doc->SearchForTag(nullptr, x("x"));
    EXPECT_EQ(where(first.get()), "x=near");  // the root's own child before the grandchild
    auto second = doc->SearchForTag(first.get(), x("x"));
    EXPECT_EQ(where(second.get()), "x=deep");
    EXPECT_EQ(doc->SearchForTag(second.get(), x("x")), nullptr);
    EXPECT_EQ(where(load("<book>0<book>1</book></book>")->SearchForTag(nullptr, x("book")).get()), "book=0");  // itself

    // After outside the subtree (in another branch, an ancestor, another document): nothing,
    // and ancestors and other branches are never visited.
    auto a = doc->FirstChild(), inOther = doc->GetChild(1), elsewhere = load("<x>elsewhere</x>");
    for (ClsXml *after : {inOther.get(), doc.get(), elsewhere.get()}) {
        EXPECT_EQ(a->SearchForTag(after, x("x")), nullptr) << where(after);
        EXPECT_FALSE(a->SearchForTag2(after, x("x"))) << where(after);
    }
    EXPECT_EQ(where(a.get()), "a=");
    EXPECT_EQ(where(a->SearchForTag(nullptr, x("x")).get()), "x=deep");
    EXPECT_EQ(a->SearchForTag(nullptr, x("r")), nullptr);
}

TEST(Search, SecondFormStepsThroughEveryMatchThenStaysPut) {
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
    EXPECT_FALSE(p1->SearchForTag2(p1.get(), x("p")));
    EXPECT_EQ(where(p1.get()), "p=3");
}

TEST(Search, TagContentAndAttributeMatching) {
    auto doc = load(
        "<r><item sku=\"\">Apple</item><item sku=\"B-2\" id=\"7\">Banana</item>"
        "<box><item id=\"8\">apricot</item><note>A note</note></box></r>");
    enum Kind { Tag, Content, AllContent, Attribute };
    const struct { Kind kind; const char *tag, *attr, *pattern, *expected; } cases[] = {
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
        {Attribute, "item", " sku ", "B-*", "item=Banana"},
        {Attribute, "item", "sku", "", "item=Apple"},  // an empty value matches "" and "*"
        {Attribute, "item", "sku", "*", "item=Apple"},
        {Attribute, "item", "", "*", "none"},  // no attribute has an empty name
        {Attribute, "note", "id", "*", "none"},
    };
    for (const auto &c : cases) {
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

const char *kList =
    "<list><item id=\"1\">first</item><other>first</other><item id=\"22\" kind=\"\">second</item>"
    "<deep><item>grandchild</item></deep></list>";

TEST(Search, ChildLookups) {
    auto doc = load(kList);
    const struct { const char *call; std::unique_ptr<ClsXml> found; const char *expected; } cases[] = {
        {"FindChild trims", doc->FindChild(x(" item\r\n")), "item=first"},
        {"FindChild exact", doc->FindChild(x("Item")), "none"},
        {"FindChild direct only", load("<r><a><t/></a></r>")->FindChild(x("t")), "none"},
        {"GetChildWithTag", doc->GetChildWithTag(x("\tother")), "other=first"},
        {"Nth 1 trims", doc->GetNthChildWithTag(x(" item "), 1), "item=second"},
        {"Nth past the end", doc->GetNthChildWithTag(x("item"), 2), "none"},
        {"Nth negative", doc->GetNthChildWithTag(x("item"), -1), "none"},
        {"Exact", doc->GetChildExact(x("item"), x("second")), "item=second"},
        {"Exact untrimmed", doc->GetChildExact(x(" item"), x("second")), "none"},
        {"Exact content", doc->GetChildExact(x("item"), x("second ")), "none"},
        {"WithContent any tag", doc->GetChildWithContent(x("first")), "item=first"},
        {"WithContent empty", doc->GetChildWithContent(x("")), "deep="},
        {"WithAttr wildcard", doc->GetChildWithAttr(x(" item"), x("id"), x("2*")), "item=second"},
        {"WithAttr exact", doc->GetChildWithAttr(x("item"), x("id"), x("2")), "none"},
        {"WithAttr empty value", doc->GetChildWithAttr(x("item"), x("kind"), x("")), "item=second"},
        {"WithAttr name untrimmed", doc->GetChildWithAttr(x("item"), x(" id"), x("*")), "none"},
        {"WithAttr empty name", doc->GetChildWithAttr(x("item"), x(""), x("*")), "none"},
    };
    for (const auto &c : cases) EXPECT_EQ(where(c.found.get()), c.expected) << c.call;
    EXPECT_EQ(doc->NumChildrenHavingTag(x(" item ")), 2);
    EXPECT_EQ(doc->NumChildrenHavingTag(x("grandchild")), 0);
    // The has-tests take their arguments as given.
    EXPECT_TRUE(doc->HasChildWithTag(x("item")) && doc->HasChildWithContent(x("second")));
    EXPECT_FALSE(doc->HasChildWithTag(x(" item")) || doc->HasChildWithContent(x("grandchild")));
    EXPECT_TRUE(doc->HasChildWithTagAndContent(x("other"), x("first")));
    EXPECT_FALSE(doc->HasChildWithTagAndContent(x("other"), x("second")));
    EXPECT_TRUE(doc->TagEquals(x("list")));
    EXPECT_FALSE(doc->TagEquals(x("list ")) || doc->TagEquals(x("LIST")));
}

TEST(Search, SecondFormsMoveOnlyOnSuccessAndResultsCopyTheSwitches) {
    auto doc = load(kList);
    doc->put_EmitXmlDecl(false);
    doc->put_SortCaseInsensitive(true);
    for (const auto &found : {doc->SearchForTag(nullptr, x("item")), doc->FindChild(x("item")),
                              doc->GetNthChildWithTag(x("item"), 0), doc->FindNextRecord(x("item"), x("first"))}) {
        ASSERT_TRUE(found);
        EXPECT_TRUE(!found->get_EmitXmlDecl() && found->get_SortCaseInsensitive());
    }
    for (bool moved : {doc->FindChild2(x("missing")), doc->GetNthChildWithTag2(x("item"), 2),
                       doc->GetNthChildWithTag2(x("item"), -1), doc->SearchForContent2(nullptr, x("item"), x("nope")),
                       doc->SearchAllForContent2(nullptr, x("nope")),
                       doc->SearchForAttribute2(nullptr, x("item"), x("id"), x("3"))})
        EXPECT_FALSE(moved);
    EXPECT_EQ(where(doc.get()), "list=");
    auto result = [&](bool moved) { return (moved ? "" : "stayed on ") + where(doc.get()); };
    EXPECT_EQ(result(doc->GetNthChildWithTag2(x(" item"), 1)), "item=second");
    EXPECT_EQ(result(doc->GetParent2() && doc->FindChild2(x("deep "))), "deep=");
    EXPECT_EQ(result(doc->GetParent2() && doc->SearchForContent2(nullptr, x("item"), x("g*d"))), "item=grandchild");
    doc->GetRoot2();
    EXPECT_EQ(result(doc->SearchAllForContent2(nullptr, x("sec*"))), "item=second");
    EXPECT_EQ(result(doc->GetParent2() && doc->SearchForAttribute2(nullptr, x("item"), x("id"), x("1"))), "item=first");
}

TEST(Search, ChildValues) {
    auto doc = load("<r><a>text</a><empty/><a>second</a></r>");
    XString out;
    EXPECT_TRUE(doc->GetChildContent(x("empty"), out));  // found, no content: empty text
    EXPECT_STREQ(out.getUtf8(), "");
    EXPECT_TRUE(doc->GetChildContent(x("a"), out));
    EXPECT_STREQ(out.getUtf8(), "text");
    EXPECT_FALSE(doc->GetChildContent(x(" a"), out) || doc->GetChildContent(x("missing"), out));
    const struct { int index; bool found; const char *tag, *content; } indexes[] = {
        {2, true, "a", "second"}, {3, false, "", ""}, {-1, false, "", ""}};
    for (const auto &c : indexes) {
        out.setFromUtf8("stale");
        EXPECT_EQ(doc->GetChildContentByIndex(c.index, out), c.found) << c.index;
        EXPECT_STREQ(out.getUtf8(), c.content) << c.index;
        out.setFromUtf8("stale");
        EXPECT_EQ(doc->GetChildTagByIndex(c.index, out), c.found) << c.index;
        EXPECT_STREQ(out.getUtf8(), c.tag) << c.index;
        out.setFromUtf8("stale");
        doc->GetChildTag(c.index, out);
        EXPECT_STREQ(out.getUtf8(), c.tag) << c.index;
    }
    // A null content: no such child.
    const struct { const char *content; int intValue; bool boolValue; } numbers[] = {
        {nullptr, 0, false}, {"abc", 0, false},  {"", 0, false},    {"0", 0, false},   {"25", 25, true},
        {"-1", -1, true},    {"true", 0, false}, {"yes", 0, false}, {"12abc", 12, true}, {" 5", 0, false}, {"+007", 7, true},
    };
    for (const auto &c : numbers) {
        auto r = load(c.content ? "<r><v/></r>" : "<r><w>1</w></r>");
        if (c.content) r->FirstChild()->put_Content(x(c.content));
        EXPECT_EQ(r->GetChildIntValue(x("v")), c.intValue) << (c.content ? c.content : "(none)");
        EXPECT_EQ(r->GetChildBoolValue(x("v")), c.boolValue) << (c.content ? c.content : "(none)");
    }
}

TEST(Search, TagContentAndAccumulateTagContent) {
    auto doc = load("<r><a><t>deep</t></a><t>shallow</t><e/></r>");
    auto a = doc->FirstChild();
    auto t = a->FirstChild();
    XString out;
    const struct { ClsXml *from; const char *tag, *expected; } reads[] = {  // expected null: not found
        {doc.get(), "t", "shallow"}, {doc.get(), "e", ""}, {doc.get(), " t", nullptr},
        {a.get(), "t", "deep"},      {t.get(), "t", "deep"}, {a.get(), "e", nullptr}};
    for (const auto &c : reads) {
        EXPECT_EQ(c.from->TagContent(x(c.tag), out), c.expected != nullptr) << c.tag;
        EXPECT_STREQ(out.getUtf8(), c.expected ? c.expected : "") << c.tag;
    }
    const char *cases[][4] = {
        {"<r><p>a</p><p> b\r\n c</p><table><p>d</p></table></r>", "p", "table", "a b c"},
        {"<r><p>a</p><p> b\r\n c</p><table><p>d</p></table></r>", "p", "", "a b c d"},
        {"<r><div><p>deep</p></div><p>top</p></r>", "p", "", "top deep"},  // level order
        {"<r><p>outer<p>inner</p></p></r>", "p", "x|p", "outer"},  // a skipped node itself is still collected
        {"<r><t>1<t>2</t></t><t>3</t></r>", "t", "", "1 3 2"},
        {"<r><p>a</p><div><p>b</p></div></r>", "p", "|div|", "a"},
        {"<r><p>a</p><div><p>b</p></div></r>", "p", "di", "a b"},  // names are whole entries
        {"<r><p/><p>x</p><p>\t</p></r>", "p", "", "x"},
        {"<r>self</r>", "r", "", "self"},
        {"<r><q>x</q></r>", "p", "", ""},
    };
    for (const auto &c : cases) {
        load(c[0])->AccumulateTagContent(x(c[1]), x(c[2]), out);
        EXPECT_STREQ(out.getUtf8(), c[3]) << c[0] << " skip " << c[2];
    }
}

TEST(Search, FindNextRecordStartsWithTheNodeItself) {
    auto doc = load(
        "<r><rec><price>15</price></rec><rec><name>n</name></rec>"
        "<rec><price>20</price><price>1</price></rec><rec><price>12</price></rec></r>");
    auto found = doc->FirstChild()->FindNextRecord(x("price"), x("1*"));
    ASSERT_TRUE(found);
    EXPECT_EQ(where(found->FirstChild().get()), "price=15");  // the record itself, not its field
    auto second = doc->GetChild(1);
    found = second->FindNextRecord(x("price"), x("1*"));
    ASSERT_TRUE(found);
    EXPECT_EQ(where(found->FirstChild().get()), "price=12");  // only the first price of each record
    EXPECT_EQ(second->FindNextRecord(x("price"), x("3*")), nullptr);
    EXPECT_EQ(where(doc->FindNextRecord(x("rec"), x("")).get()), "r=");  // its first rec has no content
    EXPECT_EQ(doc->FindNextRecord(x("price"), x("*")), nullptr);         // a root has no siblings
}

TEST(Search, ContentMatchesAndChildContentMatches) {
    auto doc = load("<r><a>Hello</a><a>other</a><b/></r>");
    const struct { const char *tag, *pattern; bool caseSensitive, expected; } cases[] = {
        {"a", "H*o", true, true},     {"a", "h*O", true, false}, {"a", "h*O", false, true},
        {"a", "other", true, false},  // only the first "a" is examined
        {"b", "*", true, false},      // never had content
        {"b", "", true, false},       {"c", "*", true, false},   {" a", "*", true, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(doc->ChildContentMatches(x(c.tag), x(c.pattern), c.caseSensitive), c.expected)
            << c.tag << " " << c.pattern;
    auto b = doc->GetChild(2);
    EXPECT_FALSE(b->ContentMatches(x("*"), true) || b->ContentMatches(x(""), true));
    b->put_Content(x(""));
    EXPECT_TRUE(b->ContentMatches(x("*"), true) && b->ContentMatches(x(""), true));
    EXPECT_FALSE(b->ContentMatches(x("a*"), true));
    EXPECT_TRUE(doc->ChildContentMatches(x("b"), x("***"), true));
}

}  // namespace
}  // namespace quorvel::test
