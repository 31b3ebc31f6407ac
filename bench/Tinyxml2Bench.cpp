// tinyxml2 with its defaults (entities processed, whitespace preserved) and XMLPrinter's
// indented (non-compact) output.
#include <tinyxml2.h>

#include "bench/XmlBenchLibrary.h"

namespace quorvel::bench {

namespace {

class Tinyxml2Bench : public XmlBenchLibrary {
public:
    const char *name() const override { return "tinyxml2"; }

    bool parse(const std::string &text) override {
        m_doc = std::make_unique<tinyxml2::XMLDocument>();
        return m_doc->Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS;
    }

    size_t serialize() override {
        m_printer = std::make_unique<tinyxml2::XMLPrinter>(nullptr, false);
        m_doc->Print(m_printer.get());
        return m_printer->CStrSize() > 0 ? static_cast<size_t>(m_printer->CStrSize() - 1) : 0;
    }

    std::string_view output() const override {
        if (!m_printer || m_printer->CStrSize() <= 0) return {};
        return std::string_view(m_printer->CStr(), static_cast<size_t>(m_printer->CStrSize() - 1));
    }

    void dropOutput() override { m_printer.reset(); }

    uint64_t countElements() const override {
        uint64_t count = 0;
        const tinyxml2::XMLNode *node = m_doc->FirstChild();
        while (node) {
            if (node->ToElement()) ++count;
            if (node->FirstChild()) {
                node = node->FirstChild();
                continue;
            }
            while (node && !node->NextSibling()) {
                node = node->Parent();
                if (node == m_doc.get()) node = nullptr;
            }
            if (node) node = node->NextSibling();
        }
        return count;
    }

    void releaseDom() override { m_doc.reset(); }

private:
    std::unique_ptr<tinyxml2::XMLDocument> m_doc;
    std::unique_ptr<tinyxml2::XMLPrinter> m_printer;
};

}  // namespace

std::unique_ptr<XmlBenchLibrary> makeTinyxml2Bench() { return std::make_unique<Tinyxml2Bench>(); }

}  // namespace quorvel::bench
