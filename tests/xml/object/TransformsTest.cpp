// Compressing and encrypting content and subtrees in place, encoded words and entities.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "TransformSupport.h"
#include "XmlTestSupport.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

const std::vector<std::string> kContents = {"x", "Hi <you> & \"them\"", kBadUtf8, std::string(5000, 'z') + "!", " \r\n"};

// Each pair under both names; the log context is always the first name's.
TEST(XmlTransforms, ContentPairsRoundTrip) {
    const struct { Step pack, unpack; bool zip; } pairs[] = {
        {&ClsXml::ZipContent, &ClsXml::DecompressNode, true},
        {&ClsXml::CompressNode, &ClsXml::UnzipContent, true},
        {keyed(&ClsXml::EncryptContent, "pw"), keyed(&ClsXml::DecryptNode, "pw"), false},
        {keyed(&ClsXml::EncryptNode, ""), keyed(&ClsXml::DecryptContent, ""), false},
    };
    for (const auto &p : pairs) {
        for (const std::string &content : kContents) {
            SCOPED_TRACE(std::to_string(&p - pairs) + ": " + std::to_string(content.size()) + " bytes");
            std::unique_ptr<ClsXml> xml = withContent(content), twin = withContent(content);
            ASSERT_TRUE(p.pack(*xml) && p.pack(*twin));
            EXPECT_TRUE(logHasLine(*xml, p.zip ? "  ZipContent:" : "  EncryptContent:") && logHasLine(*xml, "    Success."));
            EXPECT_EQ(p.zip, xml->get_Cdata());
            // Raw DEFLATE in base64; or a ciphertext padded by PKCS#7, a whole block on aligned data.
            EXPECT_TRUE(p.zip ? base64Of(deflated(content)) == rawContent(*xml)
                              : (content.size() / 16 + 1) * 16 == unbase64(rawContent(*xml)).size());
            // Fixed vector, no salt: the same content and password always give the same text.
            EXPECT_EQ(rawContent(*twin), rawContent(*xml));
            ASSERT_TRUE(p.unpack(*xml));
            EXPECT_TRUE(logHasLine(*xml, p.zip ? "  UnzipContent:" : "  DecryptContent:"));
            EXPECT_EQ(content, rawContent(*xml));
            EXPECT_EQ(p.zip, xml->get_Cdata());
        }
    }
    // Passwords are exact; a wrong one gives other bytes and no error.
    std::unique_ptr<ClsXml> a = withContent("confidential"), b = withContent("confidential");
    ASSERT_TRUE(a->EncryptContent(x("Secret")) && b->EncryptContent(x("secret")));
    EXPECT_NE(rawContent(*a), rawContent(*b));
    EXPECT_TRUE(a->DecryptContent(x("secret")) && logHasLine(*a, "    Success."));
    EXPECT_NE("confidential", rawContent(*a));
}

const char kRecords[] =
    "<root><rec id=\"7\" kind=\"a&amp;b\">text<name>Ann</name><items><i>1</i><i>2</i></items><empty />"
    "</rec><after /></root>";

TEST(XmlTransforms, SubtreeRoundTripKeepsTheAttributesOfUnpackingTime) {
    for (const auto &[pack, unpack] : {std::pair<Step, Step>{&ClsXml::ZipTree, &ClsXml::DecompressSubtree},
                                       std::pair<Step, Step>{&ClsXml::CompressSubtree, &ClsXml::UnzipTree}}) {
        std::unique_ptr<ClsXml> doc = load(kRecords), rec = doc->FirstChild();
        const std::string before = xmlOf(*rec);
        ASSERT_TRUE(pack(*rec));
        EXPECT_TRUE(logHasLine(*rec, "  ZipTree:") && logHasLine(*rec, "    Success."));
        EXPECT_EQ(base64Of(deflated(before)), rawContent(*rec));
        EXPECT_TRUE(rec->get_NumChildren() == 0 && rec->get_Cdata());
        EXPECT_EQ("id=7;kind=a&b; rec,after", attributesOf(*rec) + " " + childTags(*doc));
        ASSERT_TRUE(rec->AddAttribute(x("added"), x("yes")) && unpack(*rec));
        EXPECT_TRUE(logHasLine(*rec, "  UnzipTree:") && logHasLine(*rec, "    Success."));
        EXPECT_EQ("\r\n<rec id=\"7\" kind=\"a&amp;b\" added=\"yes\"><![CDATA[text]]>\r\n    <name>Ann</name>\r\n"
                  "    <items>\r\n        <i>1</i>\r\n        <i>2</i>\r\n    </items>\r\n    <empty />\r\n</rec>\r\n",
                  xmlOf(*rec));
    }
    // A leaf packs its empty element and unpacks to a leaf again.
    ClsXml leaf;
    ASSERT_TRUE(leaf.ZipTree());
    EXPECT_EQ("<unnamed />\r\n", inflated(unbase64(rawContent(leaf))));
    ASSERT_TRUE(leaf.UnzipTree());
    EXPECT_EQ("<unnamed />\r\n", xmlOf(leaf));
    // A root packs its prologue too; unpacking drops the copy and the document keeps its own.
    std::unique_ptr<ClsXml> doc = load("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!DOCTYPE note SYSTEM \"n.dtd\">"
                                       "<note lang=\"en\"><to>Tove</to><from>Jani</from></note>");
    const std::string whole = documentOf(*doc);
    ASSERT_TRUE(doc->ZipTree());
    EXPECT_EQ(whole, inflated(unbase64(rawContent(*doc))));
    ASSERT_TRUE(doc->UnzipTree());
    EXPECT_EQ(whole, documentOf(*doc));
}

