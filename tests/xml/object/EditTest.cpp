// Xml object editing: new children, content arithmetic, attributes, subtrees, style sheets.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

TEST(XmlNewChild, TagCleanUpAndContent) {
    auto xml = loaded("<r/>");
    auto child = xml->NewChild(x(" first name "), x("x"));
    EXPECT_EQ(tagOf(*child), "first_name");
    EXPECT_EQ(tagOf(*xml->NewChild(x("a<b"), x(""))), "ab");
    EXPECT_TRUE(xml->GetChild(1)->get_Cdata() == false);
    xml->put_SortCaseInsensitive(true);
    xml->put_EmitXmlDecl(false);
    auto fresh = xml->NewChild(x("c"), x(""));
    EXPECT_FALSE(fresh->get_SortCaseInsensitive());  // new nodes come with default switches
    EXPECT_TRUE(fresh->get_EmitXmlDecl());
    xml->NewChildInt2(x("n"), -5);
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <first_name>x</first_name>\r\n    <ab />\r\n    <c />\r\n    <n>-5</n>\r\n</r>\r\n");
}

TEST(XmlNewChild, InsertPositions) {
    struct Case {
        bool before;
        int index;
        const char *order;
    } cases[] = {
        {true, 0, "N,a,b,c"}, {true, 1, "N,a,b,c"}, {true, 2, "a,N,b,c"}, {true, 3, "a,b,N,c"}, {true, 4, "a,b,c,N"},
        {false, 1, "a,b,N,c"}, {false, 2, "a,b,c,N"}, {false, -5, "a,N,b,c"}, {false, 0, "a,N,b,c"},
    };
    for (const Case &c : cases) {
        auto xml = loaded("<r><a/><b/><c/></r>");
        auto made = c.before ? xml->NewChildBefore(c.index, x("N"), x("")) : xml->NewChildAfter(c.index, x("N"), x(""));
        ASSERT_TRUE(made);
        EXPECT_EQ(childTags(*xml), c.order) << (c.before ? "before " : "after ") << c.index;
    }
}

TEST(XmlNewChild, FindOrAddReturnsTheSameChild) {
    auto xml = loaded("<r/>");
    auto first = xml->FindOrAddNewChild(x("item"));
    auto second = xml->FindOrAddNewChild(x("item"));
    EXPECT_EQ(first->node(), second->node());
    EXPECT_EQ(xml->get_NumChildren(), 1);
}

TEST(XmlContentEdits, ArithmeticAndChildUpdates) {
    auto xml = loaded("<r>abc<count>7x</count></r>");
    xml->AddToContent(-3);
    EXPECT_EQ(contentOf(*xml), "-3");
    xml->AddToChildContent(x("count"), 5);
    xml->AddToChildContent(x("missing"), 2);
    xml->UpdateChildContent(x(" price "), x("10"));
    xml->UpdateChildContent(x("price"), x("11"));
    xml->UpdateChildContentInt(x("qty"), 4);
    EXPECT_TRUE(xml->AppendToContent(x("!")));
    EXPECT_EQ(xmlOf(*xml), "<r>-3!\r\n    <count>12</count>\r\n    <missing>2</missing>\r\n    <price>11</price>\r\n"
                           "    <qty>4</qty>\r\n</r>\r\n");
    xml->put_Content(x("2147483647"));
    xml->AddToContent(1);  // wraps around in 32 bits
    EXPECT_EQ(contentOf(*xml), "-2147483648");
}

