// Deep copies of subtrees.
#include <cstring>

#include "foundation/base/ExtPtrArray.h"
#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

namespace {

// Tag, content (with its CDATA flag) and attributes; an empty child list is kept too, since it
// decides how the element is written.
bool copyNodeData(const TreeNode &from, TreeNode &to) {
    if (std::strcmp(to.getTag(), from.getTag()) != 0) return false;  // the tag copy ran out of memory
    if (from.content().isAllocated() && !to.setContentN(from.getContent(), from.getContentSize())) return false;
    to.setCdata(from.getCdata());
    return to.copyAttributesFrom(from) && (!from.hasChildrenArray() || to.makeChildrenArray());
}

}  // namespace

TreeNode *TreeNode::copySubtree(const TreeNode *source) {
    if (!isValid(source)) return nullptr;
    TreeNode *root = createTree(source->getTag());
    // Level by level through a list of (original, copy) pairs, so depth costs no stack.
    ExtPtrArray pending(false);
    bool ok = root && copyNodeData(*source, *root) && pending.append(const_cast<TreeNode *>(source)) &&
              pending.append(root);
    for (int32_t i = 0; ok && i < pending.getSize(); i += 2) {
        const TreeNode *from = static_cast<const TreeNode *>(pending.elementAt(i));
        TreeNode *to = static_cast<TreeNode *>(pending.elementAt(i + 1));
        for (const TreeNode *child = from->firstChild(); ok && child; child = child->m_next) {
            TreeNode *copy = createChild(to, child->getTag());
            ok = copy && copyNodeData(*child, *copy) && pending.append(const_cast<TreeNode *>(child)) &&
                 pending.append(copy);
        }
    }
    if (ok) return root;
    deleteTree(root);
    return nullptr;
}

}  // namespace quorvel
