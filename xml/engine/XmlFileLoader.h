#pragma once

namespace quorvel {

class DataBuffer;
class LogBase;
class TreeNode;

// Turns the bytes of an XML file into UTF-8: a byte-order mark wins (FF FE, FE FF converted
// from UTF-16, EF BB BF removed); otherwise the encoding named by the first "<?xml"
// declaration anywhere in the bytes is converted from when it is a known charset other than
// utf-8. Anything else (no declaration, an unknown name, a UTF-16 or UTF-32 name on text
// whose declaration reads as single bytes) is taken as UTF-8 unchanged. Always succeeds.
void convertToUtf8(DataBuffer &bytes, LogBase &log);

// Reads the file (path used as given), converts it to UTF-8, parses it and corrects a declared
// UTF-16 ("utf-16", "ucs-2", "unicode", ASCII case ignored) to "utf-8". root is null until the
// parser sets it. False when the file cannot be read (the file layer's messages are logged);
// otherwise parseXml's result with root as it left it.
bool loadXmlFile(const char *pathUtf8, LogBase &log, TreeNode *&root, bool trim);

}  // namespace quorvel