TEST(XmlAttributes, AddUpdateAndArithmetic) {
    auto xml = loaded("<r count=\"7x\"/>");
    EXPECT_TRUE(xml->AddAttribute(x("x"), x("1")));
    EXPECT_TRUE(xml->AddAttribute(x("x"), x("1")));
    EXPECT_TRUE(xml->UpdateAttribute(x("x"), x("2")));
    EXPECT_EQ(attributesOf(*xml), "count=7x;x=2;");
    xml->AddAttribute(x(" 2nd "), x("v"));
    xml->UpdateAttribute(x(" id"), x("v"));  // stored unchanged; the getters trim to "id"
    EXPECT_FALSE(xml->HasAttribute(x("id")));
    xml->AddToAttribute(x("count"), 5);
    xml->AddToAttribute(x("fresh"), 5);
    EXPECT_EQ(attributesOf(*xml), "x=2;A2nd=v; id=v;count=12;fresh=5;");
    xml->AddOrUpdateAttribute(x("x"), x("3"));
    xml->AddOrUpdateAttributeI(x("y"), 9);
    EXPECT_TRUE(xml->AddAttributeInt(x("z"), -1));
    EXPECT_TRUE(xml->UpdateAttributeInt(x("A2nd"), 8));
    EXPECT_EQ(attributesOf(*xml), " id=v;count=12;fresh=5;x=3;y=9;z=-1;A2nd=8;");
    EXPECT_TRUE(xml->RemoveAttribute(x(" x ")));
    EXPECT_FALSE(xml->HasAttribute(x("x")));
    EXPECT_TRUE(xml->RemoveAllAttributes());
    EXPECT_EQ(xml->get_NumAttributes(), 0);
}

TEST(XmlSubtrees, AddChildTreeMovesBetweenDocuments) {
    auto doc = loaded("<doc><a/></doc>");
    auto other = loaded("<other><moving><k/></moving></other>");
    auto moving = other->FirstChild();
    EXPECT_FALSE(doc->AddChildTree(doc.get()));
    EXPECT_FALSE(doc->AddChildTree(nullptr));
    EXPECT_TRUE(doc->AddChildTree(moving.get()));
    EXPECT_EQ(childTags(*doc), "a,moving");
    EXPECT_EQ(other->get_NumChildren(), 0);
    EXPECT_EQ(moving->get_TreeId(), doc->get_TreeId());

    // An ancestor of this node: detached from its document, nothing attached.
    auto deep = loaded("<top><mid><leaf/></mid></top>");
    auto mid = deep->FirstChild();
    auto leaf = mid->FirstChild();
    EXPECT_TRUE(leaf->AddChildTree(mid.get()));
    EXPECT_EQ(deep->get_NumChildren(), 0);
    EXPECT_EQ(leaf->get_NumChildren(), 0);
    EXPECT_EQ(leaf->get_TreeId(), mid->get_TreeId());
    // The root of this document: nothing changes.
    auto root = leaf->GetRoot();
    EXPECT_TRUE(leaf->AddChildTree(root.get()));
    EXPECT_EQ(tagOf(*leaf->GetParent()), "mid");
}

TEST(XmlSubtrees, InsertChildTreePositions) {
    struct Case {
        bool before;
        int index;
        const char *order;
    } cases[] = {{true, 0, "t,a,b,c"}, {true, 3, "a,b,c,t"}, {true, -2, "t,a,b,c"}, {false, -1, "a,t,b,c"},
                 {false, 1, "a,b,t,c"}, {false, 2, "a,b,c,t"}};
    for (const Case &c : cases) {
        auto xml = loaded("<r><a/><b/><c/></r>");
        auto t = loaded("<t/>");
        if (c.before)
            xml->InsertChildTreeBefore(c.index, t.get());
        else
            xml->InsertChildTreeAfter(c.index, t.get());
        EXPECT_EQ(childTags(*xml), c.order) << (c.before ? "before " : "after ") << c.index;
    }
}

