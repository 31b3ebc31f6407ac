// TreeNode: attaching, detaching, destroying, swapping and reference counting.
#include <cstring>
#include <new>

#include "foundation/base/AllocationFailures.h"
#include "xml/engine/AttributeSet.h"
#include "xml/engine/ChildList.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel {

namespace {

// Any change of a tree's shape ends the use of its saved search position.
void shapeChanged(TreeInfo *tree) {
    if (TreeInfo::isValid(tree)) tree->structureChanged();
}

// Shared checks of appendChild and insertChildAt: a valid root joining a different tree.
bool canJoin(const TreeNode *parent, const TreeNode *child) {
    if (!TreeNode::isValid(parent) || !TreeNode::isValid(child) || !TreeInfo::isValid(parent->treeInfo())) return false;
    if (child->treeInfo() == parent->treeInfo()) return false;
    // A parentless node must be the root its TreeInfo names, or destroying that TreeInfo on
    // joining would orphan another tree.
    return !TreeInfo::isValid(child->treeInfo()) || child->treeInfo()->root() == child;
}

// Blocks are about to move between two trees: from now on each frees its nodes one by one.
void shareMemory(TreeNode *a, TreeNode *b) {
    if (a->treeInfo() == b->treeInfo()) return;
    if (NodeArena *arena = a->arena()) arena->share();
    if (NodeArena *arena = b->arena()) arena->share();
}

bool isAncestorOf(const TreeNode *ancestor, const TreeNode *node) {
    for (const TreeNode *p = node->parent(); p; p = p->parent())
        if (p == ancestor) return true;
    return false;
}

}  // namespace

void TreeNode::setTreeOfSubtree(TreeNode *node, TreeInfo *info) {
    forEachInSubtree(node, [info](TreeNode *n) { n->m_tree = info; });
}

uint32_t TreeNode::subtreeRefCount(const TreeNode *node) {
    uint64_t sum = 0;
    forEachInSubtree(node, [&sum](const TreeNode *n) { sum += n->m_refCount; });
    return sum > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(sum);
}

void TreeNode::relinkChildren(TreeNode *node) {
    if (!isValid(node) || !node->m_children) return;
    shapeChanged(node->m_tree);
    int32_t count = node->m_children->getSize();
    for (int32_t i = 0; i < count; ++i) {
        TreeNode *child = node->getChild(i);
        child->m_previous = node->getChild(i - 1);
        child->m_next = node->getChild(i + 1);
    }
}

bool TreeNode::appendChild(TreeNode *parent, TreeNode *child) {
    if (!canJoin(parent, child) || (child->m_parent && child->m_parent != parent)) return false;
    return attachAt(parent, parent->getNumChildren(), child);
}

bool TreeNode::insertChildAt(TreeNode *parent, int32_t index, TreeNode *child) {
    if (!canJoin(parent, child) || child->m_parent) return false;
    return attachAt(parent, index, child);
}

bool TreeNode::attachAt(TreeNode *parent, int32_t index, TreeNode *child) {
    // Everything that can fail happens before anything changes.
    NodeArena &arena = parent->m_tree->arena();
    if (!parent->ensureChildrenArray() || !ChildList::reserve(parent->m_children, arena)) return false;
    int32_t count = parent->m_children->getSize();
    if (index < 0) index = 0;
    if (index > count) index = count;
    parent->m_children->insertAt(index, child);
    shapeChanged(parent->m_tree);

    uint32_t joiningRefs = 0;
    if (TreeInfo::isValid(child->m_tree)) {
        // The joining tree's declaration, style sheets, PIs and DOCTYPE go with its TreeInfo;
        // its memory joins ours.
        joiningRefs = child->m_tree->refCount();
        TreeInfo *old = child->m_tree;
        arena.adopt(old->arena());
        old->setRoot(nullptr);
        delete old;
    } else {
        arena.share();
    }
    TreeNode *previous = parent->getChild(index - 1);
    TreeNode *next = parent->getChild(index + 1);
    child->m_previous = previous;
    child->m_next = next;
    if (previous) previous->m_next = child;
    if (next) next->m_previous = child;
    child->m_parent = parent;
    setTreeOfSubtree(child, parent->m_tree);
    parent->m_tree->addRefs(joiningRefs);
    return true;
}

bool TreeNode::removeFromTree(TreeNode *node) {
    if (!isValid(node) || !node->m_parent || !node->m_parent->m_children) return false;
    TreeNode *parent = node->m_parent;
    int32_t index = parent->m_children->indexOf(node);
    if (index < 0) return false;
    TreeInfo *fresh = new (std::nothrow) TreeInfo();
    if (!fresh) {
        AllocationFailures::note();
        return false;
    }
    shapeChanged(node->m_tree);

    if (node->m_previous) node->m_previous->m_next = node->m_next;
    if (node->m_next) node->m_next->m_previous = node->m_previous;
    parent->m_children->removeAt(index);  // the array stays, even when empty
    node->m_parent = node->m_next = node->m_previous = nullptr;

    uint32_t refs = subtreeRefCount(node);
    TreeInfo *old = node->m_tree;
    // The detached nodes stay where they are, in pages the two trees now share.
    fresh->arena().share();
    if (TreeInfo::isValid(old)) old->arena().share();
    fresh->setRoot(node);
    fresh->addRefs(refs);
    setTreeOfSubtree(node, fresh);
    if (TreeInfo::isValid(old)) {
        old->removeRefs(refs);
        // No API object points into the rest of the document any more.
        if (old->refCount() == 0 && isValid(old->root())) deleteTree(old->root());
    }
    return true;
}

