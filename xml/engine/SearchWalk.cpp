#include "xml/engine/TreeInfo.h"
#include "xml/engine/TreeSearch.h"

namespace quorvel {

SearchWalk::SearchWalk(TreeNode *scope, const TreeNode *after) : m_scope(scope) {
    if (!TreeNode::isValid(scope)) return;
    TreeInfo *tree = scope->treeInfo();
    if (TreeInfo::isValid(tree) && tree->searchResume().tryTake()) {
        m_tree = tree;
        if (after && tree->searchResume().resumeInto(scope, after, tree->structureVersion(), m_walk)) {
            m_ready = true;
            return;
        }
    }
    if (after && !isInSubtree(after, scope)) return;
    LevelOrderWalk fresh(scope);
    m_walk.swap(fresh);
    // Passed over up to and including `after`; the walk reaches it unless memory runs out, and
    // then next() gives nothing.
    if (after) {
        while (TreeNode *node = m_walk.next())
            if (node == after) break;
    }
    m_ready = true;
}

SearchWalk::~SearchWalk() {
    if (!m_tree) return;
    if (m_found && !m_walk.failed())
        m_tree->searchResume().keep(m_scope, m_found, m_tree->structureVersion(), m_walk);
    else
        m_tree->searchResume().drop();
}

}  // namespace quorvel
