#include "foundation/CodePageData.h"

#include <array>

#include "foundation/CodePage.h"
#include "foundation/Windows1252.h"

namespace quorvel {

namespace {

// Windows-1252 shares its one table with HTML entity decoding.
const CodePageData *windows1252() {
    static const std::array<char16_t, 256> bytes = [] {
        std::array<char16_t, 256> a{};
        for (unsigned b = 0; b < 256; ++b) a[b] = Windows1252::toUnicode(static_cast<unsigned char>(b));
        return a;
    }();
    static const CodePageData data{CodePage::kWindows1252, bytes.data(), nullptr, nullptr, 0};
    return &data;
}

struct BuiltIn {
    uint32_t codePage;
    const CodePageData *(*data)();
};

constexpr BuiltIn kBuiltIn[] = {
    {CodePage::kWindows1252, &windows1252},
};
static_assert(std::size(kBuiltIn) <= CodePageData::kMaxBuiltIn);

}  // namespace

const CodePageData *CodePageData::find(uint32_t codePage, uint32_t &index) {
    for (uint32_t i = 0; i < std::size(kBuiltIn); ++i) {
        if (kBuiltIn[i].codePage == codePage) {
            index = i;
            return kBuiltIn[i].data();
        }
    }
    return nullptr;
}

}  // namespace quorvel
