#include "platform/win32/WideText.h"

#include <climits>
#include <cstdlib>
#include <new>

namespace quorvel {

WideText::~WideText() { release(); }

void WideText::release() {
    std::free(m_data);
    m_data = nullptr;
    m_length = m_capacity = 0;
}

bool WideText::allocate(uint32_t numUnits) {
    release();
    if (numUnits >= UINT32_MAX / sizeof(wchar_t) - 1) return false;
    m_data = static_cast<wchar_t *>(std::calloc(numUnits + 1u, sizeof(wchar_t)));
    if (!m_data) return false;
    m_capacity = numUnits;
    return true;
}

bool WideText::setFrom(UINT codePage, DWORD flags, const char *bytes, uint32_t numBytes) {
    release();
    if (numBytes == 0 || !bytes) return allocate(0);
    if (numBytes > INT_MAX) return false;
    int n = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(numBytes), nullptr, 0);
    if (n <= 0 || !allocate(static_cast<uint32_t>(n))) return false;
    int got = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(numBytes), m_data, n);
    if (got != n) {
        release();
        return false;
    }
    m_length = static_cast<uint32_t>(n);
    return true;
}

bool WideText::setFromUtf8(const char *utf8, uint32_t numBytes) {
    return setFrom(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, numBytes);
}

bool WideText::setFromAnsi(const char *ansi, uint32_t numBytes) { return setFrom(CP_ACP, 0, ansi, numBytes); }

bool WideText::appendUtf8To(std::string &out) const {
    if (m_length == 0) return true;
    if (m_length > INT_MAX) return false;
    int n = WideCharToMultiByte(CP_UTF8, 0, m_data, static_cast<int>(m_length), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    const size_t start = out.size();
    try {
        out.resize(start + static_cast<size_t>(n));
    } catch (const std::bad_alloc &) {
        return false;
    }
    int got = WideCharToMultiByte(CP_UTF8, 0, m_data, static_cast<int>(m_length), out.data() + start, n, nullptr, nullptr);
    if (got == n) return true;
    out.resize(start);
    return false;
}

}  // namespace quorvel
