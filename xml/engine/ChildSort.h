#pragma once
#include <cstdint>

namespace quorvel {

class TreeNode;

// Orders two children: negative, zero or positive. Nothing is assumed about it: it need not
// be a strict weak ordering (records missing a field compare equal to everything).
class ChildComparison {
public:
    virtual ~ChildComparison() = default;
    virtual int compare(const TreeNode *a, const TreeNode *b) const = 0;
};

// Reorders the children of parent by the comparison and rebuilds their sibling links. A stable
// merge sort; when its buffer cannot be had, an in-place heap sort. Both stay in bounds and
// finish whatever the comparison answers. Grandchildren keep their order.
void sortChildren(TreeNode *parent, const ChildComparison &comparison);

}  // namespace quorvel
