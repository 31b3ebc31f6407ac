// ClsXml: creation, letting go, moving in place, copying and the internal UTF-8 forms.
#include "xml/object/ClsXml.h"

#include <new>

#include "foundation/base/AllocationFailures.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

ClsXml::ClsXml() {
    TreeNode *root = TreeNode::createTree("unnamed");
    if (root) {
        TreeNode::addRef(root);
        m_node = root;
    }
}

ClsXml::~ClsXml() {
    CritSecExitor lock(this);
    letGoOfNode();
}

std::unique_ptr<ClsXml> ClsXml::createNew() {
    std::unique_ptr<ClsXml> xml(new (std::nothrow) ClsXml());
    if (!xml || !xml->isReady()) {
        if (!xml) AllocationFailures::note();
        return nullptr;
    }
    return xml;
}

bool ClsXml::isReady() const { return hasValidNode(); }

bool ClsXml::hasValidNode() const { return TreeNode::isValid(m_node); }

void ClsXml::letGoOfNode() {
    if (!m_node) return;
    TreeNode *node = m_node;
    m_node = nullptr;
    if (!TreeNode::isValid(node)) return;
    TreeInfo *info = node->treeInfo();
    TreeNode::release(node);
    if (TreeInfo::isValid(info) && info->refCount() == 0 && TreeNode::isValid(info->root()))
        TreeNode::deleteTree(info->root());
}

void ClsXml::moveTo(TreeNode *node) {
    if (node == m_node) return;
    // Counted first, so that a move within one tree never frees it on the way.
    TreeNode::addRef(node);
    letGoOfNode();
    m_node = node;
}

bool ClsXml::moveToTarget(TreeNode *node) {
    if (!TreeNode::isValid(node)) return false;
    moveTo(node);
    return true;
}

std::unique_ptr<ClsXml> ClsXml::objectOn(TreeNode *node) const {
    std::unique_ptr<ClsXml> xml = objectWithDefaultsOn(node);
    if (xml) {
        xml->m_emitXmlDecl = m_emitXmlDecl;
        xml->m_sortCaseInsensitive = m_sortCaseInsensitive;
    }
    return xml;
}

std::unique_ptr<ClsXml> ClsXml::objectWithDefaultsOn(TreeNode *node) {
    if (!TreeNode::isValid(node)) return nullptr;
    std::unique_ptr<ClsXml> xml(new (std::nothrow) ClsXml());
    if (!xml || !xml->hasValidNode()) {
        if (!xml) AllocationFailures::note();
        return nullptr;
    }
    xml->moveTo(node);
    return xml;
}

void ClsXml::takeNodeFrom(ClsXml &other) {
    if (&other == this) return;
    CritSecExitor lock(this);
    CritSecExitor otherLock(&other);
    letGoOfNode();
    m_emitXmlDecl = other.m_emitXmlDecl;
    m_sortCaseInsensitive = other.m_sortCaseInsensitive;
    m_node = other.m_node;
    other.m_node = nullptr;
}

void ClsXml::Clear() {
    CritSecExitor lock(this);
    TreeNode *root = TreeNode::createTree("unnamed");
    if (!root) return;  // out of memory: the object stays where it was
    letGoOfNode();
    TreeNode::addRef(root);
    m_node = root;
}

std::unique_ptr<ClsXml> ClsXml::copyOfSubtree() {
    CritSecExitor lock(this);
    TreeNode *copy = hasValidNode() ? TreeNode::copySubtree(m_node) : nullptr;
    if (!copy) return nullptr;
    std::unique_ptr<ClsXml> object = objectOn(copy);
    if (!object) TreeNode::deleteTree(copy);
    return object;
}

void ClsXml::Copy(ClsXml *node) {
    CritSecExitor lock(this);
    if (!node || !hasValidNode() || !node->hasValidNode()) return;
    TreeNode *from = node->m_node;
    if (from == m_node) return;
    m_node->setTag(from->getTag());
    m_node->setContentN(from->content().isAllocated() ? from->getContent() : nullptr, from->getContentSize());
    m_node->copyAttributesFrom(*from);  // replaces the set whole, or leaves it on failure
}

void ClsXml::CopyRef(ClsXml *node) {
    CritSecExitor lock(this);
    if (!node || node == this || !hasValidNode() || !node->hasValidNode()) return;
    moveTo(node->m_node);
}

// ---------------------------------------------------------------- internal UTF-8 forms

const char *ClsXml::childContentUtf8(const char *tag) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    TreeNode *child = m_node->firstChildWithTag(tag);
    return child ? child->getContent() : nullptr;
}

bool ClsXml::addOrReplaceAttributeUtf8(const char *name, const char *value) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->addOrReplaceAttribute(name, value);
}

bool ClsXml::getTagUtf8(StringBuffer &out) {
    CritSecExitor lock(this);
    out.clear();
    return hasValidNode() && out.append(m_node->getTag());
}

bool ClsXml::getContentUtf8(StringBuffer &out) {
    CritSecExitor lock(this);
    out.clear();
    return hasValidNode() && out.appendN(m_node->getContent(), m_node->getContentSize());
}

bool ClsXml::setContentUtf8(const char *content) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->setContent(content ? content : "");
}

}  // namespace quorvel
