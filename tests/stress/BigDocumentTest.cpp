// Documents at the sizes the component promises to take: a 100 MB document of records and a
// document nested a million levels deep, each loaded, written, read back, searched and freed.
// Built for the plain and the sanitizer builds; the unit tests stay quick without them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/object/XmlTestSupport.h"

namespace quorvel::test {
namespace {

constexpr size_t kBigBytes = 100u << 20;
constexpr int kDepth = 1000000;

std::string bigDocument(int &records) {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<records>\n";
    text.reserve(kBigBytes + 4096);
    records = 0;
    while (text.size() < kBigBytes) {
        const std::string i = std::to_string(records++);
        text += "<record id=\"" + i + "\" kind=\"k&amp;" + i + "\"><name>Name \xc3\xa9 " + i + "</name><value>" + i +
                "</value><note><![CDATA[<" + i + ">]]></note></record>\n";
    }
    return text + "</records>\n";
}

TEST(Stress, HundredMegabyteDocument) {
    int records = 0;
    const std::string text = bigDocument(records);
    ASSERT_GE(text.size(), kBigBytes);
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    ASSERT_TRUE(xml->LoadXml(x(text)));
    EXPECT_EQ(records, xml->get_NumChildren());

    const std::string last = std::to_string(records - 1);
    std::unique_ptr<ClsXml> found = xml->SearchForContent(nullptr, x("value"), x(last));
    ASSERT_TRUE(found);
    EXPECT_EQ(last, contentOf(*found));
    XString attr;
    ASSERT_TRUE(found->GetParent()->GetAttrValue(x("kind"), attr));
    EXPECT_EQ("k&" + last, std::string(attr.getUtf8()));

    XString written;
    ASSERT_TRUE(xml->GetXml(written));
    EXPECT_GT(written.getUtf8Sb().getSize(), kBigBytes);
    std::unique_ptr<ClsXml> again = ClsXml::createNew();
    ASSERT_TRUE(again->LoadXml(written));
    EXPECT_EQ(records, again->get_NumChildren());
    XString rewritten;
    ASSERT_TRUE(again->GetXml(rewritten));
    EXPECT_TRUE(rewritten.getUtf8Sb().equals(written.getUtf8Sb()));
    // Both trees, and the texts, are freed as the objects go.
}

TEST(Stress, MillionLevelDocument) {
    std::string text;
    text.reserve(static_cast<size_t>(kDepth) * 8 + 16);
    for (int i = 0; i < kDepth; ++i) text += "<a>";
    text += "<b>deep</b>";
    for (int i = 0; i < kDepth; ++i) text += "</a>";
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    ASSERT_TRUE(xml->LoadXml(x(text)));

    std::unique_ptr<ClsXml> deepest = xml->SearchForTag(nullptr, x("b"));
    ASSERT_TRUE(deepest);
    EXPECT_EQ("deep", contentOf(*deepest));
    int levels = 0;
    while (deepest->GetParent2()) ++levels;
    EXPECT_EQ(kDepth, levels);

    XString written;
    ASSERT_TRUE(xml->GetXml(written));
    std::unique_ptr<ClsXml> again = ClsXml::createNew();
    ASSERT_TRUE(again->LoadXml(written));
    std::unique_ptr<ClsXml> deepestAgain = again->SearchForTag(nullptr, x("b"));
    ASSERT_TRUE(deepestAgain);
    EXPECT_EQ("deep", contentOf(*deepestAgain));
    // A subtree taken out of the middle lives on as a tree of its own, and both go.
    std::unique_ptr<ClsXml> middle = again->GetChild(0);
    for (int i = 0; middle && i < kDepth / 2; ++i) middle->GetChild2(0);
    ASSERT_TRUE(middle);
    middle->RemoveFromTree();
    EXPECT_EQ("deep", contentOf(*deepestAgain));
}

}  // namespace
}  // namespace quorvel::test
