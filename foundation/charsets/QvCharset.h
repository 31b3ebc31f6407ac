#pragma once
#include <cstdint>

#include "foundation/text/StringBuffer.h"

namespace quorvel {

// A charset: its canonical name and its code page, both empty (0) when unset.
class _qvCharset {
public:
    _qvCharset() = default;
    _qvCharset(const _qvCharset &other);
    _qvCharset &operator=(const _qvCharset &other);
    virtual ~_qvCharset() = default;

    // A null or empty name means "ansi". "default" and "x-user-defined" (exactly so) clear the
    // charset and succeed; "ansi" and "oem" (any case) take the system's code page. Any other
    // name is looked up; an unknown name clears the charset and gives false. A code page that
    // is accepted by name but has no canonical name keeps the name as looked up.
    bool setByName(const char *name);
    // Takes the code page's canonical name; a code page without one clears the charset and
    // gives false.
    bool setByCodePage(uint32_t codePage);

    const char *getName() const { return m_name.getString(); }
    const StringBuffer &name() const { return m_name; }
    uint32_t getCodePage() const { return m_codePage; }
    void clear();
    // False (the charset unchanged) only when memory ran out.
    bool copy(const _qvCharset &other);

private:
    StringBuffer m_name;
    uint32_t m_codePage = 0;
};

}  // namespace quorvel
