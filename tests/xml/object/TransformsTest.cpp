// Compressing and encrypting content and subtrees in place, encoded words and entities.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

#include "TransformSupport.h"
#include "XmlTestSupport.h"
#include "support/PythonOracle.h"

namespace quorvel::test {
namespace {

using Step = std::function<bool(ClsXml &)>;

const std::vector<std::string> kContents = {"x", "Hi <you> & \"them\"", kBadUtf8, std::string(5000, 'z') + "!", " \r\n"};

std::unique_ptr<ClsXml> withContent(const std::string &bytes) {
    std::unique_ptr<ClsXml> xml = ClsXml::createNew();
    xml->setContentUtf8(bytes.c_str());
    return xml;
}

Step keyed(bool (ClsXml::*m)(const XString &), const char *password) {
    return [m, password](ClsXml &xml) { return (xml.*m)(x(password)); };
}

// Each pair under both names; the context is always the first name's.
TEST(XmlTransforms, ContentPairsRoundTrip) {
    const struct {
        Step pack, unpack;
        std::function<std::string(const std::string &)> stored;
        bool setsCdata;
    } pairs[] = {
        {&ClsXml::ZipContent, &ClsXml::DecompressNode, [](auto &c) { return base64Of(deflated(c)); }, true},
        {&ClsXml::CompressNode, &ClsXml::UnzipContent, [](auto &c) { return base64Of(deflated(c)); }, true},
        {keyed(&ClsXml::EncryptContent, "pw"), keyed(&ClsXml::DecryptNode, "pw"), nullptr, false},
        {keyed(&ClsXml::EncryptNode, ""), keyed(&ClsXml::DecryptContent, ""), nullptr, false},
    };
    for (const auto &p : pairs) {
        for (const std::string &content : kContents) {
            SCOPED_TRACE(std::to_string(&p - pairs) + ": " + std::to_string(content.size()) + " bytes");
            std::unique_ptr<ClsXml> xml = withContent(content);
            ASSERT_TRUE(p.pack(*xml));
            const char *context = p.setsCdata ? "  ZipContent:" : "  EncryptContent:";
            EXPECT_TRUE(logHasLine(*xml, context) && logHasLine(*xml, "    Success."));
            EXPECT_EQ(p.setsCdata, xml->get_Cdata());
            if (p.stored) {
                EXPECT_EQ(p.stored(content), rawContent(*xml));
            } else {  // PKCS#7 always pads, a whole block on aligned data
                EXPECT_EQ((content.size() / 16 + 1) * 16, unbase64(rawContent(*xml)).size());
            }
            // Fixed vector, no salt: the same content and password always give the same text.
            std::unique_ptr<ClsXml> twin = withContent(content);
            ASSERT_TRUE(p.pack(*twin));
            EXPECT_EQ(rawContent(*twin), rawContent(*xml));
            ASSERT_TRUE(p.unpack(*xml));
            EXPECT_TRUE(logHasLine(*xml, p.setsCdata ? "  UnzipContent:" : "  DecryptContent:"));
            EXPECT_EQ(content, rawContent(*xml));
            EXPECT_EQ(p.setsCdata, xml->get_Cdata());
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
    const std::pair<Step, Step> pairs[] = {{&ClsXml::ZipTree, &ClsXml::DecompressSubtree},
                                           {&ClsXml::CompressSubtree, &ClsXml::UnzipTree}};
    for (const auto &[pack, unpack] : pairs) {
        std::unique_ptr<ClsXml> doc = loaded(kRecords);
        std::unique_ptr<ClsXml> rec = doc->FirstChild();
        const std::string before = xmlOf(*rec);
        ASSERT_TRUE(pack(*rec));
        EXPECT_TRUE(logHasLine(*rec, "  ZipTree:") && logHasLine(*rec, "    Success."));
        EXPECT_EQ(base64Of(deflated(before)), rawContent(*rec));
        EXPECT_EQ("0 1 id=7;kind=a&b; rec,after", std::to_string(rec->get_NumChildren()) + " " +
                                                      std::to_string(rec->get_Cdata()) + " " + attributesOf(*rec) +
                                                      " " + childTags(*doc));
        ASSERT_TRUE(rec->AddAttribute(x("added"), x("yes")));
        ASSERT_TRUE(unpack(*rec));
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
}

TEST(XmlTransforms, RootSubtreeCarriesThePrologueAndUnpackingDropsTheCopy) {
    std::unique_ptr<ClsXml> doc = loaded("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!DOCTYPE note SYSTEM \"n.dtd\">"
                                         "<note lang=\"en\"><to>Tove</to><from>Jani</from></note>");
    XString before, after;
    ASSERT_TRUE(doc->GetXml(before));
    ASSERT_TRUE(doc->ZipTree());
    EXPECT_EQ(before.getUtf8(), inflated(unbase64(rawContent(*doc))));
    ASSERT_TRUE(doc->UnzipTree());
    ASSERT_TRUE(doc->GetXml(after));
    // The document keeps its one prologue and gets its children back; the copy's prologue went.
    EXPECT_STREQ(before.getUtf8(), after.getUtf8());
}

TEST(XmlTransforms, NoContentReturnsAtOnceAndLeavesTheLogAlone) {
    const Step steps[] = {&ClsXml::ZipContent,   &ClsXml::CompressNode,      &ClsXml::UnzipTree,
                          &ClsXml::UnzipContent, &ClsXml::DecompressSubtree, &ClsXml::DecompressNode,
                          keyed(&ClsXml::EncryptContent, "pw"), keyed(&ClsXml::EncryptNode, "pw"),
                          keyed(&ClsXml::DecryptContent, "pw"), keyed(&ClsXml::DecryptNode, "pw")};
    for (bool emptyBuffer : {false, true}) {
        std::unique_ptr<ClsXml> doc = loaded("<a><b>1</b></a>");
        if (emptyBuffer) doc->put_Content(x(""));
        const std::string log = lastError(*doc);
        const std::string xml = xmlOf(*doc);
        for (const Step &step : steps) EXPECT_TRUE(step(*doc));
        DataBuffer binary = bufferOf("old"), decoded = bufferOf("old");
        EXPECT_TRUE(doc->GetBinaryContent(true, true, x("pw"), binary) && doc->DecodeContent(decoded));
        EXPECT_EQ(0u, binary.getSize() + decoded.getSize());
        EXPECT_EQ(log, lastError(*doc));
        EXPECT_EQ(xml, xmlOf(*doc));
    }
}

TEST(XmlTransforms, FailuresLeaveTheNodeAndSayWhy) {
    const std::string prose = base64Of(deflated("just words, no element"));
    const struct {
        std::string content;
        Step step;
        const char *context, *message;
    } cases[] = {
        {"!!!! ~~", &ClsXml::UnzipTree, "UnzipTree", "Failed to decode base64 data"},
        {"====", &ClsXml::DecompressNode, "UnzipContent", "Failed to decode base64 data"},
        {"!!!! ~~", keyed(&ClsXml::DecryptContent, "pw"), "DecryptContent", "Failed to decrypt data, Base64 data is invalid"},
        {"==QUJD", keyed(&ClsXml::DecryptNode, "pw"), "DecryptContent", "Failed to decrypt data, Base64 data is invalid"},
        {prose, &ClsXml::DecompressSubtree, "UnzipTree", "Failed to parse unzipped XML"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        std::unique_ptr<ClsXml> doc = loaded("<a><kept /></a>");
        doc->setContentUtf8(c.content.c_str());
        EXPECT_FALSE(c.step(*doc));
        EXPECT_EQ(c.content, rawContent(*doc));
        EXPECT_EQ("kept", childTags(*doc));
        EXPECT_TRUE(logHasLine(*doc, std::string("  ") + c.context + ":"));
        EXPECT_TRUE(logHasLine(*doc, std::string("    ") + c.message + "\r\n    Failed."));
    }
}

TEST(XmlTransforms, ZlibFramedDataIsNotRawDeflate) {
    const std::string text = "<a>hello</a>";
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string framed(size, '\0');
    ASSERT_EQ(Z_OK, compress2(reinterpret_cast<Bytef *>(framed.data()), &size,
                              reinterpret_cast<const Bytef *>(text.data()), static_cast<uLong>(text.size()), 6));
    framed.resize(size);
    ASSERT_EQ("\x78\x9c", framed.substr(0, 2));
    // The header reads as a stored block whose lengths disagree: nothing decodes.
    std::unique_ptr<ClsXml> content = withContent(base64Of(framed)), tree = withContent(base64Of(framed));
    EXPECT_TRUE(content->UnzipContent());
    EXPECT_EQ("", rawContent(*content));
    EXPECT_TRUE(logHasLine(*content, "    Inflate from source failed."));
    EXPECT_FALSE(tree->UnzipTree());
    EXPECT_EQ(base64Of(framed), rawContent(*tree));
}

TEST(XmlTransforms, ObjectsInAPackedSubtreeKeepWorking) {
    std::unique_ptr<ClsXml> doc = loaded(kRecords);
    std::unique_ptr<ClsXml> rec = doc->FirstChild();
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

TEST(XmlTransforms, WideAndDeepSubtreesPackAndUnpack) {
    const int wide = 100000, deep = 40000;
    std::string text = "<root><list>";
    for (int i = 0; i < wide; ++i) text += "<c>" + std::to_string(i) + "</c>";
    text += "</list><deep>";
    for (int i = 0; i < deep; ++i) text += "<d>";
    for (int i = 0; i < deep; ++i) text += "</d>";
    text += "</deep></root>";
    std::unique_ptr<ClsXml> doc = loaded(text.c_str());
    ASSERT_TRUE(doc);
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(doc->GetChild(i)->ZipTree() && doc->GetChild(i)->UnzipTree());
    EXPECT_EQ(wide, doc->FirstChild()->get_NumChildren());
    EXPECT_EQ(std::to_string(wide - 1), contentOf(*doc->FirstChild()->LastChild()));
    std::unique_ptr<ClsXml> walker = doc->LastChild();
    int depth = 0;
    while (walker->FirstChild2()) ++depth;
    EXPECT_EQ(deep, depth);
}

TEST(XmlTransforms, EncodedWordsAndEntities) {
    const struct {
        bool q;
        const char *charset;
        std::string data, word;
    } words[] = {
        {true, "", "a b?c", "=?utf-8?Q?a_b=3Fc?="},
        {true, "iso-8859-1", "caf\xe9=_", "=?iso-8859-1?Q?caf=E9=3D=5F?="},
        {false, "", "abc", "=??B?YWJj?="},
        {false, "utf-8", std::string("\xff\xfe\0", 3), "=?utf-8?B?//4A?="},
    };
    for (const auto &w : words) {
        std::unique_ptr<ClsXml> xml = withContent("old");
        const DataBuffer data = bufferOf(w.data);
        ASSERT_TRUE(w.q ? xml->QEncodeContent(x(w.charset), data) : xml->BEncodeContent(x(w.charset), data));
        EXPECT_EQ(w.word, rawContent(*xml));
        EXPECT_EQ("QuorvelLog:\r\n--QuorvelLog\r\n", lastError(*xml));
        EXPECT_FALSE(w.q ? xml->QEncodeContent(x(w.charset), DataBuffer()) : xml->BEncodeContent(x(w.charset), DataBuffer()));
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
    ClsXml xml;
    xml.DecodeEntities(x("a &amp; b &lt;&quot;&apos;&gt; &eacute;&#65;&euro;&nbsp;."), out);
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
    std::vector<Record> records;
    for (const std::string &content : kContents) {
        std::unique_ptr<ClsXml> xml = withContent(content);
        ASSERT_TRUE(xml->ZipContent());
        records.push_back({content, rawContent(*xml)});
    }
    std::unique_ptr<ClsXml> rec = loaded(kRecords)->FirstChild();
    const std::string before = xmlOf(*rec);
    ASSERT_TRUE(rec->ZipTree());
    records.push_back({before, rawContent(*rec)});
    const std::string data = noise(3000, 9);
    ASSERT_TRUE(rec->SetBinaryContent(bufferOf(data), true, false, XString()));
    records.push_back({data, rawContent(*rec)});
    std::vector<Record> replies;
    EXPECT_EQ("", runPythonOracle("xml_transforms", kStoredScript, records, replies));
}

}  // namespace
}  // namespace quorvel::test
