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

}  // namespace
}  // namespace quorvel::test