TEST(XmlSubtrees, SwapsAndTheirRefusals) {
    auto xml = loaded("<r><a k=\"1\">A<a1/></a><b>B</b></r>");
    auto a = xml->GetChild(0), b = xml->GetChild(1);
    EXPECT_TRUE(a->SwapNode(b.get()));
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <b>B\r\n        <a1 />\r\n    </b>\r\n    <a k=\"1\">A</a>\r\n</r>\r\n");
    // SwapTree leaves both with a children array, so "a" closes on its indentation.
    EXPECT_TRUE(a->SwapTree(b.get()));
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <a k=\"1\">A    </a>\r\n    <b>B\r\n        <a1 />\r\n    </b>\r\n</r>\r\n");
    EXPECT_TRUE(a->SwapNode(a.get()));
    EXPECT_FALSE(xml->SwapTree(a.get()));  // a node and its own descendant
    EXPECT_FALSE(a->SwapTree(xml.get()));
    EXPECT_FALSE(a->SwapNode(nullptr));
}

TEST(XmlSubtrees, RemovingAndExtracting) {
    auto xml = loaded("<r><item>1</item><x/><item>2</item><y>c</y><item>3</item></r>");
    auto held = xml->GetChild(2);
    xml->RemoveChild(x("item"));
    EXPECT_EQ(childTags(*xml), "x,y");
    EXPECT_EQ(contentOf(*held), "2");  // lives on as its own tree
    EXPECT_NE(held->get_TreeId(), xml->get_TreeId());
    xml->RemoveChildWithContent(x("c"));
    xml->RemoveChildByIndex(5);
    EXPECT_EQ(childTags(*xml), "x");

    auto doc = loaded("<r><a/><b/><c/></r>");
    EXPECT_EQ(doc->ExtractChildByIndex(3), nullptr);
    auto b = doc->ExtractChildByIndex(1);
    ASSERT_TRUE(b);
    EXPECT_EQ(tagOf(*b), "b");
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_EQ(childTags(*doc), "a,c");
    auto c = doc->GetChild(1);
    c->RemoveFromTree();
    EXPECT_EQ(childTags(*doc), "a");
    EXPECT_EQ(tagOf(*c->GetRoot()), "c");
    doc->RemoveAllChildren();
    EXPECT_EQ(doc->get_NumChildren(), 0);
}

TEST(XmlSubtrees, ExtractChildByName) {
    auto xml = loaded("<r><x id=\"1\"/><y><x id=\"22\"/></y><x/></r>");
    auto first = xml->ExtractChildByName(x(" x "), x(""), x("ignored"));
    ASSERT_TRUE(first);
    EXPECT_EQ(attributesOf(*first), "id=1;");
    auto nested = xml->ExtractChildByName(x("x"), x(" id "), x("2*"));  // searched in level order
    ASSERT_TRUE(nested);
    EXPECT_EQ(attributesOf(*nested), "id=22;");
    EXPECT_EQ(xml->ExtractChildByName(x("x"), x("id"), x("*")), nullptr);
    EXPECT_EQ(childTags(*xml), "y,x");
    // The search starts with the node itself: an "x" extracts itself from its document.
    auto self = xml->LastChild();
    self->AddAttribute(x("id"), x("7"));
    auto same = self->ExtractChildByName(x("x"), x("id"), x("*"));
    ASSERT_TRUE(same);
    EXPECT_EQ(same->node(), self->node());
    EXPECT_EQ(childTags(*xml), "y");
}

TEST(XmlStyleSheet, AddedOnlyForACompleteInstruction) {
    struct Case {
        const char *text;
        bool added;
    } cases[] = {
        {"<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>", true},
        {"junk before <?XML-STYLESHEET href='t.xsl'?>", true},
        {"xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>", false},
        {"no markup at all", false},
    };
    for (const Case &c : cases) {
        auto xml = loaded("<r/>");
        xml->AddStyleSheet(x(c.text));
        EXPECT_EQ(xmlOf(*xml).find("<?xml-stylesheet") == 0, c.added) << c.text;
    }
    auto xml = loaded("<r/>");
    xml->AddStyleSheet(x("<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>"));
    EXPECT_EQ(xmlOf(*xml), "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\" ?>\r\n<r />\r\n");
}

}  // namespace
}  // namespace quorvel::test
