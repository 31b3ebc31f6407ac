// A document at the size the component promises to take: 100 MB of records, loaded, written,
// read back, searched and freed. Built for the plain and the sanitizer builds; the unit tests
// stay quick without it. Documents a million levels deep: the engine's TreeTest (parsed, laid
// out, detached and freed) and the Xml object's SearchTest (searched, path-walked and written).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xml/object/XmlTestSupport.h"

namespace quorvel::test {
namespace {

constexpr size_t kBigBytes = 100u << 20;

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

}  // namespace
}  // namespace quorvel::test
