#pragma once
// Helpers for the feed object tests: texts as std::string and the feed files of tests/data.
#include <gtest/gtest.h>

#include <string>

#include "feeds/ClsAtom.h"
#include "feeds/ClsRss.h"
#include "foundation/text/XString.h"
#include "support/TestFiles.h"

namespace quorvel::test {

inline XString x(const std::string &utf8) {
    XString text;
    text.setFromUtf8N(utf8.data(), static_cast<uint32_t>(utf8.size()));
    return text;
}

// A string member's result: its text, or "(null)" when it reports a null string.
inline std::string textOr(bool ok, const XString &out) { return ok ? std::string(out.getUtf8()) : "(null)"; }
#define QUORVEL_TEXT(call)                         \
    [&] {                                          \
        ::quorvel::XString out_;                   \
        bool ok_ = (call);                         \
        return ::quorvel::test::textOr(ok_, out_); \
    }()

inline std::string xmlOf(ClsRss &rss) {
    XString out;
    return rss.ToXmlString(out) ? out.getUtf8() : "(null)";
}
inline std::string xmlOf(ClsAtom &atom) {
    XString out;
    return atom.ToXmlString(out) ? out.getUtf8() : "(null)";
}

template <class Feed>
std::string lastError(Feed &feed) {
    XString out;
    feed.get_LastErrorText(out);
    return out.getUtf8();
}

// Lines joined with CR LF, each line ended, as the serializer writes them.
inline std::string crlf(std::initializer_list<const char *> lines) {
    std::string text;
    for (const char *line : lines) text += std::string(line) + "\r\n";
    return text;
}

inline std::string feedFile(const std::string &name) { return dataFile("feeds/" + name); }

}  // namespace quorvel::test
