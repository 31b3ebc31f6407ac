// Generated documents written by the serializer and read back by Python's XML parser, an
// independent implementation: every tag, attribute and text must come back unchanged.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "xml/engine/SerializerTestTrees.h"

namespace quorvel {
namespace {

bool pythonXmlAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::system("python3 -c \"import xml.etree.ElementTree\" > /dev/null 2>&1") == 0;
#endif
}

// Elements in document order: tag, attributes as name=value joined by \x01, then \x02 and
// the text of a leaf; records end with \x03.
// The script reads doc<i>.xml and writes dump<i>.txt in the folder argv[1], for i < argv[2].
const char kDumpScript[] = R"PY(
import sys, xml.etree.ElementTree as ET
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    root = ET.parse(folder + 'doc%d.xml' % i).getroot()
    records, stack = [], [root]
    while stack:
        e = stack.pop()
        attrs = '\x01'.join(k + '=' + v for k, v in e.attrib.items())
        text = (e.text or '') if len(e) == 0 else ''
        records.append(e.tag + '\x01' + attrs + '\x02' + text + '\x03')
        stack.extend(reversed(list(e)))
    with open(folder + 'dump%d.txt' % i, 'w', encoding='utf-8', newline='') as f:
        f.write(''.join(records))
)PY";

class Random {
public:
    explicit Random(uint32_t seed) : m_state(seed) {}
    uint32_t below(uint32_t n) {
        m_state = m_state * 1103515245u + 12345u;
        return (m_state >> 8) % n;
    }

private:
    uint32_t m_state;
};

std::string randomText(Random &random, bool allowLineFeed) {
    static const char *const pieces[] = {"a", "Z", "0", " ", "<", ">", "&", "\"", "'", "]", "]]>",
                                         "&amp;", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\n"};
    std::string text;
    uint32_t n = random.below(12);
    for (uint32_t i = 0; i < n; ++i) {
        const char *piece = pieces[random.below(allowLineFeed ? 16 : 15)];
        text += piece;
    }
    return text;
}

std::string randomName(Random &random) {
    static const char first[] = "abcdefghXYZ_";
    static const char rest[] = "abcxyz019-._";
    std::string name(1, first[random.below(sizeof first - 1)]);
    for (uint32_t i = random.below(6); i > 0; --i) name += rest[random.below(sizeof rest - 1)];
    return name;
}

// Leaves get text (some as CDATA without "]]>"); elements with children get none, so the
// layout's white space is the only text between them.
void grow(TreeNode *node, Random &random, int depth) {
    for (uint32_t a = random.below(4); a > 0; --a) {
        std::string name = randomName(random) + std::to_string(a);  // distinct names per element
        node->addAttribute(name.c_str(), randomText(random, false).c_str());
    }
    uint32_t children = depth < 6 ? random.below(5) : 0;
    if (children == 0) {
        bool cdata = random.below(4) == 0;
        std::string text = randomText(random, true);
        if (cdata && text.find("]]>") != std::string::npos) text.clear();
        node->setContent(text.c_str());
        node->setCdata(cdata);
        return;
    }
    for (uint32_t i = 0; i < children; ++i) grow(TreeNode::createChild(node, randomName(random).c_str()), random, depth + 1);
}

std::string expectedDump(const TreeNode *root) {
    std::string dump;
    std::vector<const TreeNode *> stack{root};
    while (!stack.empty()) {
        const TreeNode *node = stack.back();
        stack.pop_back();
        dump += node->getTag();
        dump += '\x01';
        StringBuffer name, value;
        for (int32_t i = 0; node->getAttributePair(i, name, value); ++i)
            dump += (i ? "\x01" : "") + std::string(name.getString()) + "=" + value.getString();
        dump += '\x02';
        if (node->getNumChildren() == 0) dump += node->getContent();
        dump += '\x03';
        for (int32_t i = node->getNumChildren() - 1; i >= 0; --i) stack.push_back(node->getChild(i));
    }
    return dump;
}

TEST(SerializerOracle, PythonReadsBackEveryTagAttributeAndText) {
    if (!pythonXmlAvailable()) GTEST_SKIP() << "python3 with xml.etree is not available";
    constexpr uint32_t kDocuments = 16;
    const std::string dir = test::scratchDir("SerializerOracle");
    ASSERT_TRUE(test::writeRawFile(dir + "dump.py", kDumpScript));
    std::vector<std::string> expected;
    for (uint32_t i = 0; i < kDocuments; ++i) {
        Random random(i + 1);
        test::OwnedTree doc("root");
        ASSERT_TRUE(setDeclarationEncoding(doc.root(), "utf-8"));
        grow(doc.root(), random, 0);
        ASSERT_TRUE(test::writeRawFile(dir + "doc" + std::to_string(i) + ".xml", test::serialized(doc.root())));
        expected.push_back(expectedDump(doc.root()));
    }
    const std::string command = "python3 \"" + dir + "dump.py\" \"" + dir + "\" " + std::to_string(kDocuments) +
                                " 2> \"" + dir + "errors.txt\"";
    if (std::system(command.c_str()) != 0) {
        std::string errors;
        test::readRawFile(dir + "errors.txt", errors);
        FAIL() << "Python could not read a document:\n" << errors;
    }
    for (uint32_t i = 0; i < kDocuments; ++i) {
        std::string dump;
        ASSERT_TRUE(test::readRawFile(dir + "dump" + std::to_string(i) + ".txt", dump));
        EXPECT_EQ(dump, expected[i]) << "document " << i;
    }
}

}  // namespace
}  // namespace quorvel
