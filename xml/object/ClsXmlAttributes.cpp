// ClsXml editing: attributes.
#include "foundation/base/AllocationFailures.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ArgumentText.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

bool ClsXml::AddAttribute(const XString &name, const XString &value) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    AllocationFailureWatch watch;
    StringBuffer n = trimmedUtf8(name);
    if (watch.ranShort()) return false;
    // An empty name adds nothing and still succeeds; otherwise false means memory ran out.
    return m_node->addAttributeN(n.getString(), n.getSize(), value.getUtf8(), value.getUtf8Sb().getSize()) ||
           n.getSize() == 0;
}

bool ClsXml::AddAttributeInt(const XString &name, int value) {
    XString text;
    text.setFromUtf8(DecimalText(value).text);
    return AddAttribute(name, text);
}

bool ClsXml::UpdateAttribute(const XString &attrName, const XString &attrValue) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    // The name is used exactly as given: not trimmed, not reduced. An empty name changes nothing
    // and still succeeds; otherwise false means memory ran out.
    return m_node->addOrReplaceAttribute(attrName.getUtf8(), attrValue.getUtf8()) || attrName.getUtf8Sb().getSize() == 0;
}

bool ClsXml::UpdateAttributeInt(const XString &attrName, int value) {
    XString text;
    text.setFromUtf8(DecimalText(value).text);
    return UpdateAttribute(attrName, text);
}

void ClsXml::AddOrUpdateAttribute(const XString &name, const XString &value) {
    CritSecExitor lock(this);
    if (HasAttribute(name))
        UpdateAttribute(name, value);
    else
        AddAttribute(name, value);
}

void ClsXml::AddOrUpdateAttributeI(const XString &name, int value) {
    CritSecExitor lock(this);
    if (HasAttribute(name))
        UpdateAttributeInt(name, value);
    else
        AddAttributeInt(name, value);
}

void ClsXml::AddToAttribute(const XString &name, int amount) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return;
    StringBuffer value;
    if (m_node->getAttributeValueOf(name.getUtf8(), value)) {
        m_node->addOrReplaceAttribute(name.getUtf8(), DecimalText(addWrapping(value.intValue(), amount)).text);
    } else {
        m_node->addAttribute(name.getUtf8(), DecimalText(amount).text);
    }
}

bool ClsXml::RemoveAttribute(const XString &name) {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    m_node->removeAttribute(trimmedUtf8(name).getString());
    return true;
}

bool ClsXml::RemoveAllAttributes() {
    CritSecExitor lock(this);
    if (!hasValidNode()) return false;
    m_node->removeAllAttributes();
    return true;
}

}  // namespace quorvel
