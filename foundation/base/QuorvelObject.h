#pragma once
#include <cstdint>

namespace quorvel {

// Common root of engine objects: a virtual destructor and a serial number.
// The counter is not synchronised; nothing relies on the numbers being unique.
class QuorvelObject {
public:
    QuorvelObject() : m_serial(++s_nextSerial) {}
    QuorvelObject(const QuorvelObject &) : m_serial(++s_nextSerial) {}
    QuorvelObject &operator=(const QuorvelObject &) { return *this; }
    virtual ~QuorvelObject() = default;

    uint32_t objectSerial() const { return m_serial; }

private:
    uint32_t m_serial;
    static inline uint32_t s_nextSerial = 0;
};

}  // namespace quorvel
