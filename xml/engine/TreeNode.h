#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/base/QuorvelObject.h"
#include "xml/engine/CompactText.h"

namespace quorvel {

class AttributeSet;
class ChildList;
class NodeArena;
class StringBuffer;
class TreeInfo;

// One element of a document tree: tag, one text content (with a CDATA flag), ordered
// attributes and ordered children. Documents have no separate text, comment or PI nodes.
// API objects never own nodes; each stands on one node and counts one reference on it and on
// its tree. A tree lives while at least one reference is counted anywhere in it.
//
// Nodes and all they own live in their tree's NodeArena (see there), so a whole tree is freed
// page by page while its pages are its own.
//
// Every walk over a subtree (destroying, counting, re-pointing, serializing) uses an explicit
// work list, so a document nested a million levels deep cannot exhaust the stack.
class TreeNode : public QuorvelObject {
public:
    static constexpr uint8_t kValidMarker = 0xCE;
    static constexpr uint32_t kMaxInlineTag = 15;
    static constexpr int32_t kMaxAttributesRemoved = 101;

    TreeNode();
    // Destroys the whole subtree, and the TreeInfo when it names this node as its root.
    // The node must already be unlinked from any parent (see deleteTree).
    ~TreeNode() override;
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    // Nodes are made by createTree and createChild only, in their tree's arena.
    static void *operator new(size_t size, NodeArena &arena) noexcept;
    static void operator delete(void *block) noexcept;
    static void operator delete(void *block, NodeArena &arena) noexcept;

    static bool isValid(const TreeNode *node) { return node != nullptr && node->m_marker == kValidMarker; }

    // ---- construction and identity
    // A new root with a fresh TreeInfo (new tree id); null when memory is exhausted.
    static TreeNode *createTree(const char *tag);
    // With a null parent: createTree. Otherwise a new last child of parent; null on failure.
    static TreeNode *createChild(TreeNode *parent, const char *tag);
    // The same with a counted tag (not NUL-terminated).
    static TreeNode *createChildN(TreeNode *parent, const char *tag, uint32_t n);

    // Keeps only name bytes (letters, digits, . - _ : ! and bytes >= 0x80). Tags of up to 15
    // bytes (counted before the reduction) stay inline; a failed heap copy leaves "outOfMemory".
    void setTag(const char *tag);
    void setTagN(const char *tag, uint32_t n);
    const char *getTag() const;
    bool tagEquals(const char *tag) const;

    TreeInfo *treeInfo() const { return m_tree; }
    // The memory of this node's tree; null when the tree is not valid.
    NodeArena *arena() const;
    void setTreeInfo(TreeInfo *info) { m_tree = info; }
    // The root of this node's tree (null when the tree is not valid).
    TreeNode *getRoot() const;
    bool isRoot() const;
    uint32_t getTreeId() const;
    TreeNode *parent() const { return m_parent; }
    TreeNode *nextSibling() const { return m_next; }
    TreeNode *previousSibling() const { return m_previous; }

    // ---- content (raw text; escaping is the serializer's business)
    const CompactText &content() const { return m_content; }
    CompactText &content() { return m_content; }
    const char *getContent() const { return m_content.data(); }
    uint32_t getContentSize() const { return m_content.size(); }
    bool hasContent() const { return !m_content.isEmpty(); }
    // Decimal value of the content by the integer rule of the string layer; 0 when none.
    int32_t getContentInt() const;
    // Null clears an existing buffer (it stays allocated); otherwise replaces the text.
    bool setContent(const char *text);
    bool setContentN(const char *bytes, uint32_t n);
    // Null or empty does nothing.
    bool appendContent(const char *text);
    bool getCdata() const { return m_cdata != 0; }
    void setCdata(bool cdata) { m_cdata = cdata ? 1 : 0; }

    // ---- attributes
    AttributeSet *attributes() const { return m_attributes; }
    int32_t getNumAttributes() const;
    bool getAttributeName(int32_t i, StringBuffer &out) const;
    bool getAttributeValue(int32_t i, StringBuffer &out) const;
    bool getAttributePair(int32_t i, StringBuffer &name, StringBuffer &value) const;
    bool hasAttribute(const char *name) const;
    bool getAttributeValueOf(const char *name, StringBuffer &out) const;
    bool hasAttributeWithValue(const char *name, const char *value) const;
    bool hasAttributeMatching(const char *name, const char *pattern) const;
    // Reduces the name to name bytes and prefixes "A" when it then starts with a digit, '-' or
    // '.'; an empty name adds nothing. Appends even when the name exists already.
    bool addAttribute(const char *name, const char *value);
    bool addAttributeN(const char *name, uint32_t nameLen, const char *value, uint32_t valueLen);
    // Removes every attribute with exactly that name, then appends the pair (name unchanged).
    bool addOrReplaceAttribute(const char *name, const char *value);
    // Every attribute with that name, at most 101 per call; returns how many went.
    int32_t removeAttribute(const char *name);
    void removeAllAttributes();
    // Replaces the own attributes by copies of the other's (names trimmed, empty names skipped).
    bool copyAttributesFrom(const TreeNode &other);

