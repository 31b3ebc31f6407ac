// Our engine as the benchmark drives it: the lenient parser with trimming on (as LoadXml
// uses it) and the serializer's indented output, whole document from the root.
#include "bench/XmlBenchLibrary.h"
#include "foundation/text/StringBuffer.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeWalk.h"
#include "xml/engine/XmlParser.h"
#include "xml/engine/XmlSerializer.h"

namespace quorvel::bench {

namespace {

class QuorvelXmlBench : public XmlBenchLibrary {
public:
    ~QuorvelXmlBench() override {
        dropOutput();
        releaseDom();
    }
    const char *name() const override { return "quorvel"; }

    bool parse(const std::string &text) override {
        return parseXmlText(text.c_str(), nullptr, m_root, true) && m_root != nullptr;
    }

    size_t serialize() override {
        m_output = std::make_unique<StringBuffer>();
        serializeNode(m_root, *m_output, 0, 0, false);
        return m_output->getSize();
    }

    std::string_view output() const override {
        return m_output ? std::string_view(m_output->getString(), m_output->getSize()) : std::string_view();
    }

    void dropOutput() override { m_output.reset(); }

    uint64_t countElements() const override {
        uint64_t count = 0;
        forEachInSubtree(static_cast<const TreeNode *>(m_root), [&](const TreeNode *) { ++count; });
        return count;
    }

    void releaseDom() override {
        TreeNode::deleteTree(m_root);
        m_root = nullptr;
    }

private:
    TreeNode *m_root = nullptr;
    std::unique_ptr<StringBuffer> m_output;
};

}  // namespace

std::unique_ptr<XmlBenchLibrary> makeQuorvelBench() { return std::make_unique<QuorvelXmlBench>(); }

}  // namespace quorvel::bench
