#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;

// The charset an HTML document names for itself: from the first <meta> whose http-equiv is
// "content-type", the text after "charset=" in its content (up to '"', ';', a space or the
// end) or else its charset attribute; without such a meta, the charset attribute of the first
// <meta> that has one; without either, the first encoding="..." of a document that contains
// "<?xml " (a "utf-16" there is ignored: the bytes were single-byte enough to be read). False
// when the document names none.
bool findHtmlCharset(const unsigned char *bytes, uint32_t n, StringBuffer &charset);

}  // namespace quorvel
