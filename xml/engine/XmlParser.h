#pragma once
#include <cstdint>

namespace quorvel {

class LogBase;
class ParseEngine;
class TreeNode;

// The lenient one-pass parser: never rejects a document, closes what is left open, ignores
// text outside the root, keeps the declaration, style sheets, DOCTYPE and other processing
// instructions for the serializer, drops comments. Problems go to the log; parsing goes on.
// The result is a fresh tree with all reference counts 0 (root null when no element).
// False only when memory is exhausted (root null, nothing left behind).
bool parseXml(ParseEngine &engine, LogBase *log, TreeNode *&root, bool trim);
// parseXml over NUL-terminated UTF-8 text.
bool parseXmlText(const char *text, LogBase *log, TreeNode *&root, bool trim);
// Reads the pseudo-attributes of <?xml ...?> or <?xml-stylesheet ...?> into node, the engine
// positioned after the instruction name, and steps over the closing '>'. False when memory
// is exhausted. Writes nothing to the log.
bool parsePrologLineAttr(ParseEngine &engine, TreeNode *node, LogBase *log);
// Finds the <?xml-stylesheet ...?> instruction in text and appends it to the style sheets of
// node's tree; false when the text holds none or memory is exhausted.
bool addStyleSheet(TreeNode *node, const char *text, LogBase *log);

}  // namespace quorvel
