#include "xml/engine/SearchResume.h"

namespace quorvel {

bool SearchResume::resumeInto(const TreeNode *scope, const TreeNode *after, uint64_t version, LevelOrderWalk &walk) {
    if (!m_at || m_scope != scope || m_at != after || m_version != version) return false;
    walk.swap(m_walk);
    m_at = nullptr;  // the saved walk is now the caller's
    return true;
}

void SearchResume::keep(const TreeNode *scope, const TreeNode *at, uint64_t version, LevelOrderWalk &walk) {
    m_walk.swap(walk);
    m_scope = scope;
    m_at = at;
    m_version = version;
    giveBack();
}

void SearchResume::drop() {
    m_scope = m_at = nullptr;
    giveBack();
}

}  // namespace quorvel
