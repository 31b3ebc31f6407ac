// ClsXml editing: new children and content edits.
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

// A lone node with the cleaned-up tag and the content; null when memory is exhausted.
TreeNode *createChildNode(const XString &tag, const char *content) {
    // Tag clean-up: trimmed, spaces become '_', then the tag rule drops the rest.
    StringBuffer cleaned;
    if (!cleaned.append(tag.getUtf8())) return nullptr;
    cleaned.trim();
    cleaned.replaceChar(' ', '_');
    TreeNode *child = TreeNode::createTree(cleaned.getString());
    if (child && !child->setContent(content ? content : "")) {
        TreeNode::deleteTree(child);
        return nullptr;
    }
    return child;
}

}  // namespace

TreeNode *ClsXml::attachNewChild(int position, const XString &tag, const char *content,
                                 std::unique_ptr<ClsXml> *object) {
    if (!hasValidNode()) return nullptr;
    TreeNode *child = createChildNode(tag, content);
    if (!child) return nullptr;
    // The object comes before the child joins the tree, so that memory running out for it
    // leaves the tree as it was.
    if (object) {
        *object = objectWithDefaultsOn(child);
        if (!*object) {
            TreeNode::deleteTree(child);
            return nullptr;
        }
    }
    bool attached = position < 0 ? TreeNode::appendChild(m_node, child) : TreeNode::insertChildAt(m_node, position, child);
    if (!attached) {
        // Letting go of the object's reference destroys the lone child with it.
        if (object) object->reset();
        else TreeNode::deleteTree(child);
        return nullptr;
    }
    return child;
}

std::unique_ptr<ClsXml> ClsXml::newChildObject(int position, const XString &tag, const char *content) {
    std::unique_ptr<ClsXml> object;
    attachNewChild(position, tag, content, &object);
    return object;
}

std::unique_ptr<ClsXml> ClsXml::newLoneChild(const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    TreeNode *child = createChildNode(tag, content.getUtf8());
    if (!child) return nullptr;
    std::unique_ptr<ClsXml> object = objectWithDefaultsOn(child);
    if (!object) TreeNode::deleteTree(child);
    return object;
}

bool ClsXml::adoptLoneChild(ClsXml &child) {
    CritSecExitor lock(this);
    CritSecExitor childLock(&child);
    return hasValidNode() && child.hasValidNode() && TreeNode::appendChild(m_node, child.m_node);
}

std::unique_ptr<ClsXml> ClsXml::NewChild(const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    return newChildObject(-1, tag, content.getUtf8());
}

void ClsXml::NewChild2(const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    attachNewChild(-1, tag, content.getUtf8());
}

void ClsXml::NewChildInt2(const XString &tag, int value) {
    CritSecExitor lock(this);
    attachNewChild(-1, tag, DecimalText(value).text);
}

std::unique_ptr<ClsXml> ClsXml::NewChildBefore(int index, const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    // Index 0 and 1 both insert in front; index n goes before the last child.
    int n = m_node->getNumChildren();
    int position = index > n ? -1 : (index < 1 ? 1 : index) - 1;
    return newChildObject(position, tag, content.getUtf8());
}

std::unique_ptr<ClsXml> ClsXml::NewChildAfter(int index, const XString &tag, const XString &content) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    int n = m_node->getNumChildren();
    int position = index >= n - 1 ? -1 : (index < 0 ? 0 : index) + 1;
    return newChildObject(position, tag, content.getUtf8());
}

std::unique_ptr<ClsXml> ClsXml::FindOrAddNewChild(const XString &tag) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return nullptr;
    if (TreeNode *found = m_node->firstChildWithTag(tag.getUtf8())) return objectOn(found);
    return newChildObject(-1, tag, "");
}

bool ClsXml::AppendToContent(const XString &str) {
    CritSecExitor lock(this);
    return hasValidNode() && m_node->appendContent(str.getUtf8());
}

void ClsXml::AddToContent(int amount) {
    CritSecExitor lock(this);
    if (hasValidNode()) m_node->setContent(DecimalText(addWrapping(m_node->getContentInt(), amount)).text);
}

void ClsXml::AddToChildContent(const XString &tag, int amount) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return;
    if (TreeNode *child = m_node->firstChildWithTag(tag.getUtf8()))
        child->setContent(DecimalText(addWrapping(child->getContentInt(), amount)).text);
    else
        attachNewChild(-1, tag, DecimalText(amount).text);
}

void ClsXml::UpdateChildContent(const XString &tag, const XString &value) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return;
    if (TreeNode *child = m_node->firstChildWithTag(trimmedUtf8(tag).getString()))
        child->setContentN(value.getUtf8(), value.getUtf8Sb().getSize());
    else
        attachNewChild(-1, tag, value.getUtf8());
}

void ClsXml::UpdateChildContentInt(const XString &tag, int value) {
    XString text;
    text.setFromUtf8(DecimalText(value).text);
    UpdateChildContent(tag, text);
}

}  // namespace quorvel
