// ClsXml: navigation to a new object or by moving in place.
#include "foundation/base/CritSecExitor.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

enum class Step { First, Last, Next, Previous, Parent };

TreeNode *target(TreeNode *node, Step step) {
    switch (step) {
        case Step::First: return node->firstChild();
        case Step::Last: return node->lastChild();
        case Step::Next: return node->nextSibling();
        case Step::Previous: return node->previousSibling();
        case Step::Parent: return node->parent();
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<ClsXml> ClsXml::FirstChild() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(target(m_node, Step::First)) : nullptr;
}

bool ClsXml::FirstChild2() {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(target(m_node, Step::First));
}

std::unique_ptr<ClsXml> ClsXml::LastChild() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(target(m_node, Step::Last)) : nullptr;
}

bool ClsXml::LastChild2() {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(target(m_node, Step::Last));
}

std::unique_ptr<ClsXml> ClsXml::NextSibling() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(target(m_node, Step::Next)) : nullptr;
}

bool ClsXml::NextSibling2() {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(target(m_node, Step::Next));
}

std::unique_ptr<ClsXml> ClsXml::PreviousSibling() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(target(m_node, Step::Previous)) : nullptr;
}

bool ClsXml::PreviousSibling2() {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(target(m_node, Step::Previous));
}

std::unique_ptr<ClsXml> ClsXml::GetParent() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(target(m_node, Step::Parent)) : nullptr;
}

bool ClsXml::GetParent2() {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(target(m_node, Step::Parent));
}


std::unique_ptr<ClsXml> ClsXml::GetChild(int index) {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->getChild(index)) : nullptr;
}

bool ClsXml::GetChild2(int index) {
    CritSecExitor lock(this);
    return hasValidNode() && moveToTarget(m_node->getChild(index));
}

std::unique_ptr<ClsXml> ClsXml::GetRoot() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node->getRoot()) : nullptr;
}

void ClsXml::GetRoot2() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return;
    moveToTarget(m_node->getRoot());
}

std::unique_ptr<ClsXml> ClsXml::GetSelf() {
    CritSecExitor lock(this);
    return hasValidNode() ? objectOn(m_node) : nullptr;
}

}  // namespace quorvel
