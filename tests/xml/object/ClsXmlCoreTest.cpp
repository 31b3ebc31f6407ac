// The Xml object: creation, navigation, properties, copying, trees that outlive a load, the
// file-name shortcut of LoadXml, and the declaration GetXml adds at the root only.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel::test {
namespace {

TEST(ClsXmlCore, FreshObjectAndNavigation) {
    EXPECT_EQ(documentOf(*ClsXml::createNew()), "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<unnamed />\r\n");
    auto xml = load("<r><a/><b><b1/></b><c/></r>");
    xml->put_SortCaseInsensitive(true);
    EXPECT_TRUE(xml->GetChild(-1) == nullptr && xml->GetChild(3) == nullptr && xml->GetParent() == nullptr);
    EXPECT_FALSE(xml->GetChild2(3) || xml->GetParent2());
    EXPECT_TRUE(xml->GetChild(1)->get_SortCaseInsensitive());  // switches are copied
    ASSERT_TRUE(xml->LastChild2() && !xml->NextSibling2() && xml->PreviousSibling2() && xml->FirstChild2());
    EXPECT_EQ(tagOf(*xml), "b1");
}

TEST(ClsXmlCore, ContentAttributesAndTheIntegerRule) {
    auto xml = load("<r id=\"7\" n=\"-0012x\"/>");
    const std::pair<const char *, int> cases[] = {{"+5x", 5}, {" 5", 0}, {"abc", 0}, {"-7", -7}};
    for (const auto &[content, value] : cases) {
        xml->put_Content(x(content));
        EXPECT_EQ(xml->get_ContentInt(), value) << content;
    }
    // Names are trimmed, values compared exactly.
    EXPECT_EQ(xml->GetAttrValueInt(x(" n ")), -12);
    EXPECT_TRUE(xml->HasAttribute(x("\tid\r\n")) && xml->HasAttrWithValue(x("id"), x("7")));
    EXPECT_FALSE(xml->HasAttrWithValue(x("id"), x("7 ")));
}

TEST(ClsXmlCore, CopyAndCopyRef) {
    auto from = load("<src a=\"1\" b=\"2\"><![CDATA[text]]><kid/></src>");
    auto to = load("<dst old=\"x\"><keep/></dst>");
    to->Copy(from.get());  // neither children nor the CDATA flag
    to->Copy(nullptr);
    EXPECT_EQ(xmlOf(*to), "<src a=\"1\" b=\"2\">text\r\n    <keep />\r\n</src>\r\n");
    to->CopyRef(from->FirstChild().get());  // to's document had only to: it is freed (the leak checker watches)
    EXPECT_EQ(tagOf(*to), "kid");
}

TEST(ClsXmlCore, ObjectsKeepTheirTreeAcrossLoadsAndClear) {
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
    // no file is tried.
    ASSERT_LT(dir.size(), 90u);
    const std::string longName = dir + std::string(100 - dir.size() - 4, 'n') + ".xml";
    for (const std::string &text : {dir + "books.XML<", longName}) {
        EXPECT_FALSE(xml->LoadXml(x(text.c_str()))) << text;
        EXPECT_EQ(lastError(*xml).find("loadFileX"), std::string::npos) << lastError(*xml);
        EXPECT_EQ(tagOf(*xml), "books");  // a failed load keeps the old tree
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

}  // namespace
}  // namespace quorvel::test
