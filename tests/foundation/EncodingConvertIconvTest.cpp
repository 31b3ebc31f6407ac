// The Unicode and Windows-1252 conversions checked against glibc iconv, an independent
// implementation. iconv is not part of the Windows C runtime, so there these tests skip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncodingConvertTestBytes.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace quorvel::test {
namespace {

#ifndef _WIN32
// Converts the whole input strictly; false when iconv cannot.
bool iconvConvert(const char *from, const char *to, const std::string &in, std::string &out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::vector<char> buf(in.size() * 4 + 16);
    char *inp = const_cast<char *>(in.data());
    size_t inLeft = in.size();
    char *outp = buf.data();
    size_t outLeft = buf.size();
    const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0) return false;
    out.assign(buf.data(), static_cast<size_t>(outp - buf.data()));
    return true;
}
#endif

struct Form {
    uint32_t codePage;
    const char *iconvName;
};

const Form kForms[] = {
    {65001, "UTF-8"}, {1200, "UTF-16LE"}, {1201, "UTF-16BE"}, {65005, "UTF-32LE"}, {65006, "UTF-32BE"},
};

TEST(EncodingConvertIconv, EveryCharacterInEveryUnicodeFormMatchesIconv) {
#ifdef _WIN32
    GTEST_SKIP() << "glibc iconv is not available on Windows";
#else
    std::u32string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF) all.push_back(c);
    const std::string utf32 = utf32Le(all);

    // The text in each form, as iconv writes it.
    std::string reference[std::size(kForms)];
    for (size_t i = 0; i < std::size(kForms); ++i)
        ASSERT_TRUE(iconvConvert("UTF-32LE", kForms[i].iconvName, utf32, reference[i])) << kForms[i].iconvName;

    for (size_t from = 0; from < std::size(kForms); ++from) {
        for (size_t to = 0; to < std::size(kForms); ++to) {
            SCOPED_TRACE(std::string(kForms[from].iconvName) + " -> " + kForms[to].iconvName);
            const Converted r = convertBytes(kForms[from].codePage, kForms[to].codePage, reference[from]);
            EXPECT_TRUE(r.ok);
            EXPECT_TRUE(r.bytes == reference[to]) << "sizes " << r.bytes.size() << " vs " << reference[to].size();
        }
    }
#endif
}

TEST(EncodingConvertIconv, Windows1252MatchesIconvWhereIconvDefinesIt) {
#ifdef _WIN32
    GTEST_SKIP() << "glibc iconv is not available on Windows";
#else
    // glibc leaves the five codes that Windows does not assign undefined; the system maps them
    // to the C1 controls of the same value, checked in the table tests.
    std::string defined;
    for (int b = 1; b < 256; ++b)
        if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) defined.push_back(static_cast<char>(b));

    for (const char *target : {"UTF-8", "UTF-16LE"}) {
        SCOPED_TRACE(target);
        const uint32_t cp = std::string(target) == "UTF-8" ? 65001 : 1200;
        std::string reference;
        ASSERT_TRUE(iconvConvert("CP1252", target, defined, reference));
        const Converted decoded = convertBytes(1252, cp, defined);
        EXPECT_TRUE(decoded.ok);
        EXPECT_EQ(toHex(decoded.bytes), toHex(reference));
        const Converted encoded = convertBytes(cp, 1252, reference);
        EXPECT_TRUE(encoded.ok);
        EXPECT_EQ(toHex(encoded.bytes), toHex(defined));
    }
#endif
}

}  // namespace
}  // namespace quorvel::test
