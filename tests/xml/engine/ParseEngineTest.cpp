// The parser's scanner: loading, prefixes, captures and where each leaves the position.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "foundation/DataBuffer.h"
#include "foundation/StringBuffer.h"
#include "xml/engine/ParseEngine.h"

namespace quorvel {
namespace {

TEST(ParseEngine, LoadingStopsAtTheFirstZeroByte) {
    ParseEngine engine;
    EXPECT_TRUE(engine.atEnd());
    ASSERT_TRUE(engine.loadBytes("ab\0cd", 5));
    EXPECT_EQ(engine.size(), 2u);
    EXPECT_STREQ(engine.base(), "ab");

    ASSERT_TRUE(engine.loadText("xyz"));
    EXPECT_EQ(engine.size(), 3u);
    EXPECT_EQ(engine.position(), 0);
    ASSERT_TRUE(engine.loadText(nullptr));
    EXPECT_TRUE(engine.atEnd());

    // Taking a buffer: its bytes up to the first zero become the text, the buffer is emptied.
    DataBuffer data;
    const std::string big = std::string(200, 'x') + '\0' + "tail";
    ASSERT_TRUE(data.append(big.data(), static_cast<uint32_t>(big.size())));
    ASSERT_TRUE(engine.takeData(data));
    EXPECT_EQ(engine.size(), 200u);
    EXPECT_EQ(data.getSize(), 0u);
}

TEST(ParseEngine, PositionNeverLeavesTheText) {
    ParseEngine engine;
    ASSERT_TRUE(engine.loadText("abc"));
    engine.setPosition(-5);
    EXPECT_EQ(engine.position(), 0);
    engine.stepBack();
    EXPECT_EQ(engine.position(), 0);
    engine.setPosition(99);
    EXPECT_EQ(engine.position(), 3);
    engine.advance();
    EXPECT_EQ(engine.position(), 3);
    engine.setPosition(1);
    engine.advanceBy(50);
    EXPECT_EQ(engine.position(), 3);
    EXPECT_TRUE(engine.atEnd());
    EXPECT_EQ(engine.peek(0), '\0');
    EXPECT_EQ(engine.peek(7), '\0');
}

struct CaptureCase {
    const char *name;
    const char *text;
    std::function<bool(ParseEngine &, StringBuffer &)> op;
    bool result;
    const char *captured;
    const char *rest;
};

TEST(ParseEngine, Captures) {
    const CaptureCase cases[] = {
        {"any of a set", "name=value", [](ParseEngine &e, StringBuffer &o) { return e.captureUntilAnyOf(" =>", o); },
         true, "name", "=value"},
        {"any of a set, to the end", "name", [](ParseEngine &e, StringBuffer &o) { return e.captureUntilAnyOf(" =", o); },
         true, "name", ""},
        {"any of a byte set",
         "ab/c",
         [](ParseEngine &e, StringBuffer &o) { return e.captureUntilAnyOf(ByteSet("/>", true), o); }, true, "ab",
         "/c"},
        {"either of two bytes", "abc'd\"e", [](ParseEngine &e, StringBuffer &o) { return e.captureUntilEither('"', '\'', o); },
         true, "abc", "'d\"e"},
        {"one byte", "abc]]>", [](ParseEngine &e, StringBuffer &o) { return e.captureUntil(']', o); }, true, "abc", "]]>"},
        {"one byte, missing", "abc", [](ParseEngine &e, StringBuffer &o) { return e.captureUntil('<', o); }, true, "abc", ""},
        {"through a substring", "a?b?>c", [](ParseEngine &e, StringBuffer &o) { return e.captureThroughSubstring("?>", o); },
         true, "a?b?>", "c"},
        {"through a substring at the end", "ab?>", [](ParseEngine &e, StringBuffer &o) { return e.captureThroughSubstring("?>", o); },
         true, "ab?>", ""},
        {"through a missing substring", "ab?", [](ParseEngine &e, StringBuffer &o) { return e.captureThroughSubstring("?>", o); },
         false, "", "ab?"},
        {"balanced", "!DOCTYPE a [<!ENTITY e '<x>'>]>rest",
         [](ParseEngine &e, StringBuffer &o) { return e.captureBalanced('<', '>', 1, o); }, true,
         "!DOCTYPE a [<!ENTITY e '<x>'>]>", "rest"},
        {"balanced, ends first", "a<b>c<d",
         [](ParseEngine &e, StringBuffer &o) { return e.captureBalanced('<', '>', 1, o); }, false, "a<b>c<d", ""},
        {"balanced from depth 2", "a>b>c",
         [](ParseEngine &e, StringBuffer &o) { return e.captureBalanced('<', '>', 2, o); }, true, "a>b>", "c"},
    };
    for (const CaptureCase &c : cases) {
        ParseEngine engine;
        ASSERT_TRUE(engine.loadText(c.text));
        // Captures append to what the buffer holds.
        StringBuffer out("^");
        EXPECT_EQ(c.op(engine, out), c.result) << c.name;
        EXPECT_EQ(std::string(out.getString()), std::string("^") + c.captured) << c.name;
        EXPECT_STREQ(engine.cursor(), c.rest) << c.name;
        EXPECT_FALSE(engine.outOfMemory()) << c.name;
    }
}

TEST(ParseEngine, Seeks) {
    const struct {
        const char *text;
        bool result;
        const char *rest;
    } cases[] = {
        {"/a>next", true, ">next"},
        {"/a<b>", false, "<b>"},
        {"/a", true, ""},
        {">", true, ">"},
    };
    for (const auto &c : cases) {
        ParseEngine engine;
        ASSERT_TRUE(engine.loadText(c.text));
        EXPECT_EQ(engine.seekByteBeforeStop('>', '<'), c.result) << c.text;
        EXPECT_STREQ(engine.cursor(), c.rest) << c.text;
    }

    ParseEngine engine;
    ASSERT_TRUE(engine.loadText("x -- --> y --> z"));
    EXPECT_EQ(engine.find("-->"), engine.base() + 5);
    EXPECT_TRUE(engine.skipPastSubstring("-->"));
    EXPECT_STREQ(engine.cursor(), " y --> z");
    EXPECT_TRUE(engine.skipPastSubstring("-->"));
    EXPECT_FALSE(engine.skipPastSubstring("-->"));
    EXPECT_STREQ(engine.cursor(), " z");
    EXPECT_EQ(engine.find("z  "), nullptr);  // longer than what is left
    EXPECT_TRUE(engine.seekByte('z'));
    EXPECT_FALSE(engine.seekByte('<'));
    EXPECT_TRUE(engine.atEnd());

    // Whitespace is space, tab, CR and LF only.
    ASSERT_TRUE(engine.loadText(" \t\r\n\v\fx"));
    engine.skipWhitespace();
    EXPECT_EQ(engine.position(), 4);
    EXPECT_EQ(engine.skipUntil(ByteSet("x", true)), 2u);
}

}  // namespace
}  // namespace quorvel
