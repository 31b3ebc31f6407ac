// The Xml object: creation, navigation, properties, copying, editing, trees that outlive a load,
// the file-name shortcut of LoadXml, and the declaration GetXml adds at the root only.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel::test {
namespace {

TEST(ClsXmlCore, FreshObjectNavigationAndNewChildren) {
    EXPECT_EQ(documentOf(*ClsXml::createNew()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<unnamed />\r\n");
    auto xml = load("<r><a/><b><b1/></b><c/></r>");
    xml->put_SortCaseInsensitive(true);
    EXPECT_FALSE(xml->GetChild(-1) || xml->GetChild(3) || xml->GetParent() || xml->GetChild2(3) || xml->GetParent2());
    EXPECT_TRUE(xml->GetChild(1)->get_SortCaseInsensitive());  // switches are copied
    // New children clean their tag and start with default switches.
    auto fresh = xml->NewChild(x(" a b<c "), x(""));
    EXPECT_TRUE(tagOf(*fresh) == "a_bc" && !fresh->get_SortCaseInsensitive());
    EXPECT_EQ(xml->FindOrAddNewChild(x("item"))->node(), xml->FindOrAddNewChild(x("item"))->node());
    // Now r(a b(b1) c a_bc item): the last child, back three, down one.
    ASSERT_TRUE(xml->LastChild2() && !xml->NextSibling2() && xml->PreviousSibling2() && xml->PreviousSibling2() &&
                xml->PreviousSibling2() && xml->FirstChild2());
    EXPECT_EQ(tagOf(*xml), "b1");
}

TEST(ClsXmlCore, ContentAttributesAndTheIntegerRule) {
    auto xml = load("<r id=\"7\" n=\"-0012x\" count=\"7x\"/>");
    xml->put_Content(x("+5x"));  // read as atoi reads (the rule's own rows: StringBufferParse)
    EXPECT_EQ(xml->get_ContentInt(), 5);
    // Names are trimmed, values compared exactly.
    EXPECT_EQ(xml->GetAttrValueInt(x(" n ")), -12);
    // Out of range, a name is empty text (a success), a value is no text (a failure).
    XString name, value;
    EXPECT_TRUE(xml->GetAttributeName(99, name) && *name.getUtf8() == '\0');
    EXPECT_FALSE(xml->GetAttributeValue(99, value));
    EXPECT_TRUE(xml->HasAttribute(x("\tid\r\n")) && xml->HasAttrWithValue(x("id"), x("7")));
    EXPECT_FALSE(xml->HasAttrWithValue(x("id"), x("7 ")));
    xml->put_Content(x("2147483647"));
    xml->AddToContent(1);  // wraps around in 32 bits
    EXPECT_EQ(contentOf(*xml), "-2147483648");
    xml->AddAttribute(x(" 2nd "), x("v"));   // cleaned into a name
    xml->UpdateAttribute(x(" id"), x("v"));  // stored unchanged, beside "id"
    xml->AddToAttribute(x("count"), 5);  // an update moves the attribute to the end
    xml->AddToAttribute(x("fresh"), 5);
    EXPECT_TRUE(xml->RemoveAttribute(x(" A2nd ")));
    EXPECT_EQ(attributesOf(*xml), "id=7;n=-0012x; id=v;count=12;fresh=5;");
}

TEST(ClsXmlCore, CopyCopyRefAndTreesThatOutliveALoad) {
    auto from = load("<src a=\"1\" b=\"2\"><![CDATA[text]]><kid/></src>");
    auto to = load("<dst old=\"x\"><keep/></dst>");
    to->Copy(from.get());  // neither children nor the CDATA flag
    to->Copy(nullptr);
    EXPECT_EQ(xmlOf(*to), "<src a=\"1\" b=\"2\">text\r\n    <keep />\r\n</src>\r\n");
    to->CopyRef(from->FirstChild().get());  // to's document had only to: it is freed (the leak checker watches)
    EXPECT_EQ(tagOf(*to), "kid");
    auto a = load("<old><x/></old>");
    auto onX = a->FirstChild();
    ASSERT_TRUE(a->LoadXml(x("<new/>")));
    EXPECT_EQ(tagOf(*onX->GetParent()), "old");
    onX->Clear();
    EXPECT_EQ(tagOf(*onX), "unnamed");
}

TEST(XmlLoad, ShortTextEndingInDotXmlIsAFileName) {
    const std::string dir = scratchDir("XmlLoadShortcut");
    ASSERT_TRUE(writeRawFile(dir + "books.XML", "<books><b/></books>"));
    auto xml = ClsXml::createNew();
    ASSERT_TRUE(xml->LoadXml(x(("  " + dir + "books.XML \r\n").c_str())));
    EXPECT_EQ(tagOf(*xml), "books");
    // With a '<', or 100 bytes long, the text is parsed as XML instead: nothing to load, and
    // no file is tried; a failed load keeps the old tree.
    ASSERT_LT(dir.size(), 90u);
    for (const std::string &text : {dir + "books.XML<", dir + std::string(100 - dir.size() - 4, 'n') + ".xml"}) {
        EXPECT_FALSE(xml->LoadXml(x(text.c_str()))) << text;
        EXPECT_EQ(lastError(*xml).find("loadFileX"), std::string::npos) << lastError(*xml);
        EXPECT_EQ(tagOf(*xml), "books");
    }
}

TEST(XmlGetXml, DeclarationOnlyAtTheRoot) {
    auto xml = load("<r><c>t</c></r>");
    XString out;
    ASSERT_TRUE(xml->FirstChild()->GetXml(out));
    EXPECT_STREQ(out.getUtf8(), "\r\n<c>t</c>\r\n");
    EXPECT_EQ(xml->node()->treeInfo()->declaration(), nullptr);  // nothing added to the document
    EXPECT_EQ(documentOf(*xml).find("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>"), 0u);
    EXPECT_NE(xml->node()->treeInfo()->declaration(), nullptr);
}

TEST(XmlEdit, InsertPositions) {
    // Kinds: 'b' NewChildBefore, 'a' NewChildAfter, 'B' InsertChildTreeBefore, 'A' InsertChildTreeAfter.
    const struct { char kind; int index; const char *order; } cases[] = {
        {'b', 1, "N,a,b,c"}, {'b', 4, "a,b,c,N"}, {'a', 2, "a,b,c,N"}, {'a', -5, "a,N,b,c"}, {'B', -2, "N,a,b,c"}, {'A', -1, "a,N,b,c"},
    };
    for (const auto &c : cases) {
        auto xml = load("<r><a/><b/><c/></r>"), tree = load("<N/>");
        if (c.kind == 'B') xml->InsertChildTreeBefore(c.index, tree.get());
        if (c.kind == 'A') xml->InsertChildTreeAfter(c.index, tree.get());
        const bool made = c.kind == 'b' ? !!xml->NewChildBefore(c.index, x("N"), x(""))
                                        : c.kind != 'a' || xml->NewChildAfter(c.index, x("N"), x(""));
        EXPECT_TRUE(made && childTags(*xml) == c.order) << c.kind << " " << c.index << ": " << childTags(*xml);
    }
}

TEST(XmlEdit, ChildContentUpdates) {
    auto xml = load("<r>abc<count>7x</count></r>");
    xml->AddToChildContent(x("count"), 5);
    xml->UpdateChildContent(x(" price "), x("10"));  // trimmed: the second call finds the first's child
    xml->UpdateChildContent(x("price"), x("11"));
    EXPECT_EQ(xmlOf(*xml), "<r>abc\r\n    <count>12</count>\r\n    <price>11</price>\r\n</r>\r\n");
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
    EXPECT_FALSE(xml->SwapTree(a1.get()) || a1->SwapTree(b.get()) || a->SwapTree(nullptr));
    EXPECT_EQ(tagOf(*a1->GetParent()), "a");
    EXPECT_TRUE(a->SwapNode(a.get()));
}

TEST(XmlEdit, RemovingAndExtracting) {
    auto xml = load("<r><item>1</item><x/><item>2</item><y>c</y><item>3</item></r>");
    auto held = xml->GetChild(2);
    xml->RemoveChild(x("item"));
    EXPECT_EQ(childTags(*xml) + " " + contentOf(*held), "x,y 2");  // the held one lives on as its own tree
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
