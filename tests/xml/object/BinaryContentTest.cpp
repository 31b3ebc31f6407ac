// Binary data held in an element: every combination of compression and encryption, files in
// and out, and the ciphertext as the openssl command reads it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TransformSupport.h"
#include "XmlTestSupport.h"
#include "support/TestFiles.h"

namespace quorvel::test {
namespace {

std::string rows(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "<row n=\"" + std::to_string(i) + "\">" + std::to_string(i * 7919 % 10007) + "</row>\n";
    return s;
}

std::string binaryOf(ClsXml &xml, bool unzip, bool decrypt, const char *password) {
    DataBuffer out;
    EXPECT_TRUE(xml.GetBinaryContent(unzip, decrypt, x(password), out));
    return bytesOf(out);
}

TEST(XmlBinaryContent, EveryFlagCombinationRoundTrips) {
    const char *password = "p\xc3\xa4ss";
    for (int flags = 0; flags < 4; ++flags) {
        const bool zip = flags & 1, encrypt = flags & 2;
        for (const std::string &data : {std::string(), std::string("\0\x01\xff\xfe\x80\0", 6), noise(5000, 3), rows(800)}) {
            SCOPED_TRACE(std::to_string(flags) + ", " + std::to_string(data.size()) + " bytes");
            ClsXml xml;
            xml.put_Content(x("old"));
            xml.put_Cdata(zip);  // whatever it is, it stays
            ASSERT_TRUE(xml.SetBinaryContent(bufferOf(data), zip, encrypt, x(password)));
            EXPECT_EQ(zip, xml.get_Cdata());
            EXPECT_TRUE(logHasLine(xml, "  SetBinaryContent:") && logHasLine(xml, "    Success."));
            // data -> deflate -> encrypt -> base64; no data gives an empty content.
            const std::string zipped = zip && !data.empty() ? deflated(data) : data;
            EXPECT_EQ(base64Of(encrypt ? encrypted(zipped, password) : zipped), rawContent(xml));
            EXPECT_EQ(data, binaryOf(xml, zip, encrypt, password));
            EXPECT_EQ(!data.empty(), logHasLine(xml, "  GetBinaryContent:"));
        }
    }
    // Partly unpacked, each layer shows; a wrong password is not an error but gives other bytes.
    const std::string data = rows(300);
    ClsXml xml;
    ASSERT_TRUE(xml.SetBinaryContent(bufferOf(data), true, true, x("pw")));
    EXPECT_EQ(encrypted(deflated(data), "pw"), binaryOf(xml, false, false, ""));
    EXPECT_EQ(deflated(data), binaryOf(xml, false, true, "pw"));
    EXPECT_NE(deflated(data), binaryOf(xml, false, true, "Pw"));
    EXPECT_NE(data, binaryOf(xml, true, true, "Pw"));
    // Text that is not base64 yields what the decoder makes of it: here nothing.
    xml.put_Content(x("!!!! ~~~~"));
    EXPECT_EQ("", binaryOf(xml, false, false, ""));
}

TEST(XmlBinaryContent, FilesInAndOut) {
    const std::string dir = scratchDir("xml_binary_files");
    const std::string in = dir + "in.bin", out = dir + "out.bin", data = noise(70000, 5) + rows(2000);
    ASSERT_TRUE(writeRawFile(in, data) && writeRawFile(out, "previous bytes"));
    ClsXml xml;
    ASSERT_TRUE(xml.SetBinaryContentFromFile(x(in.c_str()), true, true, x("pw")));
    EXPECT_NE(std::string::npos, lastError(xml).find("    path: " + in + "\r\n    zipFlag: 1\r\n    encryptFlag: 1\r\n"));
    EXPECT_TRUE(logHasLine(xml, "    NumBytes: " + std::to_string(data.size()) + "\r\n    Success."));
    EXPECT_EQ(base64Of(encrypted(deflated(data), "pw")), rawContent(xml));
    std::string written;
    ASSERT_TRUE(xml.SaveBinaryContent(x(out.c_str()), true, true, x("pw")) && readRawFile(out, written));
    EXPECT_TRUE(written == data);
    // The unpacking ran as a call of its own; the log is the saving's.
    EXPECT_TRUE(logHasLine(xml, "  SaveBinaryContent:") && logHasLine(xml, "    Success."));
    EXPECT_EQ(std::string::npos, lastError(xml).find("GetBinaryContent"));

    // A missing file: the reader's messages close the call, the node stays.
    EXPECT_FALSE(xml.SetBinaryContentFromFile(x((dir + "missing.bin").c_str()), false, false, XString()));
    EXPECT_EQ(base64Of(encrypted(deflated(data), "pw")), rawContent(xml));
    EXPECT_TRUE(logHasLine(xml, "    zipFlag: 0\r\n    encryptFlag: 0"));
    EXPECT_EQ(std::string::npos, lastError(xml).find("NumBytes"));
    EXPECT_EQ(std::string::npos, lastError(xml).find("Success."));
    EXPECT_FALSE(logHasLine(xml, "    Failed."));
    EXPECT_FALSE(xml.SaveBinaryContent(x((dir + "no/such/folder/out.bin").c_str()), false, false, XString()));
    EXPECT_TRUE(logHasLine(xml, "  SaveBinaryContent:") && logHasLine(xml, "    Failed."));
    // A node without content writes an empty file.
    ClsXml blank;
    ASSERT_TRUE(blank.SaveBinaryContent(x(out.c_str()), true, true, x("pw")) && readRawFile(out, written));
    EXPECT_EQ("", written);
}

bool run(const std::string &command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

// openssl enc, keyed with openssl's own MD5 of the password and the fixed vector, decrypts what
// EncryptContent and SetBinaryContent store.
TEST(XmlBinaryContent, OpensslDecryptsWhatTheNodeStores) {
#ifdef _WIN32
    GTEST_SKIP() << "the openssl command is not available";
#endif
    if (!run("openssl version > /dev/null")) GTEST_SKIP() << "the openssl command is not available";
    const std::string dir = scratchDir("xml_binary_openssl"), data = noise(4000, 11);
    std::string iv;
    for (unsigned char b : AesCrypt::kFixedIv) iv += "0123456789abcdef"[b >> 4], iv += "0123456789abcdef"[b & 15];
    for (const std::string password : {"secret", "P\xc3\xa4ssw\xc3\xb6rd"}) {
        std::string digest, plain;
        ASSERT_TRUE(writeRawFile(dir + "password", password) &&
                    run("openssl dgst -md5 -r " + dir + "password > " + dir + "md5") && readRawFile(dir + "md5", digest));
        const std::string decrypt = "openssl enc -d -aes-128-cbc -K " + digest.substr(0, 32) + " -iv " + iv + " -in " + dir +
                                    "c -out " + dir + "p";
        ClsXml xml;
        xml.setContentUtf8(kBadUtf8.c_str());
        ASSERT_TRUE(xml.EncryptContent(x(password.c_str())));
        ASSERT_TRUE(writeRawFile(dir + "c", unbase64(rawContent(xml))) && run(decrypt) && readRawFile(dir + "p", plain));
        EXPECT_EQ(kBadUtf8, plain);
        ASSERT_TRUE(xml.SetBinaryContent(bufferOf(data), true, true, x(password.c_str())));
        ASSERT_TRUE(writeRawFile(dir + "c", unbase64(rawContent(xml))) && run(decrypt) && readRawFile(dir + "p", plain));
        EXPECT_TRUE(inflated(plain) == data);
    }
}

}  // namespace
}  // namespace quorvel::test
