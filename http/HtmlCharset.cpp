#include "http/HtmlCharset.h"

#include <cstring>

#include "foundation/text/StringBuffer.h"
#include "http/internal/AsciiText.h"

namespace quorvel {

namespace {

using http_text::findNoCase;

bool isHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The attributes of one element that interest the charset search.
struct MetaAttributes {
    StringBuffer httpEquiv;
    StringBuffer content;
    StringBuffer charset;
};

// Reads the attributes from p (just after "<meta") up to the element's '>' or the end.
void readMetaAttributes(const char *p, const char *end, MetaAttributes &out) {
    while (p < end) {
        while (p < end && (isHtmlSpace(*p) || *p == '/')) ++p;
        if (p >= end || *p == '>') return;
        const char *name = p;
        while (p < end && !isHtmlSpace(*p) && *p != '=' && *p != '>' && *p != '/') ++p;
        StringBuffer attrName;
        attrName.appendN(name, static_cast<uint32_t>(p - name));
        while (p < end && isHtmlSpace(*p)) ++p;
        StringBuffer value;
        if (p < end && *p == '=') {
            ++p;
            while (p < end && isHtmlSpace(*p)) ++p;
            if (p < end && (*p == '"' || *p == '\'')) {
                const char quote = *p++;
                const char *v = p;
                while (p < end && *p != quote) ++p;
                value.appendN(v, static_cast<uint32_t>(p - v));
                if (p < end) ++p;
            } else {
                const char *v = p;
                while (p < end && !isHtmlSpace(*p) && *p != '>') ++p;
                value.appendN(v, static_cast<uint32_t>(p - v));
            }
        }
        value.trim();
        if (attrName.equalsIgnoreCase("http-equiv")) out.httpEquiv.setString(value);
        else if (attrName.equalsIgnoreCase("content")) out.content.setString(value);
        else if (attrName.equalsIgnoreCase("charset")) out.charset.setString(value);
    }
}

// "charset=" in a content value, up to '"', ';', a space or the end.
bool charsetFromContent(const StringBuffer &content, StringBuffer &charset) {
    const char *at = findNoCase(content.getString(), content.getSize(), "charset=");
    if (!at) return false;
    at += 8;
    charset.appendN(at, static_cast<uint32_t>(std::strcspn(at, "\"; ")));
    return !charset.isEmpty();
}

bool xmlDeclaredEncoding(const char *text, uint32_t n, StringBuffer &charset) {
    if (!findNoCase(text, n, "<?xml ")) return false;
    const char *at = findNoCase(text, n, "encoding=\"");
    if (!at) return false;
    at += 10;
    const char *close = static_cast<const char *>(std::memchr(at, '"', static_cast<size_t>(text + n - at)));
    if (!close) return false;
    charset.appendN(at, static_cast<uint32_t>(close - at));
    charset.trim();
    if (charset.equalsIgnoreCase("utf-16")) charset.clear();
    return !charset.isEmpty();
}

}  // namespace

bool findHtmlCharset(const unsigned char *bytes, uint32_t n, StringBuffer &charset) {
    charset.clear();
    const char *text = reinterpret_cast<const char *>(bytes);
    const char *end = text + n;
    StringBuffer html5Charset;
    for (const char *p = text; p < end;) {
        const char *meta = findNoCase(p, static_cast<size_t>(end - p), "<meta");
        if (!meta) break;
        const char *after = meta + 5;
        const char *close = static_cast<const char *>(std::memchr(after, '>', static_cast<size_t>(end - after)));
        const char *elementEnd = close ? close : end;
        MetaAttributes attributes;
        readMetaAttributes(after, elementEnd, attributes);
        if (attributes.httpEquiv.equalsIgnoreCase("content-type")) {
            if (charsetFromContent(attributes.content, charset)) return true;
            charset.setString(attributes.charset);
            return !charset.isEmpty();
        }
        if (html5Charset.isEmpty()) html5Charset.setString(attributes.charset);
        p = elementEnd;
    }
    if (!html5Charset.isEmpty()) return charset.setString(html5Charset);
    return xmlDeclaredEncoding(text, n, charset);
}

}  // namespace quorvel
