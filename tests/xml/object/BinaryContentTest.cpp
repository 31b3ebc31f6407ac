// Binary data held in an element: every combination of compression and encryption, files in
// and out, and the ciphertext as the openssl command reads it.
#include <gtest/gtest.h>

#include "XmlTestSupport.h"
#include "support/OpensslOracle.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

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
    EXPECT_TRUE(logHasLine(xml, "  SaveBinaryContent:") && logHasLine(xml, "    Failed."));
}

// openssl enc, keyed with openssl's own MD5 of the password and the fixed vector, decrypts what
// EncryptContent and SetBinaryContent store.
TEST(XmlBinaryContent, OpensslDecryptsWhatTheNodeStores) {
    if (!opensslAvailable()) GTEST_SKIP() << "the openssl command is not available";
    const std::string data = noise(4000, 11);
    for (const std::string password : {"secret", "P\xc3\xa4ssw\xc3\xb6rd"}) {
        std::string key, plain;
        ASSERT_TRUE(opensslMd5(password, key));
        ClsXml xml;
        xml.setContentUtf8(kBadUtf8.c_str());
        ASSERT_TRUE(xml.EncryptContent(x(password)));
        ASSERT_TRUE(opensslAes128Cbc(true, key, fixedIvHex(), unbase64(rawContent(xml)), plain));
        EXPECT_EQ(kBadUtf8, plain);
        ASSERT_TRUE(xml.SetBinaryContent(bufferOf(data), true, true, x(password)));
        ASSERT_TRUE(opensslAes128Cbc(true, key, fixedIvHex(), unbase64(rawContent(xml)), plain));
        EXPECT_TRUE(inflated(plain) == data);
    }
}

}  // namespace
}  // namespace quorvel::test
