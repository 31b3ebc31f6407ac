// The Xml object: creation, navigation, element and document properties, copying, and trees
// that outlive a load.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"

namespace quorvel::test {
namespace {

TEST(ClsXmlCore, FreshObjectStandsOnUnnamedRoot) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    EXPECT_EQ(tagOf(*xml), "unnamed");
    EXPECT_EQ(xml->get_NumChildren(), 0);
    EXPECT_GE(xml->get_TreeId(), 100);
    EXPECT_TRUE(xml->get_EmitXmlDecl() && !xml->get_SortCaseInsensitive());
    EXPECT_EQ(documentOf(*xml), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<unnamed />\r\n");
    EXPECT_EQ(xmlOf(*xml), "<unnamed />\r\n");
}

TEST(ClsXmlCore, NavigationGivesNewObjectsOrMovesInPlace) {
    auto xml = load("<r><a/><b><b1/></b><c/></r>");
    xml->put_SortCaseInsensitive(true);
    EXPECT_TRUE(xml->GetChild(-1) == nullptr && xml->GetChild(3) == nullptr && xml->GetParent() == nullptr);
    EXPECT_FALSE(xml->GetChild2(3) || xml->GetChild2(-1) || xml->GetParent2());
    xml->GetRoot2();
    EXPECT_EQ(tagOf(*xml), "r");
    auto b = xml->GetChild(1);
    EXPECT_TRUE(b->get_SortCaseInsensitive());  // switches are copied
    EXPECT_EQ(tagOf(*b->FirstChild()) + tagOf(*b->NextSibling()) + tagOf(*b->PreviousSibling()) + tagOf(*b->GetParent()) +
                  tagOf(*b->GetRoot()) + tagOf(*b->GetSelf()),
              "b1carrb");
    ASSERT_TRUE(xml->LastChild2());
    EXPECT_FALSE(xml->NextSibling2());
    ASSERT_TRUE(xml->PreviousSibling2() && xml->FirstChild2());
    EXPECT_EQ(tagOf(*xml), "b1");
    xml->GetRoot2();
    EXPECT_EQ(tagOf(*xml), "r");
}

TEST(ClsXmlCore, ContentAttributesAndTheIntegerRule) {
    auto xml = load("<r id=\"7\" n=\"-0012x\"/>");
    const std::pair<const char *, int> cases[] = {{"007", 7}, {"+5x", 5}, {" 5", 0}, {"12abc", 12}, {"abc", 0}, {"-7", -7}};
    for (const auto &[content, value] : cases) {
        xml->put_Content(x(content));
        EXPECT_EQ(xml->get_ContentInt(), value) << content;
    }
    xml->put_ContentInt(-42);
    EXPECT_EQ(contentOf(*xml), "-42");
    xml->put_Tag(x("a b<c>"));
    EXPECT_EQ(tagOf(*xml), "abc");
    // Names are trimmed, values compared exactly.
    EXPECT_EQ(xml->GetAttrValueInt(x(" n ")), -12);
    EXPECT_TRUE(xml->HasAttribute(x("\tid\r\n")) && xml->HasAttrWithValue(x("id"), x("7")));
    EXPECT_FALSE(xml->HasAttrWithValue(x("id"), x("7 ")));
    XString text;
    xml->GetAttributeName(99, text);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_FALSE(xml->GetAttributeValue(99, text) || xml->GetAttrValue(x("missing"), text));
    EXPECT_TRUE(xml->GetAttributeValue(0, text));
    EXPECT_STREQ(text.getUtf8(), "7");
    EXPECT_EQ(xml->GetAttributeValueInt(1), -12);
}

TEST(ClsXmlCore, DocumentPropertiesActOnTheWholeTree) {
    auto xml = load("<r><c/></r>");
    auto child = xml->FirstChild();
    XString text;
    xml->get_Encoding(text);
    EXPECT_STREQ(text.getUtf8(), "utf-8");
    child->put_Encoding(x(" utf-8 >"));
    EXPECT_EQ(documentOf(*xml), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>\r\n    <c />\r\n</r>\r\n");
    xml->put_Encoding(x("ISO-8859-1"));
    child->get_Encoding(text);
    EXPECT_STREQ(text.getUtf8(), "ISO-8859-1");
    EXPECT_FALSE(xml->get_Standalone());
    xml->put_Standalone(true);
    EXPECT_TRUE(child->get_Standalone());
    EXPECT_TRUE(load("<?xml version=\"1.0\" standalone=\"YES\"?><r/>")->get_Standalone());
    xml->put_DocType(x("<!DOCTYPE r>"));
    child->get_DocType(text);
    EXPECT_STREQ(text.getUtf8(), "<!DOCTYPE r>");
    xml->put_DocType(x(""));
    xml->get_DocType(text);
    EXPECT_TRUE(text.isEmpty());
}

TEST(ClsXmlCore, CopyAndCopyRef) {
    auto from = load("<src a=\"1\" b=\"2\"><![CDATA[text]]><kid/></src>");
    auto to = load("<dst old=\"x\"><keep/></dst>");
    to->Copy(from.get());  // neither children nor the CDATA flag
    to->Copy(nullptr);
    EXPECT_EQ(xmlOf(*to), "<src a=\"1\" b=\"2\">text\r\n    <keep />\r\n</src>\r\n");
    auto onKid = from->FirstChild();
    to->CopyRef(onKid.get());  // to's document had only to: it is freed (the leak checker watches)
    EXPECT_EQ(to->get_TreeId(), from->get_TreeId());
    EXPECT_EQ(tagOf(*to), "kid");
}

TEST(ClsXmlCore, ObjectsKeepTheirTreeAcrossLoadsAndClear) {
    auto a = load("<old><x/></old>");
    auto onX = a->FirstChild();
    const int oldId = a->get_TreeId();
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
}  // namespace quorvel::test
