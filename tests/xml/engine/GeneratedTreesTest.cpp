// Generated trees: writing one and reading it back gives the same tree and prologue, and
// independent XML readers (xmllint, Python's) agree with the engine, reading what the serializer
// writes into the same elements, attributes and text, and reading hand-written well-formed
// documents as the parser does. Both sides are compared in canonical form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "RandomTrees.h"
#include "support/PythonOracle.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel::test {
namespace {

void addPrologue(RandomTrees &random, TreeNode *root) {
    TreeInfo &info = *root->treeInfo();
    if (random.chance(50)) {
        TreeNode *declaration = TreeNode::createTree("xml");
        declaration->addAttribute("version", "1.0");
        declaration->addAttribute("encoding", "utf-8");
        if (random.chance(50)) declaration->addAttribute("standalone", "yes");
        info.setDeclaration(declaration);
    }
    for (int i = random.pick(3); i > 0; --i) {
        TreeNode *sheet = TreeNode::createTree("xml-stylesheet");
        sheet->addAttribute("type", "text/xsl");
        sheet->addAttribute("href", random.chance(50) ? "a&b<c>.xsl" : "s.xsl");
        info.styleSheets().append(sheet);
    }
    if (random.chance(30)) info.setPiText("<?app one?>\n<?other x=\"1\" y='2'?>\n");
    if (random.chance(30)) info.setDoctypeText("<!DOCTYPE doc [<!ENTITY e \"x\"><!ELEMENT doc ANY>]>\n");
}

TEST(RoundTrip, GeneratedTreesSurviveWritingAndReading) {
    for (uint32_t seed = 0; seed < 3000; ++seed) {
        RandomTrees random(seed, false);
        Holder original(random.name(20).c_str());
        ASSERT_TRUE(TreeNode::appendChild(original.node(), random.tree(40)));
        addPrologue(random, original.node());
        const std::string xml = serialized(original.node());  // moves a standalone to the end
        const std::string expected = dumpDocument(original.node());
        for (bool trim : {true, false}) {
            Parsed back(xml, trim);  // the same tree and prologue, and nothing logged
            ASSERT_TRUE(back.ok);
            ASSERT_EQ(back.all(), expected) << "seed " << seed << " trim " << trim << "\n" << xml;
        }
    }
}

void appendEscaped(std::string &out, const std::string &text, bool attribute) {
    for (char c : text) {
        if (c == '&' || c == '<') out += c == '&' ? "&amp;" : "&lt;";
        else if (c == '>' && !attribute) out += "&gt;";
        else if (c == '\r') out += "&#xD;";
        else if (attribute && (c == '"' || c == '\t' || c == '\n')) out += c == '"' ? "&quot;" : c == '\t' ? "&#x9;" : "&#xA;";
        else out += c;
    }
}

// Our tree in the canonical form xmllint writes with --c14n (attributes sorted by name,
// CDATA as text, empty elements as start and end tag).
std::string canonical(const TreeNode *root) {
    std::string out;
    walkSubtree(
        root,
        [&](const TreeNode *node, int32_t) {
            out += std::string("<") + node->getTag();
            std::vector<std::pair<std::string, std::string>> attributes;
            StringBuffer name, value;
            for (int32_t i = 0; node->getAttributePair(i, name, value); ++i) attributes.emplace_back(textOf(name), textOf(value));
            std::sort(attributes.begin(), attributes.end());
            for (const auto &[n, v] : attributes) {
                out += " " + n + "=\"";
                appendEscaped(out, v, true);
                out += '"';
            }
            out += '>';
            appendEscaped(out, std::string(node->getContent(), node->getContentSize()), false);
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
                out += textOf(name) + "=" + quote + escaped(value.getString(), quote) + quote;
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
    const std::string path = scratchDir("ReaderAgreement") + "doc.xml";
    const std::string command = "xmllint --noblanks --c14n \"" + path + "\" > \"" + path + ".out\" 2>&1";
    for (size_t i = 0; i < documents.size(); ++i) {
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
        Holder root(random.tree(40));
        if (random.chance(50)) setDeclarationEncoding(root.node(), "utf-8");
        documents.push_back({serialized(root.node()), canonical(root.node())});
    }
    expectReadersAgree(documents);
}

TEST(ReaderAgreement, ReadWellFormedDocumentsAsTheParserDoes) {
    std::vector<Record> documents;
    for (uint32_t seed = 1000; seed < 1150; ++seed) {
        RandomTrees random(seed, true);
        Holder source(random.tree(40));
        const std::string xml = handWritten(random, source.node());
        Parsed ours(xml, false);
        ASSERT_TRUE(ours.ok && ours.log.lines.empty()) << xml;
        documents.push_back({xml, canonical(ours.root)});
    }
    expectReadersAgree(documents);
}

}  // namespace
}  // namespace quorvel::test
