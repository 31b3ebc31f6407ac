// Writing serialized XML to a file in its declared encoding.
#include <gtest/gtest.h>

#include <string>

#include "foundation/StringBuffer.h"
#include "support/RecordingLog.h"
#include "support/TestFiles.h"
#include "xml/engine/XmlSaver.h"

namespace quorvel {
namespace {

using test::RecordingLog;

const StringBuffer kXml("<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xC3\xA9 \xC3\xBF</a>\r\n");

std::string savedBytes(const std::string &path) {
    std::string bytes;
    EXPECT_TRUE(test::readRawFile(path, bytes)) << path;
    return bytes;
}

TEST(SerializerSave, Utf8WrittenUnchangedInAnyLetterCase) {
    const std::string dir = test::scratchDir("SerializerSave_utf8");
    const std::string text(kXml.getString(), kXml.getSize());
    for (const char *name : {"utf-8", "UTF-8", "Utf-8"}) {
        RecordingLog log;
        const std::string path = dir + name + ".xml";
        ASSERT_TRUE(saveXmlBytes(kXml, name, path.c_str(), log)) << log.joined();
        EXPECT_EQ(savedBytes(path), text) << name;
    }
    RecordingLog log;
    ASSERT_TRUE(saveXmlBytes(kXml, nullptr, (dir + "null.xml").c_str(), log)) << log.joined();
    EXPECT_EQ(savedBytes(dir + "null.xml"), text);
}

TEST(SerializerSave, ConvertedToDeclaredCharsetWithoutMark) {
    const std::string dir = test::scratchDir("SerializerSave_convert");
    struct Case {
        const char *encoding;
        std::string expected;
    } cases[] = {
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xE9 \xFF</a>\r\n"},
        {"iso-8859-1", "<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xE9 \xFF</a>\r\n"},
        {"windows-1252", "<?xml version=\"1.0\" encoding=\"x\" ?>\r\n<a>caf\xE9 \xFF</a>\r\n"},
        // "utf8" is another name of UTF-8: converted, to the same bytes.
        {"utf8", std::string(kXml.getString(), kXml.getSize())},
    };
    for (const Case &c : cases) {
        RecordingLog log;
        const std::string path = dir + c.encoding + ".xml";
        ASSERT_TRUE(saveXmlBytes(kXml, c.encoding, path.c_str(), log)) << c.encoding << "\n" << log.joined();
        EXPECT_EQ(savedBytes(path), c.expected) << c.encoding;
    }

    // UTF-16 gets no byte-order mark either.
    RecordingLog log;
    StringBuffer small("<a>\xC3\xA9</a>");
    ASSERT_TRUE(saveXmlBytes(small, "utf-16", (dir + "u16.xml").c_str(), log)) << log.joined();
    EXPECT_EQ(savedBytes(dir + "u16.xml"), std::string("<\0a\0>\0\xE9\0<\0/\0a\0>\0", 16));
}

TEST(SerializerSave, PathIsTrimmed) {
    const std::string dir = test::scratchDir("SerializerSave_trim");
    RecordingLog log;
    ASSERT_TRUE(saveXmlBytes(kXml, "utf-8", (" \t" + dir + "t.xml\r\n ").c_str(), log)) << log.joined();
    EXPECT_EQ(savedBytes(dir + "t.xml"), std::string(kXml.getString(), kXml.getSize()));
}

TEST(SerializerSave, FailedConversionWritesNothing) {
    const std::string dir = test::scratchDir("SerializerSave_fail");
    struct Case {
        const char *encoding;
        const char *text;
    } cases[] = {
        {"no-such-charset", "<a/>"},
        // A character the charset lacks makes the conversion report failure.
        {"iso-8859-1", "<a>\xE2\x82\xAC</a>"},
        // Recognised by name, but the system has no conversion for it.
        {"hz-gb-2312", "<a/>"},
    };
    for (const Case &c : cases) {
        RecordingLog log;
        const std::string path = dir + "out.xml";
        ASSERT_TRUE(test::writeRawFile(path, "previous"));
        EXPECT_FALSE(saveXmlBytes(StringBuffer(c.text), c.encoding, path.c_str(), log)) << c.encoding;
        EXPECT_EQ(savedBytes(path), "previous") << c.encoding;
        EXPECT_TRUE(log.has("data: encoding=" + std::string(c.encoding))) << log.joined();
    }
}

TEST(SerializerSave, UnwritablePathFailsWithFileLayerMessages) {
    const std::string path = test::scratchDir("SerializerSave_unwritable") + "missing-folder/out.xml";
    RecordingLog log;
    EXPECT_FALSE(saveXmlBytes(kXml, "utf-8", path.c_str(), log));
    EXPECT_TRUE(log.mentions("Failed to write complete file")) << log.joined();
    EXPECT_FALSE(test::fileExists(path));
}

}  // namespace
}  // namespace quorvel
