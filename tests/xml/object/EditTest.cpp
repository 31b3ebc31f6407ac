// Xml object editing: new children, content arithmetic, attributes, subtrees, style sheets.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

TEST(XmlEdit, NewChildrenCleanTheirTagAndStartWithDefaultSwitches) {
    auto xml = load("<r/>");
    xml->put_SortCaseInsensitive(true);
    xml->put_EmitXmlDecl(false);
    EXPECT_EQ(tagOf(*xml->NewChild(x(" first name "), x("x"))), "first_name");
    auto fresh = xml->NewChild(x("a<b"), x(""));
    EXPECT_TRUE(tagOf(*fresh) == "ab" && !fresh->get_SortCaseInsensitive() && fresh->get_EmitXmlDecl());
    xml->NewChildInt2(x("n"), -5);
    // FindOrAddNewChild finds the first exact match, or creates one.
    auto item = xml->FindOrAddNewChild(x("item"));
    EXPECT_EQ(item->node(), xml->FindOrAddNewChild(x("item"))->node());
    EXPECT_EQ(xmlOf(*xml),
              "<r>\r\n    <first_name>x</first_name>\r\n    <ab />\r\n    <n>-5</n>\r\n    <item />\r\n</r>\r\n");
}

TEST(XmlEdit, InsertPositions) {
    // Kinds: 'b' NewChildBefore, 'a' NewChildAfter, 'B' InsertChildTreeBefore, 'A' InsertChildTreeAfter.
    const struct { char kind; int index; const char *order; } cases[] = {
        {'b', 0, "N,a,b,c"}, {'b', 1, "N,a,b,c"},  {'b', 2, "a,N,b,c"}, {'b', 3, "a,b,N,c"}, {'b', 4, "a,b,c,N"},
        {'a', 1, "a,b,N,c"}, {'a', 2, "a,b,c,N"},  {'a', -5, "a,N,b,c"}, {'a', 0, "a,N,b,c"},
        {'B', 0, "N,a,b,c"}, {'B', 3, "a,b,c,N"},  {'B', -2, "N,a,b,c"}, {'A', -1, "a,N,b,c"}, {'A', 1, "a,b,N,c"},
        {'A', 2, "a,b,c,N"},
    };
    for (const auto &c : cases) {
        auto xml = load("<r><a/><b/><c/></r>");
        auto tree = load("<N/>");
        switch (c.kind) {
            case 'b': EXPECT_TRUE(xml->NewChildBefore(c.index, x("N"), x(""))); break;
            case 'a': EXPECT_TRUE(xml->NewChildAfter(c.index, x("N"), x(""))); break;
            case 'B': xml->InsertChildTreeBefore(c.index, tree.get()); break;
            case 'A': xml->InsertChildTreeAfter(c.index, tree.get()); break;
        }
        EXPECT_EQ(childTags(*xml), c.order) << c.kind << " " << c.index;
    }
}

