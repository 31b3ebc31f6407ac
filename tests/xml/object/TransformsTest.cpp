// Compressing and encrypting content and subtrees in place, and binary content under every
// combination of both. The stored forms are compared with the codec helpers, which the codecs
// suite holds to Python's zlib and base64 and to openssl's ciphertexts.
#include <gtest/gtest.h>

#include <vector>

#include "XmlTestSupport.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

const std::vector<std::string> kContents = {"Hi <you> & \"them\"", kBadUtf8, std::string(5000, 'z') + "!"};

bool logSays(ClsXml &xml, std::initializer_list<std::string> lines) {
    for (const std::string &line : lines)
        if (!logHasLine(xml, line)) return false;
    return true;
}

// Each pair under both names; the log context is always the first name's.
TEST(XmlTransforms, ContentPairsRoundTrip) {
    const struct { Step pack, unpack; bool zip; const char *password; } pairs[] = {
        {&ClsXml::ZipContent, &ClsXml::DecompressNode, true, ""}, {&ClsXml::CompressNode, &ClsXml::UnzipContent, true, ""},
        {keyed(&ClsXml::EncryptContent, "P\xc3\xa4ss"), keyed(&ClsXml::DecryptNode, "P\xc3\xa4ss"), false, "P\xc3\xa4ss"},
        {keyed(&ClsXml::EncryptNode, ""), keyed(&ClsXml::DecryptContent, ""), false, ""},
    };
    for (const auto &p : pairs) {
        for (const std::string &content : kContents) {
            SCOPED_TRACE(std::to_string(&p - pairs) + ": " + std::to_string(content.size()) + " bytes");
            std::unique_ptr<ClsXml> xml = withContent(content);
            ASSERT_TRUE(p.pack(*xml));
            EXPECT_TRUE(logSays(*xml, {p.zip ? "  ZipContent:" : "  EncryptContent:", "    Success."}));
            // Raw DEFLATE, or the password cipher, in base64 lines of 76.
            EXPECT_EQ(p.zip, xml->get_Cdata());
            EXPECT_TRUE(rawContent(*xml) == mime(p.zip ? deflated(content) : encrypted(content, p.password)));
            ASSERT_TRUE(p.unpack(*xml));
            EXPECT_TRUE(logSays(*xml, {p.zip ? "  UnzipContent:" : "  DecryptContent:"}));
            EXPECT_EQ(content, rawContent(*xml));
        }
    }
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
        EXPECT_EQ(before, inflated(unbase64(rawContent(*rec))));
        EXPECT_TRUE(logSays(*rec, {"  ZipTree:", "    Success."}) && rec->get_NumChildren() == 0 && rec->get_Cdata());
        EXPECT_EQ("id=7;kind=a&b; rec,after", attributesOf(*rec) + " " + childTags(*doc));
        ASSERT_TRUE(rec->AddAttribute(x("added"), x("yes")) && unpack(*rec));  // its log context: the failure table
        EXPECT_EQ("\r\n<rec id=\"7\" kind=\"a&amp;b\" added=\"yes\"><![CDATA[text]]>\r\n    <name>Ann</name>\r\n"
                  "    <items>\r\n        <i>1</i>\r\n        <i>2</i>\r\n    </items>\r\n    <empty />\r\n</rec>\r\n",
                  xmlOf(*rec));
    }
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
    const Step steps[] = {&ClsXml::ZipContent, &ClsXml::CompressNode, &ClsXml::UnzipTree, &ClsXml::UnzipContent,
                          &ClsXml::DecompressSubtree, &ClsXml::DecompressNode, keyed(&ClsXml::EncryptContent, "pw"),
                          keyed(&ClsXml::EncryptNode, "pw"), keyed(&ClsXml::DecryptContent, "pw"), keyed(&ClsXml::DecryptNode, "pw")};
    for (bool emptyBuffer : {false, true}) {
        std::unique_ptr<ClsXml> doc = load("<a><b>1</b></a>");
        if (emptyBuffer) doc->put_Content(x(""));  // an empty buffer counts as none
        const std::string log = lastError(*doc), xml = xmlOf(*doc);
        for (const Step &step : steps) EXPECT_TRUE(step(*doc));
        DataBuffer binary = bufferOf("old"), decoded = bufferOf("old");
        EXPECT_TRUE(doc->GetBinaryContent(true, true, x("pw"), binary) && doc->DecodeContent(decoded));
        EXPECT_EQ(0u, binary.getSize() + decoded.getSize());
        EXPECT_EQ(log + xml, lastError(*doc) + xmlOf(*doc));
    }
}

