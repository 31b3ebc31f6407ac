#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace quorvel {

// A NUL-terminated UTF-16 text on the heap, for the wide Windows calls. Conversions return false
// (and leave the text empty) on invalid input or when memory is exhausted; nothing throws.
class WideText {
public:
    WideText() = default;
    ~WideText();
    WideText(const WideText &) = delete;
    WideText &operator=(const WideText &) = delete;

    // Strict: invalid UTF-8 is refused, not replaced.
    bool setFromUtf8(const char *utf8, uint32_t numBytes);
    // From text in the ANSI code page.
    bool setFromAnsi(const char *ansi, uint32_t numBytes);
    // Room for numUnits units plus the terminator, zero-filled.
    bool allocate(uint32_t numUnits);
    // Appends the UTF-8 form; false (out unchanged) when a unit does not convert or memory is exhausted.
    bool appendUtf8To(std::string &out) const;

    wchar_t *data() { return m_data; }
    const wchar_t *get() const { return m_data ? m_data : L""; }
    uint32_t length() const { return m_length; }
    // Sets the length after the buffer was filled by a call (capped at the allocation).
    void setLength(uint32_t numUnits) { m_length = numUnits < m_capacity ? numUnits : m_capacity; }

private:
    bool setFrom(UINT codePage, DWORD flags, const char *bytes, uint32_t numBytes);
    void release();

    wchar_t *m_data = nullptr;
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;  // units, without the terminator
};

}  // namespace quorvel
