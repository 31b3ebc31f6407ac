#include "xml/engine/XmlFileLoader.h"

#include <cstring>

#include "foundation/charsets/CodePage.h"
#include "foundation/charsets/CharsetNames.h"
#include "foundation/buffers/DataBuffer.h"
#include "foundation/charsets/EncodingConvert.h"
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlSerializer.h"

namespace quorvel {

namespace {

bool startsWithBytes(const DataBuffer &bytes, const char *prefix, uint32_t n) {
    return bytes.getSize() >= n && std::memcmp(bytes.getData(), prefix, n) == 0;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; }

// Offset of the first "<?xml" (ASCII case ignored), or n when there is none.
uint32_t findDeclaration(const char *text, uint32_t n) {
    static constexpr char kOpen[] = "<?xml";
    constexpr uint32_t kOpenLength = sizeof kOpen - 1;
    uint32_t i = 0;
    while (n - i >= kOpenLength) {
        const void *lt = std::memchr(text + i, '<', n - i);
        if (!lt) return n;
        i = static_cast<uint32_t>(static_cast<const char *>(lt) - text);
        if (n - i < kOpenLength) return n;
        uint32_t k = 1;
        while (k < kOpenLength && asciiLower(text[i + k]) == kOpen[k]) ++k;
        if (k == kOpenLength) return i;
        ++i;
    }
    return n;
}

// The declaration from "<?xml" up to its '>', without spaces and lower-cased (ASCII letters and
// the Latin-1 capitals 0xC0-0xDF). False when there is no declaration or no '>' after it.
bool normalizedDeclaration(const char *text, uint32_t n, StringBuffer &out) {
    uint32_t start = findDeclaration(text, n);
    if (start == n) return false;
    const void *gt = std::memchr(text + start, '>', n - start);
    if (!gt) return false;
    uint32_t end = static_cast<uint32_t>(static_cast<const char *>(gt) - text);
    if (!out.reserve(end - start)) return false;
    for (uint32_t i = start; i < end; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ') continue;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF)) c = static_cast<unsigned char>(c + 0x20);
        out.appendChar(static_cast<char>(c));
    }
    return true;
}

// The value of encoding="..." or encoding='...' in the normalized declaration, up to the quote
// that opened it (a value in apostrophes may well be followed by double-quoted attributes).
// False when absent, unclosed or empty.
bool declaredEncodingName(const StringBuffer &declaration, StringBuffer &name) {
    char quote = '"';
    int32_t at = declaration.indexOf("encoding=\"");
    if (at < 0) {
        quote = '\'';
        at = declaration.indexOf("encoding='");
    }
    if (at < 0) return false;
    const char *value = declaration.getString() + at + 10;
    const char *close = std::strchr(value, quote);
    if (!close || close == value) return false;
    return name.appendN(value, static_cast<uint32_t>(close - value));
}

// Replaces the bytes by their conversion to UTF-8. When the converter produced nothing at all
// (a code page it cannot convert, memory running out) the bytes stay as they are.
void replaceByConversion(DataBuffer &bytes, uint32_t fromCodePage, const char *fromName, LogBase &log) {
    DataBuffer converted;
    EncodingConvert converter;
    bool ok = fromName ? converter.convertFromName(fromName, CodePage::kUtf8, bytes.getData(), bytes.getSize(), converted, log)
                       : converter.convert(fromCodePage, CodePage::kUtf8, bytes.getData(), bytes.getSize(), converted, log);
    if (ok || !converted.isEmpty()) bytes.takeData(converted);
}

// UTF-16 and UTF-32 text cannot hold "<?xml" as single bytes: a declaration found that way
// names the wrong encoding, and the bytes are taken as they are.
bool isWideUnicode(uint32_t codePage) {
    return codePage == CodePage::kUtf16Le || codePage == CodePage::kUtf16Be || codePage == CodePage::kUtf32Le || codePage == CodePage::kUtf32Be;
}

bool equalsAsciiNoCase(const char *a, const char *b) {
    while (*a && asciiLower(*a) == asciiLower(*b)) ++a, ++b;
    return *a == '\0' && *b == '\0';
}

bool declaresUtf16(const char *encoding) {
    return equalsAsciiNoCase(encoding, "utf-16") || equalsAsciiNoCase(encoding, "ucs-2") ||
           equalsAsciiNoCase(encoding, "unicode");
}

}  // namespace

void convertToUtf8(DataBuffer &bytes, LogBase &log) {
    if (startsWithBytes(bytes, "\xFF\xFE", 2)) return replaceByConversion(bytes, CodePage::kUtf16Le, nullptr, log);
    if (startsWithBytes(bytes, "\xFE\xFF", 2)) return replaceByConversion(bytes, CodePage::kUtf16Be, nullptr, log);
    if (startsWithBytes(bytes, "\xEF\xBB\xBF", 3)) {
        bytes.removeChunk(0, 3);
        return;
    }

    StringBuffer declaration, name;
    const char *text = reinterpret_cast<const char *>(bytes.getData());
    if (!normalizedDeclaration(text, bytes.getSize(), declaration)) return;
    if (!declaredEncodingName(declaration, name) || name.equals("utf-8")) return;
    uint32_t codePage = CharsetNames::codePageForName(name.getString());
    if (codePage == 0 || isWideUnicode(codePage)) return;
    replaceByConversion(bytes, 0, name.getString(), log);
}

bool loadXmlFile(const char *pathUtf8, LogBase &log, TreeNode *&root, bool trim) {
    root = nullptr;
    DataBuffer bytes;
    if (!bytes.loadFile(pathUtf8, log)) return false;
    convertToUtf8(bytes, log);

    ParseEngine engine;
    if (!engine.takeData(bytes)) {
        log.logError("Out of memory for the XML text");
        return false;
    }
    bool ok = parseXml(engine, &log, root, trim);

    // The text is UTF-8 from here on, whatever UTF-16 name the file declared.
    StringBuffer encoding;
    if (root && getDeclarationEncoding(root, encoding) && declaresUtf16(encoding.getString()))
        setDeclarationEncoding(root, "utf-8");
    return ok;
}

}  // namespace quorvel
