#pragma once
#include <bit>
#include <cstdint>

namespace quorvel {

// Character sets are named by Windows code page numbers throughout the system.
struct CodePage {
    static constexpr uint32_t kUtf8 = 65001;
    static constexpr uint32_t kUtf7 = 65000;
    static constexpr uint32_t kUtf16Le = 1200;
    static constexpr uint32_t kUtf16Be = 1201;
    static constexpr uint32_t kUtf32Le = 65005;
    static constexpr uint32_t kUtf32Be = 65006;
    static constexpr uint32_t kWindows1252 = 1252;
    static constexpr uint32_t kLatin1 = 28591;
    static constexpr uint32_t kOem437 = 437;

    // The code pages of wide text in host byte order.
    static constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;
    static constexpr uint32_t kUtf16Host = kHostIsLittleEndian ? kUtf16Le : kUtf16Be;
    static constexpr uint32_t kUtf32Host = kHostIsLittleEndian ? kUtf32Le : kUtf32Be;
};

}  // namespace quorvel
