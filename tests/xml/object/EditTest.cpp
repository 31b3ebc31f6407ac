// Xml object editing: new children, content arithmetic, attributes, subtrees.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

TEST(XmlEdit, NewChildrenCleanTheirTagAndStartWithDefaultSwitches) {
    auto xml = load("<r/>");
    xml->put_SortCaseInsensitive(true);
    auto fresh = xml->NewChild(x(" a b<c "), x(""));
    EXPECT_TRUE(tagOf(*fresh) == "a_bc" && !fresh->get_SortCaseInsensitive());
    EXPECT_EQ(xml->FindOrAddNewChild(x("item"))->node(), xml->FindOrAddNewChild(x("item"))->node());
}

TEST(XmlEdit, InsertPositions) {
    // Kinds: 'b' NewChildBefore, 'a' NewChildAfter, 'B' InsertChildTreeBefore, 'A' InsertChildTreeAfter.
    const struct { char kind; int index; const char *order; } cases[] = {
        {'b', 1, "N,a,b,c"}, {'b', 2, "a,N,b,c"}, {'b', 4, "a,b,c,N"}, {'a', 2, "a,b,c,N"}, {'a', -5, "a,N,b,c"},
        {'B', 3, "a,b,c,N"}, {'B', -2, "N,a,b,c"}, {'A', -1, "a,N,b,c"}, {'A', 2, "a,b,c,N"},
    };
    for (const auto &c : cases) {
        auto xml = load("<r><a/><b/><c/></r>"), tree = load("<N/>");
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
    xml->AddToChildContent(x("count"), 5);
    xml->UpdateChildContent(x(" price "), x("10"));  // trimmed: the second call finds the first's child
    xml->UpdateChildContent(x("price"), x("11"));
    EXPECT_EQ(xmlOf(*xml), "<r>abc\r\n    <count>12</count>\r\n    <price>11</price>\r\n</r>\r\n");
    xml->put_Content(x("2147483647"));
    xml->AddToContent(1);  // wraps around in 32 bits
    EXPECT_EQ(contentOf(*xml), "-2147483648");
}

TEST(XmlEdit, AttributesAddUpdateAndArithmetic) {
    auto xml = load("<r count=\"7x\"/>");
    xml->AddAttribute(x(" 2nd "), x("v"));   // cleaned into a name
    xml->UpdateAttribute(x(" id"), x("v"));  // stored unchanged; the getters trim to "id"
    EXPECT_FALSE(xml->HasAttribute(x("id")));
    xml->AddToAttribute(x("count"), 5);  // an update moves the attribute to the end
    xml->AddToAttribute(x("fresh"), 5);
    EXPECT_TRUE(xml->RemoveAttribute(x(" A2nd ")));
    EXPECT_EQ(attributesOf(*xml), " id=v;count=12;fresh=5;");
}

TEST(XmlEdit, AddChildTreeMovesTheSubtree) {
    auto doc = load("<doc><a/></doc>");
    auto other = load("<other><moving><k/></moving></other>");
    auto moving = other->FirstChild();
    EXPECT_FALSE(doc->AddChildTree(doc.get()) || doc->AddChildTree(nullptr));
    EXPECT_TRUE(doc->AddChildTree(moving.get()));
    EXPECT_EQ(childTags(*doc) + childTags(*other), "a,moving");
    EXPECT_EQ(moving->get_TreeId(), doc->get_TreeId());
    // An ancestor of this node is detached from its document and nothing is attached.
    auto deep = load("<top><mid><leaf/></mid></top>");
    auto mid = deep->FirstChild(), leaf = mid->FirstChild();
    EXPECT_TRUE(leaf->AddChildTree(mid.get()));
    EXPECT_EQ(deep->get_NumChildren() + leaf->get_NumChildren(), 0);
    EXPECT_TRUE(leaf->AddChildTree(leaf->GetRoot().get()));  // its own root: nothing changes
    EXPECT_EQ(tagOf(*leaf->GetParent()), "mid");
}

TEST(XmlEdit, SwapsAndTheirRefusals) {
    auto xml = load("<r><a k=\"1\">A<a1/></a><b>B</b></r>");
    auto a = xml->GetChild(0), b = xml->GetChild(1);
    EXPECT_TRUE(a->SwapTree(b.get()));
    EXPECT_EQ(xmlOf(*xml), "<r>\r\n    <b>B    </b>\r\n    <a k=\"1\">A\r\n        <a1 />\r\n    </a>\r\n</r>\r\n");
    // A node and its own ancestor or descendant: refused, nothing changed.
    auto a1 = b->FirstChild();
    EXPECT_FALSE(xml->SwapTree(a1.get()));
    EXPECT_FALSE(a1->SwapTree(b.get()));
    EXPECT_EQ(tagOf(*a1->GetParent()), "a");
    EXPECT_TRUE(a->SwapNode(a.get()));
    EXPECT_FALSE(a->SwapTree(nullptr));
}

TEST(XmlEdit, RemovingAndExtracting) {
    auto xml = load("<r><item>1</item><x/><item>2</item><y>c</y><item>3</item></r>");
    auto held = xml->GetChild(2);
    xml->RemoveChild(x("item"));
    EXPECT_EQ(childTags(*xml), "x,y");
    EXPECT_EQ(contentOf(*held), "2");  // lives on as its own tree

    auto named = load("<r><x id=\"1\"/><y><x id=\"22\"/></y><x/></r>");
    EXPECT_EQ(attributesOf(*named->ExtractChildByName(x(" x "), x(""), x("ignored"))), "id=1;");
    EXPECT_EQ(attributesOf(*named->ExtractChildByName(x("x"), x(" id "), x("2*"))), "id=22;");  // in level order
    // The search starts with the node itself: an "x" extracts itself from its document.
    auto self = named->LastChild();
    self->AddAttribute(x("id"), x("7"));
    EXPECT_EQ(self->ExtractChildByName(x("x"), x("id"), x("*"))->node(), self->node());
    EXPECT_EQ(childTags(*named), "y");
}

}  // namespace
}  // namespace quorvel::test
