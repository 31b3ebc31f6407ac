// Closing elements, handing a finished root its document parts, and the end of the text.
#include "foundation/log/LogBase.h"
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
    const uint32_t nodes = m_currentTopNodes;
    if (m_finishedRoot) {
        ++m_droppedTopLevel;
        if (nodes < m_finishedRootNodes) {
            // The earlier root stays; the texts it takes are the ones collected up to now.
            TreeNode::deleteTree(root);
            root = m_finishedRoot;
            info = root->treeInfo();
        } else {
            TreeNode::deleteTree(m_finishedRoot);
            m_finishedRootNodes = nodes;
        }
    } else {
        m_finishedRootNodes = nodes;
    }
    // Copies: a later root receives the same texts.
    if (!m_doctype.isEmpty() && !info->setDoctypeText(m_doctype.getString())) m_outOfMemory = true;
    if (!m_pi.isEmpty() && !info->setPiText(m_pi.getString())) m_outOfMemory = true;
    m_finishedRoot = root;
}

void XmlParseRun::finishAtEnd() {
    if (m_current) {
        // An unfinished element is closed from the innermost outwards. After a finished root it
        // competes only when it is larger: a truncated element loses a tie.
        if (!m_finishedRoot || m_currentTopNodes > m_finishedRootNodes) {
            while (m_current) closeCurrent(true);
        } else {
            TreeNode::deleteTree(topLevelOf(m_current));
            m_current = nullptr;
            ++m_droppedTopLevel;
        }
    }
    TreeNode::deleteTree(m_pendingDeclaration);
    m_pendingDeclaration = nullptr;
    for (int32_t i = 0; i < m_styleSheets.getSize(); ++i) {
        TreeNode::deleteTree(static_cast<TreeNode *>(m_styleSheets.elementAt(i)));
    }
    m_styleSheets.removeAll();
    if (m_droppedTopLevel > 0 && !m_outOfMemory) {
        m_log.logError("More than one top-level element: only the largest was kept.");
        m_log.logDataUint32("numDroppedElements", m_droppedTopLevel);
        m_droppedTopLevel = 0;
    }
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
