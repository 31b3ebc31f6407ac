#include "xml/engine/TreeSearch.h"

#include <cstring>

#include "foundation/text/StringBuffer.h"
#include "xml/engine/Wildcard.h"

namespace quorvel {

namespace {

bool contentMatches(const TreeNode *node, const char *pattern) {
    return wildcardMatch(node->getContent(), node->getContentSize(), pattern, true);
}

// skipTags is a '|'-separated list; an empty entry names the empty tag.
bool isListed(const char *tag, const char *skipTags) {
    size_t tagLen = std::strlen(tag);
    const char *entry = skipTags;
    for (;;) {
        const char *bar = std::strchr(entry, '|');
        size_t entryLen = bar ? static_cast<size_t>(bar - entry) : std::strlen(entry);
        if (entryLen == tagLen && std::memcmp(entry, tag, tagLen) == 0) return true;
        if (!bar) return false;
        entry = bar + 1;
    }
}

}  // namespace

bool isInSubtree(const TreeNode *node, const TreeNode *scope) {
    for (; node; node = node->parent())
        if (node == scope) return true;
    return false;
}

TreeNode *searchTag(TreeNode *scope, const TreeNode *after, const char *tag) {
    return searchLevelOrder(scope, after, [tag](const TreeNode *node) { return node->tagEquals(tag); });
}

TreeNode *searchTagAndContent(TreeNode *scope, const TreeNode *after, const char *tag, const char *pattern) {
    return searchLevelOrder(scope, after, [tag, pattern](const TreeNode *node) {
        return node->tagEquals(tag) && contentMatches(node, pattern);
    });
}

TreeNode *searchContent(TreeNode *scope, const TreeNode *after, const char *pattern) {
    return searchLevelOrder(scope, after, [pattern](const TreeNode *node) { return contentMatches(node, pattern); });
}

TreeNode *searchTagAndAttribute(TreeNode *scope, const TreeNode *after, const char *tag, const char *attr,
                                const char *pattern) {
    return searchLevelOrder(scope, after, [tag, attr, pattern](const TreeNode *node) {
        return node->tagEquals(tag) && node->hasAttributeMatching(attr, pattern);
    });
}

bool accumulateTagContent(TreeNode *scope, const char *tag, const char *skipTags, StringBuffer &out) {
    out.clear();
    if (!tag) tag = "";
    bool skipping = skipTags && *skipTags;
    bool first = true;
    bool ok = true;
    LevelOrderWalk walk(scope);
    while (TreeNode *node = walk.next()) {
        if (node->tagEquals(tag)) {
            ok = (first || out.appendChar(' ')) && out.appendN(node->getContent(), node->getContentSize());
            if (!ok) break;
            first = false;
        }
        if (skipping && isListed(node->getTag(), skipTags)) walk.skipChildrenOfLast();
    }
    if (!ok || walk.failed()) {
        out.clear();
        return false;
    }
    out.collapseWhitespace();
    out.trim();
    return true;
}

}  // namespace quorvel
