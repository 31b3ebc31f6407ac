#include "automation/com/posix/OleAuto.h"

#include <cstdlib>
#include <cstring>

namespace {

// The block holds 4 bytes of padding and the 4-byte byte count, so the text starts 8-aligned, then
// the text and two zero bytes (one zero unit even after an odd byte count).
constexpr std::size_t kHeader = 8;
constexpr std::size_t kTrailer = 2;
// The whole block, header and trailer included, stays within 32 bits.
constexpr std::uint64_t kMaxByteLength = 0xFFFFFFFFull - kHeader - kTrailer;

unsigned char *blockOf(BSTR text) { return reinterpret_cast<unsigned char *>(text) - kHeader; }

// A new BSTR of byteLength bytes, filled from bytes (which may be null for zeros).
BSTR allocate(const void *bytes, std::uint64_t byteLength) {
    if (byteLength > kMaxByteLength) return nullptr;
    auto *block = static_cast<unsigned char *>(std::malloc(kHeader + byteLength + kTrailer));
    if (!block) return nullptr;
    const auto length = static_cast<std::uint32_t>(byteLength);
    std::memset(block, 0, kHeader - sizeof length);
    std::memcpy(block + kHeader - sizeof length, &length, sizeof length);
    if (bytes)
        std::memcpy(block + kHeader, bytes, byteLength);
    else
        std::memset(block + kHeader, 0, byteLength);
    block[kHeader + byteLength] = 0;
    block[kHeader + byteLength + 1] = 0;
    return reinterpret_cast<BSTR>(block + kHeader);
}

std::size_t unitCount(const OLECHAR *text) {
    std::size_t count = 0;
    while (text[count] != 0) ++count;
    return count;
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR *text) {
    if (!text) return nullptr;
    return allocate(text, std::uint64_t{unitCount(text)} * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR *text, UINT length) {
    return allocate(text, std::uint64_t{length} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char *bytes, UINT byteLength) { return allocate(bytes, byteLength); }

INT SysReAllocStringLen(BSTR *target, const OLECHAR *text, UINT length) {
    if (!target) return FALSE;
    const std::uint64_t byteLength = std::uint64_t{length} * sizeof(OLECHAR);
    BSTR fresh;
    if (text) {
        // The text may lie inside the old string, so the old one goes only after the copy.
        fresh = allocate(text, byteLength);
    } else {
        // Without new text the old units are kept as far as they reach, the rest are zeros.
        fresh = allocate(nullptr, byteLength);
        if (fresh && *target) {
            const std::uint64_t kept = SysStringByteLen(*target);
            std::memcpy(fresh, *target, kept < byteLength ? kept : byteLength);
        }
    }
    if (!fresh) return FALSE;
    SysFreeString(*target);
    *target = fresh;
    return TRUE;
}

INT SysReAllocString(BSTR *target, const OLECHAR *text) {
    if (!target) return FALSE;
    if (!text) {
        // The null string, which reads as the empty one.
        SysFreeString(*target);
        *target = nullptr;
        return TRUE;
    }
    const std::size_t count = unitCount(text);
    if (count > 0xFFFFFFFFu) return FALSE;
    return SysReAllocStringLen(target, text, static_cast<UINT>(count));
}

void SysFreeString(BSTR text) {
    if (text) std::free(blockOf(text));
}

UINT SysStringByteLen(BSTR text) {
    if (!text) return 0;
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<unsigned char *>(text) - sizeof length, sizeof length);
    return length;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

}  // extern "C"
