#pragma once
// Helpers for the feed object tests: texts as std::string and the feed files of tests/data.
#include <gtest/gtest.h>

#include <string>

#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/text/XString.h"
#include "support/CodecHelpers.h"
#include "support/TestFiles.h"

namespace quorvel::test {

inline XString x(const std::string &utf8) { return utf8Text(utf8); }

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

// Values read, each with the value it must be.
struct Read { std::string got, want; };
inline void expectReads(std::initializer_list<Read> reads) { for (const Read &r : reads) EXPECT_EQ(r.got, r.want); }

inline std::string feedFile(const std::string &name) { return dataFile("feeds/" + name); }

}  // namespace quorvel::test
