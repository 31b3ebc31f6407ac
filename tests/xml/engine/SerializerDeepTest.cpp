// A document nested a million levels deep serializes without recursion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "xml/engine/SerializerTestTrees.h"

namespace quorvel {
namespace {

constexpr int32_t kDepth = 1000000;

// Compares the output piece by piece at a moving position.
class OutputCursor {
public:
    explicit OutputCursor(const StringBuffer &out) : m_text(out.getString()), m_size(out.getSize()) {}
    bool expect(const std::string &piece) {
        if (m_size - m_pos < piece.size() || std::memcmp(m_text + m_pos, piece.data(), piece.size()) != 0)
            return false;
        m_pos += piece.size();
        return true;
    }
    size_t position() const { return m_pos; }
    bool atEnd() const { return m_pos == m_size; }

private:
    const char *m_text;
    size_t m_size;
    size_t m_pos = 0;
};

std::string indent(int32_t depth) { return std::string(static_cast<size_t>(depth < 50 ? depth : 50) * 4, ' '); }

TEST(SerializerDeep, MillionLevelsWithIndentationCappedAt200Spaces) {
    TreeNode *root = TreeNode::createTree("d");
    ASSERT_NE(root, nullptr);
    TreeNode *node = root;
    for (int32_t i = 1; i < kDepth; ++i) {
        node = TreeNode::createChild(node, "d");
        ASSERT_NE(node, nullptr) << i;
    }
    node->setContent("<leaf>");

    StringBuffer out;
    serializeNode(root, out, 0, 0, false);

    OutputCursor cursor(out);
    ASSERT_TRUE(cursor.expect("<d>"));
    for (int32_t i = 1; i < kDepth - 1; ++i)
        ASSERT_TRUE(cursor.expect("\r\n" + indent(i) + "<d>")) << "open tag at depth " << i;
    ASSERT_TRUE(cursor.expect("\r\n" + std::string(200, ' ') + "<d>&lt;leaf&gt;</d>\r\n"));
    for (int32_t i = kDepth - 2; i >= 0; --i)
        ASSERT_TRUE(cursor.expect(indent(i) + "</d>\r\n")) << "close tag at depth " << i;
    EXPECT_TRUE(cursor.atEnd()) << cursor.position() << " of " << out.getSize();

    // A subtree deep inside is written the same way, starting at the caller's depth.
    TreeNode *inner = root;
    for (int32_t i = 0; i < kDepth - 3; ++i) inner = inner->firstChild();
    EXPECT_EQ(test::serialized(inner),
              "\r\n<d>\r\n    <d>\r\n        <d>&lt;leaf&gt;</d>\r\n    </d>\r\n</d>\r\n");

    TreeNode::deleteTree(root);
}

}  // namespace
}  // namespace quorvel
