// ClsAtom: creation, the document, entries and the element lookup.
#include "feeds/ClsAtom.h"

#include <new>

#include "feeds/internal/FeedText.h"
#include "foundation/base/CritSecExitor.h"
#include "foundation/base/MethodFrame.h"
#include "foundation/log/LogBase.h"

namespace quorvel {

ClsAtom::ClsAtom() = default;
ClsAtom::~ClsAtom() = default;

std::unique_ptr<ClsAtom> ClsAtom::createNew() {
    std::unique_ptr<ClsAtom> atom(new (std::nothrow) ClsAtom());
    if (!atom || !atom->isReady()) return nullptr;
    return atom;
}

bool ClsAtom::isReady() const { return m_xml.isReady(); }

std::unique_ptr<ClsXml> ClsAtom::element(const XString &tag, int index) {
    return isNullTag(tag) ? nullptr : m_xml.GetNthChildWithTag(tag, index);
}

bool ClsAtom::noElement(const XString &tag, int index) {
    return isNullTag(tag) || index < 0 || index >= m_xml.NumChildrenHavingTag(tag);
}

int ClsAtom::lastIndexOf(const XString &tag) { return m_xml.NumChildrenHavingTag(tag) - 1; }

// ---------------------------------------------------------------- the document

void ClsAtom::NewFeed() {
    MethodFrame frame(*this, this, "NewFeed");
    m_xml.LoadXml(feedText(kNewFeedTemplate));
}

void ClsAtom::NewEntry() {
    MethodFrame frame(*this, this, "NewEntry");
    m_xml.LoadXml(feedText(kNewEntryTemplate));
}

bool ClsAtom::LoadXml(const XString &xmlStr) {
    MethodFrame frame(*this, this, "LoadXml");
    return frame.finish(m_xml.LoadXml2(xmlStr, true));
}

bool ClsAtom::ToXmlString(XString &out) {
    MethodFrame frame(*this, this, "ToXmlString");
    return m_xml.GetXml(out);
}

// ---------------------------------------------------------------- entries

int ClsAtom::get_NumEntries() {
    CritSecExitor lock(this);
    return m_xml.NumChildrenHavingTag(feedText("entry"));
}

std::unique_ptr<ClsAtom> ClsAtom::GetEntry(int index) {
    MethodFrame frame(*this, this, "GetEntry");
    return feedObjectOn<ClsAtom>(m_xml.GetNthChildWithTag(feedText("entry"), index));
}

void ClsAtom::AddEntry(const XString &xmlStr) {
    MethodFrame frame(*this, this, "AddEntry");
    if (std::unique_ptr<ClsXml> entry = parseFragment(xmlStr, frame.log())) m_xml.AddChildTree(entry.get());
}

}  // namespace quorvel
