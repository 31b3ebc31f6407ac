// Markup: comments and declarations, processing instructions, close tags and open tags with
// their attributes.
#include <cstring>

#include "foundation/log/LogBase.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParseRun.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel {

namespace {

// A close tag ends at '>'; a '<' first means it was never closed.
constexpr ByteSet kCloseTagStops{"<>", true};
// A tag name (and a prolog instruction name) ends at whitespace, '/' or '>'.
constexpr ByteSet kTagNameStops{" \t\r\n/>", true};
constexpr ByteSet kTagNameStopsOrLess{" \t\r\n/><", true};
// Bytes dropped from tag names before they are stored (the tag rule drops more).
constexpr ByteSet kTagNameDropped{"<", false};
// An attribute name also ends at '='.
constexpr ByteSet kAttributeNameStops{" \t\r\n=/>", true};
// Bytes dropped from attribute names before they are stored.
constexpr ByteSet kAttributeNameDropped{"\"'<", false};

bool isQuote(char c) { return c == '"' || c == '\''; }

// Copies n bytes to out without the bytes of the set; false when memory is exhausted.
bool copyWithout(const char *bytes, uint32_t n, const ByteSet &dropped, StringBuffer &out) {
    out.clear();
    const char *end = bytes + n;
    while (bytes < end) {
        const char *run = bytes;
        while (run < end && !dropped.contains(*run)) ++run;
        if (run > bytes && !out.appendN(bytes, static_cast<uint32_t>(run - bytes))) return false;
        if (run == end) break;
        bytes = run + 1;
    }
    return true;
}

bool containsAny(const char *bytes, uint32_t n, const ByteSet &set) {
    for (uint32_t i = 0; i < n; ++i) {
        if (set.contains(bytes[i])) return true;
    }
    return false;
}

}  // namespace

// Position just after a '<'.
XmlParseRun::Step XmlParseRun::dispatchMarkup() {
    const char kind = m_engine.current();
    m_engine.skipWhitespace();
    if (m_engine.atEnd()) return Step::Stop;
    switch (kind) {
        case '!':
            return readDeclaration();
        case '?':
            m_engine.advance();
            return readProcessingInstruction();
        case '/':
            m_engine.advance();
            return readCloseTag();
        default:
            return readOpenTag();
    }
}

// Position on the '!': a comment, a DOCTYPE or some other declaration.
XmlParseRun::Step XmlParseRun::readDeclaration() {
    if (m_engine.startsWithNoCase("!--")) {
        if (m_engine.skipPastSubstring("-->")) return Step::Main;
        m_log.logError("Unclosed comment");
        return Step::Stop;
    }
    if (m_engine.startsWithNoCase("!DOCTYPE")) {
        // Counting angle brackets captures an internal subset with its declarations whole.
        const uint32_t before = m_doctype.getSize();
        if (!m_doctype.appendChar('<')) m_outOfMemory = true;
        if (!m_engine.captureBalanced('<', '>', 1, m_doctype)) {
            m_log.logError("Failed to parse DTD");
            // A declaration cut off by the end is not kept: written back, it would swallow the
            // document that follows it.
            m_doctype.shorten(m_doctype.getSize() - before);
            return Step::Main;
        }
        if (!m_doctype.appendChar('\n')) m_outOfMemory = true;
        return Step::Main;
    }
    m_engine.seekByte('>');
    m_engine.advance();
    return Step::Main;
}

// Position after the '?'.
XmlParseRun::Step XmlParseRun::readProcessingInstruction() {
    if (m_engine.startsWithNoCase("xml ")) return readPrologInstruction(true);
    if (m_engine.startsWithNoCase("xml-stylesheet")) return readPrologInstruction(false);
    // Any other instruction is kept verbatim for the serializer; one that never ends is not
    // kept, since written back it would swallow what follows it.
    const uint32_t before = m_pi.getSize();
    if (!m_pi.append("<?")) m_outOfMemory = true;
    if (!m_engine.captureThroughSubstring("?>", m_pi)) {
        m_pi.shorten(m_pi.getSize() - before);
        return Step::Main;
    }
    if (!m_pi.appendChar('\n')) m_outOfMemory = true;
    return Step::Main;
}

