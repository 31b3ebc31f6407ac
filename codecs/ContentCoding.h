#pragma once
#include <cstdint>

namespace quorvel {

class DataBuffer;
class StringBuffer;

// Turns bytes into 7-bit text and back: Base64 (MIME form with line breaks, single-line form,
// URL-safe alphabet), quoted-printable, and the RFC 2047 "Q" and "B" encoded words.
//
// Encoders append text to a StringBuffer and decoders append bytes to a DataBuffer. Any input is
// accepted: malformed text is decoded as far as it goes and is never reported as an error. An
// operation returns false only when memory runs out, the output would reach 4 GiB or a null
// input has a non-zero length, and its output is then left exactly as it was.
class ContentCoding {
public:
    static constexpr uint32_t kDefaultLineLength = 76;
    static constexpr uint32_t kMinQpLineLength = 10;

    // ---- settings
    uint32_t getLineLength() const { return m_lineLength; }
    // Used by the MIME Base64 form and by quoted-printable. For Base64, 0 keeps the whole
    // encoding on one line (still ended by CR LF). Quoted-printable never works with lines
    // shorter than 10: below that no escape and soft break fit on a line.
    void setLineLength(uint32_t length) { m_lineLength = length; }
    // The quoted-printable setter: lengths below 10 become 10.
    void setQpLineLength(uint32_t length) { m_lineLength = length < kMinQpLineLength ? kMinQpLineLength : length; }
    // When set, the Q encoder also escapes the comma (=2C).
    bool getQVariant() const { return m_qVariant != 0; }
    void setQVariant(bool on) { m_qVariant = on ? 1 : 0; }

    // ---- Base64
    // MIME form: standard alphabet, '=' padding, CR LF whenever a line reaches the line length,
    // and always a CR LF at the end.
    bool encodeBase64(const void *bytes, uint32_t n, StringBuffer &out) const;
    // One line, standard alphabet ('+', '/'), '=' padding.
    static bool encodeBase64OneLine(const void *bytes, uint32_t n, StringBuffer &out);
    // One line, URL-safe alphabet ('-', '_'), '=' padding.
    static bool encodeBase64UrlSafe(const void *bytes, uint32_t n, StringBuffer &out);
    // Standard alphabet. Stops at the first '=' or NUL, skips every character outside the
    // alphabet (line breaks, spaces, dots and any other), and turns a final incomplete group
    // into the whole bytes it carries.
    static bool decodeBase64(const char *text, uint32_t n, DataBuffer &out);
    // The same with the modified alphabet in which 62 and 63 are written '-' and ']'.
    static bool decodeModBase64(const char *text, uint32_t n, DataBuffer &out);

    // ---- quoted-printable
    // Lines of at most line length - 1 characters before the soft break; CR LF pairs pass
    // through; a line never starts with a lone dot or with "From ".
    bool encodeQuotedPrintable(const void *bytes, uint32_t n, StringBuffer &out) const;
    // Line by line: trailing white space dropped, '=' at the end of a line joins it to the next,
    // every other line ends in CR LF. The text ends at the first NUL.
    static bool decodeQuotedPrintable(const char *text, uint32_t n, DataBuffer &out);

    // ---- RFC 2047 encoded words
    // One word "=?charset?Q?...?=" for the whole input, without folding; a null or empty
    // charset becomes "utf-8".
    bool encodeQ(const void *bytes, uint32_t n, const char *charset, StringBuffer &out) const;
    // One word "=?charset?B?...?=", the charset written as given (null counts as empty).
    static bool encodeB(const void *bytes, uint32_t n, const char *charset, StringBuffer &out);
    // Text whose first 100 bytes already hold an encoded word marker is copied unchanged;
    // otherwise B for the charsets of East Asian, Thai, Turkish and Arabic text, Q for all others.
    bool encodeWord(const void *bytes, uint32_t n, const char *charset, StringBuffer &out) const;
    // Q payload: '_' and space become a space, "=XX" a byte; controls, '?' and 127-159 vanish.
    static bool decodeQ(const char *text, uint32_t n, DataBuffer &out);
    // Replaces each encoded word by its decoded bytes (the charset is not applied; the caller
    // converts once it knows it). Spaces and tabs that begin the text or follow a word are
    // dropped, so the white space between two words disappears. Decoding stops silently at the
    // first malformed word, and the rest of the text is not appended.
    static bool decodeEncodedWords(const char *text, uint32_t n, DataBuffer &out);

private:
    uint32_t m_lineLength = kDefaultLineLength;
    uint8_t m_qVariant = 0;
};

}  // namespace quorvel
