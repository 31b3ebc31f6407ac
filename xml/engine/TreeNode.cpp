// TreeNode: construction, destruction, tag and content.
#include "xml/engine/TreeNode.h"

#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "foundation/text/NameChars.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/ChildList.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeInfo.h"

namespace quorvel {

namespace {

// Copies the name bytes of src[0..n) to dst, except '!' before the first byte kept: a tag
// written as "<!..." would read back as a declaration. Returns how many were kept.
uint32_t copyTagChars(char *dst, const char *src, uint32_t n) {
    uint32_t w = 0;
    for (uint32_t i = 0; i < n; ++i)
        if (isNameChar(static_cast<unsigned char>(src[i])) && (w > 0 || src[i] != '!')) dst[w++] = src[i];
    dst[w] = '\0';
    return w;
}

}  // namespace

TreeNode::TreeNode() { m_tag.inlineTag[0] = '\0'; }

void *TreeNode::operator new(size_t size, NodeArena &arena) noexcept { return arena.allocate(size); }

void TreeNode::operator delete(void *block) noexcept { NodeArena::release(block); }

void TreeNode::operator delete(void *block, NodeArena &) noexcept { NodeArena::release(block); }

TreeNode::~TreeNode() {
    const bool root = TreeInfo::isValid(m_tree) && m_tree->root() == this;
    if (root && m_tree->arena().releaseAllBut(this)) {
        // The whole tree went with its pages; only this node's own block is left.
        forgetOwnFields();
    } else {
        destroyChildren();
        releaseOwnFields();
    }
    if (root) {
        TreeInfo *info = m_tree;
        m_tree = nullptr;
        delete info;
    }
    m_parent = m_next = m_previous = nullptr;
    m_refCount = 0;
    m_marker = 0;
}

void TreeNode::destroyChildren() {
    // Children are unhooked onto a pending list threaded through their sibling links and
    // destroyed one by one, each with no children left, so depth never reaches the stack.
    TreeNode *pending = nullptr;
    auto takeChildren = [&pending](TreeNode *node) {
        if (!node->m_children) return;
        for (int32_t i = 0; i < node->m_children->getSize(); ++i) {
            TreeNode *child = node->m_children->elementAt(i);
            if (!isValid(child)) continue;  // never touch what is not ours any more
            child->m_next = pending;
            pending = child;
        }
        ChildList::destroy(node->m_children);
        node->m_children = nullptr;
    };
    takeChildren(this);
    while (pending) {
        TreeNode *node = pending;
        pending = node->m_next;
        takeChildren(node);
        node->m_parent = node->m_next = node->m_previous = nullptr;
        delete node;
    }
}

void TreeNode::releaseOwnFields() {
    m_cdata = 0;
    if (!m_tagInline) NodeArena::release(m_tag.heap);
    m_tagInline = 1;
    m_tag.inlineTag[0] = '\0';
    m_content.release();
    delete m_attributes;
    m_attributes = nullptr;
}

void TreeNode::forgetOwnFields() {
    m_cdata = 0;
    m_tagInline = 1;
    m_tag.inlineTag[0] = '\0';
    m_content.abandon();
    m_attributes = nullptr;
    m_children = nullptr;
}

NodeArena *TreeNode::arena() const { return TreeInfo::isValid(m_tree) ? &m_tree->arena() : nullptr; }

TreeNode *TreeNode::createTree(const char *tag) {
    TreeInfo *info = new (std::nothrow) TreeInfo();
    TreeNode *node = info ? new (info->arena()) TreeNode() : nullptr;
    if (!node) {
        delete info;
        AllocationFailures::note();
        return nullptr;
    }
    node->m_tree = info;
    info->setRoot(node);
    node->setTag(tag);
    return node;
}

TreeNode *TreeNode::createChild(TreeNode *parent, const char *tag) {
    return createChildN(parent, tag, tag ? static_cast<uint32_t>(std::strlen(tag)) : 0);
}

TreeNode *TreeNode::createChildN(TreeNode *parent, const char *tag, uint32_t n) {
    if (!parent) {
        TreeNode *root = createTree(nullptr);
        if (root) root->setTagN(tag, n);
        return root;
    }
    if (!isValid(parent) || !TreeInfo::isValid(parent->m_tree)) return nullptr;
    NodeArena &arena = parent->m_tree->arena();
    if (!parent->ensureChildrenArray() || !ChildList::reserve(parent->m_children, arena)) return nullptr;
    TreeNode *node = new (arena) TreeNode();
    if (!node) return nullptr;
    node->m_tree = parent->m_tree;
    node->setTagN(tag, n);
    TreeNode *previous = parent->m_children->lastElement();
    parent->m_children->append(node);
    parent->m_tree->structureChanged();
    if (previous) previous->m_next = node;
    node->m_previous = previous;
    node->m_parent = parent;
    return node;
}

bool TreeNode::ensureChildrenArray() {
    if (m_children) return true;
    NodeArena *memory = arena();
    m_children = memory ? ChildList::create(*memory) : nullptr;
    return m_children != nullptr;
}

// ---------------------------------------------------------------- tag

void TreeNode::setTag(const char *tag) { setTagN(tag ? tag : "", tag ? static_cast<uint32_t>(std::strlen(tag)) : 0); }

void TreeNode::setTagN(const char *tag, uint32_t n) {
    if (!tag) n = 0;
    // Most tags are clean: copied as they are. The length before the reduction decides where
    // the tag lives.
    const bool clean = nameCharRun(tag, n) == n && (n == 0 || tag[0] != '!');
    if (n <= kMaxInlineTag) {
        char reduced[kTagArea];
        const char *source = tag;
        if (!clean) {
            n = copyTagChars(reduced, tag, n);
            source = reduced;
        }
        if (!m_tagInline) {
            // A heap tag can be the source itself: copy before releasing it.
            char *old = m_tag.heap;
            if (source != reduced) std::memcpy(reduced, source, n);
            NodeArena::release(old);
            source = reduced;
        }
        std::memmove(m_tag.inlineTag, source, n);
        m_tag.inlineTag[n] = '\0';
        m_tagInline = 1;
        return;
    }
    NodeArena *memory = arena();
    char *copy = memory ? static_cast<char *>(memory->allocate(static_cast<size_t>(n) + 1)) : nullptr;
    if (copy) {
        if (clean) {
            std::memcpy(copy, tag, n);
            copy[n] = '\0';
        } else {
            copyTagChars(copy, tag, n);
        }
    }
    if (!m_tagInline) NodeArena::release(m_tag.heap);
    if (!copy) {
        std::memcpy(m_tag.inlineTag, "outOfMemory", sizeof "outOfMemory");
        m_tagInline = 1;
        return;
    }
    m_tag.heap = copy;
    m_tagInline = 0;
}

const char *TreeNode::getTag() const { return m_tagInline ? m_tag.inlineTag : m_tag.heap; }

bool TreeNode::tagEquals(const char *tag) const { return std::strcmp(getTag(), tag ? tag : "") == 0; }

TreeNode *TreeNode::getRoot() const { return TreeInfo::isValid(m_tree) ? m_tree->root() : nullptr; }

bool TreeNode::isRoot() const { return TreeInfo::isValid(m_tree) && m_tree->root() == this; }

uint32_t TreeNode::getTreeId() const { return TreeInfo::isValid(m_tree) ? m_tree->treeId() : 0; }

// ---------------------------------------------------------------- content

int32_t TreeNode::getContentInt() const { return StringBuffer::parseInt32(m_content.data()); }

bool TreeNode::setContent(const char *text) {
    if (!text) {
        m_content.clear();
        return true;
    }
    NodeArena *memory = arena();
    return memory && m_content.set(*memory, text, static_cast<uint32_t>(std::strlen(text)));
}

bool TreeNode::setContentN(const char *bytes, uint32_t n) {
    if (!bytes) {
        m_content.clear();
        return true;
    }
    NodeArena *memory = arena();
    return memory && m_content.set(*memory, bytes, n);
}

bool TreeNode::appendContent(const char *text) {
    if (!text || !*text) return true;
    NodeArena *memory = arena();
    return memory && m_content.append(*memory, text, static_cast<uint32_t>(std::strlen(text)));
}

uint64_t TreeNode::bytesHeld() const {
    uint64_t bytes = sizeof(TreeNode) + m_content.bytesHeld();
    if (!m_tagInline) bytes += std::strlen(m_tag.heap) + 1;
    if (m_attributes) bytes += m_attributes->bytesHeld();
    if (m_children) bytes += m_children->bytesHeld();
    return bytes;
}

}  // namespace quorvel
