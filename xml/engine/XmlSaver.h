#pragma once

namespace quorvel {

class LogBase;
class StringBuffer;

// Writes serialized XML to a file in the document's declared encoding. The path is trimmed of
// surrounding white space. "utf-8" (ASCII case ignored) or a null encoding writes the bytes as
// they are; any other name converts from UTF-8 to that charset first, and when the conversion
// fails (an unknown name, a character the charset lacks) nothing is written and the result is
// false. No byte-order mark is added. Otherwise the result of the write.
bool saveXmlBytes(const StringBuffer &utf8Xml, const char *declaredEncoding, const char *pathUtf8, LogBase &log);

}  // namespace quorvel
