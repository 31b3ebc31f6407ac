// The parser's entry points, its main loop, text pieces and CDATA sections.
#include "xml/engine/XmlParser.h"

#include <cstring>

#include "foundation/log/LogBase.h"
#include "foundation/log/LogNull.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParseRun.h"

namespace quorvel {

namespace {

constexpr const char kCdataOpen[] = "<![CDATA[";
constexpr uint32_t kCdataOpenLen = sizeof(kCdataOpen) - 1;

}  // namespace

bool parseXml(ParseEngine &engine, LogBase *log, TreeNode *&root, bool trim) {
    root = nullptr;
    LogNull discard;
    XmlParseRun run(engine, log ? *log : discard, trim);
    return run.run(root);
}

bool parseXmlText(const char *text, LogBase *log, TreeNode *&root, bool trim) {
    root = nullptr;
    ParseEngine engine;
    // The scanner only reads, so the caller's text is parsed where it lies.
    if (!engine.borrowText(text)) {
        if (log) log->logError("Text too long to parse.");
        return false;
    }
    return parseXml(engine, log, root, trim);
}

XmlParseRun::XmlParseRun(ParseEngine &engine, LogBase &log, bool trim)
    : m_engine(engine), m_log(log), m_trim(trim) {}

XmlParseRun::~XmlParseRun() { discardAll(); }

bool XmlParseRun::run(TreeNode *&root) {
    root = nullptr;
    Step step = Step::Main;
    while (step != Step::Stop && !m_outOfMemory) {
        switch (step) {
            case Step::Main: step = mainStep(); break;
            case Step::Markup: step = dispatchMarkup(); break;
            case Step::Cdata: step = readCdata(); break;
            case Step::Stop: break;
        }
        if (m_engine.outOfMemory()) m_outOfMemory = true;
    }
    if (!m_outOfMemory) finishAtEnd();
    if (m_outOfMemory) {
        m_log.logError("Memory allocation failed.");
        discardAll();
        return false;
    }
    root = m_finishedRoot;
    m_finishedRoot = nullptr;
    return true;
}

XmlParseRun::Step XmlParseRun::mainStep() {
    if (m_engine.atEnd()) return Step::Stop;
    if (m_current) return readTextPiece();
    // Text outside elements is ignored.
    m_engine.skipWhitespace();
    if (m_engine.atEnd()) return Step::Stop;
    m_engine.seekByte('<');
    m_engine.advance();
    return Step::Markup;
}

XmlParseRun::Step XmlParseRun::readTextPiece() {
    const char *whitespace = m_engine.cursor();
    m_engine.skipWhitespace();
    const uint32_t whitespaceLen = static_cast<uint32_t>(m_engine.cursor() - whitespace);
    if (m_engine.current() == '<') {
        // Markup right after the whitespace (the usual indentation between tags).
        if (m_engine.peek(1) == '!' && m_engine.startsWith(kCdataOpen)) return Step::Cdata;
        if (!m_trim && !addTextPiece(whitespaceLen, m_engine.cursor(), 0, false)) {
            m_outOfMemory = true;
            return Step::Stop;
        }
        m_engine.advance();
        return Step::Markup;
    }

    const char *piece = m_engine.cursor();
    // One scan finds the end of the piece and tells whether it holds a reference to decode.
    bool hasReference = false;
    while (m_engine.seekAnyOf('<', '&', '&') && m_engine.current() == '&') {
        hasReference = true;
        m_engine.advance();
    }
    const char *pieceEnd = m_engine.cursor();
    m_engine.advance();
    if (m_trim) {
        while (pieceEnd > piece && ParseEngine::isWhitespace(pieceEnd[-1])) --pieceEnd;
    }
    if (!addTextPiece(m_trim ? 0 : whitespaceLen, piece, static_cast<uint32_t>(pieceEnd - piece), hasReference)) {
        m_outOfMemory = true;
        return Step::Stop;
    }
    if (m_engine.current() == '!' && m_engine.startsWith(kCdataOpen + 1)) {
        m_engine.stepBack();
        return Step::Cdata;
    }
    return Step::Markup;
}

// The whitespace run directly precedes the piece in the text, so a first piece with its
// whitespace is stored with one copy.
bool XmlParseRun::addTextPiece(uint32_t whitespaceLen, const char *piece, uint32_t pieceLen, bool hasReference) {
    const char *whitespace = piece - whitespaceLen;
    CompactText &content = m_current->content();
    NodeArena *memory = m_current->arena();
    if (!memory) return false;
    NodeArena &arena = *memory;
    if (pieceLen == 0) {
        // Whitespace alone is kept only (trim off) until the element has children.
        if (whitespaceLen == 0 || m_current->hasChildrenArray()) return true;
        return content.append(arena, whitespace, whitespaceLen);
    }
    if (!content.isAllocated()) {
        if (!content.set(arena, whitespace, whitespaceLen + pieceLen)) return false;
        if (hasReference) content.decodeXmlReferencesFrom(0);
        return true;
    }
    // Text after a child element or a CDATA section joins the content with one space.
    if (whitespaceLen > 0 && !content.append(arena, whitespace, whitespaceLen)) return false;
    if (!content.isEmpty() && !content.appendChar(arena, ' ')) return false;
    const uint32_t before = content.size();
    if (!content.append(arena, piece, pieceLen)) return false;
    if (hasReference) content.decodeXmlReferencesFrom(before);
    return true;
}

// Consecutive sections are joined; their text is kept as written.
XmlParseRun::Step XmlParseRun::readCdata() {
    for (;;) {
        m_engine.advanceBy(kCdataOpenLen);
        CompactText &content = m_current->content();
        NodeArena *arena = m_current->arena();
        if (!arena || !content.ensureAllocated(*arena)) {
            m_outOfMemory = true;
            return Step::Stop;
        }
        const char *close = m_engine.find("]]>");
        const char *stop = close ? close : m_engine.end();
        if (!content.append(*arena, m_engine.cursor(), static_cast<uint32_t>(stop - m_engine.cursor()))) {
            m_outOfMemory = true;
            return Step::Stop;
        }
        m_current->setCdata(true);
        if (!close) {
            m_engine.moveTo(stop);
            return Step::Stop;
        }
        m_engine.moveTo(close + 3);
        // Text between a section and the next markup is dropped.
        m_engine.seekByte('<');
        if (!m_engine.startsWith(kCdataOpen)) break;
    }
    m_engine.advance();
    return Step::Markup;
}

}  // namespace quorvel
