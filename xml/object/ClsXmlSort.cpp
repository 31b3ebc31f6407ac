// ClsXml: sorting the children of the positioned node.
#include <cstdint>
#include <cstring>

#include "foundation/base/CritSecExitor.h"
#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"
#include "xml/engine/ChildSort.h"
#include "xml/engine/TreeNode.h"
#include "xml/object/ClsXml.h"

namespace quorvel {

namespace {

enum class SortKey { Tag, Content, Attribute, AttributeInt, RecordContent, RecordContentInt, RecordAttribute };

int compareText(const char *a, const char *b, bool caseInsensitive) {
    if (!caseInsensitive) return std::strcmp(a, b);
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 32;
        if (cb >= 'A' && cb <= 'Z') cb += 32;
        if (ca != cb || !ca) return ca < cb ? -1 : (ca > cb ? 1 : 0);
    }
}

// The C library's atoi reading (white space, sign, digits), saturating instead of overflowing.
int64_t atoiSaturating(const char *p) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    if (value > INT32_MAX) value = negative ? static_cast<int64_t>(INT32_MAX) + 1 : INT32_MAX;
    return negative ? -value : value;
}

// A null pointer when the node has no attribute of that name.
const char *attributeOrNull(const TreeNode *node, const char *name, StringBuffer &scratch) {
    return node->getAttributeValueOf(name, scratch) ? scratch.getString() : nullptr;
}

// Keys are read afresh in every comparison; the names live in the comparison object, so two
// sorts never see each other's.
class KeyComparison : public ChildComparison {
public:
    KeyComparison(SortKey key, bool ascending, bool caseInsensitive, const char *name, const char *field)
        : m_key(key), m_sign(ascending ? 1 : -1), m_caseInsensitive(caseInsensitive), m_name(name), m_field(field) {}

    int compare(const TreeNode *a, const TreeNode *b) const override { return m_sign * unsignedCompare(a, b); }

private:
    int unsignedCompare(const TreeNode *a, const TreeNode *b) const {
        StringBuffer va, vb;
        switch (m_key) {
            case SortKey::Tag: return compareText(a->getTag(), b->getTag(), m_caseInsensitive);
            case SortKey::Content: return compareText(a->getContent(), b->getContent(), m_caseInsensitive);
            case SortKey::Attribute:
                a->getAttributeValueOf(m_name, va);
                b->getAttributeValueOf(m_name, vb);
                return compareText(va.getString(), vb.getString(), m_caseInsensitive);
            case SortKey::AttributeInt: {
                // The flag is reversed for this key: ascending puts the largest first.
                int32_t ia = a->getAttributeValueOf(m_name, va) ? va.intValue() : 0;
                int32_t ib = b->getAttributeValueOf(m_name, vb) ? vb.intValue() : 0;
                return ia > ib ? -1 : (ia < ib ? 1 : 0);
            }
            default: break;
        }
        // Records: the first child with the field tag; a missing field compares equal.
        const TreeNode *fa = a->firstChildWithTag(m_field), *fb = b->firstChildWithTag(m_field);
        if (!fa || !fb) return 0;
        switch (m_key) {
            case SortKey::RecordContent: return compareText(fa->getContent(), fb->getContent(), m_caseInsensitive);
            case SortKey::RecordContentInt: {
                int64_t ia = atoiSaturating(fa->getContent()), ib = atoiSaturating(fb->getContent());
                return ia < ib ? -1 : (ia > ib ? 1 : 0);
            }
            default: {
                const char *xa = attributeOrNull(fa, m_name, va), *xb = attributeOrNull(fb, m_name, vb);
                return compareText(xa ? xa : "", xb ? xb : "", m_caseInsensitive);
            }
        }
    }

    SortKey m_key;
    int m_sign;
    bool m_caseInsensitive;
    const char *m_name;
    const char *m_field;
};

void sortBy(ClsXml &xml, const KeyComparison &comparison) {
    CritSecExitor lock(&xml);
    if (TreeNode::isValid(xml.node())) sortChildren(xml.node(), comparison);
}

}  // namespace

void ClsXml::SortByTag(bool ascending) {
    sortBy(*this, KeyComparison(SortKey::Tag, ascending, m_sortCaseInsensitive, "", ""));
}

void ClsXml::SortByContent(bool ascending) {
    sortBy(*this, KeyComparison(SortKey::Content, ascending, m_sortCaseInsensitive, "", ""));
}

void ClsXml::SortByAttribute(const XString &attrName, bool ascending) {
    sortBy(*this, KeyComparison(SortKey::Attribute, ascending, m_sortCaseInsensitive, attrName.getUtf8(), ""));
}

void ClsXml::SortByAttributeInt(const XString &attrName, bool ascending) {
    sortBy(*this, KeyComparison(SortKey::AttributeInt, ascending, false, attrName.getUtf8(), ""));
}

void ClsXml::SortRecordsByContent(const XString &sortTag, bool ascending) {
    sortBy(*this, KeyComparison(SortKey::RecordContent, ascending, m_sortCaseInsensitive, "", sortTag.getUtf8()));
}

void ClsXml::SortRecordsByContentInt(const XString &sortTag, bool ascending) {
    sortBy(*this, KeyComparison(SortKey::RecordContentInt, ascending, false, "", sortTag.getUtf8()));
}

void ClsXml::SortRecordsByAttribute(const XString &sortTag, const XString &attrName, bool ascending) {
    sortBy(*this, KeyComparison(SortKey::RecordAttribute, ascending, m_sortCaseInsensitive, attrName.getUtf8(),
                                sortTag.getUtf8()));
}

}  // namespace quorvel
