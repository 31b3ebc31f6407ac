#pragma once
// Splits a fuzzer's input into parts: a selector byte, then texts separated by NUL bytes, so one
// input can carry a pattern and a text, a charset and its bytes, and so on.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    // The next byte (0 when none is left).
    uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // The bytes up to the next NUL (or the end), the NUL passed over.
    std::string part() {
        std::string out;
        while (m_at < m_size && m_data[m_at] != 0) out += static_cast<char>(m_data[m_at++]);
        if (m_at < m_size) ++m_at;
        return out;
    }
    // Everything not read yet, NUL bytes included.
    std::string rest() {
        std::string out(reinterpret_cast<const char *>(m_data + m_at), m_size - m_at);
        m_at = m_size;
        return out;
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Stops the fuzzer with a report: a rule that must hold does not.
[[noreturn]] inline void broken(const char *rule) {
    __builtin_printf("rule broken: %s\n", rule);
    __builtin_trap();
}

}  // namespace quorvel::fuzz
