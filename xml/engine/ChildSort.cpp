#include "xml/engine/ChildSort.h"

#include <cstring>
#include <new>

#include "xml/engine/ChildList.h"
#include "xml/engine/TreeNode.h"

namespace quorvel {

namespace {

// Bottom-up merge sort of items[0..n) using scratch of the same size.
void mergeSort(TreeNode **items, TreeNode **scratch, int64_t n, const ChildComparison &cmp) {
    TreeNode **from = items, **to = scratch;
    for (int64_t width = 1; width < n; width *= 2) {
        for (int64_t lo = 0; lo < n; lo += 2 * width) {
            int64_t mid = lo + width < n ? lo + width : n;
            int64_t hi = lo + 2 * width < n ? lo + 2 * width : n;
            int64_t i = lo, j = mid, k = lo;
            // Taking from the right run only when strictly smaller keeps equal keys in order.
            while (i < mid && j < hi) to[k++] = cmp.compare(from[j], from[i]) < 0 ? from[j++] : from[i++];
            while (i < mid) to[k++] = from[i++];
            while (j < hi) to[k++] = from[j++];
        }
        TreeNode **t = from;
        from = to;
        to = t;
    }
    if (from != items) std::memcpy(items, from, static_cast<size_t>(n) * sizeof *items);
}

void siftDown(ChildList &a, int32_t root, int32_t n, const ChildComparison &cmp) {
    for (;;) {
        int32_t child = 2 * root + 1;
        if (child >= n) return;
        auto at = [&a](int32_t i) { return static_cast<const TreeNode *>(a.elementAt(i)); };
        if (child + 1 < n && cmp.compare(at(child), at(child + 1)) < 0) ++child;
        if (cmp.compare(at(root), at(child)) >= 0) return;
        a.swapItems(root, child);
        root = child;
    }
}

void heapSort(ChildList &a, const ChildComparison &cmp) {
    int32_t n = a.getSize();
    for (int32_t i = n / 2 - 1; i >= 0; --i) siftDown(a, i, n, cmp);
    for (int32_t end = n - 1; end > 0; --end) {
        a.swapItems(0, end);
        siftDown(a, 0, end, cmp);
    }
}

}  // namespace

void sortChildren(TreeNode *parent, const ChildComparison &comparison) {
    if (!TreeNode::isValid(parent) || !parent->childrenArray()) return;
    ChildList &children = *parent->childrenArray();
    int32_t n = children.getSize();
    if (n < 2) return;
    TreeNode **items = new (std::nothrow) TreeNode *[2 * static_cast<size_t>(n)];
    if (items) {
        for (int32_t i = 0; i < n; ++i) items[i] = static_cast<TreeNode *>(children.elementAt(i));
        mergeSort(items, items + n, n, comparison);
        for (int32_t i = 0; i < n; ++i) children.setAt(i, items[i]);
        delete[] items;
    } else {
        heapSort(children, comparison);
    }
    TreeNode::relinkChildren(parent);
}

}  // namespace quorvel
