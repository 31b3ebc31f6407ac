// An independent XML reader (xmllint) accepts what the serializer writes, and reads
// well-formed documents into the same elements, attributes and text as the parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ParserTestSupport.h"
#include "RandomTrees.h"
#include "SerializerTestTrees.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel::test {
namespace {

bool xmllintAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("xmllint --version > /dev/null 2>&1") == 0;
#endif
}

// Runs xmllint with the options on the file; its standard output, or false when it failed.
bool runXmllint(const std::string &options, const std::string &path, std::string &out) {
    const std::string outPath = path + ".out";
    const std::string command = "xmllint " + options + " \"" + path + "\" > \"" + outPath + "\" 2>&1";
    const bool ok = std::system(command.c_str()) == 0;
    readRawFile(outPath, out);
    return ok;
}

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
    std::string out = random.chance(50) ? "<?xml version='1.0'?>\n" : "";
    walkSubtree(
        root,
        [&](const TreeNode *node, int32_t) {
            out += "<" + std::string(node->getTag());
            StringBuffer name, value;
            for (int32_t i = 0; node->getAttributePair(i, name, value); ++i) {
                const char quote = random.chance(50) ? '\'' : '"';
                out += std::string(random.chance(50) ? " " : "\n  ") + name.getString() + "=" + quote;
                for (const char *p = value.getString(); *p; ++p) {
                    if (*p == '&') out += "&amp;";
                    else if (*p == '<') out += "&lt;";
                    else if (*p == quote) out += quote == '"' ? "&quot;" : "&apos;";
                    else out += *p;
                }
                out += quote;
            }
            if (!node->hasContent() && !node->getNumChildren()) {
                out += random.chance(50) ? "/>" : "></" + std::string(node->getTag()) + ">";
                return false;
            }
            out += ">";
            if (node->getCdata()) {
                out += "<![CDATA[" + std::string(node->getContent()) + "]]>";
            } else {
                for (const char *p = node->getContent(); *p; ++p) {
                    if (*p == '&') out += "&amp;";
                    else if (*p == '<') out += "&lt;";
                    else if (*p == '>') out += random.chance(50) ? "&gt;" : ">";
                    else out += *p;
                }
            }
            if (node->getNumChildren()) out += random.chance(50) ? "\n" : "";
            return true;
        },
        [&](const TreeNode *node, int32_t) {
            if (node->hasContent() || node->getNumChildren()) out += "</" + std::string(node->getTag()) + ">";
            out += random.chance(30) ? "\n " : "";
        });
    return out;
}

class XmllintAgreement : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xmllintAvailable()) GTEST_SKIP() << "xmllint is not installed; agreement not checked";
        m_dir = scratchDir("XmllintAgreement");
    }
    std::string m_dir;
};

TEST_F(XmllintAgreement, AcceptsWhatTheSerializerWrites) {
    for (uint32_t seed = 0; seed < 150; ++seed) {
        RandomTrees random(seed, true);
        TreeNode *root = random.tree(40);
        const std::string xml = serialized(root);
        const std::string expected = canonical(root);
        TreeNode::deleteTree(root);
        const std::string path = m_dir + "written" + std::to_string(seed) + ".xml";
        ASSERT_TRUE(writeRawFile(path, xml));
        std::string report;
        ASSERT_TRUE(runXmllint("--noout", path, report)) << "seed " << seed << ": " << report << "\n" << xml;
        std::string theirs;
        ASSERT_TRUE(runXmllint("--noblanks --c14n", path, theirs)) << theirs;
        EXPECT_EQ(theirs, expected) << "seed " << seed;
    }
}

TEST_F(XmllintAgreement, ReadsWellFormedDocumentsAsWeDo) {
    for (uint32_t seed = 1000; seed < 1150; ++seed) {
        RandomTrees random(seed, true);
        TreeNode *source = random.tree(40);
        const std::string xml = handWritten(random, source);
        TreeNode::deleteTree(source);
        const std::string path = m_dir + "read" + std::to_string(seed) + ".xml";
        ASSERT_TRUE(writeRawFile(path, xml));
        std::string theirs;
        ASSERT_TRUE(runXmllint("--noblanks --c14n", path, theirs)) << theirs << "\n" << xml;
        Parsed ours(xml, false);
        ASSERT_TRUE(ours.ok);
        EXPECT_EQ(canonical(ours.root), theirs) << "seed " << seed << "\n" << xml;
    }
}

}  // namespace
}  // namespace quorvel::test
