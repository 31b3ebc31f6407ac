#pragma once
// VARIANT arguments that carry data, flattened to bytes for the internal methods.
#include "automation/com/Com.h"

namespace quorvel {
class DataBuffer;
class XString;
}

namespace quorvel::automation {

// Appends the variant's bytes to out: a string gives its UTF-16 bytes and sets isText; a byte,
// signed byte or boolean gives one byte (a true boolean gives 1); a one-dimensional array of
// bytes gives its bytes; an array of variants gives its elements flattened in turn; a
// by-reference variant is dereferenced first; anything else gives nothing. False only when
// memory runs out or the bytes would pass 4 GiB (out then holds what came before).
bool flattenVariant(const VARIANT &value, DataBuffer &out, bool &isText);

// The XML text a loader takes from flattened bytes: text-marked bytes are UTF-16 (a leading
// FF FE or FE FF skipped), other bytes are text in the system ANSI code page (a leading UTF-8
// byte-order mark skipped). False only when memory runs out.
bool xmlTextOfBytes(const DataBuffer &bytes, bool isText, XString &out);

// Text-marked (UTF-16) bytes written in the named charset, for an encoded word that carries that
// name: UTF-8 when the name is empty or names no charset we can write. Characters the charset
// lacks are dropped. out is empty only when memory runs out or the text was.
void textInCharset(const DataBuffer &utf16, const XString &charset, DataBuffer &out);

}  // namespace quorvel::automation