TEST(XmlTransforms, NoContentReturnsAtOnceAndLeavesTheLogAlone) {
    const Step steps[] = {&ClsXml::ZipContent,   &ClsXml::CompressNode,      &ClsXml::UnzipTree,
                          &ClsXml::UnzipContent, &ClsXml::DecompressSubtree, &ClsXml::DecompressNode,
                          keyed(&ClsXml::EncryptContent, "pw"), keyed(&ClsXml::EncryptNode, "pw"),
                          keyed(&ClsXml::DecryptContent, "pw"), keyed(&ClsXml::DecryptNode, "pw")};
    for (bool emptyBuffer : {false, true}) {
        std::unique_ptr<ClsXml> doc = load("<a><b>1</b></a>");
        if (emptyBuffer) doc->put_Content(x(""));
        const std::string log = lastError(*doc), xml = xmlOf(*doc);
        for (const Step &step : steps) EXPECT_TRUE(step(*doc));
        DataBuffer binary = bufferOf("old"), decoded = bufferOf("old");
        EXPECT_TRUE(doc->GetBinaryContent(true, true, x("pw"), binary) && doc->DecodeContent(decoded));
        EXPECT_EQ(0u, binary.getSize() + decoded.getSize());
        EXPECT_EQ(log, lastError(*doc));
        EXPECT_EQ(xml, xmlOf(*doc));
    }
}

