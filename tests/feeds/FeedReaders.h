#pragma once
// Independent readers of a feed the objects built: Python's xml.etree must see the elements,
// attributes and texts that the Xml object holds, and xmllint must accept the document.
#include <cstdlib>
#include <vector>

#include "FeedTestSupport.h"
#include "support/PythonOracle.h"

namespace quorvel::test {

// Depth, tag, attributes (name=value joined by \x01, namespace declarations left out) and the
// trimmed text of each element in document order, read through the Xml object.
inline void walkElements(ClsXml &element, int depth, std::vector<Record> &out) {
    XString content;
    element.get_Content(content);
    std::string attributes;
    for (int i = 0; i < element.get_NumAttributes(); ++i) {
        XString name, value;
        element.GetAttributeName(i, name);
        element.GetAttributeValue(i, value);
        if (std::string(name.getUtf8()).rfind("xmlns", 0) == 0) continue;
        attributes += (attributes.empty() ? "" : "\x01") + std::string(name.getUtf8()) + "=" + value.getUtf8();
    }
    content.trim();
    out.push_back({std::to_string(depth), QUORVEL_TEXT((element.get_Tag(out_), true)), attributes, content.getUtf8()});
    for (int i = 0; i < element.get_NumChildren(); ++i) walkElements(*element.GetChild(i), depth + 1, out);
}

inline const char kEtreeReader[] = R"PY(
import xml.etree.ElementTree as ET
def local(name): return name.split('}', 1)[1] if name.startswith('{') else name
def walk(e, depth):
    attributes = '\x01'.join(local(k) + '=' + v for k, v in e.attrib.items())
    replies.append([str(depth).encode(), local(e.tag).encode(), attributes.encode(), (e.text or '').strip().encode()])
    for child in e: walk(child, depth + 1)
walk(ET.fromstring(records[0][0]), 0)  # a parse error fails the script with its message
)PY";

template <class Feed>
void expectIndependentReadersAgree(Feed &feed, const char *name) {
    const std::string text = xmlOf(feed);
#ifndef _WIN32  // xmllint is not run under Wine
    if (std::system("xmllint --version > /dev/null 2>&1") == 0) {
        const std::string path = scratchDir(name) + "feed.xml";
        std::string errors;
        ASSERT_TRUE(writeRawFile(path, text));
        EXPECT_EQ(std::system(("xmllint --noout \"" + path + "\" 2> \"" + path + ".err\"").c_str()), 0)
            << (readRawFile(path + ".err", errors), errors);
    }
#endif
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
    std::vector<Record> ours, theirs;
    walkElements(feed.xml(), 0, ours);
    ASSERT_EQ(runPythonOracle(name, kEtreeReader, {{text}}, theirs), "") << text;
    EXPECT_EQ(theirs, ours) << text;
}

}  // namespace quorvel::test
