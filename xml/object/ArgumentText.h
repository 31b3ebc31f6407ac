#pragma once
// Small argument helpers shared by the ClsXml method files.
#include <cstdio>

#include "foundation/text/StringBuffer.h"
#include "foundation/text/XString.h"

namespace quorvel {

// The UTF-8 of an argument with spaces, tabs, CR and LF removed at both ends.
inline StringBuffer trimmedUtf8(const XString &text) {
    StringBuffer sb(text.getUtf8());
    sb.trim();
    return sb;
}

// A number as "%d" text.
struct DecimalText {
    explicit DecimalText(int value) { std::snprintf(text, sizeof text, "%d", value); }
    char text[16];
};

// value + amount wrapping around in 32 bits, as the integer rule's arithmetic does.
inline int addWrapping(int value, int amount) {
    return static_cast<int>(static_cast<uint32_t>(value) + static_cast<uint32_t>(amount));
}

}  // namespace quorvel
