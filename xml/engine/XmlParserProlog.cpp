// Pseudo-attributes of the XML declaration and of style-sheet instructions.
#include "foundation/log/LogBase.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/ParseEngine.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlReferences.h"

namespace quorvel {

namespace {

constexpr ByteSet kPseudoNameStops{" \t\r\n=?>", true};
// A quoted value also ends at a line end; an unquoted one at whitespace.
constexpr ByteSet kQuotedValueStops{"\"'\r\n", true};
constexpr ByteSet kUnquotedValueStops{" \t\r\n\"'", true};
constexpr ByteSet kInstructionNameStops{" \t\r\n/>", true};

void stepOver(ParseEngine &engine, char c) {
    if (engine.current() == c) engine.advance();
}

}  // namespace

bool parsePrologLineAttr(ParseEngine &engine, TreeNode *node, LogBase *) {
    StringBuffer name;
    StringBuffer value;
    bool stored = true;
    engine.skipWhitespace();
    while (!engine.atEnd() && engine.current() != '>') {
        name.clear();
        engine.captureUntilAnyOf(kPseudoNameStops, name);
        name.removeCharOccurrences('"');
        engine.skipWhitespace();

        value.clear();
        if (engine.current() == '=') {
            engine.advance();
            engine.skipWhitespace();
            const int32_t before = engine.position();
            stepOver(engine, '"');
            stepOver(engine, '\'');
            const bool quoted = engine.position() != before;
            // Neither capture takes in a double quote, so the value never holds one.
            engine.captureUntilAnyOf(quoted ? kQuotedValueStops : kUnquotedValueStops, value);
            if (value.containsChar('&')) {
                StringBuffer decoded;
                if (!appendDecodedXmlText(value.getString(), value.getSize(), decoded)) stored = false;
                value.setString(decoded);
            }
            stepOver(engine, '"');
            stepOver(engine, '\'');
        }
        if (node && !name.isEmpty() && !node->addAttributeN(name.getString(), name.getSize(), value.getString(), value.getSize())) {
            stored = false;
        }

        engine.skipWhitespace();
        if (engine.current() == '?') {
            engine.advance();
            engine.skipWhitespace();
        }
    }
    engine.advance();
    return stored && !engine.outOfMemory();
}

bool addStyleSheet(TreeNode *node, const char *text, LogBase *log) {
    if (!TreeNode::isValid(node) || !TreeInfo::isValid(node->treeInfo()) || text == nullptr) return false;
    ParseEngine engine;
    if (!engine.loadText(text)) {
        if (log) log->logError("Memory allocation failed.");
        return false;
    }
    if (!engine.seekByte('<')) return false;
    engine.advance();
    engine.skipWhitespace();
    if (!engine.startsWithNoCase("?xml-stylesheet")) return false;

    StringBuffer name;
    engine.captureUntilAnyOf(kInstructionNameStops, name);
    engine.skipWhitespace();
    stepOver(engine, '/');
    TreeNode *sheet = TreeNode::createTree(name.getString());
    if (!sheet) return false;
    if (!parsePrologLineAttr(engine, sheet, log) || !node->treeInfo()->styleSheets().append(sheet)) {
        TreeNode::deleteTree(sheet);
        if (log) log->logError("Memory allocation failed.");
        return false;
    }
    return true;
}

}  // namespace quorvel
