#include <gtest/gtest.h>

#include <string>

#include "foundation/charsets/EncodingConvertTestBytes.h"
#include "support/IconvOracle.h"

namespace quorvel::test {
namespace {

struct Form { uint32_t codePage; const char *iconvName; };

TEST(EncodingConvertIconv, EveryCharacterInEveryUnicodeFormMatchesIconv) {
    if (!iconvAvailable()) GTEST_SKIP() << "glibc iconv is not available";
    const Form forms[] = {{65001, "UTF-8"}, {1200, "UTF-16LE"}, {1201, "UTF-16BE"}, {65005, "UTF-32LE"}, {65006, "UTF-32BE"}};
    std::u32string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF) all.push_back(c);
    std::string reference[std::size(forms)];  // the text in each form, as iconv writes it
    for (size_t i = 0; i < std::size(forms); ++i)
        ASSERT_TRUE(iconvConvert("UTF-32LE", forms[i].iconvName, utf32Le(all), reference[i])) << forms[i].iconvName;
    for (size_t from = 0; from < std::size(forms); ++from) {
        for (size_t to = 0; to < std::size(forms); ++to) {
            SCOPED_TRACE(std::string(forms[from].iconvName) + " -> " + forms[to].iconvName);
            const Converted r = convertBytes(forms[from].codePage, forms[to].codePage, reference[from]);
            EXPECT_TRUE(r.ok);
            EXPECT_TRUE(r.bytes == reference[to]) << "sizes " << r.bytes.size() << " vs " << reference[to].size();
        }
    }
}

// Every byte iconv defines, to UTF-8 (straight from the table) and UTF-16LE and back, for
// ASCII-compatible pages and an EBCDIC one. glibc leaves the five codes Windows-1252 does not
// assign undefined; they are checked against the Windows table elsewhere.
TEST(EncodingConvertIconv, SingleBytePagesMatchIconvWhereIconvDefinesThem) {
    if (!iconvAvailable()) GTEST_SKIP() << "glibc iconv is not available";
    const Form pages[] = {{1252, "CP1252"}, {1251, "CP1251"}, {28592, "ISO-8859-2"}, {20866, "KOI8-R"}, {437, "CP437"}, {37, "IBM037"}};
    for (const Form &page : pages) {
        std::string defined, ignored;
        for (int b = 1; b < 256; ++b)
            if (iconvConvert(page.iconvName, "UTF-8", std::string(1, static_cast<char>(b)), ignored)) defined.push_back(static_cast<char>(b));
        EXPECT_GE(defined.size(), 250u) << page.iconvName;
        for (const Form &target : {Form{65001, "UTF-8"}, Form{1200, "UTF-16LE"}}) {
            SCOPED_TRACE(std::string(page.iconvName) + " <-> " + target.iconvName);
            std::string reference;
            ASSERT_TRUE(iconvConvert(page.iconvName, target.iconvName, defined, reference));
            const Converted decoded = convertBytes(page.codePage, target.codePage, defined);
            EXPECT_TRUE(decoded.ok);
            EXPECT_EQ(toHex(decoded.bytes), toHex(reference));
            const Converted encoded = convertBytes(target.codePage, page.codePage, reference);
            EXPECT_TRUE(encoded.ok);
            EXPECT_EQ(toHex(encoded.bytes), toHex(defined));
        }
    }
}

}  // namespace
}  // namespace quorvel::test
