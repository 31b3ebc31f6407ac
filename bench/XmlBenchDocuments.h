#pragma once
#include <cstddef>
#include <string>

namespace quorvel::bench {

// The documents of the XML engine benchmark. Each generator is deterministic (fixed seed), so
// every run and every library sees the same bytes. All are UTF-8, indented with two spaces and
// LF line ends, the way exported data usually looks.

// <records> holding <record id type> elements with name, city, price and note children;
// names and cities mix ASCII with Latin, Cyrillic and CJK text, notes carry &amp; &lt; &gt;
// &quot; &apos;. Grows until it holds at least targetBytes.
std::string makeRecordsDocument(size_t targetBytes);

// <catalog> of <item> elements with twelve attributes each (some values escaped or
// non-ASCII); one item in eight has a short text. At least targetBytes.
std::string makeAttributeDocument(size_t targetBytes);

// An RSS 2.0 feed: channel title, link, description, language and lastBuildDate, then the
// items, each with title, link, description (escaped HTML), pubDate and guid.
std::string makeRssFeed(int items);

// Reads a whole file; false when it cannot be opened or read.
bool readDocumentFile(const char *path, std::string &out);

}  // namespace quorvel::bench
