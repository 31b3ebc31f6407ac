// libxml2's tree API: xmlReadMemory in recovery mode without network access and without the
// size limits, and xmlDocDumpFormatMemory for indented output. Blank text nodes are kept (the
// library's default), so the formatter reproduces the input's own indentation.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdint>

#include "bench/XmlBenchLibrary.h"

namespace quorvel::bench {

namespace {

class Libxml2Bench : public XmlBenchLibrary {
public:
    Libxml2Bench() { xmlInitParser(); }
    ~Libxml2Bench() override {
        dropOutput();
        releaseDom();
    }
    const char *name() const override { return "libxml2"; }

    bool parse(const std::string &text) override {
        if (text.size() > INT32_MAX) return false;
        m_doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "bench.xml", nullptr,
                              XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_HUGE);
        return m_doc != nullptr;
    }

    size_t serialize() override {
        xmlDocDumpFormatMemory(m_doc, &m_output, &m_outputSize, 1);
        return m_output ? static_cast<size_t>(m_outputSize) : 0;
    }

    std::string_view output() const override {
        if (!m_output) return {};
        return std::string_view(reinterpret_cast<const char *>(m_output), static_cast<size_t>(m_outputSize));
    }

    void dropOutput() override {
        if (m_output) xmlFree(m_output);
        m_output = nullptr;
        m_outputSize = 0;
    }

    uint64_t countElements() const override {
        uint64_t count = 0;
        xmlNodePtr node = m_doc ? m_doc->children : nullptr;
        while (node) {
            if (node->type == XML_ELEMENT_NODE) ++count;
            // Entity references and DTD nodes lead outside the document's own elements.
            if (node->type == XML_ELEMENT_NODE && node->children) {
                node = node->children;
                continue;
            }
            while (node && !node->next) {
                node = node->parent;
                if (node == reinterpret_cast<xmlNodePtr>(m_doc)) node = nullptr;
            }
            if (node) node = node->next;
        }
        return count;
    }

    void releaseDom() override {
        if (m_doc) xmlFreeDoc(m_doc);
        m_doc = nullptr;
    }

private:
    xmlDocPtr m_doc = nullptr;
    xmlChar *m_output = nullptr;
    int m_outputSize = 0;
};

}  // namespace

std::unique_ptr<XmlBenchLibrary> makeLibxml2Bench() { return std::make_unique<Libxml2Bench>(); }

}  // namespace quorvel::bench
