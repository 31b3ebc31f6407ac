// HTML entity decoding of feed text: the named and numeric entities of Windows-1252.
#include <cstring>

#include "foundation/text/StringBuffer.h"
#include "foundation/charsets/Windows1252.h"

namespace quorvel {

namespace {

struct HtmlEntity {
    const char *text;
    unsigned char code;  // Windows-1252 byte; 0x20 for the spacing and joining marks
};

// Replaced in this order; the order decides what "&amp;lt;"-style double encodings become.
const HtmlEntity kHtmlEntities[] = {
    {"&quot;", 0x22}, {"&apos;", 0x27}, {"&amp;", 0x26}, {"&lt;", 0x3C}, {"&gt;", 0x3E},
    {"&nbsp;", 0xA0}, {"&iexcl;", 0xA1}, {"&curren;", 0xA4}, {"&cent;", 0xA2}, {"&pound;", 0xA3},
    {"&yen;", 0xA5}, {"&brvbar;", 0xA6}, {"&sect;", 0xA7}, {"&uml;", 0xA8}, {"&copy;", 0xA9},
    {"&ordf;", 0xAA}, {"&laquo;", 0xAB}, {"&not;", 0xAC}, {"&shy;", 0xAD}, {"&reg;", 0xAE},
    {"&trade;", 0x99}, {"&#8482;", 0x99}, {"&macr;", 0xAF}, {"&deg;", 0xB0}, {"&plusmn;", 0xB1},
    {"&sup2;", 0xB2}, {"&sup3;", 0xB3}, {"&acute;", 0xB4}, {"&micro;", 0xB5}, {"&para;", 0xB6},
    {"&middot;", 0xB7}, {"&cedil;", 0xB8}, {"&sup1;", 0xB9}, {"&ordm;", 0xBA}, {"&raquo;", 0xBB},
    {"&frac14;", 0xBC}, {"&frac12;", 0xBD}, {"&frac34;", 0xBE}, {"&iquest;", 0xBF},
    {"&times;", 0xD7}, {"&divide;", 0xF7}, {"&Agrave;", 0xC0}, {"&Aacute;", 0xC1},
    {"&Acirc;", 0xC2}, {"&Atilde;", 0xC3}, {"&Auml;", 0xC4}, {"&Aring;", 0xC5}, {"&AElig;", 0xC6},
    {"&Ccedil;", 0xC7}, {"&Egrave;", 0xC8}, {"&Eacute;", 0xC9}, {"&Ecirc;", 0xCA}, {"&Euml;", 0xCB},
    {"&Igrave;", 0xCC}, {"&Iacute;", 0xCD}, {"&Icirc;", 0xCE}, {"&Iuml;", 0xCF}, {"&ETH;", 0xD0},
    {"&Ntilde;", 0xD1}, {"&Ograve;", 0xD2}, {"&Oacute;", 0xD3}, {"&Ocirc;", 0xD4},
    {"&Otilde;", 0xD5}, {"&Ouml;", 0xD6}, {"&Oslash;", 0xD8}, {"&Ugrave;", 0xD9},
    {"&Uacute;", 0xDA}, {"&Ucirc;", 0xDB}, {"&Uuml;", 0xDC}, {"&Yacute;", 0xDD}, {"&THORN;", 0xDE},
    {"&szlig;", 0xDF}, {"&agrave;", 0xE0}, {"&aacute;", 0xE1}, {"&acirc;", 0xE2},
    {"&atilde;", 0xE3}, {"&auml;", 0xE4}, {"&aring;", 0xE5}, {"&aelig;", 0xE6}, {"&ccedil;", 0xE7},
    {"&egrave;", 0xE8}, {"&bull;", 0x95}, {"&eacute;", 0xE9}, {"&ecirc;", 0xEA}, {"&euml;", 0xEB},
    {"&igrave;", 0xEC}, {"&iacute;", 0xED}, {"&icirc;", 0xEE}, {"&iuml;", 0xEF}, {"&eth;", 0xF0},
    {"&ntilde;", 0xF1}, {"&ograve;", 0xF2}, {"&oacute;", 0xF3}, {"&ocirc;", 0xF4},
    {"&otilde;", 0xF5}, {"&ouml;", 0xF6}, {"&oslash;", 0xF8}, {"&ugrave;", 0xF9},
    {"&uacute;", 0xFA}, {"&ucirc;", 0xFB}, {"&uuml;", 0xFC}, {"&yacute;", 0xFD}, {"&thorn;", 0xFE},
    {"&yuml;", 0xFF}, {"&OElig;", 0x8C}, {"&#338;", 0x8C}, {"&oelig;", 0x9C}, {"&#339;", 0x9C},
    {"&Scaron;", 0x8A}, {"&#352;", 0x8A}, {"&scaron;", 0x9A}, {"&#353;", 0x9A}, {"&Yuml;", 0x9F},
    {"&#376;", 0x9F}, {"&circ;", 0x88}, {"&#710;", 0x88}, {"&tilde;", 0x98}, {"&#732;", 0x98},
    {"&ensp;", 0x20}, {"&#8194;", 0x20}, {"&emsp;", 0x20}, {"&#8195;", 0x20}, {"&thinsp;", 0x20},
    {"&#8201;", 0x20}, {"&zwnj;", 0x20}, {"&#8204;", 0x20}, {"&zwj;", 0x20}, {"&#8205;", 0x20},
    {"&lrm;", 0x20}, {"&#8206;", 0x20}, {"&rlm;", 0x20}, {"&#8207;", 0x20}, {"&ndash;", 0x96},
    {"&#8211;", 0x96}, {"&mdash;", 0x97}, {"&#8212;", 0x97}, {"&lsquo;", 0x91}, {"&#8216;", 0x91},
    {"&rsquo;", 0x92}, {"&#8217;", 0x92}, {"&sbquo;", 0x82}, {"&#8218;", 0x82}, {"&ldquo;", 0x93},
    {"&#8220;", 0x93}, {"&rdquo;", 0x94}, {"&#8221;", 0x94}, {"&bdquo;", 0x84}, {"&#8222;", 0x84},
    {"&dagger;", 0x86}, {"&#8224;", 0x86}, {"&Dagger;", 0x87}, {"&#8225;", 0x87},
    {"&hellip;", 0x85}, {"&#8230;", 0x85}, {"&permil;", 0x89}, {"&#8240;", 0x89},
    {"&lsaquo;", 0x8B}, {"&#8249;", 0x8B}, {"&rsaquo;", 0x9B}, {"&#8250;", 0x9B}, {"&euro;", 0x80},
    {"&#8364;", 0x80}, {"&#x20AC;", 0x80},
};

// The UTF-8 form of a Windows-1252 byte (1 to 3 bytes).
uint32_t windows1252AsUtf8(unsigned char b, char out[3]) {
    char16_t u = Windows1252::toUnicode(b);
    if (u < 0x80) {
        out[0] = static_cast<char>(u);
        return 1;
    }
    if (u < 0x800) {
        out[0] = static_cast<char>(0xC0 | (u >> 6));
        out[1] = static_cast<char>(0x80 | (u & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (u >> 12));
    out[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (u & 0x3F));
    return 3;
}

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline int decDigit(char c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

}  // namespace

bool StringBuffer::decodeHtmlEntities() {
    if (m_marker != kValidMarker) return false;
    if (!containsChar('&')) return true;
    static const struct {
        const char *entity;
        const char *text;
    } kBasic[] = {{"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", " "}};
    for (const auto &e : kBasic)
        replaceShrinking(e.entity, static_cast<uint32_t>(strlen(e.entity)), e.text, 1);

    // Every entity starts with '&', so the list stops as soon as none is left.
    for (const HtmlEntity &e : kHtmlEntities) {
        if (!containsChar('&')) break;
        char utf8[3];
        uint32_t n = windows1252AsUtf8(e.code, utf8);
        replaceShrinking(e.text, static_cast<uint32_t>(strlen(e.text)), utf8, n);
    }
    replaceShrinking("&amp;", 5, "&", 1);
    decodeNumericReferences();
    return true;
}

// Character references "&#xHH;" (1-255) and then "&#DDD;" (1-254). A reference is decoded only
// when its digits are followed by the semicolon, so a longer number such as "&#1044;" is left
// whole instead of being cut after three digits. Every reference is at least as long as the
// UTF-8 it becomes, so both passes work in place.
void StringBuffer::decodeNumericReferences() {
    for (int pass = 0; pass < 2; ++pass) {
        bool hex = pass == 0;
        uint32_t minimum = hex ? 5 : 4;
        if (m_length < minimum) continue;
        uint32_t w = 0;
        uint32_t r = 0;
        while (r < m_length) {
            char c = m_data[r];
            if (c == '&' && r + minimum <= m_length && m_data[r + 1] == '#' &&
                (!hex || m_data[r + 2] == 'x' || m_data[r + 2] == 'X')) {
                uint32_t p = r + (hex ? 3 : 2);
                uint32_t maxDigits = hex ? 2 : 3;
                uint32_t value = 0;
                uint32_t digits = 0;
                for (; digits < maxDigits && p < m_length; ++digits, ++p) {
                    int d = hex ? hexDigit(m_data[p]) : decDigit(m_data[p]);
                    if (d < 0) break;
                    value = value * (hex ? 16 : 10) + static_cast<uint32_t>(d);
                }
                uint32_t maxValue = hex ? 255 : 254;
                if (digits > 0 && p < m_length && m_data[p] == ';' && value >= 1 && value <= maxValue) {
                    char utf8[3];
                    uint32_t n = windows1252AsUtf8(static_cast<unsigned char>(value), utf8);
                    memcpy(m_data + w, utf8, n);
                    w += n;
                    r = p + 1;
                    continue;
                }
            }
            m_data[w++] = m_data[r++];
        }
        setLength(w);
    }
}

}  // namespace quorvel