TEST(XmlTransforms, FailuresLeaveTheNodeAndSayWhy) {
    // zlib-framed data is no raw DEFLATE: its header reads as a stored block whose lengths disagree.
    const std::string framed = mime(unhex("789ccb48cdc9c90700062c0215"));
    const char *kNotBase64 = "Failed to decrypt data, Base64 data is invalid";
    const struct { std::string content; Step step; const char *context, *message; } cases[] = {
        {"!!!! ~~", &ClsXml::UnzipTree, "UnzipTree", "Failed to decode base64 data"},
        {"====", &ClsXml::DecompressNode, "UnzipContent", "Failed to decode base64 data"},
        {"==QUJD", keyed(&ClsXml::DecryptNode, "pw"), "DecryptContent", kNotBase64},
        {mime(deflated("no element")), &ClsXml::DecompressSubtree, "UnzipTree", "Failed to parse unzipped XML"},
        {framed, &ClsXml::UnzipTree, "UnzipTree", "Failed to parse unzipped XML"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        std::unique_ptr<ClsXml> doc = load("<a><kept /></a>");
        doc->setContentUtf8(c.content.c_str());
        EXPECT_FALSE(c.step(*doc));
        EXPECT_EQ(c.content + " kept", rawContent(*doc) + " " + childTags(*doc));
        EXPECT_TRUE(logSays(*doc, {std::string("  ") + c.context + ":", std::string("    ") + c.message + "\r\n    Failed."}));
    }
    // Damaged data is not an error of UnzipContent: the content becomes what could be decoded.
    std::unique_ptr<ClsXml> content = withContent(framed);
    EXPECT_TRUE(content->UnzipContent() && rawContent(*content).empty());
    EXPECT_TRUE(logHasLine(*content, "    Inflate from source failed."));
}

TEST(XmlTransforms, ObjectsInAPackedSubtreeKeepWorking) {
    std::unique_ptr<ClsXml> doc = load(kRecords), rec = doc->FirstChild();
    std::unique_ptr<ClsXml> items = rec->GetChild(1), second = items->GetChild(1);
    ASSERT_TRUE(rec->ZipTree());
    EXPECT_EQ("items", tagOf(*second->GetRoot()));  // <items> lives on as a tree of its own
    // Unpacked children follow the ones added meanwhile, in the document's tree.
    std::unique_ptr<ClsXml> extra = rec->NewChild(x("extra"), x("e"));
    ASSERT_TRUE(rec->UnzipTree());
    EXPECT_EQ("extra,name,items,empty", childTags(*rec));
    EXPECT_EQ(doc->get_TreeId(), rec->GetChild(2)->get_TreeId());
    doc.reset();
    rec.reset();
    second->put_Content(x("two"));
    items->NewChild2(x("i"), x("3"));
    EXPECT_EQ("<items>\r\n    <i>1</i>\r\n    <i>two</i>\r\n    <i>3</i>\r\n</items>\r\n", xmlOf(*items));
}

TEST(XmlBinaryContent, EveryFlagCombinationRoundTrips) {
    const char *password = "p\xc3\xa4ss";
    for (int flags = 0; flags < 4; ++flags) {
        const bool zip = flags & 1, encrypt = flags & 2;
        for (const std::string &data : {std::string(), std::string("\0\x01\xff\xfe\x80\0", 6) + std::string(3000, 'r')}) {
            SCOPED_TRACE(std::to_string(flags) + ", " + std::to_string(data.size()) + " bytes");
            ClsXml xml;
            xml.put_Content(x("old"));
            xml.put_Cdata(zip);  // whatever it is, it stays
            ASSERT_TRUE(xml.SetBinaryContent(bufferOf(data), zip, encrypt, x(password)));
            EXPECT_EQ(zip, xml.get_Cdata());
            // data -> deflate -> encrypt -> base64; no data gives an empty content.
            const std::string zipped = zip && !data.empty() ? deflated(data) : data;
            EXPECT_EQ(data.empty() ? "" : mime(encrypt ? encrypted(zipped, password) : zipped), rawContent(xml));
            DataBuffer back;
            EXPECT_TRUE(xml.GetBinaryContent(zip, encrypt, x(password), back) && bytesOf(back) == data);
            EXPECT_EQ(!data.empty(), logHasLine(xml, "  GetBinaryContent:"));
        }
    }
}

TEST(XmlBinaryContent, FilesInAndOut) {
    const std::string dir = scratchDir("xml_binary_files");
    const std::string in = dir + "in.bin", out = dir + "out.bin", data = noise(70000, 5);
    ASSERT_TRUE(writeRawFile(in, data) && writeRawFile(out, "previous bytes"));
    ClsXml xml;
    ASSERT_TRUE(xml.SetBinaryContentFromFile(x(in), true, true, x("pw")));
    std::string written;
    ASSERT_TRUE(xml.SaveBinaryContent(x(out), true, true, x("pw")) && readRawFile(out, written));
    EXPECT_TRUE(written == data);
    // A missing file leaves the node as it was.
    const std::string kept = rawContent(xml);
    EXPECT_FALSE(xml.SetBinaryContentFromFile(x(dir + "missing.bin"), false, false, XString()));
    EXPECT_EQ(kept, rawContent(xml));
    EXPECT_FALSE(xml.SaveBinaryContent(x(dir + "no/such/folder/out.bin"), false, false, XString()));
    EXPECT_TRUE(logSays(xml, {"  SaveBinaryContent:", "    Failed."}));
}

// RFC 2047 encoded words in the content (the codec's own rules: the codecs suite).
TEST(XmlTransforms, EncodedWordsInTheContent) {
    ClsXml xml;
    DataBuffer out;
    EXPECT_FALSE(xml.QEncodeContent(x("utf-8"), DataBuffer()));  // no bytes
    ASSERT_TRUE(xml.QEncodeContent(x("utf-8"), bufferOf("caf\xc3\xa9 = ok?")));
    EXPECT_EQ(rawContent(xml), "=?utf-8?Q?caf=C3=A9_=3D_ok=3F?=");
    EXPECT_TRUE(xml.DecodeContent(out) && bytesOf(out) == "caf\xc3\xa9 = ok?");
    ASSERT_TRUE(xml.BEncodeContent(x("iso-8859-1"), bufferOf("caf\xe9")));
    EXPECT_EQ(rawContent(xml), "=?iso-8859-1?B?Y2Fm6Q==?=");
    EXPECT_TRUE(xml.DecodeContent(out) && bytesOf(out) == "caf\xe9");  // in the words' own charset
    xml.put_Content(x("plain <text>"));  // no encoded words: the content's bytes
    EXPECT_TRUE(xml.DecodeContent(out) && bytesOf(out) == "plain <text>");
}

}  // namespace
}  // namespace quorvel::test
