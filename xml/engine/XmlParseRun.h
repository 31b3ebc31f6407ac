#pragma once
#include <cstdint>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/text/StringBuffer.h"

namespace quorvel {

class LogBase;
class ParseEngine;
class TreeNode;

// The state of one parseXml call and its rules: the main loop and text pieces
// (XmlParser.cpp), markup (XmlParserMarkup.cpp), closing elements and finishing roots
// (XmlParserFinish.cpp). Nothing recurses: open elements are reached through parent links, so
// nesting depth costs no stack.
class XmlParseRun {
public:
    XmlParseRun(ParseEngine &engine, LogBase &log, bool trim);
    // Destroys whatever was built and not handed out by run().
    ~XmlParseRun();
    XmlParseRun(const XmlParseRun &) = delete;
    XmlParseRun &operator=(const XmlParseRun &) = delete;

    // Parses from the engine's position to the end of the text. False only when memory is
    // exhausted (root null, nothing left behind).
    bool run(TreeNode *&root);

private:
    // Where the main loop goes next.
    enum class Step { Main, Markup, Cdata, Stop };

    // ---- text (XmlParser.cpp)
    Step mainStep();
    Step readTextPiece();
    Step readCdata();
    // Adds a piece and (trim off) the whitespace run just before it to the current element;
    // hasReference when the piece holds a '&' to decode.
    bool addTextPiece(uint32_t whitespaceLen, const char *piece, uint32_t pieceLen, bool hasReference);

    // ---- markup (XmlParserMarkup.cpp)
    Step dispatchMarkup();
    Step readDeclaration();
    Step readProcessingInstruction();
    Step readPrologInstruction(bool declaration);
    Step readCloseTag();
    Step readOpenTag();
    bool readAttribute();

    // ---- elements and roots (XmlParserFinish.cpp)
    // Closes the current element; with trimContent, whitespace around the content of an
    // element with children is dropped (trim off only).
    void closeCurrent(bool trimContent);
    // The closed top-level element takes the prolog parts seen so far, then it and the
    // finished root (if any) compete: the one with more nodes stays, the later one on a tie.
    void finalizeRoot(TreeNode *root);
    void finishAtEnd();
    void discardAll();

    ParseEngine &m_engine;
    LogBase &m_log;
    const bool m_trim;
    bool m_outOfMemory = false;

    TreeNode *m_current = nullptr;
    TreeNode *m_finishedRoot = nullptr;
    // Of several top-level elements the largest survives (the later one on a tie): the nodes
    // of the one being read and of the finished root, and how many were dropped.
    uint32_t m_currentTopNodes = 0;
    uint32_t m_finishedRootNodes = 0;
    uint32_t m_droppedTopLevel = 0;
    TreeNode *m_pendingDeclaration = nullptr;
    // Style sheets not yet handed to a root; the parse frees what no root takes.
    ExtPtrArray m_styleSheets{false};
    StringBuffer m_doctype;
    StringBuffer m_pi;
    // Reused for every name and value that has to be rewritten before it is stored.
    StringBuffer m_name;
    StringBuffer m_value;
};

}  // namespace quorvel