TEST(XmlEdit, ContentArithmeticAndChildUpdates) {
    auto xml = load("<r>abc<count>7x</count></r>");
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

TEST(XmlEdit, AttributesAddUpdateAndArithmetic) {
    auto xml = load("<r count=\"7x\"/>");
    EXPECT_TRUE(xml->AddAttribute(x("x"), x("1")) && xml->AddAttribute(x("x"), x("1")));
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
    EXPECT_TRUE(xml->AddAttributeInt(x("z"), -1) && xml->UpdateAttributeInt(x("A2nd"), 8));
    EXPECT_EQ(attributesOf(*xml), " id=v;count=12;fresh=5;x=3;y=9;z=-1;A2nd=8;");
    EXPECT_TRUE(xml->RemoveAttribute(x(" x ")));
    EXPECT_FALSE(xml->HasAttribute(x("x")));
    EXPECT_TRUE(xml->RemoveAllAttributes());
    EXPECT_EQ(xml->get_NumAttributes(), 0);
}

TEST(XmlEdit, AddChildTreeMovesTheSubtree) {
    auto doc = load("<doc><a/></doc>");
    auto other = load("<other><moving><k/></moving></other>");
    auto moving = other->FirstChild();
    EXPECT_FALSE(doc->AddChildTree(doc.get()) || doc->AddChildTree(nullptr));
    EXPECT_TRUE(doc->AddChildTree(moving.get()));
    EXPECT_EQ(childTags(*doc), "a,moving");
    EXPECT_EQ(other->get_NumChildren(), 0);
    EXPECT_EQ(moving->get_TreeId(), doc->get_TreeId());
    // An ancestor of this node is detached from its document and nothing is attached.
    auto deep = load("<top><mid><leaf/></mid></top>");
    auto mid = deep->FirstChild(), leaf = mid->FirstChild();
    EXPECT_TRUE(leaf->AddChildTree(mid.get()));
    EXPECT_EQ(deep->get_NumChildren() + leaf->get_NumChildren(), 0);
    EXPECT_EQ(leaf->get_TreeId(), mid->get_TreeId());
    // The root of this document: nothing changes.
    EXPECT_TRUE(leaf->AddChildTree(leaf->GetRoot().get()));
    EXPECT_EQ(tagOf(*leaf->GetParent()), "mid");
}

TEST(XmlEdit, SwapsAndTheirRefusals) {
    auto xml = load("<r><a k=\"1\">A<a1/></a><b>B</b></r>");
    auto a = xml->GetChild(0), b = xml->GetChild(1);
    EXPECT_TRUE(a->SwapNode(b.get()));
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <b>B\r\n        <a1 />\r\n    </b>\r\n    <a k=\"1\">A</a>\r\n</r>\r\n");
    // SwapTree leaves both with a children array, so "a" closes on its indentation.
    EXPECT_TRUE(a->SwapTree(b.get()));
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <a k=\"1\">A    </a>\r\n    <b>B\r\n        <a1 />\r\n    </b>\r\n</r>\r\n");
    EXPECT_TRUE(a->SwapNode(a.get()));
    EXPECT_FALSE(xml->SwapTree(a.get()) || a->SwapTree(xml.get()) || a->SwapNode(nullptr));  // own descendant, ancestor
}

TEST(XmlEdit, RemovingAndExtracting) {
    auto xml = load("<r><item>1</item><x/><item>2</item><y>c</y><item>3</item></r>");
    auto held = xml->GetChild(2);
    xml->RemoveChild(x("item"));
    EXPECT_EQ(childTags(*xml), "x,y");
    EXPECT_EQ(contentOf(*held), "2");  // lives on as its own tree
    EXPECT_NE(held->get_TreeId(), xml->get_TreeId());
    xml->RemoveChildWithContent(x("c"));
    xml->RemoveChildByIndex(5);
    EXPECT_EQ(childTags(*xml), "x");

    auto doc = load("<r><a/><b/><c/></r>");
    EXPECT_EQ(doc->ExtractChildByIndex(3), nullptr);
    auto b = doc->ExtractChildByIndex(1);
    EXPECT_TRUE(tagOf(*b) == "b" && b->GetParent() == nullptr);
    auto c = doc->GetChild(1);
    c->RemoveFromTree();
    EXPECT_EQ(childTags(*doc), "a");
    EXPECT_EQ(tagOf(*c->GetRoot()), "c");
    doc->RemoveAllChildren();
    EXPECT_EQ(doc->get_NumChildren(), 0);

    auto named = load("<r><x id=\"1\"/><y><x id=\"22\"/></y><x/></r>");
    EXPECT_EQ(attributesOf(*named->ExtractChildByName(x(" x "), x(""), x("ignored"))), "id=1;");
    EXPECT_EQ(attributesOf(*named->ExtractChildByName(x("x"), x(" id "), x("2*"))), "id=22;");  // in level order
    EXPECT_EQ(named->ExtractChildByName(x("x"), x("id"), x("*")), nullptr);
    EXPECT_EQ(childTags(*named), "y,x");
    // The search starts with the node itself: an "x" extracts itself from its document.
    auto self = named->LastChild();
    self->AddAttribute(x("id"), x("7"));
    EXPECT_EQ(self->ExtractChildByName(x("x"), x("id"), x("*"))->node(), self->node());
    EXPECT_EQ(childTags(*named), "y");
}

TEST(XmlEdit, StyleSheetAddedOnlyForACompleteInstruction) {
    const struct { const char *text, *prologue; } cases[] = {
        {"<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>", "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\" ?>\r\n"},
        {"junk before <?XML-STYLESHEET href='t.xsl'?>", "<?xml-stylesheet href=\"t.xsl\" ?>\r\n"},
        {"xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>", ""},
        {"no markup at all", ""},
    };
    for (const auto &c : cases) {
        auto xml = load("<r/>");
        xml->AddStyleSheet(x(c.text));
        EXPECT_EQ(xmlOf(*xml), std::string(c.prologue) + "<r />\r\n") << c.text;
    }
}

}  // namespace
}  // namespace quorvel::test
