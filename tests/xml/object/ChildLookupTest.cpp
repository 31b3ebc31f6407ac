// The Xml object's lookups among direct children and the values read from them: which
// arguments are trimmed, out-of-range indexes, and the integer and boolean readings.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/XString.h"
#include "XmlTestSupport.h"
#include "xml/object/ClsXml.h"

namespace quorvel {
namespace {

using namespace quorvel::test;

const char *kList =
    "<list><item id=\"1\">first</item><other>first</other><item id=\"22\" kind=\"\">second</item>"
    "<deep><item>grandchild</item></deep></list>";

TEST(ChildLookup, ObjectResultsTable) {
    auto doc = load(kList);
    struct Case {
        const char *call;
        std::unique_ptr<ClsXml> found;
        const char *expected;
    } cases[] = {
        {"FindChild trims", doc->FindChild(x(" item\r\n")), "item=first"},
        {"FindChild exact", doc->FindChild(x("Item")), "none"},
        {"FindChild direct only", load("<r><a><t/></a></r>")->FindChild(x("t")), "none"},
        {"GetChildWithTag", doc->GetChildWithTag(x("\tother")), "other=first"},
        {"Nth 0", doc->GetNthChildWithTag(x("item"), 0), "item=first"},
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
    for (const Case &c : cases) EXPECT_EQ(where(c.found.get()), c.expected) << c.call;
}

TEST(ChildLookup, CountsAndHasTests) {
    auto doc = load(kList);
    EXPECT_EQ(doc->NumChildrenHavingTag(x(" item ")), 2);
    EXPECT_EQ(doc->NumChildrenHavingTag(x("deep")), 1);
    EXPECT_EQ(doc->NumChildrenHavingTag(x("grandchild")), 0);
    // The has-tests take their arguments as given.
    EXPECT_TRUE(doc->HasChildWithTag(x("item")));
    EXPECT_FALSE(doc->HasChildWithTag(x(" item")));
    EXPECT_TRUE(doc->FindChild(x(" item")));
    EXPECT_TRUE(doc->HasChildWithContent(x("second")));
    EXPECT_FALSE(doc->HasChildWithContent(x("grandchild")));
    EXPECT_TRUE(doc->HasChildWithTagAndContent(x("other"), x("first")));
    EXPECT_FALSE(doc->HasChildWithTagAndContent(x("other"), x("second")));
    EXPECT_TRUE(doc->TagEquals(x("list")));
    EXPECT_FALSE(doc->TagEquals(x("list ")));
    EXPECT_FALSE(doc->TagEquals(x("LIST")));
}

TEST(ChildLookup, SecondFormsMoveOnlyOnSuccess) {
    auto doc = load(kList);
    EXPECT_FALSE(doc->FindChild2(x("missing")));
    EXPECT_FALSE(doc->GetNthChildWithTag2(x("item"), 2));
    EXPECT_FALSE(doc->GetNthChildWithTag2(x("item"), -1));
    EXPECT_EQ(where(doc.get()), "list=");
    ASSERT_TRUE(doc->GetNthChildWithTag2(x(" item"), 1));
    EXPECT_EQ(where(doc.get()), "item=second");
    ASSERT_TRUE(doc->GetParent2());
    ASSERT_TRUE(doc->FindChild2(x("deep ")));
    EXPECT_EQ(where(doc.get()), "deep=");
}

TEST(ChildValues, ContentAndTagReadings) {
    auto doc = load("<r><a>text</a><empty/><a>second</a></r>");
    XString out;
    EXPECT_TRUE(doc->GetChildContent(x("a"), out));
    EXPECT_STREQ(out.getUtf8(), "text");
    EXPECT_TRUE(doc->GetChildContent(x("empty"), out));  // found, no content: empty text
    EXPECT_STREQ(out.getUtf8(), "");
    EXPECT_FALSE(doc->GetChildContent(x(" a"), out));
    EXPECT_FALSE(doc->GetChildContent(x("missing"), out));

    struct Index {
        int index;
        bool found;
        const char *tag, *content;
    } indexes[] = {{0, true, "a", "text"}, {2, true, "a", "second"}, {3, false, "", ""}, {-1, false, "", ""}};
    for (const Index &c : indexes) {
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
}

TEST(ChildValues, IntegerAndBooleanReadings) {
    struct Case {
        const char *content;  // null: no such child
        int intValue;
        bool boolValue;
    } cases[] = {
        {nullptr, 0, false}, {"abc", 0, false}, {"", 0, false},      {"0", 0, false},
        {"1", 1, true},      {"25", 25, true},  {"-1", -1, true},    {"true", 0, false},
        {"yes", 0, false},   {"12abc", 12, true}, {" 5", 0, false}, {"+007", 7, true},
    };
    for (const Case &c : cases) {
        auto doc = load(c.content ? "<r><v/></r>" : "<r><w>1</w></r>");
        if (c.content) doc->FirstChild()->put_Content(x(c.content));
        EXPECT_EQ(doc->GetChildIntValue(x("v")), c.intValue) << (c.content ? c.content : "(none)");
        EXPECT_EQ(doc->GetChildBoolValue(x("v")), c.boolValue) << (c.content ? c.content : "(none)");
    }
}

}  // namespace
}  // namespace quorvel
