// The Xml object: creation, navigation, element and document properties, copying.
#include <gtest/gtest.h>

#include <string>

#include "foundation/XString.h"
#include "XmlTestSupport.h"
#include "xml/object/ClsXml.h"

namespace quorvel {
namespace {

using namespace quorvel::test;

TEST(ClsXmlCreate, FreshObjectStandsOnUnnamedRoot) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    EXPECT_EQ(tagOf(*xml), "unnamed");
    EXPECT_EQ(xml->get_NumChildren(), 0);
    EXPECT_GE(xml->get_TreeId(), 100);
    EXPECT_TRUE(xml->get_EmitXmlDecl());
    EXPECT_FALSE(xml->get_SortCaseInsensitive());
    EXPECT_EQ(documentOf(*xml), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<unnamed />\r\n");
    xml->put_EmitXmlDecl(false);
    EXPECT_EQ(documentOf(*xml), "<unnamed />\r\n");
}

TEST(ClsXmlNavigate, NewObjectsAndMovesInPlace) {
    auto xml = load("<r><a/><b><b1/></b><c/></r>");
    xml->put_SortCaseInsensitive(true);
    EXPECT_EQ(xml->GetChild(-1), nullptr);
    EXPECT_EQ(xml->GetChild(3), nullptr);
    EXPECT_FALSE(xml->GetChild2(3));
    EXPECT_EQ(tagOf(*xml), "r");
    auto b = xml->GetChild(1);
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->get_SortCaseInsensitive());  // switches are copied
    EXPECT_EQ(tagOf(*b->FirstChild()), "b1");
    EXPECT_EQ(tagOf(*b->NextSibling()), "c");
    EXPECT_EQ(tagOf(*b->PreviousSibling()), "a");
    EXPECT_EQ(tagOf(*b->GetParent()), "r");
    EXPECT_EQ(tagOf(*b->GetRoot()), "r");
    EXPECT_EQ(tagOf(*b->GetSelf()), "b");
    EXPECT_EQ(xml->GetParent(), nullptr);
    EXPECT_FALSE(xml->GetParent2());
    xml->GetRoot2();
    EXPECT_EQ(tagOf(*xml), "r");

    ASSERT_TRUE(xml->LastChild2());
    EXPECT_EQ(tagOf(*xml), "c");
    EXPECT_FALSE(xml->NextSibling2());
    ASSERT_TRUE(xml->PreviousSibling2());
    ASSERT_TRUE(xml->FirstChild2());
    EXPECT_EQ(tagOf(*xml), "b1");
    xml->GetRoot2();
    EXPECT_EQ(tagOf(*xml), "r");
}

TEST(ClsXmlElement, ContentAttributesAndIntegerRule) {
    auto xml = load("<r id=\"7\" n=\"-0012x\"/>");
    struct IntCase {
        const char *content;
        int value;
    } cases[] = {{"007", 7}, {"+5x", 5}, {" 5", 0}, {"12abc", 12}, {"abc", 0}, {"-7", -7}};
    for (const IntCase &c : cases) {
        xml->put_Content(x(c.content));
        EXPECT_EQ(xml->get_ContentInt(), c.value) << c.content;
    }
    xml->put_ContentInt(-42);
    XString text;
    xml->get_Content(text);
    EXPECT_STREQ(text.getUtf8(), "-42");

    xml->put_Tag(x("a b<c>"));
    EXPECT_EQ(tagOf(*xml), "abc");
    EXPECT_EQ(xml->GetAttrValueInt(x(" n ")), -12);
    EXPECT_TRUE(xml->HasAttribute(x("\tid\r\n")));
    EXPECT_TRUE(xml->HasAttrWithValue(x("id"), x("7")));
    EXPECT_FALSE(xml->HasAttrWithValue(x("id"), x("7 ")));
    xml->GetAttributeName(99, text);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(xml->GetAttributeValue(99, text));
    EXPECT_TRUE(xml->GetAttributeValue(0, text));
    EXPECT_STREQ(text.getUtf8(), "7");
    EXPECT_EQ(xml->GetAttributeValueInt(1), -12);
    EXPECT_FALSE(xml->GetAttrValue(x("missing"), text));
}

TEST(ClsXmlDocument, EncodingStandaloneAndDocType) {
    auto xml = load("<r><c/></r>");
    XString text;
    xml->get_Encoding(text);
    EXPECT_STREQ(text.getUtf8(), "utf-8");
    auto child = xml->FirstChild();
    child->put_Encoding(x(" utf-8 >"));  // document-level, whatever node the object is on
    EXPECT_EQ(documentOf(*xml), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>\r\n    <c />\r\n</r>\r\n");
    xml->put_Encoding(x("ISO-8859-1"));
    xml->get_Encoding(text);
    EXPECT_STREQ(text.getUtf8(), "ISO-8859-1");

    EXPECT_FALSE(xml->get_Standalone());
    xml->put_Standalone(true);
    EXPECT_TRUE(xml->get_Standalone());
    auto upper = load("<?xml version=\"1.0\" standalone=\"YES\"?><r/>");
    EXPECT_TRUE(upper->get_Standalone());

    xml->put_DocType(x("<!DOCTYPE r>"));
    child->get_DocType(text);
    EXPECT_STREQ(text.getUtf8(), "<!DOCTYPE r>");
    xml->put_DocType(x(""));
    xml->get_DocType(text);
    EXPECT_TRUE(text.isEmpty());
}

TEST(ClsXmlCopy, CopyTakesTagContentAttributesOnly) {
    auto from = load("<src a=\"1\" b=\"2\"><![CDATA[text]]><kid/></src>");
    auto to = load("<dst old=\"x\"><keep/></dst>");
    to->Copy(from.get());
    EXPECT_EQ(documentOf(*to), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<src a=\"1\" b=\"2\">text\r\n    <keep />\r\n</src>\r\n");
    EXPECT_FALSE(to->get_Cdata());
    to->Copy(nullptr);
    EXPECT_EQ(tagOf(*to), "src");
}

TEST(ClsXmlCopy, CopyRefMovesIntoTheOtherDocument) {
    auto a = load("<a/>");
    auto b = load("<b><c/></b>");
    auto onC = b->FirstChild();
    a->CopyRef(onC.get());  // a's document had only a: it is freed (the leak checker watches)
    EXPECT_EQ(a->get_TreeId(), b->get_TreeId());
    EXPECT_EQ(tagOf(*a), "c");
}

TEST(ClsXmlLifetime, ObjectsKeepTheirTreeAcrossLoadsAndClear) {
    auto a = load("<old><x/></old>");
    auto onX = a->FirstChild();
    int oldId = a->get_TreeId();
    ASSERT_TRUE(a->LoadXml(x("<new/>")));
    EXPECT_NE(a->get_TreeId(), oldId);
    EXPECT_EQ(onX->get_TreeId(), oldId);
    EXPECT_EQ(tagOf(*onX->GetParent()), "old");
    onX->Clear();
    EXPECT_EQ(tagOf(*onX), "unnamed");
    EXPECT_FALSE(a->LoadXml(x("no elements here")));
    EXPECT_EQ(tagOf(*a), "new");  // a failed load keeps the old tree
}

}  // namespace
}  // namespace quorvel
