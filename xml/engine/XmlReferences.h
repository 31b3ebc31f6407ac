#pragma once
#include <cstdint>

namespace quorvel {

class StringBuffer;

// The references the parser decodes in text content and attribute values: the five
// predefined entities (&amp; &lt; &gt; &quot; &apos;) and numeric character references,
// decimal ("&#038;") or hexadecimal ("&#x2019;"), which become the character's UTF-8 bytes.
// A numeric reference stays as written when it is malformed (no digits, no ';' right after
// them, an upper-case 'X') or names a character XML does not allow (0, other control
// characters but tab, LF and CR, a surrogate, U+FFFE, U+FFFF, beyond U+10FFFF). Other named
// entities stay as written. One left-to-right pass; what a reference becomes is not rescanned.

// The reference at p (which points at '&'), end bounding the text: its UTF-8 bytes go to out
// (1 to 4 bytes, outLen set) and the reference's length is returned; 0 when p starts no
// reference that decodes. A reference is never shorter than its UTF-8 form.
uint32_t decodeXmlReference(const char *p, const char *end, char out[4], uint32_t &outLen);

// Decodes the n bytes at text in place; returns the new length (never more than n).
uint32_t decodeXmlReferencesInPlace(char *text, uint32_t n);

// Appends the n bytes at text to out, decoded; false when memory is exhausted.
bool appendDecodedXmlText(const char *text, uint32_t n, StringBuffer &out);

}  // namespace quorvel
