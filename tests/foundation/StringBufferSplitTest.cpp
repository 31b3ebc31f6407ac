// Splitting a StringBuffer into owned tokens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/ExtPtrArray.h"
#include "foundation/StringBuffer.h"

namespace quorvel {
namespace {

std::vector<std::string> tokens(const ExtPtrArray &list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.getSize(); ++i) {
        auto *sb = static_cast<StringBuffer *>(list.elementAt(i));
        out.emplace_back(sb->getString(), sb->getSize());
    }
    return out;
}

std::vector<std::string> split(const char *text, char delimiter, bool quotes, bool escapes) {
    ExtPtrArray list(true);
    EXPECT_TRUE(StringBuffer(text).split(list, delimiter, quotes, escapes));
    return tokens(list);
}

using Tokens = std::vector<std::string>;

TEST(StringBufferSplit, EmptyTokensAndEmptySource) {
    EXPECT_EQ(split("a,,b,", ',', false, false), (Tokens{"a", "", "b", ""}));
    EXPECT_EQ(split(",", ',', false, false), (Tokens{"", ""}));
    EXPECT_EQ(split("abc", ',', false, false), (Tokens{"abc"}));
    EXPECT_TRUE(split("", ',', true, true).empty());
}

TEST(StringBufferSplit, QuotesAndEscapes) {
    EXPECT_EQ(split("a,\"b,c\",d", ',', true, false), (Tokens{"a", "\"b,c\"", "d"}));
    EXPECT_EQ(split("a,\"b,c\",d", ',', false, false), (Tokens{"a", "\"b", "c\"", "d"}));
    EXPECT_EQ(split("a\\,b,c", ',', false, true), (Tokens{"a\\,b", "c"}));
    EXPECT_EQ(split("a\\,b,c", ',', false, false), (Tokens{"a\\", "b", "c"}));
    // An escaped quote does not end the quoted part.
    EXPECT_EQ(split("\"a\\\",b\",c", ',', true, true), (Tokens{"\"a\\\",b\"", "c"}));
    EXPECT_EQ(split("\"a\\\",b\",c", ',', true, false), (Tokens{"\"a\\\"", "b\",c"}));
    EXPECT_EQ(split("end\\", ',', false, true), (Tokens{"end\\"}));
    // An unclosed quote keeps the rest in one token.
    EXPECT_EQ(split("a,\"b,c", ',', true, false), (Tokens{"a", "\"b,c"}));
}

TEST(StringBufferSplit, LongTokensAndDelimiterSets) {
    std::string longToken(1000, 'k');
    std::string text = longToken + ";" + longToken;
    EXPECT_EQ(split(text.c_str(), ';', false, false), (Tokens{longToken, longToken}));

    ExtPtrArray list(true);
    ASSERT_TRUE(StringBuffer("a b\tc  d").splitOnAnyOf(list, " \t", false, false));
    EXPECT_EQ(tokens(list), (Tokens{"a", "b", "c", "", "d"}));
    ExtPtrArray whole(true);
    ASSERT_TRUE(StringBuffer("a b").splitOnAnyOf(whole, nullptr, false, false));
    EXPECT_EQ(tokens(whole), (Tokens{"a b"}));
}

TEST(StringBufferSplit, Lines) {
    ExtPtrArray list(true);
    ASSERT_TRUE(StringBuffer("l1\r\nl2\rl3\n\nl5\n").splitLines(list));
    EXPECT_EQ(tokens(list), (Tokens{"l1", "l2", "l3", "", "l5", ""}));
}

TEST(StringBufferSplit, AppendsToExistingItems) {
    ExtPtrArray list(true);
    ASSERT_TRUE(StringBuffer("a,b").split(list, ',', false, false));
    ASSERT_TRUE(StringBuffer("c").split(list, ',', false, false));
    EXPECT_EQ(tokens(list), (Tokens{"a", "b", "c"}));
}

}  // namespace
}  // namespace quorvel
