// Independent XML readers agree with the engine: xmllint and Python's XML parser read what the
// serializer writes into the same elements, attributes and text, and read hand-written
// well-formed documents as the parser does. Both sides are compared in canonical form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ParserTestSupport.h"
#include "RandomTrees.h"
#include "SerializerTestTrees.h"
#include "support/PythonOracle.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel::test {
namespace {

void appendEscaped(std::string &out, const char *text, uint32_t n, bool attribute) {
    for (uint32_t i = 0; i < n; ++i) {
        switch (text[i]) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += attribute ? ">" : "&gt;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\t': out += attribute ? "&#x9;" : "\t"; break;
            case '\n': out += attribute ? "&#xA;" : "\n"; break;
            case '\r': out += "&#xD;"; break;
            default: out += text[i];
        }
    }
}

// Our tree in the canonical form xmllint writes with --c14n (attributes sorted by name,
// CDATA as text, empty elements as start and end tag).
std::string canonical(const TreeNode *root) {
    std::string out;
    walkSubtree(
        root,
        [&](const TreeNode *node, int32_t) {
            out += '<';
            out += node->getTag();
            std::vector<std::pair<std::string, std::string>> attributes;
            StringBuffer name, value;
            for (int32_t i = 0; node->getAttributePair(i, name, value); ++i)
                attributes.emplace_back(name.getString(), std::string(value.getString(), value.getSize()));
            std::sort(attributes.begin(), attributes.end());
            for (const auto &[n, v] : attributes) {
                out += " " + n + "=\"";
                appendEscaped(out, v.data(), static_cast<uint32_t>(v.size()), true);
                out += '"';
            }
            out += '>';
            appendEscaped(out, node->getContent(), node->getContentSize(), false);
            return true;
        },
        [&](const TreeNode *node, int32_t) { out += std::string("</") + node->getTag() + ">"; });
    return out;
}

// A well-formed text for the tree, written independently of the serializer: apostrophes or
// quotes around values, entities, CDATA sections, self-closing tags and uneven layout.
std::string handWritten(RandomTrees &random, const TreeNode *root) {
    auto escaped = [&](const char *p, char quote) {  // quote 0: element text
        std::string s;
        for (; *p; ++p) {
            if (*p == '&' || *p == '<') s += *p == '&' ? "&amp;" : "&lt;";
            else if (quote && *p == quote) s += quote == '"' ? "&quot;" : "&apos;";
            else s += !quote && *p == '>' && random.chance(50) ? std::string("&gt;") : std::string(1, *p);
        }
        return s;
    };
    std::string out = random.chance(50) ? "<?xml version='1.0'?>\n" : "";
    walkSubtree(
        root,
        [&](const TreeNode *node, int32_t) {
            const std::string tag = node->getTag();
            out += "<" + tag;
            StringBuffer name, value;
            for (int32_t i = 0; node->getAttributePair(i, name, value); ++i) {
                const char quote = random.chance(50) ? '\'' : '"';
                out += random.chance(50) ? " " : "\n  ";
                out += std::string(name.getString()) + "=" + quote + escaped(value.getString(), quote) + quote;
            }
            if (!node->hasContent() && !node->getNumChildren()) {
                out += random.chance(50) ? "/>" : "></" + tag + ">";
                return false;
            }
            const std::string content = node->getContent();
            out += ">" + (node->getCdata() ? "<![CDATA[" + content + "]]>" : escaped(content.c_str(), 0));
            if (node->getNumChildren()) out += random.chance(50) ? "\n" : "";
            return true;
        },
        [&](const TreeNode *node, int32_t) {
            if (node->hasContent() || node->getNumChildren()) out += "</" + std::string(node->getTag()) + ">";
            out += random.chance(30) ? "\n " : "";
        });
    return out;
}

bool xmllintAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("xmllint --version > /dev/null 2>&1") == 0;
#endif
}

// Python writes C14N 2.0, which for these documents is what xmllint writes with --c14n; both
// drop the layout's white space between elements.
const char kCanonicalScript[] = R"PY(
import xml.etree.ElementTree as ET
for i, (text, want) in enumerate(records):
    got = ET.canonicalize(text.decode('utf-8'), strip_text=True).encode('utf-8')
    if got != want: fail(i, got[:200])
)PY";

// Each record is a document and its expected canonical form; every reader present must agree.
void expectReadersAgree(const std::vector<Record> &documents) {
    const bool python = pythonAvailable(), xmllint = xmllintAvailable();
    if (!python && !xmllint) GTEST_SKIP() << "neither python3 nor xmllint is available; agreement not checked";
    std::vector<Record> replies;
    if (python) {
        EXPECT_EQ(runPythonOracle("xml_canonical", kCanonicalScript, documents, replies), "");
    }
    if (!xmllint) return;
    const std::string dir = scratchDir("ReaderAgreement");
    for (size_t i = 0; i < documents.size(); ++i) {
        const std::string path = dir + "doc.xml";
        const std::string command = "xmllint --noblanks --c14n \"" + path + "\" > \"" + path + ".out\" 2>&1";
        std::string theirs;
        ASSERT_TRUE(writeRawFile(path, documents[i][0]));
        const bool read = std::system(command.c_str()) == 0;
        readRawFile(path + ".out", theirs);
        ASSERT_TRUE(read) << theirs << "\n" << documents[i][0];
        EXPECT_EQ(theirs, documents[i][1]) << "document " << i << "\n" << documents[i][0];
    }
}

TEST(ReaderAgreement, ReadWhatTheSerializerWrites) {
    std::vector<Record> documents;
    for (uint32_t seed = 0; seed < 150; ++seed) {
        RandomTrees random(seed, true);
        TreeNode *root = random.tree(40);
        if (random.chance(50)) setDeclarationEncoding(root, "utf-8");
        documents.push_back({serialized(root), canonical(root)});
        TreeNode::deleteTree(root);
    }
    expectReadersAgree(documents);
}

TEST(ReaderAgreement, ReadWellFormedDocumentsAsTheParserDoes) {
    std::vector<Record> documents;
    for (uint32_t seed = 1000; seed < 1150; ++seed) {
        RandomTrees random(seed, true);
        TreeNode *source = random.tree(40);
        const std::string xml = handWritten(random, source);
        TreeNode::deleteTree(source);
        Parsed ours(xml, false);
        ASSERT_TRUE(ours.ok && ours.log.lines.empty()) << xml;
        documents.push_back({xml, canonical(ours.root)});
    }
    expectReadersAgree(documents);
}

}  // namespace
}  // namespace quorvel::test
