// The benchmark's documents: the same bytes on every call, the size asked for, and well-formed
// XML whose elements and decoded texts Python's parser (an independent implementation) and our
// parser both see as the generator meant them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/XmlBenchDocuments.h"
#include "support/PythonOracle.h"
#include "support/TestFiles.h"
#include "xml/engine/TreeNode.h"
#include "xml/engine/TreeWalk.h"
#include "xml/engine/XmlParser.h"

namespace quorvel {
namespace {

size_t countOf(const std::string &text, const std::string &needle) {
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++count;
    return count;
}

struct GeneratedDocument {
    const char *name;
    std::function<std::string()> make;
    // Elements the document must hold, from its own text.
    std::function<uint64_t(const std::string &)> expectedElements;
    // Characters among & < > " ' that its decoded texts and attribute values hold, then U when
    // some text is not ASCII.
    const char *decodedSpecials;
};

const std::vector<GeneratedDocument> &documents() {
    static const std::vector<GeneratedDocument> all = {
        {"records", [] { return bench::makeRecordsDocument(40000); },
         [](const std::string &s) { return 1 + 5 * countOf(s, "<record "); }, "&<>\"'U"},
        {"attribute-heavy", [] { return bench::makeAttributeDocument(40000); },
         [](const std::string &s) { return 1 + countOf(s, "<item "); }, "&<\"U"},
        {"rss", [] { return bench::makeRssFeed(40); },
         [](const std::string &) { return uint64_t{2 + 5 + 6 * 40}; }, "&<>U"},
    };
    return all;
}

TEST(XmlBenchDocuments, SameBytesOnEveryCallAndTheSizeAskedFor) {
    for (const GeneratedDocument &doc : documents()) {
        SCOPED_TRACE(doc.name);
        const std::string first = doc.make();
        EXPECT_EQ(first, doc.make());
        EXPECT_EQ(first.rfind("<?xml version=\"1.0\" encoding=", 0), 0u);
    }
    // Sized documents stop at the first record that reaches the size.
    for (size_t size : {size_t{1}, size_t{5000}, size_t{123456}}) {
        const std::string records = bench::makeRecordsDocument(size);
        const std::string items = bench::makeAttributeDocument(size);
        EXPECT_GE(records.size(), size);
        EXPECT_LT(records.size(), size + 1024);
        EXPECT_GE(items.size(), size);
        EXPECT_LT(items.size(), size + 1024);
    }
    EXPECT_EQ(countOf(bench::makeRssFeed(7), "<item>"), 7u);
    EXPECT_EQ(countOf(bench::makeRssFeed(0), "<item>"), 0u);
}

TEST(XmlBenchDocuments, OurParserSeesEveryElement) {
    for (const GeneratedDocument &doc : documents()) {
        SCOPED_TRACE(doc.name);
        const std::string text = doc.make();
        TreeNode *root = nullptr;
        ASSERT_TRUE(parseXmlText(text.c_str(), nullptr, root, true));
        uint64_t elements = 0;
        forEachInSubtree(root, [&](TreeNode *) { ++elements; });
        TreeNode::deleteTree(root);
        EXPECT_EQ(elements, doc.expectedElements(text));
    }
}

// Reads doc<i>.xml in the folder argv[1] for i < argv[2]; writes one line per document: the
// element count, a space, and the decoded-specials summary described above.
const char kSummaryScript[] = R"PY(
import sys, xml.etree.ElementTree as ET
folder, count = sys.argv[1], int(sys.argv[2])
with open(folder + 'summary.txt', 'w', encoding='utf-8', newline='\n') as out:
    for i in range(count):
        root = ET.parse(folder + 'doc%d.xml' % i).getroot()
        texts, elements = [], 0
        for e in root.iter():
            elements += 1
            texts.append(e.text or '')
            texts.extend(e.attrib.values())
        joined = ''.join(texts)
        specials = ''.join(c for c in '&<>"\'' if c in joined)
        if any(ord(c) > 127 for c in joined):
            specials += 'U'
        out.write('%d %s\n' % (elements, specials))
)PY";

TEST(XmlBenchDocuments, PythonSeesTheSameElementsAndDecodedTexts) {
    if (!test::pythonAvailable()) GTEST_SKIP() << "python3 is not available; documents not checked";
    const std::string dir = test::scratchDir("XmlBenchDocuments");
    ASSERT_TRUE(test::writeRawFile(dir + "summary.py", kSummaryScript));
    std::string expected;
    for (size_t i = 0; i < documents().size(); ++i) {
        const GeneratedDocument &doc = documents()[i];
        const std::string text = doc.make();
        ASSERT_TRUE(test::writeRawFile(dir + "doc" + std::to_string(i) + ".xml", text));
        expected += std::to_string(doc.expectedElements(text)) + " " + doc.decodedSpecials + "\n";
    }
    const std::string command = "python3 \"" + dir + "summary.py\" \"" + dir + "\" " +
                                std::to_string(documents().size()) + " 2> \"" + dir + "errors.txt\"";
    if (std::system(command.c_str()) != 0) {
        std::string errors;
        test::readRawFile(dir + "errors.txt", errors);
        FAIL() << "Python could not read a document:\n" << errors;
    }
    std::string summary;
    ASSERT_TRUE(test::readRawFile(dir + "summary.txt", summary));
    EXPECT_EQ(summary, expected);
}

TEST(XmlBenchDocuments, ReadDocumentFileTakesEveryByteAndFailsOnMissingFiles) {
    const std::string dir = test::scratchDir("XmlBenchDocumentsRead");
    std::string bytes("<a>\0\xFF\r\n</a>", 11);
    bytes += std::string(200000, 'x');  // more than one read chunk
    ASSERT_TRUE(test::writeRawFile(dir + "doc.xml", bytes));
    std::string read = "stale";
    ASSERT_TRUE(bench::readDocumentFile((dir + "doc.xml").c_str(), read));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(bench::readDocumentFile((dir + "missing.xml").c_str(), read));
    EXPECT_TRUE(read.empty());
}

}  // namespace
}  // namespace quorvel