bool TreeNode::removeChild(TreeNode *child) {
    // A subtree no object stands in goes at once, which needs no memory; one with objects in it
    // lives on as a tree of its own.
    if (isValid(child) && child->m_parent && child->m_parent->m_children && subtreeRefCount(child) == 0 &&
        child->m_parent->m_children->indexOf(child) >= 0) {
        deleteTree(child);
        return true;
    }
    if (!removeFromTree(child)) return false;
    if (child->m_tree->refCount() == 0) deleteTree(child);
    return true;
}

template <class Matches>
static int32_t removeMatchingChildren(TreeNode *parent, Matches &&matches) {
    if (!TreeNode::isValid(parent) || !TreeInfo::isValid(parent->treeInfo())) return 0;
    // Held for the duration, so the parent's tree survives the detaching whatever is counted.
    TreeInfo *info = parent->treeInfo();
    info->addRefs(1);
    int32_t removed = 0;
    for (int32_t i = 0; i < parent->getNumChildren();) {
        TreeNode *child = parent->getChild(i);
        if (matches(child) && TreeNode::removeChild(child))
            ++removed;
        else
            ++i;
    }
    info->removeRefs(1);
    return removed;
}

int32_t TreeNode::removeChildrenWithTag(TreeNode *parent, const char *tag) {
    return removeMatchingChildren(parent, [tag](TreeNode *c) { return c->tagEquals(tag); });
}

int32_t TreeNode::removeChildrenWithContent(TreeNode *parent, const char *content) {
    const char *wanted = content ? content : "";
    return removeMatchingChildren(parent, [wanted](TreeNode *c) { return std::strcmp(c->getContent(), wanted) == 0; });
}

bool TreeNode::removeChildAt(TreeNode *parent, int32_t index) {
    TreeNode *target = isValid(parent) ? parent->getChild(index) : nullptr;
    return target && removeMatchingChildren(parent, [target](TreeNode *c) { return c == target; }) == 1;
}

void TreeNode::deleteTree(TreeNode *node) {
    if (!isValid(node)) return;
    shapeChanged(node->m_tree);
    // Never leave a dangling pointer in a parent's list.
    if (node->m_parent && node->m_parent->m_children) {
        if (node->m_previous) node->m_previous->m_next = node->m_next;
        if (node->m_next) node->m_next->m_previous = node->m_previous;
        node->m_parent->m_children->removeItem(node);
    }
    node->m_parent = nullptr;
    delete node;
}

void TreeNode::swapNode(TreeNode *a, TreeNode *b) {
    if (!isValid(a) || !isValid(b) || a == b) return;
    shareMemory(a, b);
    auto tag = a->m_tag;
    a->m_tag = b->m_tag;
    b->m_tag = tag;
    uint8_t inlineFlag = a->m_tagInline;
    a->m_tagInline = b->m_tagInline;
    b->m_tagInline = inlineFlag;
    a->m_content.swap(b->m_content);
    AttributeSet *attributes = a->m_attributes;
    a->m_attributes = b->m_attributes;
    b->m_attributes = attributes;
    // A content that becomes empty gives up its buffer.
    if (a->m_content.isAllocated() && a->m_content.isEmpty()) a->m_content.release();
    if (b->m_content.isAllocated() && b->m_content.isEmpty()) b->m_content.release();
}

bool TreeNode::swapTree(TreeNode *a, TreeNode *b, ChildLists lists) {
    if (!isValid(a) || !isValid(b)) return false;
    if (a == b) return true;
    // Exchanging children between a node and its own ancestor would make a cycle.
    if (isAncestorOf(a, b) || isAncestorOf(b, a)) return false;
    if (lists == ChildLists::kCreated && (!a->ensureChildrenArray() || !b->ensureChildrenArray())) return false;
    shapeChanged(a->m_tree);
    shapeChanged(b->m_tree);
    swapNode(a, b);
    ChildList *children = a->m_children;
    a->m_children = b->m_children;
    b->m_children = children;
    int64_t fromB = 0, fromA = 0;  // references that moved to a's subtree, to b's subtree
    for (TreeNode *c = a->firstChild(); c; c = c->m_next) {
        c->m_parent = a;
        fromB += subtreeRefCount(c);
    }
    for (TreeNode *c = b->firstChild(); c; c = c->m_next) {
        c->m_parent = b;
        fromA += subtreeRefCount(c);
    }
    setTreeOfSubtree(a, a->m_tree);
    setTreeOfSubtree(b, b->m_tree);
    if (TreeInfo::isValid(a->m_tree) && TreeInfo::isValid(b->m_tree) && a->m_tree != b->m_tree) {
        a->m_tree->addRefs(static_cast<uint32_t>(fromB));
        a->m_tree->removeRefs(static_cast<uint32_t>(fromA));
        b->m_tree->addRefs(static_cast<uint32_t>(fromA));
        b->m_tree->removeRefs(static_cast<uint32_t>(fromB));
    }
    return true;
}

bool TreeNode::addRef(TreeNode *node) {
    if (!isValid(node)) return false;
    ++node->m_refCount;
    if (!TreeInfo::isValid(node->m_tree)) return false;
    node->m_tree->addRefs(1);
    return true;
}

void TreeNode::release(TreeNode *node) {
    if (!isValid(node)) return;
    if (TreeInfo::isValid(node->m_tree) && node->m_tree->refCount() >= 1) node->m_tree->removeRefs(1);
    if (node->m_refCount >= 1) --node->m_refCount;
}

}  // namespace quorvel
