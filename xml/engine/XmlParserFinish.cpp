// Closing elements, handing a finished root its document parts, and the end of the text.
#include "foundation/text/StringBuffer.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/XmlParseRun.h"

namespace quorvel {

namespace {

// The top-level element above node, reached by parent links (no recursion, any depth).
TreeNode *topLevelOf(TreeNode *node) {
    while (node->parent()) node = node->parent();
    return node;
}

}  // namespace

void XmlParseRun::closeCurrent(bool trimContent) {
    TreeNode *element = m_current;
    if (!element) return;
    // Whitespace between child elements is not kept.
    if (trimContent && !m_trim && element->hasChildrenArray() && element->content().isAllocated()) {
        CompactText &content = element->content();
        content.trimWhitespace();
        if (content.isEmpty()) content.release();
    }
    TreeNode *parent = element->parent();
    if (!parent) finalizeRoot(element);
    m_current = parent;
}

// A closed top-level element takes the prolog parts seen so far. Of several top-level
// elements only the last survives.
void XmlParseRun::finalizeRoot(TreeNode *root) {
    TreeInfo *info = root->treeInfo();
    if (m_pendingDeclaration) {
        info->setDeclaration(m_pendingDeclaration);
        m_pendingDeclaration = nullptr;
    }
    for (int32_t i = 0; i < m_styleSheets.getSize(); ++i) {
        TreeNode *sheet = static_cast<TreeNode *>(m_styleSheets.elementAt(i));
        if (!info->styleSheets().append(sheet)) {
            TreeNode::deleteTree(sheet);
            m_outOfMemory = true;
        }
    }
    m_styleSheets.removeAll();
    // Copies: a later root receives the same texts.
    if (!m_doctype.isEmpty() && !info->setDoctypeText(m_doctype.getString())) m_outOfMemory = true;
    if (!m_pi.isEmpty() && !info->setPiText(m_pi.getString())) m_outOfMemory = true;

    TreeNode::deleteTree(m_finishedRoot);
    m_finishedRoot = root;
}

void XmlParseRun::finishAtEnd() {
    if (!m_finishedRoot) {
        // An unclosed document yields its partial tree: close from the innermost outwards.
        while (m_current) closeCurrent(true);
    } else if (m_current) {
        // An unfinished element after the finished root is dropped.
        TreeNode::deleteTree(topLevelOf(m_current));
        m_current = nullptr;
    }
    TreeNode::deleteTree(m_pendingDeclaration);
    m_pendingDeclaration = nullptr;
    for (int32_t i = 0; i < m_styleSheets.getSize(); ++i) {
        TreeNode::deleteTree(static_cast<TreeNode *>(m_styleSheets.elementAt(i)));
    }
    m_styleSheets.removeAll();
}

void XmlParseRun::discardAll() {
    if (m_current) {
        TreeNode::deleteTree(topLevelOf(m_current));
        m_current = nullptr;
    }
    TreeNode::deleteTree(m_finishedRoot);
    m_finishedRoot = nullptr;
    finishAtEnd();
}

}  // namespace quorvel