// The XML declaration or a style sheet: a one-node tree holding the pseudo-attributes.
XmlParseRun::Step XmlParseRun::readPrologInstruction(bool declaration) {
    m_name.clear();
    m_engine.captureUntilAnyOf(kTagNameStops, m_name);
    m_engine.skipWhitespace();
    if (m_engine.current() == '/') m_engine.advance();
    TreeNode *node = TreeNode::createTree(m_name.getString());
    if (!node) {
        m_outOfMemory = true;
        return Step::Stop;
    }
    if (declaration) {
        TreeNode::deleteTree(m_pendingDeclaration);
        m_pendingDeclaration = node;
    } else if (!m_styleSheets.append(node)) {
        TreeNode::deleteTree(node);
        m_outOfMemory = true;
        return Step::Stop;
    }
    if (!parsePrologLineAttr(m_engine, node, &m_log)) m_outOfMemory = true;
    return Step::Main;
}

// Position after the '/'. The name is not compared: any close tag closes the current element.
XmlParseRun::Step XmlParseRun::readCloseTag() {
    m_engine.skipUntil(kCloseTagStops);
    if (m_engine.current() == '<') {
        m_log.logError("Error in closing tag");
        if (m_current) m_log.logData("error_tag", m_current->getTag());
    } else if (m_engine.atEnd()) {
        return Step::Stop;
    } else {
        m_engine.advance();
    }
    closeCurrent(true);
    return Step::Main;
}

// Position on the first byte of the tag name.
XmlParseRun::Step XmlParseRun::readOpenTag() {
    const char *nameStart = m_engine.cursor();
    m_engine.skipUntil(kTagNameStopsOrLess);
    const bool hasLess = m_engine.current() == '<';
    if (hasLess) m_engine.skipUntil(kTagNameStops);
    if (m_engine.atEnd()) return Step::Stop;
    uint32_t nameLen = static_cast<uint32_t>(m_engine.cursor() - nameStart);
    const char *name = nameStart;
    if (hasLess) {
        if (!copyWithout(nameStart, nameLen, kTagNameDropped, m_name)) {
            m_outOfMemory = true;
            return Step::Stop;
        }
        name = m_name.getString();
        nameLen = m_name.getSize();
    }
    bool selfClosing = false;
    m_engine.skipWhitespace();
    if (m_engine.current() == '/') {
        selfClosing = true;
        m_engine.advance();
    }

    TreeNode *element = TreeNode::createChildN(m_current, name, nameLen);
    if (!element) {
        m_outOfMemory = true;
        return Step::Stop;
    }
    m_currentTopNodes = m_current ? m_currentTopNodes + 1 : 1;
    m_current = element;

    m_engine.skipWhitespace();
    while (!m_engine.atEnd() && m_engine.current() != '>') {
        if (!readAttribute()) {
            m_outOfMemory = true;
            return Step::Stop;
        }
        m_engine.skipWhitespace();
        if (m_engine.current() == '/') {
            selfClosing = true;
            m_engine.advance();
            m_engine.skipWhitespace();
        }
    }
    m_engine.advance();
    if (selfClosing) closeCurrent(false);
    return Step::Main;
}

// One attribute of the current element; false when memory is exhausted. Names and values are
// handed over straight from the text unless they must be rewritten first.
bool XmlParseRun::readAttribute() {
    const char *name = m_engine.cursor();
    uint32_t nameLen = m_engine.skipUntil(kAttributeNameStops);
    if (containsAny(name, nameLen, kAttributeNameDropped)) {
        if (!copyWithout(name, nameLen, kAttributeNameDropped, m_name)) return false;
        name = m_name.getString();
        nameLen = m_name.getSize();
    }
    m_engine.skipWhitespace();

    const char *value = "";
    uint32_t valueLen = 0;
    if (m_engine.current() == '=') {
        m_engine.advance();
        m_engine.skipWhitespace();
        const char quote = m_engine.current();
        if (isQuote(quote)) m_engine.advance();
        value = m_engine.cursor();
        // Unquoted, the value runs to the next quote of either kind, across '>' and markup.
        const char first = isQuote(quote) ? quote : '"', second = isQuote(quote) ? quote : '\'';
        bool hasEntity = false;
        while (m_engine.seekAnyOf(first, second, '&'), m_engine.current() == '&') {
            hasEntity = true;
            m_engine.advance();
        }
        valueLen = static_cast<uint32_t>(m_engine.cursor() - value);
        if (hasEntity) {
            m_value.clear();
            if (!appendDecodedXmlText(value, valueLen, m_value)) return false;
            value = m_value.getString();
            valueLen = m_value.getSize();
        }
        if (isQuote(m_engine.current())) m_engine.advance();
    }
    if (nameLen == 0) return true;
    return m_current->addAttributeN(name, nameLen, value, valueLen);
}

}  // namespace quorvel
