#include "foundation/log/DebugLogFile.h"

#include <cstdint>
#include <cstdio>
#include <new>

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

DebugLogFile::DebugLogFile() : m_path(nullptr), m_depth(0) {}

DebugLogFile::~DebugLogFile() { delete m_path; }

bool DebugLogFile::setPath(const XString &path) {
    if (path.isEmpty()) {
        delete m_path;
        m_path = nullptr;
        return true;
    }
    XString *copy = new (std::nothrow) XString();
    if (!copy || !copy->copyFrom(path)) {
        delete copy;
        return false;
    }
    delete m_path;
    m_path = copy;
    return true;
}

void DebugLogFile::getPath(XString &out) const {
    if (m_path)
        out.copyFrom(*m_path);
    else
        out.clear();
}

void DebugLogFile::enterContext(const char *name) {
    StringBuffer indent;
    if (std::FILE *file = openForLine(indent)) {
        std::fprintf(file, "%s%s:\n", indent.getString(), name ? name : "");
        std::fclose(file);
    }
    if (m_depth < INT32_MAX) ++m_depth;
}

void DebugLogFile::leaveContext() {
    StringBuffer indent;
    if (std::FILE *file = openForLine(indent)) {
        std::fprintf(file, "%s(leaveContext)\n", indent.getString());
        std::fclose(file);
    }
    if (m_depth > 0) --m_depth;
}

void DebugLogFile::writeLine(const char *text) {
    StringBuffer indent;
    if (std::FILE *file = openForLine(indent)) {
        std::fprintf(file, "%s%s\n", indent.getString(), text ? text : "");
        std::fclose(file);
    }
}

void DebugLogFile::writeData(const char *tag, const char *value) {
    StringBuffer indent;
    if (std::FILE *file = openForLine(indent)) {
        std::fprintf(file, "%s%s: %s\n", indent.getString(), tag ? tag : "", value ? value : "(NULL)");
        std::fclose(file);
    }
}

std::FILE *DebugLogFile::openForLine(StringBuffer &indent) const {
    if (!m_path) return nullptr;
    const uint64_t width = static_cast<uint64_t>(m_depth) * 4u;
    if (width > 0x7FFFFFFFu || !indent.appendCharN(' ', static_cast<uint32_t>(width))) return nullptr;
    // Append in text mode, so that the line ends are the platform's own.
    return std::fopen(m_path->getAnsi(), "a");
}

}  // namespace quorvel
