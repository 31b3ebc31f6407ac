#pragma once
#include <cstdint>

#include "foundation/base/ExtPtrArray.h"
#include "foundation/base/QuorvelObject.h"
#include "xml/engine/NodeArena.h"
#include "xml/engine/SearchResume.h"

namespace quorvel {

class StringBuffer;
class TreeNode;

// What belongs to a document as a whole: its root, the XML declaration (a one-node tree of its
// own whose attributes are the pseudo-attributes), the style-sheet instructions, the other
// processing instructions and the DOCTYPE text verbatim, the tree id and the sum of the
// reference counts of all its nodes. The root owns its TreeInfo; the TreeInfo owns the
// declaration, the style-sheet nodes and its two texts.
class TreeInfo : public QuorvelObject {
public:
    static constexpr uint8_t kValidMarker = 0xCE;
    static constexpr uint8_t kDestroyedMarker = 0x31;
    static constexpr uint32_t kFirstTreeId = 100;

    TreeInfo();
    ~TreeInfo() override;
    TreeInfo(const TreeInfo &) = delete;
    TreeInfo &operator=(const TreeInfo &) = delete;

    static bool isValid(const TreeInfo *info) { return info != nullptr && info->m_marker == kValidMarker; }

    TreeNode *root() const { return m_root; }
    void setRoot(TreeNode *root) { m_root = root; }

    // The declaration node, null when the document has none. Setting one destroys the old
    // one and takes ownership of the new (which must be the root of a one-node tree).
    TreeNode *declaration() const { return m_declaration; }
    void setDeclaration(TreeNode *declaration);
    // Hands the declaration to the caller, who then owns it.
    TreeNode *takeDeclaration();

    // Owned style-sheet nodes in document order.
    ExtPtrArray &styleSheets() { return m_styleSheets; }
    const ExtPtrArray &styleSheets() const { return m_styleSheets; }

    // Other processing instructions, each followed by LF; "" when none.
    const char *piText() const;
    bool setPiText(const char *text);
    // The DOCTYPE declaration verbatim; "" when none.
    const char *doctypeText() const;
    bool setDoctypeText(const char *text);

    uint32_t treeId() const { return m_treeId; }
    uint32_t refCount() const { return m_refCount; }
    void addRefs(uint32_t n) { m_refCount += n; }
    // Never below zero.
    void removeRefs(uint32_t n) { m_refCount = n > m_refCount ? 0 : m_refCount - n; }

    // Counts every change of the tree's shape (a node added, removed, moved or reordered), so
    // that a saved search position is used only while the shape it was saved in stands.
    uint64_t structureVersion() const { return m_structureVersion; }
    void structureChanged() { ++m_structureVersion; }
    SearchResume &searchResume() { return m_searchResume; }

    // The memory of the tree's nodes.
    NodeArena &arena() { return m_arena; }

private:
    uint8_t m_marker;
    TreeNode *m_root = nullptr;
    TreeNode *m_declaration = nullptr;
    ExtPtrArray m_styleSheets{true};
    StringBuffer *m_piText = nullptr;
    StringBuffer *m_doctype = nullptr;
    uint32_t m_treeId;
    uint32_t m_refCount = 0;
    uint64_t m_structureVersion = 0;
    SearchResume m_searchResume;
    NodeArena m_arena;

    static inline uint32_t s_nextTreeId = kFirstTreeId;
};

}  // namespace quorvel
