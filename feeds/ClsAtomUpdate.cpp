// ClsAtom: updating and deleting elements, persons and attributes.
#include "feeds/ClsAtom.h"
#include "feeds/internal/FeedText.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

namespace {

// The element becomes plain text: the value, no type, no child elements; all of it or, when
// memory runs out, none of it.
bool replaceWithText(ClsXml &element, const XString &value) {
    const XString type = feedText("type");
    return element.editAsWhole([&](ClsXml &copy) {
        copy.RemoveAttribute(type);
        copy.RemoveAllChildren();
        return copy.get_NumChildren() == 0 && copy.setContentUtf8(value.getUtf8());
    });
}

}  // namespace

void ClsAtom::updateText(const XString &tag, int index, const char *value) {
    if (isNullTag(tag)) return;
    const XString text = feedText(value);
    if (std::unique_ptr<ClsXml> found = element(tag, index))
        replaceWithText(*found, text);
    else if (index == 0 && noElement(tag, 0))  // (not when memory ran out making the object)
        m_xml.NewChild2(tag, text);
}

void ClsAtom::UpdateElement(const XString &tag, int index, const XString &value) {
    MethodFrame frame(*this, this, "UpdateElement");
    updateText(tag, index, value.getUtf8());
}

void ClsAtom::UpdateElementHtml(const XString &tag, int index, const XString &htmlStr) {
    MethodFrame frame(*this, this, "UpdateElementHtml");
    if (isNullTag(tag)) return;
    const XString type = feedText("type"), html = feedText("html");
    if (std::unique_ptr<ClsXml> found = element(tag, index)) {
        found->editAsWhole([&](ClsXml &copy) {
            copy.RemoveAllChildren();
            return copy.get_NumChildren() == 0 && copy.setContentUtf8(htmlStr.getUtf8()) &&
                   copy.UpdateAttribute(type, html);
        });
    } else if (index == 0 && noElement(tag, 0)) {
        m_xml.newChildBuilt(tag, htmlStr, [&](ClsXml &child) { return child.UpdateAttribute(type, html); });
    }
}

// The markup is parsed first: text that holds no element changes nothing.
void ClsAtom::updateMarkup(const XString &tag, int index, const XString &xmlStr, const char *type, LogBase &log) {
    if (isNullTag(tag)) return;
    std::unique_ptr<ClsXml> fragment = parseFragment(xmlStr, log);
    if (!fragment) return;
    const XString typeName = feedText("type"), typeValue = feedText(type);
    auto fill = [&](ClsXml &target) { return target.appendSubtree(fragment.get()) && target.UpdateAttribute(typeName, typeValue); };
    if (std::unique_ptr<ClsXml> found = element(tag, index)) {
        found->editAsWhole([&](ClsXml &copy) {
            copy.RemoveAllChildren();
            return copy.get_NumChildren() == 0 && copy.setContentUtf8("") && fill(copy);
        });
    } else if (index == 0 && noElement(tag, 0)) {
        m_xml.newChildBuilt(tag, XString(), fill);
    }
}

void ClsAtom::UpdateElementXHtml(const XString &tag, int index, const XString &xmlStr) {
    MethodFrame frame(*this, this, "UpdateElementXHtml");
    updateMarkup(tag, index, xmlStr, "application/xhtml+xml", frame.log());
}

void ClsAtom::UpdateElementXml(const XString &tag, int index, const XString &xmlStr) {
    MethodFrame frame(*this, this, "UpdateElementXml");
    updateMarkup(tag, index, xmlStr, "text/xml", frame.log());
}

void ClsAtom::UpdatePerson(const XString &tag, int index, const XString &name, const XString &uri,
                           const XString &email) {
    MethodFrame frame(*this, this, "UpdatePerson");
    std::unique_ptr<ClsXml> person = element(tag, index);
    if (!person) return;
    const struct {
        const char *tag;
        const XString &value;
    } parts[] = {{"name", name}, {"uri", uri}, {"email", email}};
    // All three parts or, when memory runs out, none.
    person->editAsWhole([&](ClsXml &copy) {
        for (const auto &part : parts) {
            if (part.value.isEmpty()) continue;
            const XString partTag = feedText(part.tag);
            std::unique_ptr<ClsXml> child = copy.FindChild(partTag);
            if (!child) child = copy.HasChildWithTag(partTag) ? nullptr : copy.NewChild(partTag, XString());
            if (!child || !child->setContentUtf8(part.value.getUtf8())) return false;
        }
        return true;
    });
}

void ClsAtom::DeleteElement(const XString &tag, int index) {
    MethodFrame frame(*this, this, "DeleteElement");
    if (std::unique_ptr<ClsXml> found = element(tag, index)) found->RemoveFromTree();
}

void ClsAtom::DeletePerson(const XString &tag, int index) {
    MethodFrame frame(*this, this, "DeletePerson");
    if (std::unique_ptr<ClsXml> found = element(tag, index)) found->RemoveFromTree();
}

void ClsAtom::SetElementAttr(const XString &tag, int index, const XString &attrName, const XString &attrValue) {
    MethodFrame frame(*this, this, "SetElementAttr");
    if (attrName.isEmpty()) return;
    if (std::unique_ptr<ClsXml> found = element(tag, index)) found->UpdateAttribute(attrName, attrValue);
}

void ClsAtom::DeleteElementAttr(const XString &tag, int index, const XString &attrName) {
    MethodFrame frame(*this, this, "DeleteElementAttr");
    if (std::unique_ptr<ClsXml> found = element(tag, index)) found->RemoveAttribute(attrName);
}

void ClsAtom::SetTopAttr(const XString &attrName, const XString &value) {
    MethodFrame frame(*this, this, "SetTopAttr");
    if (!attrName.isEmpty()) m_xml.UpdateAttribute(attrName, value);
}

}  // namespace quorvel