TEST(XmlTransforms, FailuresLeaveTheNodeAndSayWhy) {
    // zlib-framed data is no raw DEFLATE: its header reads as a stored block whose lengths disagree.
    const std::string text = "<a>hello</a>";
    uLongf size = compressBound(sizeOf(text));
    std::string framed(size, '\0');
    ASSERT_EQ(Z_OK, compress2(reinterpret_cast<Bytef *>(framed.data()), &size,
                              reinterpret_cast<const Bytef *>(text.data()), sizeOf(text), 6));
    framed = base64Of(framed.substr(0, size));
    const char *kNotBase64 = "Failed to decrypt data, Base64 data is invalid";
    const struct { std::string content; Step step; const char *context, *message; } cases[] = {
        {"!!!! ~~", &ClsXml::UnzipTree, "UnzipTree", "Failed to decode base64 data"},
        {"====", &ClsXml::DecompressNode, "UnzipContent", "Failed to decode base64 data"},
        {"!!!! ~~", keyed(&ClsXml::DecryptContent, "pw"), "DecryptContent", kNotBase64},
        {"==QUJD", keyed(&ClsXml::DecryptNode, "pw"), "DecryptContent", kNotBase64},
        {base64Of(deflated("no element")), &ClsXml::DecompressSubtree, "UnzipTree", "Failed to parse unzipped XML"},
        {framed, &ClsXml::UnzipTree, "UnzipTree", "Failed to parse unzipped XML"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        std::unique_ptr<ClsXml> doc = load("<a><kept /></a>");
        doc->setContentUtf8(c.content.c_str());
        EXPECT_FALSE(c.step(*doc));
        EXPECT_EQ(c.content, rawContent(*doc));
        EXPECT_EQ("kept", childTags(*doc));
        EXPECT_TRUE(logHasLine(*doc, std::string("  ") + c.context + ":"));
        EXPECT_TRUE(logHasLine(*doc, std::string("    ") + c.message + "\r\n    Failed."));
    }
    // Damaged data is not an error of UnzipContent: the content becomes what could be decoded.
    std::unique_ptr<ClsXml> content = withContent(framed);
    EXPECT_TRUE(content->UnzipContent());
    EXPECT_EQ("", rawContent(*content));
    EXPECT_TRUE(logHasLine(*content, "    Inflate from source failed."));
}

TEST(XmlTransforms, ObjectsInAPackedSubtreeKeepWorking) {
    std::unique_ptr<ClsXml> doc = load(kRecords), rec = doc->FirstChild();
    std::unique_ptr<ClsXml> items = rec->GetChild(1), second = items->GetChild(1);
    ASSERT_TRUE(rec->ZipTree());
    // <items> lives on as a tree of its own, the object inside it too.
    EXPECT_NE(doc->get_TreeId(), items->get_TreeId());
    EXPECT_EQ(items->get_TreeId(), second->get_TreeId());
    EXPECT_FALSE(items->GetParent());
    EXPECT_EQ("items", tagOf(*second->GetRoot()));
    // Unpacked children follow the ones added meanwhile, in the document's tree.
    std::unique_ptr<ClsXml> extra = rec->NewChild(x("extra"), x("e"));
    ASSERT_TRUE(rec->UnzipTree());
    EXPECT_EQ("extra,name,items,empty", childTags(*rec));
    EXPECT_EQ(doc->get_TreeId(), rec->GetChild(2)->get_TreeId());
    EXPECT_EQ(doc->get_TreeId(), extra->get_TreeId());
    doc.reset();
    rec.reset();
    second->put_Content(x("two"));
    items->NewChild2(x("i"), x("3"));
    EXPECT_EQ("<items>\r\n    <i>1</i>\r\n    <i>two</i>\r\n    <i>3</i>\r\n</items>\r\n", xmlOf(*items));
}

TEST(XmlTransforms, WideSubtreesPackAndUnpack) {
    std::string text = "<root><list>";
    for (int i = 0; i < 100000; ++i) text += "<c>" + std::to_string(i) + "</c>";
    std::unique_ptr<ClsXml> list = load(text + "</list></root>")->FirstChild();
    ASSERT_TRUE(list->ZipTree() && list->get_NumChildren() == 0 && list->UnzipTree());
    EXPECT_EQ(100000, list->get_NumChildren());
    EXPECT_EQ("99999", contentOf(*list->LastChild()));
}

TEST(XmlTransforms, EncodedWordsAndEntities) {
    const struct { bool q; const char *charset; std::string data, word; } words[] = {
        {true, "", "a b?c", "=?utf-8?Q?a_b=3Fc?="},
        {true, "iso-8859-1", "caf\xe9=_", "=?iso-8859-1?Q?caf=E9=3D=5F?="},
        {false, "", "abc", "=??B?YWJj?="},
        {false, "utf-8", std::string("\xff\xfe\0", 3), "=?utf-8?B?//4A?="},
    };
    for (const auto &w : words) {
        std::unique_ptr<ClsXml> xml = withContent("old");
        auto encode = [&](const DataBuffer &data) {
            return w.q ? xml->QEncodeContent(x(w.charset), data) : xml->BEncodeContent(x(w.charset), data);
        };
        ASSERT_TRUE(encode(bufferOf(w.data)));
        EXPECT_EQ(w.word, rawContent(*xml));
        EXPECT_EQ("QuorvelLog:\r\n--QuorvelLog\r\n", lastError(*xml));
        EXPECT_FALSE(encode(DataBuffer()));
        DataBuffer decoded;
        ASSERT_TRUE(xml->DecodeContent(decoded));
        EXPECT_EQ(w.data, bytesOf(decoded));
        EXPECT_EQ(w.word, rawContent(*xml));
    }
    const std::pair<std::string, std::string> decodings[] = {
        {"plain", "plain"},
        {"=?utf-8?Q?caf=C3=A9?= =?utf-8?b?w6k=?= tail", "caf\xc3\xa9\xc3\xa9tail"},
        {"caf\xc3\xa9 = ?Q", "caf\xc3\xa9 = ?Q"},
    };
    for (const auto &[content, bytes] : decodings) {
        DataBuffer decoded;
        EXPECT_TRUE(withContent(content)->DecodeContent(decoded));
        EXPECT_EQ(bytes, bytesOf(decoded));
    }
    XString out;
    ClsXml().DecodeEntities(x("a &amp; b &lt;&quot;&apos;&gt; &eacute;&#65;&euro;&nbsp;."), out);
    EXPECT_STREQ("a & b <\"'> \xc3\xa9" "A\xe2\x82\xac .", out.getUtf8());
}

// Python's zlib and base64 read what the node stores: raw DEFLATE in base64 lines of 76.
const char kStoredScript[] = R"PY(
import base64, zlib
for i, (data, stored) in enumerate(records):
    if zlib.decompress(base64.b64decode(stored), -15) != data: fail(i, 'raw deflate inside base64')
    if stored != base64.encodebytes(base64.b64decode(stored)).replace(b'\n', b'\r\n'): fail(i, 'lines')
)PY";

TEST(XmlTransforms, PythonReadsPackedContentAndSubtrees) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 with its standard library is not available";
    std::vector<Record> records, replies;
    for (const std::string &content : kContents) {
        std::unique_ptr<ClsXml> xml = withContent(content);
        ASSERT_TRUE(xml->ZipContent());
        records.push_back({content, rawContent(*xml)});
    }
    std::unique_ptr<ClsXml> rec = load(kRecords)->FirstChild();
    const std::string before = xmlOf(*rec), data = noise(3000, 9);
    ASSERT_TRUE(rec->ZipTree());
    records.push_back({before, rawContent(*rec)});
    ASSERT_TRUE(rec->SetBinaryContent(bufferOf(data), true, false, XString()));
    records.push_back({data, rawContent(*rec)});
    EXPECT_EQ("", runPythonOracle("xml_transforms", kStoredScript, records, replies));
}

}  // namespace
}  // namespace quorvel::test
