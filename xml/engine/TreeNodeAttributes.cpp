// TreeNode: the attribute operations.
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "foundation/text/NameChars.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

namespace {

inline bool needsPrefix(unsigned char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }

inline bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int32_t TreeNode::getNumAttributes() const { return m_attributes ? m_attributes->count() : 0; }

bool TreeNode::getAttributeName(int32_t i, StringBuffer &out) const {
    if (m_attributes) return m_attributes->getName(i, out);
    out.clear();
    return false;
}

bool TreeNode::getAttributeValue(int32_t i, StringBuffer &out) const {
    if (m_attributes) return m_attributes->getValue(i, out);
    out.clear();
    return false;
}

bool TreeNode::getAttributePair(int32_t i, StringBuffer &name, StringBuffer &value) const {
    if (m_attributes) return m_attributes->getPair(i, name, value);
    name.clear();
    value.clear();
    return false;
}

bool TreeNode::hasAttribute(const char *name) const { return m_attributes && m_attributes->hasAttribute(name); }

bool TreeNode::getAttributeValueOf(const char *name, StringBuffer &out) const {
    if (m_attributes) return m_attributes->getValueOf(name, out);
    out.clear();
    return false;
}

bool TreeNode::hasAttributeWithValue(const char *name, const char *value) const {
    return m_attributes && m_attributes->hasWithValue(name, value);
}

bool TreeNode::hasAttributeMatching(const char *name, const char *pattern) const {
    return m_attributes && m_attributes->hasMatching(name, pattern);
}

bool TreeNode::addAttribute(const char *name, const char *value) {
    return addAttributeN(name, name ? static_cast<uint32_t>(std::strlen(name)) : 0, value,
                         value ? static_cast<uint32_t>(std::strlen(value)) : 0);
}

bool TreeNode::addAttributeN(const char *name, uint32_t nameLen, const char *value, uint32_t valueLen) {
    NodeArena *memory = arena();
    return memory && addAttributeTo(m_attributes, *memory, name, nameLen, value, valueLen);
}

bool TreeNode::addAttributeTo(AttributeSet *&set, NodeArena &arena, const char *name, uint32_t nameLen,
                              const char *value, uint32_t valueLen) {
    if (!name || nameLen == 0) return false;
    // Most names are clean already and go in as they are.
    uint32_t kept = nameCharRun(name, nameLen);
    const char *finalName = name;
    uint32_t finalLen = nameLen;
    char local[64];
    char *reduced = nullptr;
    if (kept < nameLen || needsPrefix(static_cast<unsigned char>(name[0]))) {
        reduced = nameLen + 2 <= sizeof local ? local : static_cast<char *>(std::malloc(static_cast<size_t>(nameLen) + 2));
        if (!reduced) {
            AllocationFailures::note();
            return false;
        }
        uint32_t w = 1;
        for (uint32_t i = 0; i < nameLen; ++i)
            if (isNameChar(static_cast<unsigned char>(name[i]))) reduced[w++] = name[i];
        finalLen = w - 1;
        finalName = reduced + 1;
        if (finalLen && needsPrefix(static_cast<unsigned char>(finalName[0]))) {
            reduced[0] = 'A';
            finalName = reduced;
            ++finalLen;
        }
    }
    bool ok = finalLen == 0;  // a name reduced to nothing adds nothing
    if (!ok) {
        if (!set) set = new (arena) AttributeSet();
        ok = set && set->appendPair(arena, finalName, finalLen, value, value ? valueLen : 0);
    }
    if (reduced && reduced != local) std::free(reduced);
    return ok;
}

bool TreeNode::addOrReplaceAttribute(const char *name, const char *value) {
    NodeArena *memory = arena();
    if (!name || !*name || !memory) return false;
    if (!m_attributes) m_attributes = new (*memory) AttributeSet();
    if (!m_attributes) return false;
    // The new pair goes in before the old ones go (front first), so that memory running out
    // leaves the old value in place.
    const uint32_t nameLen = static_cast<uint32_t>(std::strlen(name));
    int32_t old = 0;
    for (int32_t i = 0; i < m_attributes->count(); ++i) {
        const char *n = nullptr;
        uint32_t length = 0;
        if (m_attributes->nameAt(i, n, length) && length == nameLen && std::memcmp(n, name, nameLen) == 0) ++old;
    }
    if (!m_attributes->appendPair(*memory, name, nameLen, value, value ? static_cast<uint32_t>(std::strlen(value)) : 0))
        return false;
    m_attributes->removeAll(name, old);
    return true;
}

int32_t TreeNode::removeAttribute(const char *name) {
    return m_attributes ? m_attributes->removeAll(name, kMaxAttributesRemoved) : 0;
}

void TreeNode::removeAllAttributes() {
    if (m_attributes) m_attributes->clear();
}

bool TreeNode::copyAttributesFrom(const TreeNode &other) {
    // Built aside and swapped in, so copying from this very node loses nothing and a failure
    // leaves the attributes as they were.
    NodeArena *memory = arena();
    if (!memory) return false;
    AttributeSet *copy = nullptr;
    const AttributeSet *source = other.m_attributes;
    for (int32_t i = 0; source && i < source->count(); ++i) {
        const char *name, *value;
        uint32_t nameLen, valueLen;
        source->nameAt(i, name, nameLen);
        source->valueAt(i, value, valueLen);
        while (nameLen && isWhite(name[0])) ++name, --nameLen;
        while (nameLen && isWhite(name[nameLen - 1])) --nameLen;
        if (nameLen && !addAttributeTo(copy, *memory, name, nameLen, value, valueLen)) {
            delete copy;
            return false;
        }
    }
    if (!copy) {
        removeAllAttributes();
        return true;
    }
    delete m_attributes;
    m_attributes = copy;
    return true;
}

}  // namespace quorvel
