// Seeded random trees: writing one and reading it back gives the same tree and prologue, and an
// independent reader (Python's) reads the serializer's text, a hand-written text of the same tree
// and the engine's rewrite of that hand-written text as one and the same document.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "support/PythonOracle.h"
#include "xml/engine/TreeWalk.h"

namespace quorvel::test {
namespace {

class RandomTrees {
public:
    // strictXml keeps to what any XML reader accepts and reads back the same way: names that
    // start with a letter and hold no ':' or '!', no CR, no numeric references, and attribute
    // values without tabs or line ends (XML normalizes those to spaces).
    RandomTrees(uint32_t seed, bool strictXml) : m_rng(seed), m_strict(strictXml) {}

    int pick(int n) { return static_cast<int>(m_rng() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string name(int maxLength) {
        static const char *const first[] = {"a", "b", "x", "Item", "_u", "\xC3\xA9", "k"};
        static const char *const rest[] = {"a", "z", "0", "9", "-", ".", "_", "Q", "\xC3\xA9", ":", "!"};
        std::string s = first[pick(7)];
        for (int n = pick(maxLength); n > 0; --n) s += rest[pick(m_strict ? 9 : 11)];
        return s;
    }

    // Never empty, and no whitespace at either end (the parser trims there).
    std::string text(bool forCdata) {
        static const char *const pieces[] = {"a", "Z", " ", "<", ">", "&", "\"", "'", "&amp;", "&lt;",
                                             "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "]", "[", "\t", "\n", "\r", "&#65;", "x y"};
        std::string s = "t";
        for (int n = pick(12); n > 0; --n) s += pieces[pick(m_strict ? 16 : 19)];
        s += "e";
        for (size_t at; forCdata && (at = s.find("]]>")) != std::string::npos;) s.erase(at, 3);
        return s;
    }

    // About maxNodes elements; attribute names unique per element; in strict trees an element
    // holds text or children, not both.
    TreeNode *tree(int maxNodes) {
        TreeNode *nodes[64] = {decorate(TreeNode::createTree(name(20).c_str()))};
        int count = 1;
        for (int n = pick(maxNodes); n > 0; --n) {
            TreeNode *parent = nodes[pick(count)];
            if (m_strict && parent->hasContent()) continue;
            TreeNode *child = decorate(TreeNode::createChild(parent, name(20).c_str()));
            if (count < 64) nodes[count++] = child;
        }
        return nodes[0];
    }

private:
    TreeNode *decorate(TreeNode *node) {
        static const char *const pieces[] = {"v", "\"", "'", "&", "<", ">", " ", "&quot;", "\xC3\xBC", "\t", "\n"};
        for (int i = pick(4); i > 0; --i) {
            std::string value;
            for (int n = pick(6); n > 0; --n) value += pieces[pick(m_strict ? 9 : 11)];
            node->addAttribute((name(6) + std::to_string(i)).c_str(), value.c_str());
        }
        if (chance(55)) {
            const bool cdata = chance(25);
            node->setContent(text(cdata).c_str());
            node->setCdata(cdata);
        }
        return node;
    }

    std::mt19937 m_rng;
    bool m_strict;
};

void addPrologue(RandomTrees &random, TreeNode *root) {
    TreeInfo &info = *root->treeInfo();
    if (random.chance(50)) {
        info.setDeclaration(instruction("xml", {{"version", "1.0"}, {"encoding", "utf-8"}}));
        if (random.chance(50)) info.declaration()->addAttribute("standalone", "yes");
    }
    for (int i = random.pick(3); i > 0; --i)
        info.styleSheets().append(instruction("xml-stylesheet", {{"type", "text/xsl"}, {"href", random.chance(50) ? "a&b<c>.xsl" : "s.xsl"}}));
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
                out += (random.chance(50) ? " " : "\n  ") + textOf(name) + "=" + quote + escaped(value.getString(), quote) + quote;
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

// Python's reader in canonical form (C14N 2.0, CDATA as text, the layout's white space between
// elements dropped): every text of a record must read as the same document.
const char kCanonicalScript[] = R"PY(
import xml.etree.ElementTree as ET
for i, texts in enumerate(records):
    forms = [ET.canonicalize(text.decode('utf-8'), strip_text=True) for text in texts]
    if forms.count(forms[0]) != len(forms): fail(i, repr([form[:200] for form in forms]))
)PY";

TEST(ReaderAgreement, SerializedHandWrittenAndRewrittenTextsReadAlike) {
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available; agreement not checked";
    std::vector<Record> documents, replies;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        RandomTrees random(seed, true);
        Holder tree(random.tree(40));
        if (random.chance(50)) setDeclarationEncoding(tree.node(), "utf-8");
        const std::string hand = handWritten(random, tree.node());
        Parsed ours(hand, false);
        ASSERT_TRUE(ours.ok && ours.log.lines.empty()) << hand;
        documents.push_back({serialized(tree.node()), hand, serialized(ours.root)});
    }
    EXPECT_EQ(runPythonOracle("xml_canonical", kCanonicalScript, documents, replies), "");
}

}  // namespace
}  // namespace quorvel::test
