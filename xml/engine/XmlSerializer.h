#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;
class TreeNode;

// Writes a node and its subtree as UTF-8 XML with CR LF line ends and four spaces of
// indentation per level (at most 50 levels deep). At the root, the document prologue comes
// first (declaration unless suppressed, style sheets, DOCTYPE, other PIs); writing the
// declaration moves its standalone pseudo-attribute to the last place, for good. A node at index
// 0 that is not a root starts with CR LF. A node whose tree is not valid writes nothing.
// Iterative, so depth is limited only by memory; running out of memory truncates the output and
// gives false, so that callers about to drop the subtree can tell the text is not whole.
bool serializeNode(const TreeNode *node, StringBuffer &out, int32_t index, int32_t depth, bool suppressDeclaration);

// The pseudo-attributes of the declaration of node's tree (the first one of the name).
// False, value emptied, when the tree has no declaration or the declaration no such attribute.
bool getDeclarationEncoding(const TreeNode *node, StringBuffer &value);
bool getDeclarationStandalone(const TreeNode *node, StringBuffer &value);
// Creates the declaration (tag "xml", version="1.0") when missing, removes every attribute of
// the name, then appends name=value unless value is null. False when node or its tree is not
// valid or memory runs out.
bool setDeclarationEncoding(TreeNode *node, const char *value);
bool setDeclarationStandalone(TreeNode *node, const char *value);
// setDeclarationEncoding(node, defaultEncoding) when no encoding is declared; true when one is.
bool ensureDeclarationEncoding(TreeNode *node, const char *defaultEncoding);

}  // namespace quorvel
