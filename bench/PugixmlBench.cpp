// pugixml with its default parse options (whitespace-only text dropped, no declaration node)
// and its default indented save with four spaces.
#include <pugixml.hpp>

#include "bench/XmlBenchLibrary.h"

namespace quorvel::bench {

namespace {

class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string &out) : m_out(out) {}
    void write(const void *data, size_t size) override { m_out.append(static_cast<const char *>(data), size); }

private:
    std::string &m_out;
};

class PugixmlBench : public XmlBenchLibrary {
public:
    const char *name() const override { return "pugixml"; }

    bool parse(const std::string &text) override {
        m_doc = std::make_unique<pugi::xml_document>();
        return static_cast<bool>(m_doc->load_buffer(text.data(), text.size()));
    }

    size_t serialize() override {
        StringWriter writer(m_output);
        m_doc->save(writer, "    ");
        return m_output.size();
    }

    std::string_view output() const override { return m_output; }
    void dropOutput() override { std::string().swap(m_output); }

    uint64_t countElements() const override {
        uint64_t count = 0;
        const pugi::xml_node top = *m_doc;
        pugi::xml_node node = top.first_child();
        while (node) {
            if (node.type() == pugi::node_element) ++count;
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && !node.next_sibling()) {
                node = node.parent();
                if (node == top) node = pugi::xml_node();
            }
            if (node) node = node.next_sibling();
        }
        return count;
    }

    void releaseDom() override { m_doc.reset(); }

private:
    std::unique_ptr<pugi::xml_document> m_doc;
    std::string m_output;
};

}  // namespace

std::unique_ptr<XmlBenchLibrary> makePugixmlBench() { return std::make_unique<PugixmlBench>(); }

}  // namespace quorvel::bench