    // ---- children (tag and content comparisons are exact; no content counts as "")
    ChildList *childrenArray() const { return m_children; }
    bool hasChildrenArray() const { return m_children != nullptr; }
    // Gives the node a child list (empty at first); false when memory runs out.
    bool makeChildrenArray() { return ensureChildrenArray(); }
    // Room for one more child, so that attaching it needs no memory.
    bool reserveChild();
    int32_t getNumChildren() const;
    TreeNode *getChild(int32_t index) const;
    TreeNode *firstChild() const;
    TreeNode *lastChild() const;
    // First child with the tag; when attrName is given the child must also have an
    // attribute attrName with exactly attrValue.
    TreeNode *firstChildWithTag(const char *tag, const char *attrName = nullptr,
                                const char *attrValue = nullptr) const;
    bool hasChildWithTag(const char *tag) const;
    TreeNode *firstChildWithTagAttrMatching(const char *tag, const char *attrName, const char *pattern) const;
    TreeNode *nthChildWithTag(const char *tag, int32_t n) const;
    TreeNode *nthChildWithTagAndContent(const char *tag, const char *content, int32_t n) const;
    TreeNode *nthChildWithContent(const char *content, int32_t n) const;
    int32_t countChildrenWithTag(const char *tag) const;
    bool hasChildWithContent(const char *content) const;
    bool hasChildWithTagAndContent(const char *tag, const char *content) const;
    // Position among the parent's children; -1 for a root.
    int32_t indexInParent() const;

    // ---- structure and lifetime (null-safe; invalid nodes are refused)
    // Attaches a root (with its subtree) as the last child. The joining tree's TreeInfo is
    // destroyed (its declaration, style sheets, PIs and DOCTYPE are discarded) and its
    // references move to the parent's tree. False, nothing changed, when child has another
    // parent or already belongs to parent's tree.
    static bool appendChild(TreeNode *parent, TreeNode *child);
    // As appendChild at an index clamped into [0, count]; fails when child has any parent.
    static bool insertChildAt(TreeNode *parent, int32_t index, TreeNode *child);
    // Detaches a node with its subtree into a new tree (fresh TreeInfo and id) that carries
    // the subtree's references. The old tree is destroyed when no reference is left in it.
    // False, nothing changed, for a root, a node its parent does not list, or no memory.
    static bool removeFromTree(TreeNode *node);
    // removeFromTree, then destroys the detached subtree when no API object stands in it.
    static bool removeChild(TreeNode *child);
    // Detach matching children, destroying each that no API object stands in.
    static int32_t removeChildrenWithTag(TreeNode *parent, const char *tag);
    static int32_t removeChildrenWithContent(TreeNode *parent, const char *content);
    static bool removeChildAt(TreeNode *parent, int32_t index);
    // Destroys a node, its subtree and, for a root, its TreeInfo. Invalid nodes are ignored.
    static void deleteTree(TreeNode *node);
    // A new tree holding a copy of node and its subtree (tags, contents, CDATA flags,
    // attributes); null when memory runs out.
    static TreeNode *copySubtree(const TreeNode *node);
    // Exchange tag, content and attributes (CDATA flags, children and links stay).
    static void swapNode(TreeNode *a, TreeNode *b);
    // Exchange tag, content, attributes and children, moving the counted references along.
    // Both nodes get a child list (kCreated), or each list goes as it is, none included, which
    // needs no memory (kAsTheyAre).
    enum class ChildLists { kCreated, kAsTheyAre };
    static bool swapTree(TreeNode *a, TreeNode *b, ChildLists lists = ChildLists::kCreated);
    // Counts an API object on (off) a node and its tree.
    static bool addRef(TreeNode *node);
    static void release(TreeNode *node);
    uint32_t refCount() const { return m_refCount; }
    static uint32_t subtreeRefCount(const TreeNode *node);
    static void setTreeOfSubtree(TreeNode *node, TreeInfo *info);
    // Rebuilds the sibling links of all children from the array order.
    static void relinkChildren(TreeNode *node);

    // Heap bytes held by this node alone (benchmark accounting).
    uint64_t bytesHeld() const;

private:
    static constexpr uint32_t kTagArea = 16;
    bool ensureChildrenArray();
    static bool attachAt(TreeNode *parent, int32_t index, TreeNode *child);
    void destroyChildren();
    void releaseOwnFields();
    // Drops the own fields' blocks unreleased, once the arena has freed them with its pages.
    void forgetOwnFields();
    // Appends a pair to set (made when null) with the name reduced as addAttributeN says.
    static bool addAttributeTo(AttributeSet *&set, NodeArena &arena, const char *name, uint32_t nameLen,
                               const char *value, uint32_t valueLen);

    CompactText m_content;
    TreeInfo *m_tree = nullptr;
    union {
        char inlineTag[kTagArea];
        char *heap;
    } m_tag;
    uint8_t m_tagInline = 1;
    uint8_t m_cdata = 0;
    uint8_t m_marker = kValidMarker;  // beside the flags, in what would be padding
    uint32_t m_refCount = 0;
    AttributeSet *m_attributes = nullptr;
    ChildList *m_children = nullptr;
    TreeNode *m_parent = nullptr;
    TreeNode *m_next = nullptr;
    TreeNode *m_previous = nullptr;
};

}  // namespace quorvel
