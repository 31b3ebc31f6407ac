#include "tests/automation/com/ComTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace quorvel::comtest {
namespace {

// A BSTR owned by the test.
using Bstr = std::unique_ptr<OLECHAR, decltype(&SysFreeString)>;

// The byte count stored in front of the characters.
DWORD storedByteLength(BSTR text) {
    DWORD length;
    std::memcpy(&length, reinterpret_cast<const char *>(text) - sizeof length, sizeof length);
    return length;
}

TEST(Bstr, LengthsPrefixAndTerminator) {
    struct Row {
        const char *name;
        BSTR (*make)();
        std::u16string units;
        UINT bytes;
    };
    const Row rows[] = {
        {"text", [] { return SysAllocString(ole(u"h\u00e9llo")); }, u"h\u00e9llo", 10},
        {"surrogate pair", [] { return SysAllocString(ole(u"\U0001F600")); }, u"\U0001F600", 4},
        {"empty", [] { return SysAllocString(ole(u"")); }, u"", 0},
        {"embedded zeros", [] { return SysAllocStringLen(ole(u"a\0b\0"), 4); }, std::u16string(u"a\0b\0", 4), 8},
        {"zeros without source", [] { return SysAllocStringLen(nullptr, 3); }, std::u16string(3, u'\0'), 6},
        {"prefix of a longer text", [] { return SysAllocStringLen(ole(u"abcdef"), 2); }, u"ab", 4},
        {"bytes, odd count", [] { return SysAllocStringByteLen("abc", 3); }, std::u16string(1, u'a' | (u'b' << 8)), 3},
        {"bytes, empty", [] { return SysAllocStringByteLen("", 0); }, u"", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Bstr text(row.make(), SysFreeString);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(units(text.get()), row.units);
        EXPECT_EQ(SysStringByteLen(text.get()), row.bytes);
        EXPECT_EQ(SysStringLen(text.get()), row.bytes / 2);
        EXPECT_EQ(storedByteLength(text.get()), row.bytes);
        // A zero unit always follows, also after an odd byte count.
        const auto *bytes = reinterpret_cast<const unsigned char *>(text.get());
        EXPECT_TRUE(bytes[row.bytes] == 0 && bytes[row.bytes + 1] == 0);
    }
    Bstr bytes(SysAllocStringByteLen("abc", 3), SysFreeString);
    EXPECT_EQ(std::memcmp(bytes.get(), "abc", 4), 0);
}

TEST(Bstr, NullIsTheEmptyStringAndOversizedLengthsFail) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);
    // Byte counts that do not fit 32 bits with the prefix give null instead of a wrapped size.
    for (UINT units : {0x80000000u, 0xFFFFFFFFu}) EXPECT_EQ(SysAllocStringLen(nullptr, units), nullptr) << units;
    for (UINT bytes : {0xFFFFFFFFu, 0xFFFFFFFEu}) EXPECT_EQ(SysAllocStringByteLen(nullptr, bytes), nullptr) << bytes;
    BSTR kept = SysAllocString(ole(u"kept"));
    EXPECT_FALSE(SysReAllocStringLen(&kept, nullptr, 0x80000000u));
    EXPECT_EQ(units(kept), u"kept");
    SysFreeString(kept);
}

TEST(Bstr, ReallocationReplacesAndKeepsWhatItShould) {
    BSTR text = SysAllocString(ole(u"first"));
    ASSERT_TRUE(SysReAllocString(&text, ole(u"second text")));
    EXPECT_EQ(units(text), u"second text");
    // The new text may be a part of the old one.
    ASSERT_TRUE(SysReAllocStringLen(&text, text + 7, 4));
    EXPECT_EQ(units(text), u"text");
    ASSERT_TRUE(SysReAllocStringLen(&text, ole(u"x\0y"), 3));
    EXPECT_EQ(units(text), std::u16string(u"x\0y", 3));
    ASSERT_TRUE(SysReAllocString(&text, nullptr));  // the null string, which reads as empty
    EXPECT_EQ(text, nullptr);

    ASSERT_TRUE(SysReAllocString(&text, ole(u"new")));  // from the null string
    EXPECT_EQ(units(text), u"new");
#ifndef _WIN32
    // Growing without new text keeps the old units and zero-fills the rest.
    ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 5));
    EXPECT_EQ(units(text), std::u16string(u"new\0\0", 5));
    ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 1));
    EXPECT_EQ(units(text), u"n");
    EXPECT_FALSE(SysReAllocString(nullptr, ole(u"x")));
#endif
    SysFreeString(text);
}

}  // namespace
}  // namespace quorvel::comtest
