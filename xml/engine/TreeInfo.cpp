#include "xml/engine/TreeInfo.h"

#include "foundation/text/StringBuffer.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

namespace {

// Sets an optional text: empty text frees the buffer.
bool setOptionalText(StringBuffer *&buffer, const char *text) {
    if (!text || !*text) {
        delete buffer;
        buffer = nullptr;
        return true;
    }
    if (!buffer) {
        buffer = StringBuffer::createNew();
        if (!buffer) return false;
    }
    return buffer->setString(text);
}

}  // namespace

TreeInfo::TreeInfo() : m_marker(kValidMarker), m_treeId(s_nextTreeId++) {}

TreeInfo::~TreeInfo() {
    // Marked first, so that nodes reaching this info while it goes are not led back into it.
    m_marker = kDestroyedMarker;
    TreeNode::deleteTree(m_declaration);
    m_declaration = nullptr;
    m_styleSheets.removeAll();
    delete m_piText;
    delete m_doctype;
}

void TreeInfo::setDeclaration(TreeNode *declaration) {
    if (declaration == m_declaration) return;
    TreeNode::deleteTree(m_declaration);
    m_declaration = declaration;
}

TreeNode *TreeInfo::takeDeclaration() {
    TreeNode *declaration = m_declaration;
    m_declaration = nullptr;
    return declaration;
}

const char *TreeInfo::piText() const { return m_piText ? m_piText->getString() : ""; }

bool TreeInfo::setPiText(const char *text) { return setOptionalText(m_piText, text); }

const char *TreeInfo::doctypeText() const { return m_doctype ? m_doctype->getString() : ""; }

bool TreeInfo::setDoctypeText(const char *text) { return setOptionalText(m_doctype, text); }

}  // namespace quorvel
