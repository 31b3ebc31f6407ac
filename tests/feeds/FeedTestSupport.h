#pragma once
// Helpers for the feed object tests: texts as std::string, the feed files of tests/data, and
// independent readers of a built feed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/text/XString.h"
#include "support/PythonOracle.h"
#include "support/TestFiles.h"

namespace quorvel::test {

inline XString x(const std::string &utf8) {
    XString text;
    text.setFromUtf8N(utf8.data(), static_cast<uint32_t>(utf8.size()));
    return text;
}

// A string member's result (written to out_): its text, or "(null)" when it reports a null string.
#define QUORVEL_TEXT(call) \
    [&] { ::quorvel::XString out_; return (call) ? std::string(out_.getUtf8()) : std::string("(null)"); }()

template <class Feed>
std::string xmlOf(Feed &feed) { return QUORVEL_TEXT(feed.ToXmlString(out_)); }
template <class Feed>
std::string lastError(Feed &feed) { return QUORVEL_TEXT((feed.get_LastErrorText(out_), true)); }
template <class Feed>
bool logHas(Feed &feed, const std::string &text) { return lastError(feed).find(text) != std::string::npos; }

inline std::string getString(ClsRss &rss, const char *tag) { return QUORVEL_TEXT(rss.GetString(x(tag), out_)); }
inline std::string element(ClsAtom &a, const char *tag, int i = 0) { return QUORVEL_TEXT(a.GetElement(x(tag), i, out_)); }

// Lines joined with CR LF, each line ended, as the serializer writes them.
inline std::string crlf(std::initializer_list<const char *> lines) {
    std::string text;
    for (const char *line : lines) text += std::string(line) + "\r\n";
    return text;
}

inline std::string feedFile(const std::string &name) { return dataFile("feeds/" + name); }

// xmllint and Python's xml.etree read the feed's text without an error (that the text is the
// document the tree holds is the serializer's test against Python).
template <class Feed>
void expectWellFormed(Feed &feed, const char *name) {
    const std::string text = xmlOf(feed);
#ifndef _WIN32  // xmllint is not run under Wine
    const std::string path = scratchDir(name) + "feed.xml";
    ASSERT_TRUE(writeRawFile(path, text));
    if (std::system("xmllint --version > /dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("xmllint --noout \"" + path + "\"").c_str()), 0);
    }
#endif
    if (!pythonAvailable()) GTEST_SKIP() << "python3 is not available";
    std::vector<Record> none;
    EXPECT_EQ(runPythonOracle(name, "import xml.etree.ElementTree as ET\nET.fromstring(records[0][0])\n", {{text}}, none), "") << text;
}

}  // namespace quorvel::test
