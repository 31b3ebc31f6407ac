// Loading and saving: the file-name shortcut, the declaration GetXml adds at the root only, the
// declared encoding on save, and the logs of failures.
#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel::test {
namespace {

std::string lastError(ClsXml &xml) {
    XString text;
    xml.get_LastErrorText(text);
    return text.getUtf8();
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
    EXPECT_FALSE(xml->LoadXmlFile2(x((dir + "missing.xml").c_str()), true));
    EXPECT_NE(lastError(*xml).find("LoadXmlFile2:"), std::string::npos);
    EXPECT_NE(lastError(*xml).find("Failed."), std::string::npos);
}

TEST(XmlGetXml, DeclarationOnlyAtTheRoot) {
    auto xml = load("<r><c>t</c></r>");
    auto child = xml->FirstChild();
    XString out;
    ASSERT_TRUE(child->GetXml(out));
    EXPECT_STREQ(out.getUtf8(), "\r\n<c>t</c>\r\n");
    EXPECT_EQ(xml->node()->treeInfo()->declaration(), nullptr);  // nothing added to the document
    EXPECT_EQ(documentOf(*xml).find("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r>"), 0u);
    EXPECT_NE(xml->node()->treeInfo()->declaration(), nullptr);
    xml->put_EmitXmlDecl(false);
    EXPECT_EQ(documentOf(*xml), "<r>\r\n    <c>t</c>\r\n</r>\r\n");
}

TEST(XmlSave, DeclaredEncodingDecidesTheBytes) {
    const std::string dir = scratchDir("XmlSave");
    auto xml = load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>caf\xC3\xA9</r>");
    ASSERT_TRUE(xml->SaveXml(x((" " + dir + "latin1.xml ").c_str())));
    std::string bytes;
    ASSERT_TRUE(readRawFile(dir + "latin1.xml", bytes));
    EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n<r>caf\xE9</r>\r\n");
    auto back = ClsXml::createNew();
    ASSERT_TRUE(back->LoadXmlFile(x((dir + "latin1.xml").c_str())));
    EXPECT_EQ(contentOf(*back), "caf\xC3\xA9");

    xml->put_Encoding(x("no-such-charset"));
    EXPECT_FALSE(xml->SaveXml(x((dir + "unknown.xml").c_str())));
    EXPECT_FALSE(fileExists(dir + "unknown.xml"));
    EXPECT_NE(lastError(*xml).find("SaveXml:"), std::string::npos);

    auto plain = load("<r/>");  // no declaration: saving declares utf-8
    ASSERT_TRUE(plain->SaveXml(x((dir + "plain.xml").c_str())));
    ASSERT_TRUE(readRawFile(dir + "plain.xml", bytes));
    EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r />\r\n");
}

}  // namespace
}  // namespace quorvel::test
