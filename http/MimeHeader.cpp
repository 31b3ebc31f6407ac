#include "http/MimeHeader.h"

#include <new>
#include <string>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogContextExitor.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

class MimeField : public QuorvelObject {
public:
    StringBuffer name;
    StringBuffer value;
};

MimeField *fieldAt(const ExtPtrArray &fields, int32_t index) { return static_cast<MimeField *>(fields.elementAt(index)); }

// One field from a header line; a field whose value cannot be stored leaves the header as it was.
bool appendParsedField(MimeHeader &header, const char *line, uint32_t n, LogBase &log) {
    uint32_t colon = 0;
    while (colon < n && line[colon] != ':') ++colon;
    if (colon == n) {
        StringBuffer shown;
        shown.appendN(line, n < 200 ? n : 200);
        log.logInfo("Skipping a header line without a colon.");
        log.logDataSb("headerLine", shown);
        return true;
    }
    StringBuffer name, value;
    if (!name.appendN(line, colon) || !value.appendN(line + colon + 1, n - colon - 1)) return false;
    name.trim();
    value.trim();
    if (name.isEmpty()) return true;
    return header.appendField(name.getString(), value.getString());
}

}  // namespace

MimeHeader::MimeHeader() : m_fields(true) {}

void MimeHeader::clear() { m_fields.removeAll(); }

uint32_t MimeHeader::getNumFields() const { return static_cast<uint32_t>(m_fields.getSize()); }

const StringBuffer *MimeHeader::fieldNameAt(uint32_t index) const {
    MimeField *f = fieldAt(m_fields, static_cast<int32_t>(index));
    return f ? &f->name : nullptr;
}

const StringBuffer *MimeHeader::fieldValueAt(uint32_t index) const {
    MimeField *f = fieldAt(m_fields, static_cast<int32_t>(index));
    return f ? &f->value : nullptr;
}

int32_t MimeHeader::indexOfField(const char *name) const {
    for (int32_t i = 0; i < m_fields.getSize(); ++i)
        if (http_text::equalsNoCase(fieldAt(m_fields, i)->name.getString(), name)) return i;
    return -1;
}

bool MimeHeader::appendField(const char *name, const char *value) {
    MimeField *f = new (std::nothrow) MimeField;
    if (!f || !f->name.append(name) || !f->value.append(value) || !m_fields.append(f)) {
        delete f;
        return false;
    }
    return true;
}

bool MimeHeader::setField(const char *name, const char *value) {
    if (!name || !*name) return true;
    if (!value || !*value) {
        removeField(name);
        return true;
    }
    const int32_t at = indexOfField(name);
    if (at < 0) return appendField(name, value);
    return fieldAt(m_fields, at)->value.setString(value);
}

void MimeHeader::removeField(const char *name) {
    for (int32_t at = indexOfField(name); at >= 0; at = indexOfField(name)) delete m_fields.removeAt(at);
}

bool MimeHeader::hasField(const char *name) const { return indexOfField(name) >= 0; }

bool MimeHeader::getField(const char *name, StringBuffer &value) const {
    value.clear();
    const int32_t at = indexOfField(name);
    if (at < 0) return false;
    return value.setString(fieldAt(m_fields, at)->value);
}

bool MimeHeader::getFieldParam(const char *name, const char *param, StringBuffer &value) const {
    value.clear();
    StringBuffer field;
    if (!getField(name, field)) return false;
    // Parameters follow the media type, each after a ';'.
    const char *p = field.getString();
    const uint32_t paramLen = static_cast<uint32_t>(std::char_traits<char>::length(param));
    for (const char *semi = std::char_traits<char>::find(p, field.getSize(), ';'); semi;) {
        const char *q = semi + 1;
        while (http_text::isSpaceOrTab(*q)) ++q;
        const char *next = std::char_traits<char>::find(q, field.getSize() - static_cast<uint32_t>(q - p), ';');
        const char *end = next ? next : p + field.getSize();
        if (http_text::startsWithNoCase(q, param)) {
            const char *eq = q + paramLen;
            while (eq < end && http_text::isSpaceOrTab(*eq)) ++eq;
            if (eq < end && *eq == '=') {
                value.appendN(eq + 1, static_cast<uint32_t>(end - eq - 1));
                value.trim();
                if (value.getSize() >= 2 && value.charAt(0) == '"' && value.lastChar() == '"') {
                    value.shorten(1);
                    value.removeChunk(0, 1);
                }
                value.trim();
                return !value.isEmpty();
            }
        }
        semi = next;
    }
    return false;
}

bool MimeHeader::loadMimeHeaderText(const char *text, uint32_t n, LogBase &log) {
    LogContextExitor context(log, "loadMimeHeaderText", log.verbose());
    StringBuffer line;
    uint32_t i = 0;
    bool ok = true;
    while (i < n && ok) {
        uint32_t end = i;
        while (end < n && text[end] != '\n') ++end;
        uint32_t lineEnd = end;
        if (lineEnd > i && text[lineEnd - 1] == '\r') --lineEnd;
        const uint32_t next = end < n ? end + 1 : n;
        if (lineEnd == i) break;  // the empty line that ends the header
        if (http_text::isSpaceOrTab(text[i]) && !line.isEmpty()) {
            // A continuation: the folded text joins the value with one space.
            uint32_t s = i;
            while (s < lineEnd && http_text::isSpaceOrTab(text[s])) ++s;
            ok = line.appendChar(' ') && line.appendN(text + s, lineEnd - s);
        } else {
            if (!line.isEmpty()) ok = appendParsedField(*this, line.getString(), line.getSize(), log);
            line.clear();
            if (ok) ok = line.appendN(text + i, lineEnd - i);
        }
        i = next;
    }
    if (ok && !line.isEmpty()) ok = appendParsedField(*this, line.getString(), line.getSize(), log);
    if (!ok) log.logError("Out of memory for the header fields.");
    return ok;
}

bool MimeHeader::appendAsLines(StringBuffer &out) const {
    for (int32_t i = 0; i < m_fields.getSize(); ++i) {
        const MimeField *f = fieldAt(m_fields, i);
        if (!out.append(f->name) || !out.append(": ") || !out.append(f->value) || !out.append("\r\n")) return false;
    }
    return true;
}

}  // namespace quorvel
