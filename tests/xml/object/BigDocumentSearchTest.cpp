// A million levels deep and 300,000 records: searched, path-walked, sorted on one level, written
// and freed; nothing may recurse, and a search must stay linear.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel::test {
namespace {

std::string text(const XString &s) { return s.getUtf8(); }

TEST(BigDocumentSearch, MillionLevelsDeep) {
    constexpr int kDepth = 1000000;
    std::string xml;
    xml.reserve(kDepth * 7 + 32);
    for (int i = 1; i < kDepth; ++i) xml += "<d>";
    xml += "<leaf id=\"end\">bottom</leaf>";
    for (int i = 1; i < kDepth; ++i) xml += "</d>";
    auto doc = load(xml);
    xml = std::string();

    auto leaf = doc->SearchForTag(nullptr, x("leaf"));
    EXPECT_EQ(where(leaf.get()), "leaf=bottom");
    EXPECT_EQ(doc->SearchForTag(leaf.get(), x("leaf")), nullptr);
    XString out;
    EXPECT_TRUE(doc->QuorvelPath(x("/A/leaf,id,e*|*"), out) && text(out) == "bottom");
    doc->AccumulateTagContent(x("leaf"), x(""), out);
    EXPECT_EQ(text(out), "bottom");

    auto walker = doc->GetSelf();
    ASSERT_TRUE(walker->QuorvelPath(x("/T/leaf|..|..|$"), out));
    EXPECT_FALSE(walker->QuorvelPath(x("/T/leaf|..|nope|$"), out));
    EXPECT_TRUE(walker->FirstChild()->FirstChild()->TagEquals(x("leaf")));  // moved once only
    walker->SortByTag(false);
    StringBuffer written;
    ASSERT_TRUE(doc->getXmlUtf8(written));
    // Every level on lines of its own, four spaces deeper each, up to 200.
    const std::string leafLine = std::string(200, ' ') + "<leaf id=\"end\">bottom</leaf>\r\n";
    size_t size = std::string("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n").size() + leafLine.size();
    for (size_t depth = 0; depth < kDepth - 1; ++depth) size += 2 * (depth < 50 ? depth : 50) * 4 + 11;  // <d> and </d>
    EXPECT_EQ(written.getSize(), size);
    EXPECT_TRUE(written.contains(("\n" + leafLine).c_str()) && written.endsWith("</d>\r\n</d>\r\n"));
    EXPECT_FALSE(written.contains((std::string(201, ' ') + "<").c_str()));
}

TEST(BigDocumentSearch, ThreeHundredThousandRecords) {
    constexpr int kRecords = 300000;
    std::string xml = "<records>";
    xml.reserve(kRecords * 32);
    for (int i = 0; i < kRecords; ++i) xml += "<r><k>" + std::to_string(i) + "</k></r>";
    auto doc = load(xml + "</records>");
    xml = std::string();

    // Every record waits in the parent queue before the first key is tested.
    auto last = doc->SearchForContent(nullptr, x("k"), x("299999"));
    ASSERT_TRUE(last);
    EXPECT_EQ(doc->SearchForContent(last.get(), x("k"), x("*")), nullptr);
    EXPECT_EQ(where(doc->SearchForTag(doc->LastChild().get(), x("k")).get()), "k=0");
    XString out;
    EXPECT_TRUE(doc->QuorvelPath(x("r[299998]|k|*"), out) && text(out) == "299998");
    EXPECT_TRUE(doc->QuorvelPath(x("/C/k,2999*9|..|$"), out) && doc->GetChildContent(x("k"), out) && text(out) == "29999");

    doc->GetRoot2();
    doc->SortRecordsByContentInt(x("k"), false);
    EXPECT_EQ(doc->GetChild(0)->GetChildIntValue(x("k")), kRecords - 1);
    StringBuffer written;
    ASSERT_TRUE(doc->getXmlUtf8(written));
    EXPECT_TRUE(written.beginsWith("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<records>\r\n    <r>\r\n"
                                   "        <k>299999</k>"));
}

}  // namespace
}  // namespace quorvel::test
