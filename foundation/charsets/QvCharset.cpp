#include "foundation/charsets/QvCharset.h"

#include <cstring>

#include "foundation/charsets/CharsetNames.h"
#include "platform/SystemInfo.h"

namespace quorvel {

_qvCharset::_qvCharset(const _qvCharset &other) { copy(other); }

_qvCharset &_qvCharset::operator=(const _qvCharset &other) {
    if (this != &other) copy(other);
    return *this;
}

void _qvCharset::clear() {
    m_name.clear();
    m_codePage = 0;
}

bool _qvCharset::copy(const _qvCharset &other) {
    if (this == &other) return true;
    if (!m_name.setString(other.m_name)) return false;
    m_codePage = other.m_codePage;
    return true;
}

bool _qvCharset::setByCodePage(uint32_t codePage) {
    const char *canonical = CharsetNames::canonicalName(codePage);
    if (canonical == nullptr || !m_name.setString(canonical)) {
        clear();
        return false;
    }
    m_codePage = codePage;
    return true;
}

bool _qvCharset::setByName(const char *name) {
    if (name == nullptr || *name == '\0') name = "ansi";
    if (std::strcmp(name, "default") == 0 || std::strcmp(name, "x-user-defined") == 0) {
        clear();
        return true;
    }
    StringBuffer given;
    if (!given.setString(name)) {
        clear();
        return false;
    }
    if (given.equalsIgnoreCase("ansi")) return setByCodePage(SystemInfo::ansiCodePage());
    if (given.equalsIgnoreCase("oem")) return setByCodePage(SystemInfo::oemCodePage());

    const uint32_t codePage = CharsetNames::codePageForName(name);
    if (codePage == 0) {
        clear();
        return false;
    }
    if (CharsetNames::canonicalName(codePage) != nullptr) return setByCodePage(codePage);
    // Accepted, but without a canonical name: keep the name in its looked-up form.
    given.trim();
    given.toLowerCase();
    given.replaceChar('_', '-');
    m_name.takeString(given);
    m_codePage = codePage;
    return true;
}

}  // namespace quorvel
