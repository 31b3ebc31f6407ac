#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/buffers/DataBuffer.h"
#include "foundation/base/ExtPtrArray.h"
#include "foundation/text/StringBuffer.h"
#include "support/Bytes.h"

namespace quorvel {
namespace {

using test::bytesOf;
using test::textOf;
using Tokens = std::vector<std::string>;

// The tokens in the list, after "<failed>" when the split returned false.
Tokens tokens(bool ok, const ExtPtrArray &list) {
    Tokens out = ok ? Tokens{} : Tokens{"<failed>"};
    for (int32_t i = 0; i < list.getSize(); ++i) {
        auto *sb = static_cast<StringBuffer *>(list.elementAt(i));
        out.emplace_back(sb->getString(), sb->getSize());
    }
    return out;
}

Tokens split(const std::string &text, char delimiter, bool quotes, bool escapes) {
    ExtPtrArray list(true);
    return tokens(StringBuffer(text.c_str()).split(list, delimiter, quotes, escapes), list);
}

// The bytes 0, 1, 2, ... n-1 (mod 256).
std::string counting(uint32_t n) {
    std::string bytes(n, '\0');
    for (uint32_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
}

std::string hexOf(const std::string &bytes, bool (StringBuffer::*form)(const unsigned char *, uint32_t)) {
    StringBuffer sb("=");
    EXPECT_TRUE((sb.*form)(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<uint32_t>(bytes.size())));
    return textOf(sb);
}

TEST(StringBufferSplit, DelimitersQuotesAndEscapes) {
    const std::string longToken(1000, 'k');
    const struct { std::string text; bool quotes, escapes; Tokens expected; } cases[] = {
        {"a,,b,", false, false, {"a", "", "b", ""}},
        {",", false, false, {"", ""}},
        {"abc", false, false, {"abc"}},
        {"", true, true, {}},
        {longToken + "," + longToken, false, false, {longToken, longToken}},
        // A delimiter between quotes does not split; the quotes stay, and an unclosed one keeps the rest.
        {"a,\"b,c\",d", true, false, {"a", "\"b,c\"", "d"}},
        {"a,\"b,c\",d", false, false, {"a", "\"b", "c\"", "d"}},
        {"a,\"b,c", true, false, {"a", "\"b,c"}},
        // The byte after a backslash is copied literally, with the backslash.
        {"a\\,b,c", false, true, {"a\\,b", "c"}},
        {"a\\,b,c", false, false, {"a\\", "b", "c"}},
        {"\"a\\\",b\",c", true, true, {"\"a\\\",b\"", "c"}},
        {"\"a\\\",b\",c", true, false, {"\"a\\\"", "b\",c"}},
        {"end\\", false, true, {"end\\"}},
    };
    for (const auto &c : cases) EXPECT_EQ(split(c.text, ',', c.quotes, c.escapes), c.expected) << c.text;
}

TEST(StringBufferSplit, DelimiterSetsLinesAndExistingItems) {
    ExtPtrArray list(true), whole(true), lines(true);
    EXPECT_EQ(tokens(StringBuffer("a b\tc  d").splitOnAnyOf(list, " \t", false, false), list), (Tokens{"a", "b", "c", "", "d"}));
    // Appended after what is there.
    EXPECT_EQ(tokens(StringBuffer("e,f").split(list, ',', false, false), list), (Tokens{"a", "b", "c", "", "d", "e", "f"}));
    EXPECT_EQ(tokens(StringBuffer("a b").splitOnAnyOf(whole, nullptr, false, false), whole), (Tokens{"a b"}));
    EXPECT_EQ(tokens(StringBuffer("l1\r\nl2\rl3\n\nl5\n").splitLines(lines), lines), (Tokens{"l1", "l2", "l3", "", "l5", ""}));
}

TEST(StringBufferHex, EncodeDecodeAndDump) {
    EXPECT_EQ(hexOf(std::string("\x00\xAB\x7F\x10", 4), &StringBuffer::appendHex), "=00AB7F10");
    EXPECT_EQ(hexOf("", &StringBuffer::appendHex), "=");
    // More than one local block, and back: every byte value.
    const std::string many = hexOf(counting(512), &StringBuffer::appendHex);
    EXPECT_EQ(many.substr(0, 9) + many.substr(1017), "=00010203FCFDFEFF");
    DataBuffer decoded;
    EXPECT_EQ(test::outcome(StringBuffer(many.c_str() + 1).decodeHex(decoded), decoded), counting(512));
    // Digits in either case; with an odd count the first digit alone is the first byte.
    for (const auto &[hex, bytes] : {std::pair<const char *, std::string>{"0aFf", "\x0A\xFF"}, {"abc", "\x0A\xBC"}, {"", ""}}) {
        DataBuffer out;
        EXPECT_EQ(test::outcome(StringBuffer(hex).decodeHex(out), out), bytes) << hex;
    }
    DataBuffer kept = test::bufferOf("keep");
    EXPECT_EQ(test::outcome(StringBuffer("12 34").decodeHex(kept) || StringBuffer("zz").decodeHex(kept), kept), "false|keep");

    std::string bytes = counting(20);
    bytes[19] = '\xEF';
    EXPECT_EQ(hexOf(bytes, &StringBuffer::appendHexDump), "=0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n1011 12EF ");
    EXPECT_EQ(hexOf(bytes.substr(0, 3), &StringBuffer::appendHexDump), "=0001 02");
    EXPECT_EQ(hexOf(bytes.substr(0, 16), &StringBuffer::appendHexDump), "=0001 0203 0405 0607 0809 0A0B 0C0D 0E0F\n");
    EXPECT_EQ(hexOf("\xAB\x01\xF0", &StringBuffer::appendHexLowerSpaced), "=ab 01 f0 ");
    StringBuffer odd("abc");
    EXPECT_EQ(test::outcome(odd.prependZeroIfOddLength() && odd.prependZeroIfOddLength(), odd), "0abc");
}

TEST(StringBufferParse, IntValueSaturatesOutsideInt32) {
    const std::pair<const char *, int32_t> cases[] = {
        {"", 0},          {"42", 42},         {"-0042abc", -42},          {"+", 0},
        {"-", 0},         {"+17", 17},        {" 5", 0},                  {"--5", 0},
        {"abc", 0},       {"0000000000000000000001", 1},                  {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},            {"4294967296", INT32_MAX},  {"99999999999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},           {"-2147483649", INT32_MIN}, {"-99999999999999999999999999", INT32_MIN},
    };
    for (const auto &[text, value] : cases) EXPECT_EQ(StringBuffer(text).intValue(), value) << "\"" << text << "\"";
}

TEST(StringBufferParse, NameValue) {
    const struct { const char *line; bool removeQuotes, ok; const char *name, *value; } pairs[] = {
        {"  name = \"va lue\" ", true, true, "name", "va lue"}, {"  name = \"va lue\" ", false, true, "name", "\"va lue\""},
        {"a=b=c", true, true, "a", "b=c"}, {"q=\"", true, true, "q", "\""}, {"no pair", true, false, "", ""},
    };
    for (const auto &c : pairs) {
        StringBuffer name("old"), value("old");
        EXPECT_EQ(StringBuffer(c.line).splitNameValue(name, value, c.removeQuotes), c.ok) << c.line;
        EXPECT_EQ(textOf(name) + "|" + (c.ok ? textOf(value) : ""), std::string(c.name) + "|" + c.value) << c.line;
    }
    const struct { const char *header, *name; bool ok; const char *value; } params[] = {
        {"text/html; xcharset=bad; charset=utf-8; x=1", "charset", true, "utf-8"},
        {"text/html; xcharset=bad; charset=utf-8; x=1", "x", true, "1"},
        {"text/html; charset=utf-8", "boundary", false, ""}, {"a=", "a", true, ""},
    };
    for (const auto &c : params) {
        StringBuffer value("old");
        EXPECT_EQ(StringBuffer(c.header).getNameValueParam(c.name, value), c.ok) << c.name;
        EXPECT_EQ(textOf(value), c.value) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
