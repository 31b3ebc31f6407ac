// The benchmark's documents: the same bytes on every call, the size asked for, and well-formed
// XML whose elements and decoded texts Python's parser (an independent implementation) and our
// parser both see as the generator meant them.
#include <gtest/gtest.h>

#include <cstdint>
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

TEST(XmlBenchDocuments, SizedDocumentsStopAtTheFirstRecordThatReachesTheSize) {
    for (size_t size : {size_t{1}, size_t{5000}, size_t{123456}}) {
        for (const std::string &text : {bench::makeRecordsDocument(size), bench::makeAttributeDocument(size)}) {
            EXPECT_GE(text.size(), size);
            EXPECT_LT(text.size(), size + 1024);
        }
    }
    EXPECT_EQ(countOf(bench::makeRssFeed(7), "<item>"), 7u);
    EXPECT_EQ(countOf(bench::makeRssFeed(0), "<item>"), 0u);
}

// Python's reader: each record is a document and what it must read there, the element count, a
// space, and the decoded-specials summary described above.
const char kSummaryScript[] = R"PY(
import xml.etree.ElementTree as ET
for i, (text, expected) in enumerate(records):
    texts, elements = [], 0
    for e in ET.fromstring(text).iter():
        elements += 1
        texts.append(e.text or '')
        texts.extend(e.attrib.values())
    joined = ''.join(texts)
    specials = ''.join(c for c in '&<>"\'' if c in joined) + ('U' if any(ord(c) > 127 for c in joined) else '')
    if '%d %s' % (elements, specials) != expected.decode(): fail(i, '%d %s' % (elements, specials))
)PY";

TEST(XmlBenchDocuments, SameBytesOnEveryCallAndEveryElementSeenByOurParserAndPythons) {
    std::vector<test::Record> records, replies;
    for (const GeneratedDocument &doc : documents()) {
        SCOPED_TRACE(doc.name);
        const std::string text = doc.make();
        EXPECT_EQ(text, doc.make());
        EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=", 0), 0u);
        TreeNode *root = nullptr;
        ASSERT_TRUE(parseXmlText(text.c_str(), nullptr, root, true));
        uint64_t elements = 0;
        forEachInSubtree(root, [&](TreeNode *) { ++elements; });
        TreeNode::deleteTree(root);
        EXPECT_EQ(elements, doc.expectedElements(text));
        records.push_back({text, std::to_string(doc.expectedElements(text)) + " " + doc.decodedSpecials});
    }
    if (!test::pythonAvailable()) GTEST_SKIP() << "python3 is not available; Python's reading not checked";
    EXPECT_EQ(test::runPythonOracle("xml_bench_documents", kSummaryScript, records, replies), "");
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
